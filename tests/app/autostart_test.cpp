#include "app/autostart.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/fakes/fake_shell_services.hpp"
#include "tests/fakes/fake_window.hpp"

namespace lanqi {
namespace {

using platform::Control;
using platform::MessageIcon;

const std::string kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::pair<std::string, std::string> kEntry{kRunKey, "LanqiClockGuard"};

TEST(SplitValuePath, CutsAtTheLastSingleByteBackslash) {
  const struct {
    std::string path, key, name;
  } cases[] = {
      {kRunKey + "\\LanqiClockGuard", kRunKey, "LanqiClockGuard"},
      {"Name", "", "Name"},
      {"Key\\", "Key", ""},
      // 0x5C as the second byte of a double-byte character is no separator.
      {"A\\B\x81\x5C", "A", "B\x81\x5C"},
      // clang-format off
      {"A\x81\x5C" "B", "", "A\x81\x5C" "B"},
      // clang-format on
  };
  for (const auto& c : cases) {
    const auto [key, name] = SplitValuePath(c.path);
    EXPECT_EQ(key, c.key) << c.path;
    EXPECT_EQ(name, c.name) << c.path;
  }
}

TEST(DrivePathFromDevicePath, FirstDriveWhoseDeviceStartsThePathWins) {
  using Drives = std::map<char, std::u16string>;
  const struct {
    Drives drives;
    std::u16string devicePath, expected;
  } cases[] = {
      // clang-format off
      {{{'C', u"\\Device\\HarddiskVolume3"}, {'D', u"\\Device\\HarddiskVolume5"}}, u"\\Device\\HarddiskVolume5\\Tools\\clock.exe", u"D:\\Tools\\clock.exe"},
      // Two letters for the same device: A..Z order decides.
      {{{'E', u"\\Device\\HarddiskVolume5"}, {'D', u"\\Device\\HarddiskVolume5"}}, u"\\Device\\HarddiskVolume5\\x.exe", u"D:\\x.exe"},
      // Volume1 is not the start of Volume10's paths.
      {{{'C', u"\\Device\\HarddiskVolume1"}, {'D', u"\\Device\\HarddiskVolume10"}}, u"\\Device\\HarddiskVolume10\\x.exe", u"D:\\x.exe"},
      {{{'C', u"\\Device\\HarddiskVolume1"}}, u"\\Device\\HarddiskVolume10\\x.exe", u""},
      {{}, u"\\Device\\HarddiskVolume1\\x.exe", u""},
      // Blanks and characters outside code page 936 pass unchanged, without quotes.
      {{{'Z', u"\\Device\\Z"}}, u"\\Device\\Z\\My Tools\\\u00E9\u0E01\\clock.exe", u"Z:\\My Tools\\\u00E9\u0E01\\clock.exe"},
      // clang-format on
  };
  for (const auto& c : cases) {
    const auto lookup = [&](char letter) -> std::optional<std::u16string> {
      const auto found = c.drives.find(letter);
      if (found == c.drives.end()) return std::nullopt;
      return found->second;
    };
    EXPECT_EQ(DrivePathFromDevicePath(c.devicePath, lookup), c.expected);
  }
}

struct AutostartButton : ::testing::Test {
  AutostartButton() {
    image.devicePath = u"\\Device\\HarddiskVolume5\\Tools\\clock.exe";
    image.drives = {{'C', u"\\Device\\HarddiskVolume3"}, {'D', u"\\Device\\HarddiskVolume5"}};
  }
  std::string Caption() { return window.Text(platform::kAutostartButton); }
  void ExpectLastBox(const std::string& text, const std::string& title, MessageIcon icon) {
    const auto boxes = window.MessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, text);
    EXPECT_EQ(boxes.back().title, title);
    EXPECT_EQ(boxes.back().icon, icon);
  }

