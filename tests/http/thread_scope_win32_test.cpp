// The COM apartment a request thread enters, checked against the real COM of Windows (or Wine).
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "platform/http_request_object.hpp"

namespace lanqi {
namespace {

// What CoInitializeEx(multi-threaded) answers on the calling thread, undone again when it entered:
// S_FALSE while the thread is in the multi-threaded apartment already, RPC_E_CHANGED_MODE while
// it is in a single-threaded one, S_OK when it was in none.
HRESULT ProbeApartment() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(result)) CoUninitialize();
  return result;
}

template <typename Body>
void OnFreshThread(Body body) {
  std::thread(body).join();
}

TEST(HttpThreadScope, EntersASingleThreadedApartmentAndLeavesItAgain) {
  OnFreshThread([] {
    {
      const platform::HttpThreadScope scope;
      EXPECT_EQ(ProbeApartment(), RPC_E_CHANGED_MODE);
    }
    EXPECT_EQ(ProbeApartment(), S_OK);
  });
}

// A thread that already belongs to a multi-threaded apartment cannot enter a single-threaded one;
// the scope must then not call CoUninitialize, which would take the thread out of the apartment
// its owner entered.
TEST(HttpThreadScope, LeavesAForeignApartmentAloneWhenEnteringFailed) {
  OnFreshThread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    { const platform::HttpThreadScope scope; }
    EXPECT_EQ(ProbeApartment(), S_FALSE);  // still in the owner's apartment
    CoUninitialize();
    EXPECT_EQ(ProbeApartment(), S_OK);
  });
}

}  // namespace
}  // namespace lanqi
