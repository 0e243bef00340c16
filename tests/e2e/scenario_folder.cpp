#include "tests/e2e/scenario_folder.hpp"

#include <windows.h>

#include <atomic>
#include <string>
#include <system_error>

#include "tests/e2e/poll.hpp"

namespace lanqi::e2e {
namespace fs = std::filesystem;

std::optional<ScenarioFolder> ScenarioFolder::Create(const fs::path& exe) {
  static std::atomic<unsigned> counter{0};
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) return std::nullopt;

  // Process id, a counter and the tick count make the name unique within and across runs. The
  // blank is there on purpose: users keep programs in folders like "My Tools".
  const std::wstring name = L"lanqi e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount64());
  const fs::path folder = base / name;
  if (!fs::create_directory(folder, error) || error) return std::nullopt;

  const fs::path copy = folder / exe.filename();
  if (!fs::copy_file(exe, copy, error) || error) {
    fs::remove_all(folder, error);
    return std::nullopt;
  }
  return ScenarioFolder(folder, copy);
}

ScenarioFolder::ScenarioFolder(ScenarioFolder&& other) noexcept
    : folder_(std::move(other.folder_)), exe_(std::move(other.exe_)) {
  other.folder_.clear();
}

ScenarioFolder::~ScenarioFolder() {
  if (folder_.empty()) return;
  // An ended process may hold its image file for a moment after it is gone.
  PollUntil(
      [&] {
        std::error_code error;
        fs::remove_all(folder_, error);
        return !fs::exists(folder_, error);
      },
      kStateDeadline);
}

}  // namespace lanqi::e2e
