// The executable: the entry point, with COM for the XML layer and the
// publisher check around the entry routine.
#include "app/EntryRoutine.h"
#include "app/SetupPublisherPin.h"
#include "app/StartInTray.h"

#include "win/ComApartment.h"

#include <windows.h>

// Uses none of its arguments: the job's arguments come from the command line
// when the job is composed. The process ends with exit code 0 on every path.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const Win::ComApartment com;
    return UpdaterEntryRoutine(SetupPublisherPin(), BuiltInJobStartsInTray());
}
