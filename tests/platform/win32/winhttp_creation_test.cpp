// Creating the request object through stand-ins for CoCreateInstance and OleRun: one retry
// without the remote context after E_INVALIDARG and no other, an object that will not run given
// up, and every reference taken released again.
#include "platform/win32/winhttp_creation.hpp"

#include <gtest/gtest.h>
#include <oaidl.h>

#include <vector>

namespace lanqi {
namespace {

// The request object as COM hands it out: it counts the references the code under test holds.
class CountedInstance final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  ULONG references = 0;
};

// What the stand-ins answer and were asked; plain functions cannot capture, so it lives here.
struct Script {
  std::vector<HRESULT> createAnswers;  // one per call
  HRESULT runAnswer = S_OK;
  std::vector<DWORD> contexts;  // of each creation call
  int runs = 0;
  CountedInstance instance;
};
Script* script = nullptr;  // the case being run

HRESULT WINAPI ScriptedCreate(REFCLSID, LPUNKNOWN, DWORD context, REFIID iid, LPVOID* out) {
  const std::size_t call = script->contexts.size();
  script->contexts.push_back(context);
  const HRESULT answer =
      call < script->createAnswers.size() ? script->createAnswers[call] : E_UNEXPECTED;
  if (FAILED(answer)) {
    *out = nullptr;
    return answer;
  }
  return script->instance.QueryInterface(iid, out);
}

HRESULT WINAPI ScriptedRun(LPUNKNOWN) {
  ++script->runs;
  return script->runAnswer;
}

TEST(WinHttpCreation, RetriesOnceWithoutRemoteContextAndGivesUpAnObjectThatWillNotRun) {
  constexpr DWORD kAll =
      CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
  constexpr DWORD kNoRemote = kAll & ~CLSCTX_REMOTE_SERVER;
  const struct {
    const char* name;
    std::vector<HRESULT> createAnswers;
    HRESULT runAnswer;
    std::vector<DWORD> expectedContexts;
    int expectedRuns;
    bool made;
  } cases[] = {
      {"created at once", {S_OK}, S_OK, {kAll}, 1, true},
      {"remote context refused", {E_INVALIDARG, S_OK}, S_OK, {kAll, kNoRemote}, 1, true},
      {"refused twice", {E_INVALIDARG, E_INVALIDARG}, S_OK, {kAll, kNoRemote}, 0, false},
      {"class missing: no retry", {REGDB_E_CLASSNOTREG}, S_OK, {kAll}, 0, false},
      {"access denied: no retry", {E_ACCESSDENIED}, S_OK, {kAll}, 0, false},
      {"will not run", {S_OK}, E_FAIL, {kAll}, 1, false},
  };
  const platform::HttpThreadScope apartment;  // for the look-up of the class from its name
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Script scripted;
    scripted.createAnswers = c.createAnswers;
    scripted.runAnswer = c.runAnswer;
    script = &scripted;
    {
      const auto object = platform::win32::NewWinHttpRequestObject({&ScriptedCreate, &ScriptedRun});
      EXPECT_EQ(object != nullptr, c.made);
      EXPECT_EQ(scripted.contexts, c.expectedContexts);
      EXPECT_EQ(scripted.runs, c.expectedRuns);
    }
    EXPECT_EQ(scripted.instance.references, 0u) << "a reference to the instance was kept";
    script = nullptr;
  }
}

}  // namespace
}  // namespace lanqi
