#include "support/WindowRun.h"

#include "app/UpdateRun.h"
#include "job/BuiltInJob.h"
#include "job/SettingsFile.h"
#include "support/Utf8.h"
#include "win/MessageLoop.h"
#include "window/ProgressWindow.h"

#include <stdexcept>

namespace TestSupport {

namespace {

std::function<void()> inside_;

void CALLBACK CallInside(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const std::function<void()> inside = std::move(inside_);
    inside_ = nullptr;
    inside();
}

// Returns `text` as UTF-8 with the characters markup gives a meaning escaped.
std::string XmlText(const std::wstring& text) {
    std::string escaped;
    for (const char c : Utf8(text)) {
        if (c == '&') escaped += "&amp;";
        else if (c == '<') escaped += "&lt;";
        else if (c == '>') escaped += "&gt;";
        else escaped += c;
    }
    return escaped;
}

// Replaces the text of the tray flag the writer stored as "0" or "1".
void StoreTrayFlagText(bool written, const std::wstring& text) {
    const std::wstring path = SettingsFilePath();
    std::string xml = ReadFileBytes(path);
    const std::string element = std::string("<UpdaterMinimized>") + (written ? "1" : "0") + "</UpdaterMinimized>";
    const size_t at = xml.find(element);
    if (at == std::string::npos) throw std::runtime_error("no UpdaterMinimized in " + Utf8(path));
    xml.replace(at, element.size(), "<UpdaterMinimized>" + XmlText(text) + "</UpdaterMinimized>");
    WriteFileBytes(path, xml);
}

}  // namespace

Job IdleJob() {
    Job job;
    job.Url = L"http://127.0.0.1:9/none";
    job.Window = WindowTexts{false, L"Downloading", L"Downloaded: ", L" KB"};
    job.Language = UserUiLanguage();
    return job;
}

Job StartingJob(const std::wstring& url, const std::wstring& arguments) {
    Job job = IdleJob();
    job.Url = url;
    job.StartSetup = true;
    job.SetupArguments = arguments;
    return job;
}

Job SaveAndReadBack(const Job& job, const std::optional<std::wstring>& trayFlagText) {
    if (!SaveSettingsFile(job)) throw std::runtime_error("the test job could not be saved");
    if (trayFlagText) StoreTrayFlagText(job.Window.StartInTray, *trayFlagText);
    const std::optional<Job> readBack = LoadSettingsFile();
    if (!readBack) throw std::runtime_error("the test job has no URL or no target folder");
    return *readBack;
}

WindowRun::WindowRun() : temp_(scratch_.Path()), target_(scratch_.Path() + L"target\\") {}

WindowRun::~WindowRun() { Destroy(); }

void WindowRun::Destroy() {
    window_.reset();
    run_.reset();
}

Job WindowRun::ReadBack(Job job, const std::optional<std::wstring>& trayFlagText) {
    Destroy();
    job.TargetFolder = target_;
    Job back = SaveAndReadBack(job, trayFlagText);
    // The file holds no language.
    back.Language = job.Language;
    return back;
}

ProgressWindow& WindowRun::WindowFor(const Job& job, Microsoft::WRL::ComPtr<ITaskbarList3> taskbar) {
    window_ = std::make_unique<ProgressWindow>(
        job.Window, job.Language, [] { PostQuitMessage(0); }, std::move(taskbar));
    return *window_;
}

ProgressWindow& WindowRun::MakeWindow(Job job, Microsoft::WRL::ComPtr<ITaskbarList3> taskbar) {
    return WindowFor(ReadBack(std::move(job), std::nullopt), std::move(taskbar));
}

ProgressWindow& WindowRun::MakeWindowWithTrayFlagText(Job job, const std::wstring& trayFlagText) {
    return WindowFor(ReadBack(std::move(job), trayFlagText), nullptr);
}

UpdateRun& WindowRun::Start(Job job, std::optional<Publisher> setupPublisherPin,
                            Microsoft::WRL::ComPtr<ITaskbarList3> taskbar) {
    run_ = std::make_unique<UpdateRun>(ReadBack(std::move(job), std::nullopt), std::move(setupPublisherPin),
                                       std::move(taskbar));
    return *run_;
}

void RunWindow(ProgressWindow& window) {
    window.ShowUnlessInTray();
    Win::RunMessageLoop(window.Handle());
}

void RunWindowCalling(ProgressWindow& window, const std::function<void()>& inside) {
    inside_ = inside;
    // A thread timer's message carries its procedure, which DispatchMessageW calls.
    SetTimer(nullptr, 0, 0, CallInside);
    RunWindow(window);
}

void RunCalling(UpdateRun& run, const std::function<void()>& inside) {
    inside_ = inside;
    SetTimer(nullptr, 0, 0, CallInside);
    run.Run();
}

}  // namespace TestSupport
