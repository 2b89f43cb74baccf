// The notifications the download thread posts to the run, which shows them in the window.
#pragma once

#include <windows.h>

// Counts of 4 GiB and more travel whole in a message parameter (x64).
static_assert(sizeof(LPARAM) >= 8, "a 64-bit build");

// wParam: one of the PROGRESS_* kinds; lParam: the transfer's announced total
// (begin) or its running count when the notification was posted (work), whole
// 64-bit counts; 0 for the end; 1 or 0 for the marquee switch. A work
// notification is posted only when the receiver has acknowledged the previous
// one (TransferProgress), which holds the newest count.
constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 1;
// wParam: 1 when the download file is complete, else 0; lParam: 0. Posted once, last.
constexpr UINT WM_DOWNLOAD_FINISHED = WM_USER + 2;

constexpr WPARAM PROGRESS_BEGIN = 0;
constexpr WPARAM PROGRESS_WORK = 1;
constexpr WPARAM PROGRESS_END = 2;
// lParam 1: the size is no longer shown (after a redirect), the bar runs as a
// marquee; 0: the size is shown again, the bar is a normal one.
constexpr WPARAM PROGRESS_MARQUEE = 3;
