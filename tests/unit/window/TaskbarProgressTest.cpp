// The taskbar button's progress: what the window tells ITaskbarList3 at each
// step of a download the run tells it, recorded by a stand-in (Wine's taskbar
// shows no progress, so the calls are what can be checked here).
#include "support/WindowRun.h"
#include "window/ProgressWindow.h"
#include "window/TaskbarProgress.h"

#include <gtest/gtest.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdint>
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

// What happens to the window: what the run tells it, the shell's message
// announcing a new button, and the user's close.
enum class Event { Begun, Received, Ended, Marquee, Finished, ButtonCreated, UserClose };

struct Step {
    Event What;
    std::uint64_t Value;
    std::vector<std::string> Calls;  // the calls this step makes
};

void Apply(ProgressWindow& form, const Step& step) {
    switch (step.What) {
    case Event::Begun: form.ShowTransferBegun(step.Value); break;
    case Event::Received: form.ShowReceived(step.Value); break;
    case Event::Ended: form.ShowTransferEnded(); break;
    case Event::Marquee: form.ShowMarquee(step.Value != 0); break;
    case Event::Finished: form.ClearTaskbarProgress(); break;
    case Event::ButtonCreated: SendMessageW(form.Handle(), TaskbarProgress::ButtonCreatedMessage(), 0, 0); break;
    case Event::UserClose: SendMessageW(form.Handle(), WM_CLOSE, 0, 0); break;
    }
}

// The button follows the bar: normal with the value while the size is known
// (the value only when it changes), indeterminate during the marquee and for
// an unknown total, the state given again when the shell announces a new
// button, and no progress once the download has finished and the window closed.
TEST(TaskbarProgressTest, ButtonFollowsTheBar) {
    const std::string normal = "state " + std::to_string(TBPF_NORMAL);
    const std::string indeterminate = "state " + std::to_string(TBPF_INDETERMINATE);
    const std::string none = "state " + std::to_string(TBPF_NOPROGRESS);
    const struct {
        const char* Name;
        std::vector<Step> Steps;
    } sequences[] = {
        {"known total",
         {{Event::Begun, 4096, {normal, "value 0/100"}},
          {Event::Received, 2048, {"value 50/100"}},
          {Event::Received, 2060, {}},
          {Event::ButtonCreated, 0, {normal, "value 50/100"}},
          {Event::Marquee, 1, {indeterminate}},
          {Event::Marquee, 0, {normal, "value 50/100"}},
          {Event::Ended, 0, {"value 100/100"}},
          {Event::Finished, 0, {none}}}},
        {"unknown total",
         {{Event::Begun, 0, {indeterminate}},
          {Event::Received, 2048, {}},
          {Event::ButtonCreated, 0, {indeterminate}},
          {Event::Ended, 0, {}},
          {Event::Finished, 0, {none}}}},
        {"closed during the transfer", {{Event::Begun, 4096, {normal, "value 0/100"}}, {Event::UserClose, 0, {none}}}},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(sequence.Name);
        WindowRun run;
        Microsoft::WRL::ComPtr<RecordingTaskbarList> list;
        list.Attach(new RecordingTaskbarList);
        ProgressWindow& form = run.MakeWindow(IdleJob(), list);
        EXPECT_TRUE(list->Calls.empty()) << "nothing before the first notification";
        for (const Step& step : sequence.Steps) {
            const size_t before = list->Calls.size();
            Apply(form, step);
            const std::vector<std::string> made(list->Calls.begin() + static_cast<long>(before), list->Calls.end());
            EXPECT_EQ(made, step.Calls) << "step " << static_cast<int>(step.What) << " value " << step.Value;
        }
    }
}

}  // namespace
