#include <windows.h>

#include <cstdlib>
#include <ctime>

#include "platform/win32/unique_handle.hpp"
#include "tests/support/system_support.hpp"

namespace lanqi::testing {

platform::System& HostSystem() {
  return platform::RealSystem();
}

std::size_t PageSize() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwPageSize;
}

PageBlock::PageBlock(std::size_t pages) : size_(pages * PageSize()) {
  void* mapping = VirtualAlloc(nullptr, size_ + 2 * PageSize(), MEM_RESERVE, PAGE_NOACCESS);
  if (mapping == nullptr) std::abort();
  mapping_ = reinterpret_cast<std::uintptr_t>(mapping);
  address_ = mapping_ + PageSize();
  if (VirtualAlloc(reinterpret_cast<void*>(address_), size_, MEM_COMMIT, PAGE_READWRITE) ==
      nullptr) {
    std::abort();
  }
}

PageBlock::~PageBlock() {
  VirtualFree(reinterpret_cast<void*>(mapping_), 0, MEM_RELEASE);
}

struct IdleProcess::State {
  platform::win32::UniqueHandle process;
  platform::win32::UniqueHandle thread;
  DWORD id = 0;
};

// A suspended copy of this test program: mapped and never run.
IdleProcess::IdleProcess() : state_(std::make_unique<State>()) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  wchar_t commandLine[] = L"idle";
  PROCESS_INFORMATION info{};
  if (CreateProcessW(path, commandLine, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                     &startup, &info)) {
    state_->process.reset(info.hProcess);
    state_->thread.reset(info.hThread);
    state_->id = info.dwProcessId;
  }
}

IdleProcess::~IdleProcess() {
  if (state_->process) {
    TerminateProcess(state_->process.get(), 0);
    WaitForSingleObject(state_->process.get(), 5000);
  }
}

std::uint32_t IdleProcess::id() const {
  return state_->id;
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void SetTimeZoneVariable(const std::string& value) {
  _putenv_s("TZ", value.c_str());
  _tzset();
}

}  // namespace lanqi::testing
