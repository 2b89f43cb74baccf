// The real updater.exe's entry routine: when it ends at once, the window it
// shows and how closing it ends the process, and what the file declares.
#include "files/FilePaths.h"
#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/DemoSetup.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "support/TrickledRun.h"
#include "support/Utf8.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"
#include "win/Unique.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>

using namespace TestSupport;

namespace {

struct EndsAtOnceCase {
    const char* name;
    // Prepares the scratch folder (ending in "\") and returns the temporary folder of the run.
    std::function<std::wstring(const std::wstring& scratch)> tempFolder;
    std::vector<std::wstring> filesLeft;  // below the scratch folder
    const char* settingsFileHolds;        // a text of the settings file the run wrote, or nullptr
};

void PrintTo(const EndsAtOnceCase& c, std::ostream* out) { *out << c.name; }

class EndsAtOnceE2ETest : public ::testing::TestWithParam<EndsAtOnceCase> {};

// A start-up that cannot go on ends the process by itself at once with 0,
// never shows a window, opens no browser and leaves nothing but the files the
// case names: a settings file that cannot be written leaves FileOnWeb empty;
// without a usable temporary folder the settings file is written with an
// empty target folder, which ends the run.
TEST_P(EndsAtOnceE2ETest, EndsWithoutAWindow) {
    const EndsAtOnceCase& c = GetParam();
    const ScratchFolder scratch;
    UpdaterRunOptions options;
    options.TempFolder = c.tempFolder(scratch.Path());
    options.TimeoutMs = 30000;
    const UpdaterRun run(options);
    ScopedBrowserStub browser;
    bool showedWindow = false;

    const UpdaterRunEnd end =
        run.Run(L" x", [&](DWORD process) { showedWindow = CloseUpdaterWindowWhenShown(process, options.TimeoutMs); });

    std::cout << "ended after " << end.ElapsedMs << " ms" << std::endl;
    EXPECT_EQ(end.ExitCode, 0);
    EXPECT_FALSE(showedWindow);
    EXPECT_LT(end.ElapsedMs, kEndsAtOnceMs);
    EXPECT_EQ(FilesBelow(scratch.Path()), c.filesLeft);
    if (c.settingsFileHolds) {
        EXPECT_NE(ReadFileBytes(options.TempFolder + kSettingsFileInTempFolder).find(c.settingsFileHolds),
                  std::string::npos);
    }
    EXPECT_TRUE(browser.SettledUrls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndsAtOnceE2ETest,
    ::testing::Values(
        EndsAtOnceCase{"SettingsFileCannotBeWritten",
                       [](const std::wstring& scratch) {
                           WriteFileBytes(scratch + L"Velmora", "a file where the settings folder should be");
                           return scratch;
                       },
                       {L"Velmora"}, nullptr},
        EndsAtOnceCase{"TempFolderPathTooLong",
                       [](const std::wstring& scratch) { return scratch + std::wstring(280, L'x'); }, {}, nullptr},
        EndsAtOnceCase{"TempFolderMissing", [](const std::wstring& scratch) { return scratch + L"missing\\"; },
                       {std::wstring(L"missing\\") + kSettingsFileInTempFolder}, "<TargetFilePath/>"}),
    [](const ::testing::TestParamInfo<EndsAtOnceCase>& info) { return info.param.name; });

// A settings file that cannot be rewritten (another process holds it open
// for reading) still holds an older job, here one that names another server:
// the run ends at once with 0 and acts on none of it: nothing is requested
// from either server, no window, no browser, nothing started, and the older
// file stays as it was.
TEST(EntryRoutineE2ETest, SettingsFileThatCannotBeRewrittenEndsTheRunQuietly) {
    const BuiltInUrlServer builtIn(ServerAnswer::Body(DemoSetupDownload(0)));
    const BuiltInUrlServer older(ServerAnswer::Body(DemoSetupDownload(0)), 0);
    const ScopedSystemProxy proxy(0ul, std::nullopt);
    ScopedBrowserStub browser;
    const UpdaterRun run;
    const std::wstring settings = run.TempFolder() + kSettingsFileInTempFolder;
    ASSERT_TRUE(CreateFolderPath(ParentFolder(settings)));
    const std::string olderJob = "<?xml version=\"1.0\"?>\n<Settings><FileOnWeb>http://127.0.0.1:" +
                                 std::to_string(older.Port()) + "/older/orvinta-setup.exe</FileOnWeb><TargetFilePath>" +
                                 Utf8(run.TempFolder()) + "</TargetFilePath><CommandLineParameters/>"
                                 "<AutoStartTargetFile>1</AutoStartTargetFile></Settings>\n";
    WriteFileBytes(settings, olderJob);
    const Win::UniqueFile reader(
        CreateFileW(settings.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    bool showedWindow = false;

    const UpdaterRunEnd end =
        run.Run(L"", [&](DWORD process) { showedWindow = CloseUpdaterWindowWhenShown(process, 10000); });

    EXPECT_EQ(end.ExitCode, 0);
    EXPECT_LT(end.ElapsedMs, kEndsAtOnceMs);
    EXPECT_FALSE(showedWindow);
    EXPECT_TRUE(older.RequestLines().empty()) << "the older job was carried out";
    EXPECT_TRUE(builtIn.RequestLines().empty());
    EXPECT_TRUE(browser.SettledUrls().empty());
    EXPECT_FALSE(run.SetupStarted());
    EXPECT_EQ(ReadFileBytes(settings), olderJob);
}

// How the user closes the window: the xdotool command for a window of
// `bounds` (96 pixels per inch: the 16-pixel close button ends 7 pixels left
// of the 2-pixel frame and starts 5 pixels below it).
struct CloseCase {
    const char* name;
    std::function<std::string(const RECT& bounds)> command;
};

void PrintTo(const CloseCase& c, std::ostream* out) { *out << c.name; }

// Clicks the picture first (with no window manager keys reach only a window
// that was clicked), then types `keys`.
std::string ClickThenType(const RECT& bounds, const std::string& keys) {
    const int x = bounds.left + 2 + 19 + 24, y = bounds.top + 2 + 37 + 24;
    return "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.2 click 1 sleep 0.3 " + keys;
}

class CloseE2ETest : public ::testing::TestWithParam<CloseCase> {};

// The real updater.exe shows a borderless application window of the layout's
// size while the download runs (its file is in the temporary folder); the
// close button pressed with the real pointer or the keyboard, or Esc, makes
// the window disappear and stops the download: the process ends with 0,
// leaves no file, starts nothing and does not open the browser.
TEST_P(CloseE2ETest, ClosingTheWindowEndsTheRun) {
    // About a minute at this rate: the transfer is under way when the close comes.
    const TrickledRun run(4 * 1024 * 1024, 64 * 1024);
    RECT bounds{};
    bool applicationWindow = false;
    bool closed = false;
    bool disappeared = false;
    std::vector<std::wstring> leftDuringTransfer;
    std::wstring runFolderName;
    const long code = run.Run(L"", [&](DWORD pid) {
        const HWND window = WaitForUpdaterWindow(pid, 20000);
        if (!window) return;
        GetWindowRect(window, &bounds);
        applicationWindow = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) && !GetWindow(window, GW_OWNER);
        EXPECT_TRUE(run.WaitForBodyBytes(64 * 1024));
        leftDuringTransfer = LeftBehindIn(run.TempFolder());
        runFolderName = RunFolderNameIn(run.TempFolder());
        closed = RunUnixShell(GetParam().command(bounds), false);
        disappeared = WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, 10000);
    }).ExitCode;
    EXPECT_TRUE(closed);
    EXPECT_TRUE(disappeared);
    EXPECT_EQ(code, 0) << "closing the window ended the run";
    EXPECT_TRUE(applicationWindow);
    EXPECT_EQ(bounds.right - bounds.left, 458);  // 550 x 96 / 115, in two rounded steps
    EXPECT_EQ(bounds.bottom - bounds.top, 126);
    ASSERT_FALSE(runFolderName.empty()) << "the download runs in a folder of its own";
    EXPECT_EQ(leftDuringTransfer, (std::vector<std::wstring>{runFolderName, runFolderName + L"downloaded-file.exe"}));
    EXPECT_TRUE(LeftBehindIn(run.TempFolder()).empty());
    EXPECT_FALSE(run.SetupStarted());
    EXPECT_LT(run.Server.BodyBytesSent(), run.Download.size());
    EXPECT_TRUE(run.Browser.SettledUrls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CloseE2ETest,
    ::testing::Values(CloseCase{"ClickOnTheCross",
                                [](const RECT& bounds) {
                                    // The X server delivers the move before the click, in the order sent.
                                    const int x = bounds.right - 2 - 7 - 8, y = bounds.top + 2 + 5 + 8;
                                    return "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                                           " click 1";
                                }},
                      CloseCase{"Escape", [](const RECT& bounds) { return ClickThenType(bounds, "key Escape"); }},
                      CloseCase{"TabThenEnter",
                                [](const RECT& bounds) { return ClickThenType(bounds, "key Tab sleep 0.3 key Return"); }}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

std::string ResourceText(HMODULE module, const wchar_t* name, const wchar_t* type) {
    HRSRC resource = FindResourceW(module, name, type);
    if (!resource) return {};
    HGLOBAL loaded = LoadResource(module, resource);
    return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, resource));
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return {};
    return std::wstring(value, length ? length - 1 : 0);
}

// The executable carries its manifest (per-monitor density awareness, common
// controls 6.0.0.0, asInvoker without uiAccess, the supported systems), its
// version record ("Updater", 1.0.0.0) and its icon at 16, 32 and 48 pixels.
TEST(EntryRoutineE2ETest, ExecutableCarriesManifestVersionAndIcon) {
    const std::wstring exe = UpdaterExePath();
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    const std::string manifest = ResourceText(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    for (const char* part : {"True/PM</dpiAware>", "PerMonitorV2", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "level=\"asInvoker\" uiAccess=\"false\"", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    // The icon's group (RT_GROUP_ICON: a 6-byte header, then 14 bytes per
    // image, its width first) holds 16, 20, 24, 32 and 48 pixels, so the
    // notification area at 96, 120 and 144 pixels per inch scales nothing.
    const std::string group = ResourceText(module, L"MAINICON", MAKEINTRESOURCEW(14));
    ASSERT_GE(group.size(), 6u);
    std::vector<int> widths;
    for (size_t at = 6; at + 14 <= group.size(); at += 14) widths.push_back(static_cast<unsigned char>(group[at]));
    std::sort(widths.begin(), widths.end());
    EXPECT_EQ(widths, (std::vector<int>{16, 20, 24, 32, 48}));
    // Each size loads as itself, the PNG-compressed ones included.
    for (const int size : {16, 20, 24, 32, 48}) {
        const Win::UniqueHIcon icon(
            static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        ASSERT_TRUE(icon) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon.get(), &info)) << size;
        const Win::UniqueHBitmap color(info.hbmColor), mask(info.hbmMask);
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmHeight, size);
    }
    FreeLibrary(module);

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(VersionString(block, L"FileDescription"), L"Updater");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Updater");
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.0.0.0");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1.0.0.0");
}

}  // namespace
