// The progress window's layout, in pixels at 115 pixels per inch.
#pragma once

#include "toolkit/Layout.h"

// Returns the layout of the progress window: a borderless 550 x 151 client
// area with Panel1 (framed), Image1, Panel2, Label1, ProgressBar1, Label2,
// the top strip Panel3 with the close picture Image2, and TrayIcon1.
const Toolkit::TFormLayout& UpdaterFormLayout();
