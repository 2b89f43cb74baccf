#include "toolkit/Application.h"

#include "toolkit/Synchronize.h"
#include "win/Exception.h"

#include <commctrl.h>

namespace Toolkit {

namespace {

std::wstring ProgramName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

std::wstring FromUtf8(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring result(static_cast<size_t>(length - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), length);
    return result;
}

}  // namespace

TApplication& Application() {
    static TApplication application;
    return application;
}

std::wstring ExceptionText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Win::Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return FromUtf8(e.what());
    } catch (...) {
        return {};
    }
}

void HandleDispatchException() noexcept { Application().HandleException(); }

TApplication::TApplication() : Title(ProgramName()) {}

TApplication::~TApplication() { DestroyForms(); }

void TApplication::Initialize() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    EnsureSyncWindow();
}

HWND TApplication::Handle() {
    if (!handle_) {
        handle_.reset(CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", Title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr));
        Win::ThrowLastErrorIf(!handle_, "CreateWindowExW");
    }
    return handle_.get();
}

void TApplication::Run() {
    if (!mainForm_) return;
    if (ShowMainForm) mainForm_->Show();
    MSG message;
    while (!terminated_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TApplication::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

void TApplication::ShowErrorText(const std::wstring& text) {
    HWND owner = GetActiveWindow();
    MessageBoxW(owner, text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR | (owner ? 0 : MB_TASKMODAL));
}

void TApplication::HandleException() noexcept {
    try {
        ShowErrorText(ExceptionText(std::current_exception()));
    } catch (...) {
        // The display itself failed; there is nowhere left to report it.
    }
}

void TApplication::Minimize() {
    if (mainForm_) mainForm_->SetWindowState(TWindowState::wsMinimized);
}

void TApplication::Restore() {
    if (mainForm_) mainForm_->SetWindowState(TWindowState::wsNormal);
}

void TApplication::BringToFront() {
    if (mainForm_) mainForm_->BringToFront();
}

void TApplication::DoMinimize() {
    if (OnMinimize) OnMinimize();
}

void TApplication::DestroyForms() {
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) (*it)->BeforeDestruction();
    while (!forms_.empty()) forms_.pop_back();
    mainForm_ = nullptr;
    terminated_ = false;
    ShowMainForm = true;
    MainFormOnTaskbar = false;
    OnMinimize = nullptr;
    // A quit message left by Terminate must not end a later loop.
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace Toolkit
