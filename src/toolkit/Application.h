// The application object: its forms, the main form, the message loop and the
// standard error display.
#pragma once

#include "toolkit/Font.h"
#include "toolkit/Form.h"
#include "win/Unique.h"

#include <boost/noncopyable.hpp>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace Toolkit {

// Owns the forms made with CreateForm; the first one is the main form, whose
// closing ends the loop. One per process (Application()), UI thread only.
class TApplication : boost::noncopyable {
public:
    TApplication();
    ~TApplication();

    // Loads the common controls (version 6 through the manifest) and prepares
    // the UI thread to serve worker threads' Synchronize calls.
    void Initialize();

    // The main form owns the taskbar button (set before the main form is made).
    bool MainFormOnTaskbar = false;
    // Run shows the main form first unless this is false.
    bool ShowMainForm = true;
    // The caption of the error display; the program's file name without extension.
    std::wstring Title;
    // Runs when the main form is minimized.
    std::function<void()> OnMinimize;
    // The application-wide default font.
    TFont DefaultFont;

    // Makes a form owned by the application and runs its creation handler;
    // the first form made becomes the main form.
    template <typename T, typename... Args>
    T& CreateForm(Args&&... args) {
        auto form = std::make_unique<T>(std::forward<Args>(args)...);
        T& result = *form;
        if (!mainForm_) mainForm_ = &result;
        forms_.push_back(std::move(form));
        result.DoCreate();
        return result;
    }

    TForm* MainForm() const noexcept { return mainForm_; }

    // Shows the main form (unless ShowMainForm is false) and dispatches
    // messages until Terminate. Errors in handlers are shown and the loop goes on.
    void Run();
    // Ends the loop after the message being handled.
    void Terminate();
    bool Terminated() const noexcept { return terminated_; }

    // Shows `text` in the standard error display: a message box with the text.
    void ShowErrorText(const std::wstring& text);
    // Shows the exception being handled the same way (its message; an empty
    // text for errors that are not exceptions of the standard kinds).
    void HandleException() noexcept;

    void Minimize();
    void Restore();
    void BringToFront();
    // Called by the main form when it has been minimized.
    void DoMinimize();

    // Runs every form's destroy handler and destroys the forms, last made
    // first, and returns to the state before the first form was made.
    void DestroyForms();

    // The application's hidden window, which owns forms that do not own a taskbar button.
    HWND Handle();

private:
    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    Win::UniqueHWnd handle_;
};

// Returns the process's application object.
TApplication& Application();

// Returns the message text of an exception: Win::Exception's message, a
// standard exception's what() read as UTF-8, or "" for anything else.
std::wstring ExceptionText(const std::exception_ptr& error);

}  // namespace Toolkit
