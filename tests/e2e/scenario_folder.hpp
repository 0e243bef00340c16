#pragma once
// A fresh folder per scenario holding a copy of the exe, so that every run starts with no
// 时差.ini beside it. The folder goes away with the object.

#include <filesystem>
#include <optional>

namespace lanqi::e2e {

class ScenarioFolder {
 public:
  // Makes a new, empty folder under the temp folder and copies `exe` into it.
  static std::optional<ScenarioFolder> Create(const std::filesystem::path& exe);

  ScenarioFolder(ScenarioFolder&& other) noexcept;
  ScenarioFolder& operator=(ScenarioFolder&&) = delete;
  ~ScenarioFolder();

  const std::filesystem::path& Folder() const { return folder_; }
  const std::filesystem::path& Exe() const { return exe_; }

 private:
  ScenarioFolder(std::filesystem::path folder, std::filesystem::path exe)
      : folder_(std::move(folder)), exe_(std::move(exe)) {}

  std::filesystem::path folder_;
  std::filesystem::path exe_;
};

}  // namespace lanqi::e2e
