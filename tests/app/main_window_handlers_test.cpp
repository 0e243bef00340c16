#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/program.hpp"
#include "tests/fakes/fake_system.hpp"
#include "tests/fakes/fake_window.hpp"
#include "tests/support/clock_state_peer.hpp"

namespace lanqi {
namespace {

using platform::Control;
using platform::Timer;

// The whole program over a system of fakes and the fake window, as the entry point assembles it
// over the real ones. The network is never reached here: passes started by the handlers stay
// queued.
struct AssembledProgram {
  explicit AssembledProgram(platform::Elevation* elevation = nullptr)
      : system(SystemWith(elevation)), program(system, window) {
    window.Attach(&program.Events());
  }
  platform::System SystemWith(platform::Elevation* elevation) {
    if (elevation != nullptr) fake.elevationInUse = elevation;
    return fake.System();
  }

  testing::FakeSystem fake;
  platform::System system;
  testing::FakeWindow window;
  Program program;
};

struct WindowHandlers : ::testing::Test {
  AssembledProgram assembled;
  testing::FakeSystem& fake = assembled.fake;
  testing::FakeWindow& window = assembled.window;
  MainWindowHandlers& handlers = assembled.program.Events();
  ClockState& state = assembled.program.State();
  testing::VirtualClock& clock = fake.clock;
  testing::FakeWorkers& workers = fake.workers;
  testing::FakeRegistry& registry = fake.registry;
  testing::FakeElevation& elevation = fake.elevation;
  platform::DirectoryFiles* files = fake.files.get();
};

TEST_F(WindowHandlers, CloseHideRestoreFollowTheTrayStates) {
  handlers.OnCreated();
  window.SetVisible(true);
  EXPECT_TRUE(window.Visible());
  EXPECT_TRUE(window.TrayShown());

  EXPECT_FALSE(handlers.OnCloseRequested());  // the close is refused, the program runs on
  EXPECT_FALSE(window.Visible());
  EXPECT_TRUE(window.TrayShown());

  handlers.OnTrayLeftButtonUp();
  EXPECT_TRUE(window.Visible());
  EXPECT_FALSE(window.TrayShown());

  handlers.OnButtonClicked(platform::kHideButton);
  EXPECT_FALSE(window.Visible());
  EXPECT_TRUE(window.TrayShown());
}

TEST_F(WindowHandlers, BalloonOnlyWhileTheIconIsInTheNotificationArea) {
  handlers.RestoreFromTray();
  EXPECT_FALSE(window.ShowBalloon("岚栖钟卫", "x", 1, 1));
  handlers.HideToTray();
  EXPECT_TRUE(window.ShowBalloon("岚栖钟卫", "x", 1, 1));
}

// Every line keeps the end in view; a full log is cleared after three seconds: the clear takes
// what was there when the pause began, and a line that came during it stays.
TEST_F(WindowHandlers, FullLogIsClearedAfterThreeSecondsAndStartsAnew) {
  std::string seenDuringWait;
  workers.onDelay = [&](int) {
    seenDuringWait = window.Text(platform::kLogBox);
    window.AppendLogLine("暂停中\r\n");
  };
  const std::string line(100, 'x');
  for (int i = 0; i < 100; ++i) window.AppendLogLine(line);  // exactly 10000 bytes: kept
  EXPECT_EQ(window.Text(platform::kLogBox).size(), 10000u);
  EXPECT_EQ(window.SelectionStart(platform::kLogBox), -1);
  EXPECT_EQ(workers.delays(), 0);

  window.AppendLogLine("x");  // one byte over the limit
  EXPECT_EQ(workers.delays(), 1);
  EXPECT_EQ(workers.totalDelayMs(), 3000);
  EXPECT_EQ(seenDuringWait.size(), 10001u);  // the text stays readable during the pause
  EXPECT_EQ(window.Text(platform::kLogBox), "暂停中\r\n");
  workers.onDelay = nullptr;

  window.AppendLogLine("新的一行\r\n");
  EXPECT_EQ(window.Text(platform::kLogBox), "暂停中\r\n新的一行\r\n");
}

TEST_F(WindowHandlers, DisplayTickStartsTheRefreshOnAWorker) {
  handlers.OnCreated();
  EXPECT_EQ(testing::StandardTimeOf(state), DateTimeFromParts(2024, 2, 11, 10, 5, 3));
  handlers.OnTimerTick(platform::kDisplayTimer);
  EXPECT_EQ(window.Text(platform::kBeijingTimeLabel),
            "北京时间：0000年00月00日 00:00:00");  // not yet run
  auto queued = workers.TakeQueued();
  ASSERT_EQ(queued.size(), 2u);  // the first calibration, then the refresh
  clock.Advance(1000);           // the refresh runs a second after the start
  queued[1]();
  EXPECT_EQ(window.Text(platform::kBeijingTimeLabel), "北京时间：2024年2月11日10时5分4秒");
}

TEST_F(WindowHandlers, TickWithoutAThreadIsSkipped) {
  workers.SetMode(testing::FakeWorkers::Mode::Refuse);
  handlers.OnTimerTick(platform::kDisplayTimer);
  EXPECT_EQ(window.Text(platform::kSystemTimeLabel), "系统时间：0000年00月00日 00:00:00");
}

TEST_F(WindowHandlers, OffsetAndAutostartControlsReachTheirHandlers) {
  registry.values[{"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "LanqiClockGuard"}] = u"";
  handlers.OnCreated();
  EXPECT_EQ(window.Text(platform::kAutostartButton), "取消开机启动");
  EXPECT_EQ(window.Text(platform::kOffsetBox), "0");

  handlers.OnButtonClicked(platform::kStepUpButton);
  handlers.OnButtonClicked(platform::kStepUpButton);
  handlers.OnButtonClicked(platform::kStepDownButton);
  EXPECT_EQ(state.offsetSeconds.load(), 1);
  window.SetText(platform::kOffsetBox, "x");
  EXPECT_EQ(window.Text(platform::kOffsetBox), "0");

  handlers.OnButtonClicked(platform::kAutostartButton);
  EXPECT_EQ(window.Text(platform::kAutostartButton), "设置开机启动");
  EXPECT_TRUE(registry.values.empty());

  // The file removed while the program runs: the destruction writes the value in force anew.
  std::filesystem::remove(fake.folder.path() / OffsetFile::kFileName);
  handlers.OnDestroyed();
  const auto saved = testing::ReadUpTo(*files, OffsetFile::kFileName, 100);
  ASSERT_TRUE(saved);
  EXPECT_EQ(std::string(saved->begin(), saved->end()), "0");
}

TEST_F(WindowHandlers, StartWithRightsRunsEveryStepInOrder) {
  // A refused greeting balloon is not looked at: the steps after it run all the same.
  for (bool balloonRefused : {false, true}) {
    SCOPED_TRACE(balloonRefused ? "balloon refused" : "balloon shown");
    AssembledProgram starting;
    testing::FakeWindow& started = starting.window;
    testing::FakeSystem& fakes = starting.fake;
    started.refuseBalloons = balloonRefused;
    fakes.registry
        .values[{"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "LanqiClockGuard"}] = u"x";
    fakes.files->Replace(OffsetFile::kFileName, std::vector<std::uint8_t>{'-', '3', '0', '0'});
    // The first calibration is the last step: what the others did stands when it starts.
    std::vector<std::function<void()>> queued;
    DateTime standardAtStart{};
    std::string offsetAtStart;
    fakes.workers.onQueue = [&](std::function<void()> routine) {
      if (queued.empty()) standardAtStart = testing::StandardTimeOf(starting.program.State());
      if (queued.empty()) offsetAtStart = started.Text(platform::kOffsetBox);
      queued.push_back(std::move(routine));
    };
    starting.program.Events().OnCreated();
    EXPECT_EQ(started.EndedWith(), -1);
    EXPECT_EQ(started.Text(platform::kAutostartButton), "取消开机启动");
    EXPECT_TRUE(started.TrayShown());
    if (balloonRefused) {
      EXPECT_TRUE(started.Balloons().empty());
    } else {
      ASSERT_EQ(started.Balloons().size(), 1u);
      EXPECT_EQ(started.Balloons()[0].title, "岚栖钟卫");
      EXPECT_EQ(started.Balloons()[0].text, "钟卫启动成功，将为持续您的系统时间保驾护航！");
      EXPECT_EQ(started.Balloons()[0].iconKind, 1);
      EXPECT_EQ(started.Balloons()[0].timeout, 1);
    }
    EXPECT_EQ(offsetAtStart, "-300");
    EXPECT_EQ(starting.program.State().offsetSeconds.load(), -300);
    EXPECT_EQ(standardAtStart, DateTimeFromParts(2024, 2, 11, 10, 5, 3));
    EXPECT_TRUE(fakes.elevation.requests.empty());
    // The host's folder: under Wine every folder is its user's own, which brings the warning.
    // The first calibration runs on its own thread.
    const std::string warning = fakes.files->OpenToStandardUsers(OffsetFile::kFileName)
                                    ? OffsetBox::kOpenFolderWarning
                                    : "";
    EXPECT_EQ(started.Text(platform::kLogBox), warning);

    ASSERT_EQ(queued.size(), 1u);
    const std::function<void()> first = std::move(queued[0]);
    first();
    EXPECT_EQ(started.Text(platform::kLogBox),
              warning + "系统初始化成功，正在首次校对网络时间！\r\n");
    EXPECT_EQ(queued.size(), 2u);  // and it started the first pass
  }
}

TEST_F(WindowHandlers, StartWithoutRightsHandsOverToAnElevatedCopyAndTouchesNothing) {
  for (bool declined : {false, true}) {
    AssembledProgram starting;
    testing::FakeElevation& noRights = starting.fake.elevation;
    noRights.facts = {};  // a standard user's start, UAC on
    noRights.declined = declined;
    starting.program.Events().OnCreated();
    testing::FakeWindow& bare = starting.window;

    ASSERT_EQ(noRights.requests.size(), 1u);
    EXPECT_FALSE(noRights.requests[0].useFile);
    EXPECT_FALSE(noRights.requests[0].parameters.has_value());
    EXPECT_EQ(bare.EndedWith(), 0);
    EXPECT_FALSE(bare.TrayShown());
    EXPECT_FALSE(bare.Visible());
    EXPECT_TRUE(bare.Balloons().empty());
    EXPECT_EQ(bare.Text(platform::kLogBox), "");
    EXPECT_EQ(bare.Text(platform::kOffsetBox), "");
    EXPECT_TRUE(starting.fake.workers.TakeQueued().empty());
    EXPECT_FALSE(testing::ReadUpTo(*starting.fake.files, OffsetFile::kFileName, 100).has_value());
  }
}

// One start as a person or the logon makes it, and for every elevation request the copy that
// request starts, each assembled like the real program over a token of its own. A chain that
// never stops shows as kMostStarts starts.
struct StartChain {
  static constexpr int kMostStarts = 8;

  platform::TokenFacts copy;  // what the elevated start gives the copy
  int starts = 0;
  int requests = 0;
  int running = 0;  // starts that went on to run the program
  std::vector<testing::MessageBoxShown> boxes;
  std::vector<std::string> faults;

  void Start(const platform::TokenFacts& facts) {
    ++starts;
    testing::FakeElevation elevation;
    elevation.facts = facts;
    AssembledProgram started(&elevation);
    elevation.onRequest = [&] {
      ++requests;
      if (starts < kMostStarts) Start(copy);
    };
    // Events that still come while the box is open must neither start work nor save.
    MainWindowHandlers& events = started.program.Events();
    started.window.onMessageBox = [&] {
      events.OnTimerTick(platform::kDisplayTimer);
      events.OnCloseRequested();
      events.OnDestroyed();
    };
    events.OnCreated();
    for (const auto& box : started.window.MessageBoxes()) boxes.push_back(box);
    for (const auto& request : elevation.requests) {
      if (request.useFile || request.parameters)
        faults.push_back("request names a file or arguments");
    }
    if (started.window.EndedWith() == -1) {
      ++running;
      return;
    }
    if (started.window.EndedWith() != 0) faults.push_back("exit code not 0");
    if (started.window.TrayShown()) faults.push_back("tray icon shown");
    if (!started.fake.workers.TakeQueued().empty()) faults.push_back("work started");
    if (testing::ReadUpTo(*started.fake.files, OffsetFile::kFileName, 100))
      faults.push_back("offset saved");
  }
};

// The rights decision over the tokens a Windows 10/11 desktop gives the program, followed through
// the copies the elevation requests start. Only a token whose Administrators group is in force
// can set the clock, so a filtered administrator token must ask whatever IsNTAdmin says; but a
// start asks at most once: a copy started by the program's own request, an elevated token and a
// system without UAC end with the message instead.
TEST(StartRights, AChainOfCopiesAsksAtMostOnceAndEndsWithOneMessageOrOneRunningCopy) {
  using Kind = platform::TokenElevationKind;
  using platform::TokenFacts;
  const TokenFacts elevatedAdministrator = testing::kElevatedAdministrator;
  TokenFacts elevatedCopy = elevatedAdministrator;
  elevatedCopy.startedByThisProgram = true;
  const TokenFacts filteredAdministrator{.isNTAdmin = true, .kind = Kind::Limited};
  const TokenFacts standardUser{};
  const struct {
    const char* start;
    TokenFacts first, copy;
    int requests;
    bool rightsMessage;
    int running;
  } cases[] = {
      {"elevated administrator", elevatedAdministrator, {}, 0, false, 1},
      {"administrator with UAC off (full token)",
       {.isNTAdmin = true, .administratorsInForce = true, .uacPolicyOn = false},
       {},
       0,
       false,
       1},
      {"filtered administrator (group deny-only), UAC on", filteredAdministrator, elevatedCopy, 1,
       false, 1},
      {"standard user, UAC on: an administrator's password at the prompt", standardUser,
       elevatedCopy, 1, false, 1},
      {"filtered token while the policy says off (restart pending)",
       {.isNTAdmin = true, .kind = Kind::Limited, .uacPolicyOn = false},
       elevatedCopy,
       1,
       false,
       1},
      {"standard user, UAC off: runas gives the same token",
       {.uacPolicyOn = false},
       {.uacPolicyOn = false, .startedByThisProgram = true},
       0,
       true,
       0},
      {"IsNTAdmin unavailable: the elevated copy fails the check too",
       {.kind = Kind::Limited},
       {.administratorsInForce = true,
        .elevated = true,
        .kind = Kind::Full,
        .startedByThisProgram = true},
       1,
       true,
       0},
      {"already elevated, but the check disagrees",
       {.administratorsInForce = true, .elevated = true, .kind = Kind::Full},
       {.administratorsInForce = true,
        .elevated = true,
        .kind = Kind::Full,
        .startedByThisProgram = true},
       0,
       true,
       0},
      {"the copy the program started still has no rights (only the parent tells)",
       standardUser,
       {.startedByThisProgram = true},
       1,
       true,
       0},
      {"IsNTAdmin false, group in force, token not elevated",
       {.administratorsInForce = true},
       elevatedCopy,
       1,
       false,
       1},
  };
  for (const auto& c : cases) {
    StartChain chain;
    chain.copy = c.copy;
    chain.Start(c.first);

    EXPECT_EQ(chain.requests, c.requests) << c.start;
    EXPECT_EQ(chain.running, c.running) << c.start;
    ASSERT_EQ(chain.boxes.size(), c.rightsMessage ? 1u : 0u) << c.start;
    if (c.rightsMessage) {
      EXPECT_EQ(chain.boxes[0].text, "钟卫需要管理员权限才能守护您的系统时间，请以管理员身份运行！")
          << c.start;
      EXPECT_EQ(chain.boxes[0].title, "岚栖钟卫") << c.start;
      EXPECT_EQ(chain.boxes[0].icon, platform::MessageIcon::Error) << c.start;
    }
    EXPECT_TRUE(chain.faults.empty()) << c.start << ": " << chain.faults.front();
  }
}

}  // namespace
}  // namespace lanqi
