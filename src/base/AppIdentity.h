#pragma once

// Who the program is to the desktop and to the user: one place for the names that the start-up,
// the windows, the message boxes and the desktop entry must agree on.
namespace AppIdentity {

// The title of message boxes and the name the desktop shows for the application.
inline constexpr const char *kAppTitle = "Kestrova KESTROVA";
// The main window's class (WM_CLASS); also names the single-instance socket and lock.
inline constexpr const char *kWindowClass = "Kestrova1024K715";
// The desktop entry (packaging/org.kestrova.Kestrova.desktop) by which docks name the program.
inline constexpr const char *kDesktopEntry = "org.kestrova.Kestrova";

} // namespace AppIdentity
