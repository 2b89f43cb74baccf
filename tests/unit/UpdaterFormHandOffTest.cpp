// The hand-off of a complete download at window level, in-process on a real
// window under Xvfb: nginx serves the stand-in setup program, the window runs
// the whole job, and the test reads the real registry, the target folder and
// what the started program recorded.
#include "UpdaterForm.h"
#include "support/DemoSetup.h"
#include "support/FormRun.h"
#include "support/Processes.h"
#include "support/TestServers.h"
#include "support/WindowFinder.h"
#include "toolkit/Application.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <future>
#include <map>

using namespace TestSupport;
using Toolkit::Application;

namespace {

// The values of `key`, by name: their type and their data as bytes.
std::map<std::wstring, std::pair<DWORD, std::string>> ValuesOf(HKEY key) {
    std::map<std::wstring, std::pair<DWORD, std::string>> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 1024;
        std::string data(size, '\0');
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &size) != ERROR_SUCCESS)
            break;
        data.resize(size);
        values[name] = {type, data};
    }
    return values;
}

DWORD SubKeyCount(HKEY key) {
    DWORD count = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return count;
}

std::string Bytes(const void* data, size_t size) { return std::string(static_cast<const char*>(data), size); }

// A subkey of `parent` whose access list denies everyone the setting of
// values, so that it cannot be opened for reading and writing; the list is
// opened up again before the scratch key removes it.
class ScopedKeyDenyingSetValue : boost::noncopyable {
public:
    ScopedKeyDenyingSetValue(HKEY parent, const std::wstring& name) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        // D: deny KEY_SET_VALUE (0x2) to Everyone, allow all key rights to Everyone.
        Win::ThrowLastErrorIf(!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                  L"D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr),
                              "ConvertStringSecurityDescriptorToSecurityDescriptorW");
        const Win::UniqueHLocal owned(descriptor);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        HKEY key = nullptr;
        const LONG created =
            RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, READ_CONTROL | WRITE_DAC, &attributes, &key, nullptr);
        if (created != ERROR_SUCCESS) throw Win::SystemCallException("RegCreateKeyExW", created);
        key_.reset(key);
    }
    ~ScopedKeyDenyingSetValue() {
        SECURITY_DESCRIPTOR open;
        InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);  // a null list allows everything
        RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, &open);
    }

private:
    Win::UniqueHKey key_;
};

// A window run whose job downloads the stand-in setup program from nginx,
// records the result under the key Start is given and starts the program.
struct THandOff {
    TFormRun Run;
    ScopedServedDemoSetup Setup;
    const ScopedSetupRecord Record{Run.Folder()};

    TUpdaterForm& Start(const std::wstring& registryKey) {
        TFormJob job = StartingJob(TTestServers::Instance().Http("nginx", L"/" + Setup.Name()), L"--from-the-window");
        job.RegistryKey = registryKey;
        return Run.Start(job);
    }
    std::wstring FinalPath() const { return Run.Target() + Setup.Name(); }
};

// The registry result at window level: only an existing key named with an
// exact root gets Done = 0 and FinalFileName, and nothing else changes; every
// other key writes nothing; the setup program is started in every case.
TEST(UpdaterFormHandOffTest, RegistryResultAndStartOfTheFile) {
    ScratchRegistryKey scratch;
    const std::wstring scratchPath = L"HKEY_CURRENT_USER\\" + scratch.SubKey();
    ScopedKeyDenyingSetValue denied(scratch.get(), L"Denied");
    const struct {
        const char* Label;
        std::wstring RegistryKey;
        bool Written;
    } cases[] = {
        {"existing key", scratchPath, true},
        {"missing key", scratchPath + L"\\Missing", false},
        {"root in lower case", L"hkey_current_user\\" + scratch.SubKey(), false},
        {"key that denies setting values", scratchPath + L"\\Denied", false},
        {"the built-in job's 0", L"0", false},
        {"empty", L"", false},
    };
    const std::string kept = Bytes(L"kept", 10);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        RegDeleteValueW(scratch.get(), L"Done");
        RegDeleteValueW(scratch.get(), L"FinalFileName");
        RegSetValueExW(scratch.get(), L"Other", 0, REG_SZ, reinterpret_cast<const BYTE*>(kept.data()), 10);
        THandOff handOff;
        TUpdaterForm& form = handOff.Start(c.RegistryKey);
        Application().Run();
        EXPECT_TRUE(form.DownloadCompleted);

        std::map<std::wstring, std::pair<DWORD, std::string>> expected{{L"Other", {REG_SZ, kept}}};
        if (c.Written) {
            const DWORD zero = 0;
            const std::wstring name = handOff.Setup.Name();
            expected[L"Done"] = {REG_DWORD, Bytes(&zero, sizeof zero)};
            expected[L"FinalFileName"] = {REG_SZ, Bytes(name.c_str(), (name.size() + 1) * sizeof(wchar_t))};
        }
        EXPECT_EQ(ValuesOf(scratch.get()), expected);
        EXPECT_EQ(SubKeyCount(scratch.get()), 1u);  // Denied only: nothing was created

        EXPECT_TRUE(SetupStartedAs(handOff.Record.Path(), handOff.FinalPath(), L"--from-the-window"));
    }
}

// A value that cannot be set in a key that opened: Wine opens the
// performance-text key Perflib\009 for reading and writing as the predefined
// HKEY_PERFORMANCE_TEXT, which stores no values (RegSetValueExW fails with
// ERROR_INVALID_HANDLE). The error is shown in a message box with exactly
// its text, the window stays open until the user closes it, nothing is
// started, and closing deletes nothing.
TEST(UpdaterFormHandOffTest, ValueThatCannotBeSetIsShownAndTheWindowStays) {
    THandOff handOff;
    TUpdaterForm& form =
        handOff.Start(L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009");
    bool openAtClose = false;
    const auto close = form.OnClose;
    form.OnClose = [&](Toolkit::TCloseAction& action) {
        openAtClose = IsWindowVisible(form.Handle()) && !Application().Terminated();
        close(action);
    };
    const HWND window = form.Handle();
    auto shown = std::async(std::launch::async, [window] {
        auto texts = DismissMessageBox(GetCurrentProcessId(), 60000);
        PostMessageW(window, WM_CLOSE, 0, 0);  // the user closes the window afterwards
        return texts;
    });
    Application().Run();
    const auto texts = shown.get();
    ASSERT_TRUE(texts) << "no message box";
    EXPECT_EQ(*texts, std::vector<std::wstring>{L"Failed to set data for 'Done'"});
    EXPECT_TRUE(openAtClose);
    EXPECT_TRUE(form.DownloadCompleted);

    Application().DestroyForms();
    EXPECT_NE(GetFileAttributesW(handOff.FinalPath().c_str()), INVALID_FILE_ATTRIBUTES);
    // Started, the program would run now or have left its record already.
    EXPECT_FALSE(ProcessRunning(handOff.Setup.Name()));
    EXPECT_EQ(GetFileAttributesW(handOff.Record.Path().c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
