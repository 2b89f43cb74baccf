// The notifications the download thread posts to the progress window.
#pragma once

#include <windows.h>

// wParam: one of the PROGRESS_* kinds; lParam: the transfer's announced total
// (begin) or running count (work), low 32 bits, unsigned; 0 for the end.
constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 1;
// wParam: 1 when the download file is complete, else 0; lParam: 0. Posted once, last.
constexpr UINT WM_DOWNLOAD_FINISHED = WM_USER + 2;

constexpr WPARAM PROGRESS_BEGIN = 0;
constexpr WPARAM PROGRESS_WORK = 1;
constexpr WPARAM PROGRESS_END = 2;