  testing::FakeWindow window;
  testing::FakeRegistry registry;
  testing::FakeProcessImage image;
  Autostart autostart{window, registry, image, 4242};
};

TEST_F(AutostartButton, CaptionAtStartFollowsTheValueWhateverItsData) {
  autostart.ShowCaptionFromRegistry();
  EXPECT_EQ(Caption(), "设置开机启动");
  for (const std::u16string data : {u"", u"C:\\elsewhere\\other.exe"}) {
    registry.values[kEntry] = data;
    autostart.ShowCaptionFromRegistry();
    EXPECT_EQ(Caption(), "取消开机启动");
  }
  registry.readable = false;  // a value that cannot be read counts as absent
  autostart.ShowCaptionFromRegistry();
  EXPECT_EQ(Caption(), "设置开机启动");
}

TEST_F(AutostartButton, TwoClicksAddThenRemoveTheEntry) {
  autostart.ShowCaptionFromRegistry();
  std::string captionWhileBoxOpen;
  window.onMessageBox = [&] { captionWhileBoxOpen = Caption(); };

  autostart.ToggleAutostart();
  ExpectLastBox("添加成功！", "成功", MessageIcon::Information);
  EXPECT_EQ(captionWhileBoxOpen, "设置开机启动");  // changed only once the box is closed
  EXPECT_EQ(Caption(), "取消开机启动");
  EXPECT_EQ(registry.values[kEntry], u"\"D:\\Tools\\clock.exe\"");
  EXPECT_EQ(image.askedId, 4242u);
  EXPECT_TRUE(image.askedWithId);

  autostart.ToggleAutostart();
  ExpectLastBox("取消成功！", "成功", MessageIcon::Information);
  EXPECT_EQ(captionWhileBoxOpen, "取消开机启动");
  EXPECT_EQ(Caption(), "设置开机启动");
  EXPECT_FALSE(registry.values.contains(kEntry));
  EXPECT_EQ(window.MessageBoxes().size(), 2u);
}

TEST_F(AutostartButton, RemovalOfAValueGoneBehindOurBackFailsAndKeepsTheCaption) {
  registry.values[kEntry] = u"x";
  autostart.ShowCaptionFromRegistry();
  registry.values.clear();
  autostart.ToggleAutostart();
  ExpectLastBox("取消失败！", "失败", MessageIcon::Error);
  EXPECT_EQ(Caption(), "取消开机启动");
  // The fallback looked for a key at the value's whole path.
  EXPECT_EQ(registry.deletedKeys, std::vector<std::string>{kRunKey + "\\LanqiClockGuard"});
}

TEST_F(AutostartButton, RemovalFallsBackToAKeyNamedLikeTheValue) {
  window.SetText(platform::kAutostartButton, "取消开机启动");
  registry.keys[kRunKey + "\\LanqiClockGuard"] = true;
  autostart.ToggleAutostart();
  ExpectLastBox("取消成功！", "成功", MessageIcon::Information);
  EXPECT_EQ(Caption(), "设置开机启动");
  EXPECT_TRUE(registry.keys.empty());
}

TEST_F(AutostartButton, WriteRefusedKeepsTheCaption) {
  autostart.ShowCaptionFromRegistry();
  registry.writable = false;
  autostart.ToggleAutostart();
  ExpectLastBox("添加失败！", "失败", MessageIcon::Error);
  EXPECT_EQ(Caption(), "设置开机启动");
}

// No drive letter for the executable: writing an empty command would start nothing at logon.
TEST_F(AutostartButton, PathWithoutDriveLetterIsNotWrittenAndReportedAsFailure) {
  autostart.ShowCaptionFromRegistry();
  image.drives.clear();
  autostart.ToggleAutostart();
  ExpectLastBox("添加失败！", "失败", MessageIcon::Error);
  EXPECT_EQ(Caption(), "设置开机启动");
  EXPECT_TRUE(registry.values.empty());

  image.devicePath.reset();  // the process could not be asked at all
  autostart.ToggleAutostart();
  ExpectLastBox("添加失败！", "失败", MessageIcon::Error);
  EXPECT_TRUE(registry.values.empty());
}

TEST_F(AutostartButton, AnyOtherCaptionMeansRemove) {
  window.SetText(platform::kAutostartButton, "");
  autostart.ToggleAutostart();
  ExpectLastBox("取消失败！", "失败", MessageIcon::Error);
  EXPECT_EQ(Caption(), "");
}

}  // namespace
}  // namespace lanqi
