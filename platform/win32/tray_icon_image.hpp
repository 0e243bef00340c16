#pragma once
#include <windows.h>

#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform::win32 {

// The DPI at which the shell draws the notification area: the system's DPI. The program is
// DPI-unaware (the system scales its window), so in its own threads every DPI reads as 96; this
// asks under a system-aware context for the moment of the call. 96 where the system cannot say.
UINT ShellDpi();

// The side in pixels of a small icon (the notification area's) at `dpi`.
int SmallIconSizeForDpi(UINT dpi);

// The program's icon drawn at `size` pixels from its resource, which holds an image for each
// size the notification area uses from 100 % to 300 % scaling, so none is stretched. Null when it
// cannot be loaded.
UniqueHicon LoadProgramIcon(HINSTANCE instance, int size);

}  // namespace lanqi::platform::win32
