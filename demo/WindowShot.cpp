// Saves the visible progress window of any running program as a PNG file, for
// the main job's screenshots. Usage: window-shot.exe OUT.png
// Exit code 0 when a window was saved, 1 when none is shown, 2 on errors.
#include "support/Screenshot.h"
#include "support/WindowFinder.h"
#include "win/ComApartment.h"
#include "win/Exception.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    try {
        Win::ComApartment apartment;
        const HWND window = TestSupport::FindUpdaterWindow(TestSupport::kAnyProcess);
        if (!window) return 1;
        TestSupport::SaveWindowScreenshot(window, argv[1]);
        return 0;
    } catch (const Win::Exception&) {
        return 2;
    }
}
