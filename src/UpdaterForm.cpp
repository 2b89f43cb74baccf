#include "UpdaterForm.h"

#include "FormFonts.h"
#include "UpdaterFormLayout.h"
#include "UpdaterFormUnit.h"

#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/ProgressBar.h"
#include "toolkit/TrayIcon.h"

#include <cwchar>

TUpdaterForm* UpdaterForm = nullptr;

namespace {

template <typename T>
T* Component(Toolkit::TForm& form, const wchar_t* name) {
    return &dynamic_cast<T&>(*form.FindComponent(name));
}

}  // namespace

TUpdaterForm::TUpdaterForm() {
    Toolkit::LoadLayout(*this, UpdaterFormLayout());
    TrayIcon1 = Component<Toolkit::TTrayIcon>(*this, L"TrayIcon1");
    Panel1 = Component<Toolkit::TPanel>(*this, L"Panel1");
    Image1 = Component<Toolkit::TImage>(*this, L"Image1");
    Panel2 = Component<Toolkit::TPanel>(*this, L"Panel2");
    Label1 = Component<Toolkit::TLabel>(*this, L"Label1");
    Label2 = Component<Toolkit::TLabel>(*this, L"Label2");
    ProgressBar1 = Component<Toolkit::TProgressBar>(*this, L"ProgressBar1");
    Panel3 = Component<Toolkit::TPanel>(*this, L"Panel3");
    Image2 = Component<Toolkit::TImage>(*this, L"Image2");
    OnCreate = [this] { FormCreate(); };
    OnClose = [this](Toolkit::TCloseAction& action) { FormClose(action); };
    Image2->OnClick = [this] { Image2Click(); };
}

TUpdaterForm::~TUpdaterForm() {
    // The drag area goes first, while Panel3's window still exists.
    DragArea = TDragAndDropArea();
    if (UpdaterForm == this) UpdaterForm = nullptr;
}

int TUpdaterForm::Scaled(int length) {
    const int scaled = length * MonitorPixelsPerInch() / 115;
    return scaled ? scaled : 1;
}

void TUpdaterForm::FormCreate() {
    ScaleFormAndSetFonts(*this);
    Image2->SetBounds(Panel1->ClientWidth() - Image2->Width() - Scaled(9), Scaled(7), Image2->Width(),
                      Image2->Height());
    DragArea = TDragAndDropArea(*Panel3);
    Panel2->SetWidth(Panel1->ClientWidth() - (Image1->Left() + Image1->Width()) - Scaled(15));
    ProgressBar1->SetWidth(Panel2->ClientWidth() - Scaled(25));
    Label1->SetCaption(UpdaterSettings->GetValue(L"TopText"));
    Label2->SetCaption(ProgressText());
}

std::wstring TUpdaterForm::ProgressText() const {
    wchar_t figures[48];
    if (TotalSize > 0) std::swprintf(figures, 48, L"%lu / %lu", ReceivedSize / 1024, TotalSize / 1024);
    else std::swprintf(figures, 48, L"%lu", ReceivedSize / 1024);
    return UpdaterSettings->GetValue(L"BottomTextPart1") + figures + UpdaterSettings->GetValue(L"BottomTextPart2");
}

void TUpdaterForm::FormClose(Toolkit::TCloseAction&) {
    // Hidden at once; the default action lets the application end its loop.
    Hide();
}

void TUpdaterForm::Image2Click() { Close(); }
