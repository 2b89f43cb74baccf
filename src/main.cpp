// The executable: the module start-up and teardown around the entry routine.
#include "UpdaterForm.h"
#include "UpdaterFormUnit.h"
#include "toolkit/Application.h"
#include "win/ComApartment.h"
#include "win/Exception.h"

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

// The entry routine. Ends quietly without a URL or a target folder; otherwise
// runs the progress window until it is closed. Returns 0 on every path.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        if (!UpdaterSettings || UpdaterSettings->GetValue(L"FileOnWeb").empty()) return 0;
        if (UpdaterSettings->GetValue(L"TargetFilePath").empty()) return 0;
        Toolkit::TApplication& application = Toolkit::Application();
        application.Initialize();
        application.MainFormOnTaskbar = true;
        UpdaterForm = &application.CreateForm<TUpdaterForm>();
        application.Run();
    } catch (const Win::Exception& error) {
        Toolkit::Application().ShowErrorText(error.Message());
    } catch (...) {
        // Any other error is shown as an error of the application's class with an empty message.
        Toolkit::Application().ShowErrorText(Win::Exception(L"").Message());
    }
    // The application object destroys the window at exit, before the module's teardown.
    return 0;
}
