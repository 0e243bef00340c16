#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/program.hpp"
#include "tests/fakes/fake_system.hpp"
#include "tests/fakes/fake_window.hpp"

namespace lanqi {
namespace {

using platform::Timer;

// One copy of the whole program, as a second session's logon starts it: its own window, workers
// and files object, over the folder and the clock every copy on the PC shares.
struct Copy {
  Copy(testing::FakeSystem& shared, platform::DirectoryFiles& folderFiles)
      : files(folderFiles),
        system{shared.clock,
               workers,
               sockets,
               testing::HostSystem().processMemory,
               files,
               registry,
               image,
               elevation,
               [] { return std::shared_ptr<platform::HttpRequestObject>(); }},
        program(system, window) {
    window.Attach(&program.Events());
  }

  // A tick of one of the clock timers, with the routine it starts (if any: a guard tick right
  // after the other copy's change starts none) run at once. A calibration a repair asks for is
  // dropped: the network is not part of this.
  void Tick(Timer timer) {
    program.Events().OnTimerTick(timer);
    std::vector<std::function<void()>> started = workers.TakeQueued();
    ASSERT_LE(started.size(), 1u);
    if (!started.empty()) started[0]();
    workers.TakeQueued();
  }

  testing::FakeDirectoryFiles files;
  testing::FakeWorkers workers{testing::FakeWorkers::Mode::Queue};
  testing::ScriptedSockets sockets;
  testing::FakeRegistry registry;
  testing::FakeProcessImage image;
  testing::FakeElevation elevation;
  platform::System system;
  testing::FakeWindow window;
  Program program;
};

// A person's click comes long after the start's save, and by then the file system's clock has
// stepped on, which the file's stamp needs to tell the two writes apart. Here they are
// microseconds apart: this waits (a few milliseconds, at most a second) for that step.
void WaitForTheFileClockToStep(platform::DirectoryFiles& files) {
  const auto before = files.StampOf(OffsetEditor::kFileName);
  ASSERT_TRUE(before);
  for (int i = 0; i < 1000; ++i) {
    const std::string text = std::to_string(i);
    files.Replace("clock-probe",
                  std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    const auto probe = files.StampOf("clock-probe");
    if (probe && probe->lastWrite > before->lastWrite) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Two copies over one folder and one clock, their timers ticking at the phases of the row: one
// changes the offset, the other must follow within two seconds and the clock must be set once,
// to the one time both agree on, and never back. Without following, the copies set the clock in
// turn every second or two.
TEST(TwoCopies, AChangeInOneIsTakenByTheOtherAndTheClockIsSetOnce) {
  // clang-format off
  const struct {
    const char* what;
    int firstDisplayMs, firstGuardMs, secondDisplayMs, secondGuardMs;  // phase in each second
    int changeAtMs;
  } rows[] = {
      {"the second's guard right after the first's",   0, 500, 100, 600, 5050},
      {"the second's guard before the first's",        0, 500, 300, 400, 5050},
      {"the second's guard right after the change",    0, 500, 900, 60,  5050},
      {"the change just before the second's guard",    200, 700, 900, 100, 6090},
      {"the second's guard after the first's repair",  0,   100, 900, 200, 5050},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    testing::FakeSystem shared;
    std::unique_ptr<platform::DirectoryFiles> secondFiles =
        platform::DirectoryFilesIn(shared.folder.path());
    Copy first(shared, *shared.files);
    Copy second(shared, *secondFiles);
    first.program.Events().OnCreated();
    second.program.Events().OnCreated();
    first.workers.TakeQueued();  // the first calibrations stay off the network
    second.workers.TakeQueued();
    const int secondSaves = second.files.replaces;

    std::int64_t secondTookAtMs = -1;
    constexpr int kStepMs = 10;
    for (int t = kStepMs; t < 10 * 60 * 1000; t += kStepMs) {
      const int phase = t % 1000;
      if (t == row.changeAtMs) {
        WaitForTheFileClockToStep(*shared.files);
        for (int i = 0; i < 3; ++i) first.program.Events().OnButtonClicked(platform::kStepUpButton);
      }
      if (phase == row.firstDisplayMs) first.Tick(platform::kDisplayTimer);
      // The guards start after the first calibration, the display a second after the start.
      const bool guarding = t >= 3000;
      if (phase == row.firstGuardMs && guarding) first.Tick(platform::kGuardTimer);
      if (phase == row.secondDisplayMs) second.Tick(platform::kDisplayTimer);
      if (phase == row.secondGuardMs && guarding) second.Tick(platform::kGuardTimer);
      if (secondTookAtMs < 0 && second.program.State().offsetSeconds.load() == 3) {
        secondTookAtMs = t;
        EXPECT_EQ(second.window.Text(platform::kOffsetBox), "3");
      }
      shared.clock.Advance(kStepMs);
    }

    ASSERT_GE(secondTookAtMs, row.changeAtMs);
    EXPECT_LE(secondTookAtMs - row.changeAtMs, 2000);
    // The one repair the change calls for, by whichever copy's guard comes first.
    EXPECT_EQ(shared.clock.SetAttempts().size(), 1u);
    EXPECT_EQ(second.files.replaces, secondSaves);  // nothing saved back
    second.program.Events().OnDestroyed();
    EXPECT_EQ(second.files.replaces, secondSaves);
    const auto stored = shared.files->ReadUpTo(OffsetEditor::kFileName, 16);
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::string(stored->begin(), stored->end()), "3");
  }
}

}  // namespace
}  // namespace lanqi
