// The tray icon's image at each display scaling: the size asked for, and an image of that very
// size in the program's icon resource, so the shell never shows a stretched 16-pixel one.
#include "platform/win32/tray_icon_image.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <set>

#include "resources/resource_ids.h"

namespace {

using lanqi::platform::win32::LoadProgramIcon;
using lanqi::platform::win32::ShellDpi;
using lanqi::platform::win32::SmallIconSizeForDpi;

// The sides of the images in the icon resource's directory (GRPICONDIR, 14-byte entries whose
// first byte is the width; 0 stands for 256).
std::set<int> ImageSidesInResource() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(LANQI_ICON_ID), RT_GROUP_ICON);
  if (found == nullptr) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
  const DWORD length = SizeofResource(module, found);
  if (bytes == nullptr || length < 6) return {};
  std::uint16_t count = 0;
  std::memcpy(&count, bytes + 4, sizeof count);
  std::set<int> sides;
  for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= length; ++i) {
    const int width = bytes[6 + 14 * i];
    sides.insert(width == 0 ? 256 : width);
  }
  return sides;
}

int IconSide(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

TEST(TrayIconImage, EachDisplayScalingGetsAnImageDrawnAtItsOwnSize) {
  const std::set<int> sides = ImageSidesInResource();
  const struct {
    UINT dpi;
    int side;
  } rows[] = {{96, 16}, {120, 20}, {144, 24}, {168, 28}, {192, 32}, {240, 40}, {288, 48}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.dpi);
    EXPECT_EQ(SmallIconSizeForDpi(row.dpi), row.side);
    EXPECT_EQ(sides.count(row.side), 1u) << "no image of that size: the shell would stretch one";
    const lanqi::platform::win32::UniqueHicon icon =
        LoadProgramIcon(GetModuleHandleW(nullptr), row.side);
    ASSERT_TRUE(icon);
    EXPECT_EQ(IconSide(icon.get()), row.side);
  }
  // The system's DPI, not the 96 every DPI-unaware thread is told.
  EXPECT_GE(ShellDpi(), 96u);
}

}  // namespace
