#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
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
// and files object, over the folder, the clock and the guard lock every copy on the PC shares.
struct Copy {
  Copy(testing::FakeSystem& shared, platform::DirectoryFiles& folderFiles,
       std::shared_ptr<testing::FakeMachine> machine)
      : files(folderFiles),
        lock(std::move(machine)),
        system{shared.clock, workers,
               sockets,      testing::HostSystem().processMemory,
               files,        registry,
               image,        elevation,
               lock,         [] { return std::shared_ptr<platform::HttpRequestObject>(); }},
        program(system, window) {
    window.Attach(&program.Events());
  }

  // A tick of one of the clock timers, with the routine it starts run at once. A calibration a
  // repair asks for is dropped: the network is not part of this.
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
  testing::FakeMachineLock lock;
  platform::System system;
  testing::FakeWindow window;
  Program program;
};

// A person's click comes long after the start's save, and by then the file system's clock has
// stepped on, which the file's stamp needs to tell the two writes apart. Here they are
// microseconds apart: this waits (a few milliseconds, at most a second) for that step.
void WaitForTheFileClockToStep(platform::DirectoryFiles& files) {
  const auto before = files.StampOf(OffsetFile::kFileName);
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

// Guard ticks that come on a pool thread while the window's thread is inside a step.
void GuardTicksMeanwhile(std::initializer_list<Copy*> copies) {
  std::thread pool([&] {
    for (Copy* copy : copies) copy->Tick(platform::kGuardTimer);
  });
  pool.join();
}

// Two copies over one clock, their timers ticking at the phases of the row, the first started
// first. One of them changes the offset to 3; the other must follow within two seconds of the
// file holding it, and the clock must be set at most once per change and never back.
TEST(TwoCopies, OneGuardsAndTheOffsetInForceChangesInOneStep) {
  enum class Step { kNone, kGuardDuringLook, kGuardDuringSave };
  // clang-format off
  const struct {
    const char* what;
    int firstDisplayMs, firstGuardMs, secondDisplayMs, secondGuardMs;  // phase in each second
    int changeAtMs;            // -1: no change
    bool secondChanges;        // the copy that does not guard changes the offset
    bool lockUnavailable;      // every copy guards, as where no lock can be had
    Step guardTicksDuring;     // extra guard ticks inside a step of the window's thread
    int savesRefusedForMs;     // the changer's saves fail for this long after the change
    bool twoFolders;           // one file each: the second's holds 60
    int firstEndsAtMs;         // -1: runs throughout
    int sets;
  } rows[] = {
      {"the second's guard right after the first's",   0, 500, 100, 600, 5050, false, true,  Step::kNone, 0, false, -1, 1},
      {"the second's guard before the first's",        0, 500, 300, 400, 5050, false, true,  Step::kNone, 0, false, -1, 1},
      {"the second's guard right after the change",    0, 500, 900, 60,  5050, false, true,  Step::kNone, 0, false, -1, 1},
      {"the change just before the second's guard",    200, 700, 900, 100, 6090, false, true, Step::kNone, 0, false, -1, 1},
      {"the second's guard after the first's repair",  0,   100, 900, 200, 5050, false, true, Step::kNone, 0, false, -1, 1},
      {"one guard: the holder changes",                0, 500, 100, 600, 5050, false, false, Step::kNone, 0, false, -1, 1},
      {"one guard: the other copy changes",            0, 500, 100, 600, 5050, true,  false, Step::kNone, 0, false, -1, 1},
      {"one failed save, then a minute",               0, 500, 100, 600, 5050, false, false, Step::kNone, 60000, false, -1, 1},
      {"a failed save in the copy that does not guard", 0, 500, 100, 600, 5050, true, false, Step::kNone, 60000, false, -1, 1},
      {"guard ticks between the stamp and the offset", 0, 500, 100, 600, 5050, true,  true,  Step::kGuardDuringLook, 0, false, -1, 1},
      {"guard ticks during a save that blocks",        0, 500, 100, 600, 5050, false, true,  Step::kGuardDuringSave, 0, false, -1, 1},
      {"two folders, offsets 0 and 60",                0, 500, 100, 600, -1,   false, false, Step::kNone, 0, true,  -1, 0},
      {"two folders, the holder ends",                 0, 500, 100, 600, -1,   false, false, Step::kNone, 0, true,  20000, 1},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    testing::FakeSystem shared;
    auto machine = std::make_shared<testing::FakeMachine>();
    machine->lockUnavailable = row.lockUnavailable;
    testing::TempFolder secondFolder;
    if (row.twoFolders) {
      ASSERT_TRUE(platform::DirectoryFilesIn(secondFolder.path())
                      ->Replace(OffsetFile::kFileName, std::vector<std::uint8_t>{'6', '0'}));
    }
    std::unique_ptr<platform::DirectoryFiles> secondFiles =
        platform::DirectoryFilesIn(row.twoFolders ? secondFolder.path() : shared.folder.path());
    Copy first(shared, *shared.files, machine);
    Copy second(shared, *secondFiles, machine);
    first.program.Events().OnCreated();
    second.program.Events().OnCreated();
    first.workers.TakeQueued();  // the first calibrations stay off the network
    second.workers.TakeQueued();
    Copy& changer = row.secondChanges ? second : first;
    Copy& follower = row.secondChanges ? first : second;
    const int followerSaves = follower.files.replaces;
    if (row.guardTicksDuring == Step::kGuardDuringLook) {
      follower.files.duringReadNow = [&] { GuardTicksMeanwhile({&follower}); };
    }
    if (row.guardTicksDuring == Step::kGuardDuringSave) {
      changer.files.duringReplace = [&] { GuardTicksMeanwhile({&first, &second}); };
    }

    std::int64_t followedAtMs = -1, tookOverAtMs = -1;
    bool firstRunning = true;
    const auto secondHoldsTheLock = [&] {
      std::lock_guard lock(machine->mutex);
      return machine->holder == &second.lock;
    };
    constexpr int kStepMs = 10;
    for (int t = kStepMs; t < 3 * 60 * 1000; t += kStepMs) {
      const int phase = t % 1000;
      if (t == row.changeAtMs) {
        WaitForTheFileClockToStep(*shared.files);
        changer.files.refuseReplace = row.savesRefusedForMs > 0;
        changer.window.SetText(platform::kOffsetBox, "3");  // typed in one go: one save
      }
      if (row.savesRefusedForMs > 0 && t == row.changeAtMs + row.savesRefusedForMs) {
        changer.files.refuseReplace = false;
      }
      if (t == row.firstEndsAtMs) {
        first.lock.Release();  // as the system lets go of an ended holder's lock
        firstRunning = false;
      }
      // The guards start after the first calibration, the display a second after the start.
      const bool guarding = t >= 3000;
      if (firstRunning && phase == row.firstDisplayMs) first.Tick(platform::kDisplayTimer);
      if (firstRunning && phase == row.firstGuardMs && guarding) first.Tick(platform::kGuardTimer);
      if (phase == row.secondDisplayMs) second.Tick(platform::kDisplayTimer);
      if (phase == row.secondGuardMs && guarding) second.Tick(platform::kGuardTimer);
      if (!firstRunning && tookOverAtMs < 0 && secondHoldsTheLock()) tookOverAtMs = t;
      if (followedAtMs < 0 && follower.program.State().offsetSeconds.load() == 3) {
        followedAtMs = t;
        EXPECT_EQ(follower.window.Text(platform::kOffsetBox), "3");
      }
      shared.clock.Advance(kStepMs);
    }

    const auto sets = shared.clock.SetAttempts();
    EXPECT_EQ(sets.size(), static_cast<std::size_t>(row.sets));
    for (std::size_t i = 1; i < sets.size(); ++i) {
      EXPECT_EQ(sets[i].targetMs > sets[i].wallMsBefore, sets[0].targetMs > sets[0].wallMsBefore)
          << "set back and forth";
    }
    if (row.firstEndsAtMs >= 0) {
      ASSERT_GE(tookOverAtMs, row.firstEndsAtMs);
      EXPECT_LE(tookOverAtMs - row.firstEndsAtMs, 2000);
    }
    if (row.changeAtMs < 0 || row.twoFolders) continue;
    const int fileHoldsItAtMs = row.changeAtMs + row.savesRefusedForMs;
    ASSERT_GE(followedAtMs, fileHoldsItAtMs);
    EXPECT_LE(followedAtMs - fileHoldsItAtMs, 2000);
    EXPECT_EQ(follower.files.replaces, followerSaves);  // nothing saved back
    follower.program.Events().OnDestroyed();
    EXPECT_EQ(follower.files.replaces, followerSaves);
    const auto stored = testing::ReadUpTo(*shared.files, OffsetFile::kFileName, 16);
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::string(stored->begin(), stored->end()), "3");
  }
}

}  // namespace
}  // namespace lanqi
