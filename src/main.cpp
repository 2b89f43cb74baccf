// The executable: the module start-up and teardown around the entry routine.
#include "EntryRoutine.h"
#include "SetupPublisherPin.h"
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

// Uses none of its arguments: the job's arguments come from the command line
// through the start-up. The process ends with exit code 0 on every path.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return UpdaterEntryRoutine(SetupPublisherPin()); }
