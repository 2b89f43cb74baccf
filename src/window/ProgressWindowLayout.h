// The progress window's layout, in layout units (LayoutDensity.h).
#pragma once

#include "toolkit/Layout.h"

// Returns the layout of the progress window: a borderless 550 x 151 client
// area filled by the framed FramePanel, which holds the ArrowPicture, the
// DragStrip along the top with the CloseButton at its right end, and the
// ProgressPanel with the TitleLabel, the ProgressBar and the SizeLabel; and
// the TrayIcon. The parts' names are the window's member names.
const Toolkit::TFormLayout& ProgressWindowLayout();
