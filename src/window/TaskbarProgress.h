// The window's taskbar button as a progress display (ITaskbarList3).
#pragma once

#include <shobjidl.h>
#include <wrl/client.h>

#include <utility>

// Shows the progress bar's state on the window's taskbar button: normal with
// the value while the size is known, indeterminate during the marquee, none
// at the end. Keeps the state and gives it to the button again when the shell
// reports the button made (TaskbarButtonCreated: calls before it are lost, as
// the ITaskbarList3 documentation says). UI thread, COM initialised.
class TaskbarProgress {
public:
    // `list`: the taskbar list to drive; null: the shell's (CLSID_TaskbarList),
    // made when it is first needed, so that start-up does not wait for it.
    TaskbarProgress(HWND window, Microsoft::WRL::ComPtr<ITaskbarList3> list) noexcept
        : window_(window), list_(std::move(list)) {}
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    // Shows `percent` of 100 in the normal state.
    void ShowValue(int percent);
    // Shows the indeterminate state.
    void ShowIndeterminate();
    // Shows no progress.
    void Clear();
    // Gives the kept state to a newly made button.
    void ButtonCreated();

    // The registered message that announces the button.
    static UINT ButtonCreatedMessage();

private:
    bool Ready();

    const HWND window_;
    Microsoft::WRL::ComPtr<ITaskbarList3> list_;
    bool tried_ = false;
    TBPFLAG state_ = TBPF_NOPROGRESS;
    int percent_ = -1;
};
