#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "platform/posix/curl_request_object.hpp"
#include "platform/posix/posix_platform.hpp"
#include "platform/posix/posix_process_memory.hpp"
#include "tests/fakes/fake_elevation.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/support/system_support.hpp"

extern char** environ;

namespace lanqi::testing {

platform::System& HostSystem() {
  // Never destroyed, like the real one: detached workers may still use it while the tests end.
  static platform::System& system = *new platform::System{
      *new platform::PosixLocalClock,
      *new platform::ThreadWorkers,
      *new platform::PosixSockets,
      *new platform::PosixProcessMemoryOs,
      *platform::DirectoryFilesIn(std::filesystem::canonical("/proc/self/exe").parent_path())
           .release(),
      *new FakeRegistry,
      *new FakeProcessImage,
      *new FakeElevation,
      *new FakeMachineLock,
      &platform::CurlRequestObject::Create};
  return system;
}

std::size_t PageSize() {
  return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

PageBlock::PageBlock(std::size_t pages) : size_(pages * PageSize()) {
  void* mapping =
      mmap(nullptr, size_ + 2 * PageSize(), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) std::abort();
  mapping_ = reinterpret_cast<std::uintptr_t>(mapping);
  address_ = mapping_ + PageSize();
  if (mprotect(reinterpret_cast<void*>(address_), size_, PROT_READ | PROT_WRITE) != 0) {
    std::abort();
  }
}

PageBlock::~PageBlock() {
  munmap(reinterpret_cast<void*>(mapping_), size_ + 2 * PageSize());
}

struct IdleProcess::State {
  pid_t pid = 0;
};

IdleProcess::IdleProcess() : state_(std::make_unique<State>()) {
  char program[] = "sleep";
  char seconds[] = "60";
  char* arguments[] = {program, seconds, nullptr};
  if (posix_spawnp(&state_->pid, "sleep", nullptr, nullptr, arguments, environ) != 0) {
    state_->pid = 0;
    return;
  }
  // Until it sleeps, its loader is still mapping and relocating: wait for the sleeping state.
  const std::string statPath = "/proc/" + std::to_string(state_->pid) + "/stat";
  for (int tries = 0; tries < 1000; ++tries) {
    std::ifstream stat(statPath);
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if (close != std::string::npos && line.compare(close, 3, ") S") == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

IdleProcess::~IdleProcess() {
  if (state_->pid > 0) {
    kill(state_->pid, SIGKILL);
    waitpid(state_->pid, nullptr, 0);
  }
}

std::uint32_t IdleProcess::id() const {
  return static_cast<std::uint32_t>(state_->pid);
}

bool RunningUnderWine() {
  return false;
}

void SetTimeZoneVariable(const std::string& value) {
  setenv("TZ", value.c_str(), 1);
  tzset();
}

}  // namespace lanqi::testing
