// The taskbar button's progress: what the window tells ITaskbarList3 at each
// notification, recorded by a stand-in (Wine's taskbar shows no progress, so
// the calls are what can be checked here).
#include "download/DownloadMessages.h"
#include "support/WindowRun.h"
#include "window/ProgressWindow.h"
#include "window/TaskbarProgress.h"

#include <gtest/gtest.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

using namespace TestSupport;

namespace {

// An ITaskbarList3 that records its progress calls as text ("state 2",
// "value 50/100") and does nothing else.
class RecordingTaskbarList final : public ITaskbarList3 {
public:
    std::vector<std::string> Calls;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ITaskbarList || iid == IID_ITaskbarList2 || iid == IID_ITaskbarList3) {
            *object = static_cast<ITaskbarList3*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (!left) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG done, ULONGLONG total) override {
        Calls.push_back("value " + std::to_string(done) + "/" + std::to_string(total));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG state) override {
        Calls.push_back("state " + std::to_string(static_cast<int>(state)));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return S_OK; }

private:
    ULONG references_ = 1;
};

struct TStep {
    UINT Message;
    WPARAM Kind;
    LPARAM Value;
    std::vector<std::string> Calls;  // the calls this step makes
};

// The button follows the bar: normal with the value while the size is known
// (the value only when it changes), indeterminate during the marquee and for
// an unknown total, the state given again when the shell announces a new
// button, and no progress once the download has finished and the window closed.
TEST(TaskbarProgressTest, ButtonFollowsTheBar) {
    const std::string normal = "state " + std::to_string(TBPF_NORMAL);
    const std::string indeterminate = "state " + std::to_string(TBPF_INDETERMINATE);
    const std::string none = "state " + std::to_string(TBPF_NOPROGRESS);
    const UINT created = TTaskbarProgress::ButtonCreatedMessage();
    const struct {
        const char* Name;
        std::vector<TStep> Steps;
    } sequences[] = {
        {"known total",
         {{WM_DOWNLOAD_PROGRESS, PROGRESS_BEGIN, 4096, {normal, "value 0/100"}},
          {WM_DOWNLOAD_PROGRESS, PROGRESS_WORK, 2048, {"value 50/100"}},
          {WM_DOWNLOAD_PROGRESS, PROGRESS_WORK, 2060, {}},
          {created, 0, 0, {normal, "value 50/100"}},
          {WM_DOWNLOAD_PROGRESS, PROGRESS_MARQUEE, 1, {indeterminate}},
          {WM_DOWNLOAD_PROGRESS, PROGRESS_MARQUEE, 0, {normal, "value 50/100"}},
          {WM_DOWNLOAD_PROGRESS, PROGRESS_END, 0, {"value 100/100"}},
          {WM_DOWNLOAD_FINISHED, 0, 0, {none}}}},
        {"unknown total",
         {{WM_DOWNLOAD_PROGRESS, PROGRESS_BEGIN, 0, {indeterminate}},
          {WM_DOWNLOAD_PROGRESS, PROGRESS_WORK, 2048, {}},
          {created, 0, 0, {indeterminate}},
          {WM_DOWNLOAD_PROGRESS, PROGRESS_END, 0, {}},
          {WM_DOWNLOAD_FINISHED, 0, 0, {none}}}},
        {"closed during the transfer",
         {{WM_DOWNLOAD_PROGRESS, PROGRESS_BEGIN, 4096, {normal, "value 0/100"}},
          {WM_CLOSE, 0, 0, {none}}}},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(sequence.Name);
        TWindowRun run;
        Microsoft::WRL::ComPtr<RecordingTaskbarList> list;
        list.Attach(new RecordingTaskbarList);
        TProgressWindow& form = run.Start(IdleJob(), std::nullopt, list);
        EXPECT_TRUE(list->Calls.empty()) << "nothing before the first notification";
        for (const TStep& step : sequence.Steps) {
            const size_t before = list->Calls.size();
            SendMessageW(form.Handle(), step.Message, step.Kind, step.Value);
            const std::vector<std::string> made(list->Calls.begin() + static_cast<long>(before), list->Calls.end());
            EXPECT_EQ(made, step.Calls) << "message " << step.Message << " kind " << step.Kind;
        }
    }
}

}  // namespace
