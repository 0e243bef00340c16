#pragma once
// Whether tray icons are in the notification area, seen from outside under Wine 8 on a bare X
// server: Wine's explorer draws each icon as a child window of class "__winex11_tray_icon" inside
// its top-level "Wine System Tray" window, destroys that child when the icon is deleted, and
// hides the tray window when no icon is left. A new icon first waits about two seconds for a
// host tray to dock into before it shows in the stand-alone one; a deleted icon goes at once. The
// icon windows belong to explorer, not to the program, so they cannot be told apart by owner: count
// them against a baseline taken before the program starts (a fresh prefix has none).

namespace lanqi::e2e {

// Visible tray icon windows on the whole desktop.
int VisibleTrayIconCount();

}  // namespace lanqi::e2e
