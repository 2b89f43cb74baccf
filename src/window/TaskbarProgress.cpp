#include "window/TaskbarProgress.h"

void TaskbarProgress::ShowValue(int percent) {
    if (state_ == TBPF_NORMAL && percent_ == percent) return;
    const bool stateChanged = state_ != TBPF_NORMAL;
    state_ = TBPF_NORMAL;
    percent_ = percent;
    if (!Ready()) return;
    if (stateChanged) list_->SetProgressState(window_, TBPF_NORMAL);
    list_->SetProgressValue(window_, static_cast<ULONGLONG>(percent), 100);
}

void TaskbarProgress::ShowIndeterminate() {
    if (state_ == TBPF_INDETERMINATE) return;
    state_ = TBPF_INDETERMINATE;
    percent_ = -1;
    if (Ready()) list_->SetProgressState(window_, TBPF_INDETERMINATE);
}

void TaskbarProgress::Clear() {
    if (state_ == TBPF_NOPROGRESS) return;
    state_ = TBPF_NOPROGRESS;
    percent_ = -1;
    if (Ready()) list_->SetProgressState(window_, TBPF_NOPROGRESS);
}

void TaskbarProgress::ButtonCreated() {
    if (state_ == TBPF_NOPROGRESS || !Ready()) return;
    list_->SetProgressState(window_, state_);
    if (state_ == TBPF_NORMAL) list_->SetProgressValue(window_, static_cast<ULONGLONG>(percent_), 100);
}

UINT TaskbarProgress::ButtonCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarButtonCreated");
    return message;
}

bool TaskbarProgress::Ready() {
    if (list_ || tried_) return list_ != nullptr;
    tried_ = true;
    Microsoft::WRL::ComPtr<ITaskbarList3> list;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&list)))) return false;
    if (FAILED(list->HrInit())) return false;
    list_ = std::move(list);
    return true;
}
