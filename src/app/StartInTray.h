// The build's choice of where the window of the built-in job starts.
#pragma once

// Returns true when this executable was built with UPDATER_START_IN_TRAY on:
// its built-in job then asks for tray mode (UpdaterMinimized "1"), so the
// download runs with only an icon in the notification area. Defined in a
// source compiled into each updater executable (not into the core library).
bool BuiltInJobStartsInTray();
