// The executable: the module start-up and teardown around the entry routine.
#include "UpdaterFormUnit.h"
#include "win/ComApartment.h"

#include <windows.h>

namespace {

// Runs before WinMain and after it has returned, like a unit's initialization
// and finalization sections: COM for the XML layer first, then the window module.
struct UpdaterModule {
    Win::ComApartment com;
    UpdaterModule() { UpdaterFormUnitStartup(); }
    ~UpdaterModule() { UpdaterFormUnitTeardown(); }
};

const UpdaterModule Module;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        if (UpdaterSettings->FileOnWeb().empty()) return 0;
        if (UpdaterSettings->TargetFilePath().empty()) return 0;
        // The window, the download and the message loop come with the toolkit.
    } catch (...) {
        // The exit code is 0 on every path.
    }
    return 0;
}
