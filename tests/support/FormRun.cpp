#include "support/FormRun.h"

#include "UpdaterForm.h"
#include "UpdaterFormUnit.h"
#include "toolkit/Application.h"

namespace TestSupport {

namespace {

std::function<void()> inside_;

void CALLBACK CallInside(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const std::function<void()> inside = std::move(inside_);
    inside_ = nullptr;
    inside();
}

}  // namespace

TFormRun::TFormRun() : temp_(scratch_.Path()), target_(scratch_.Path() + L"target\\") {
    UpdaterFormUnitStartup();
    Toolkit::Application().Initialize();
    Toolkit::Application().MainFormOnTaskbar = true;
}

TFormRun::~TFormRun() {
    Toolkit::Application().DestroyForms();
    UpdaterFormUnitTeardown();
}

TUpdaterForm& TFormRun::Start(TFormJob job) {
    job.TargetFilePath = target_;
    LoadFormJob(job);
    UpdaterForm = &Toolkit::Application().CreateForm<TUpdaterForm>();
    return *UpdaterForm;
}

void RunApplicationCalling(const std::function<void()>& inside) {
    inside_ = inside;
    // A thread timer's message carries its procedure, which DispatchMessageW calls.
    SetTimer(nullptr, 0, 0, CallInside);
    Toolkit::Application().Run();
}

}  // namespace TestSupport
