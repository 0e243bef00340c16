// The executable's path from the real process image, which only Windows has.
#include <gtest/gtest.h>

#include <string>

#include "app/autostart.hpp"
#include "platform/system.hpp"

namespace lanqi {
namespace {

TEST(ExecutableDosPath, RealProcessGivesADriveLetterPathOfThisProgram) {
  platform::ProcessImage* image = &platform::RealSystem().processImage;
  const std::u16string path =
      ExecutableDosPath(*image, platform::RealSystem().processMemory.CurrentProcessId(), true);
  ASSERT_GE(path.size(), 3u);
  EXPECT_EQ(path[1], u':');
  EXPECT_EQ(path[2], u'\\');
  EXPECT_NE(path.find(u"app_tests"), std::u16string::npos);
  EXPECT_EQ(ExecutableDosPath(*image, 0, true), path);
  EXPECT_EQ(ExecutableDosPath(*image, 0, false), path);
}

}  // namespace
}  // namespace lanqi
