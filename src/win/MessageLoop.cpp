#include "win/MessageLoop.h"

#include "win/Exception.h"

namespace Win {

namespace {

std::wstring FromUtf8(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring result(static_cast<size_t>(length - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), length);
    return result;
}

}  // namespace

const std::wstring& ProgramTitle() {
    static const std::wstring title = [] {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring name = path;
        name = name.substr(name.find_last_of(L"\\/") + 1);
        return name.substr(0, name.find_last_of(L'.'));
    }();
    return title;
}

std::wstring ExceptionText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return FromUtf8(e.what());
    } catch (...) {
        return {};
    }
}

void ShowErrorText(const std::wstring& text) {
    const HWND owner = GetActiveWindow();
    MessageBoxW(owner, text.c_str(), ProgramTitle().c_str(), MB_OK | MB_ICONERROR | (owner ? 0 : MB_TASKMODAL));
}

void ShowCurrentException() noexcept {
    try {
        ShowErrorText(ExceptionText(std::current_exception()));
    } catch (...) {
        // The display itself failed; there is nowhere left to report it.
    }
}

void RunMessageLoop(HWND keyboardWindow) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (keyboardWindow && IsWindow(keyboardWindow)) {
            // The keyboard moves the focus: from now on the window and its
            // children show focus cues, as the dialog manager has it for
            // dialogs (WM_UPDATEUISTATE, which a top-level window gets for a
            // WM_CHANGEUISTATE; Wine's IsDialogMessageW changes nothing for a
            // window that is no dialog).
            if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
                (message.hwnd == keyboardWindow || IsChild(keyboardWindow, message.hwnd)))
                SendMessageW(keyboardWindow, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            if (IsDialogMessageW(keyboardWindow, &message)) continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace Win
