// The settings file: its exact layout, its round trip and every way loading can fail.
#include "FilePaths.h"
#include "Updatershared.h"
#include "support/ScratchFiles.h"
#include "support/Utf8.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

// Each test gets a temporary folder of its own, so the settings file is its own too.
class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() : temp_(scratch_.Path()) {}
    std::wstring SettingsPath() const { return scratch_.Path() + L"Velmora\\UpdaterSettings.xml"; }
    void WriteSettings(const std::string& bytes) {
        ForceDirectories(scratch_.Path() + L"Velmora");
        WriteFileBytes(SettingsPath(), bytes);
    }
    static bool SaveSample(const std::wstring& registryKey, const std::wstring& url = L"http://h/a&b<c>.exe") {
        TUpdaterInterfaceSettings window{true, L"Получение самой новой версии Orvinta...", L"Загружено: ", L" Кб"};
        TProxyServerInfo proxy{true, L"gate", L"8080", false, L"", L"p&ss"};
        return SaveUpdaterSettings(url, L"C:\\T\\", L"alpha beta", true, window, registryKey, proxy);
    }

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
};

TEST_F(SettingsFileTest, PathIsTheReportedTempFolderPlusTheFileName) {
    EXPECT_EQ(GetSettingsFilePath(), SettingsPath());
}

// The written bytes: declaration, Settings, the keys in order, flags as 1/0,
// escaped text, UTF-8 Cyrillic, empty values as empty elements.
TEST_F(SettingsFileTest, WritesTheExactLayout) {
    ASSERT_TRUE(SaveSample(L"HKEY_CURRENT_USER\\Software\\X"));
    const std::string expected =
        "<?xml version=\"1.0\"?>\n<Settings><FileOnWeb>http://h/a&amp;b&lt;c&gt;.exe</FileOnWeb>"
        "<TargetFilePath>C:\\T\\</TargetFilePath><CommandLineParameters>alpha beta</CommandLineParameters>"
        "<AutoStartTargetFile>1</AutoStartTargetFile><RegistryKey>HKEY_CURRENT_USER\\Software\\X</RegistryKey>"
        "<UpdaterMinimized>1</UpdaterMinimized>"
        "<TopText>" + Utf8(L"Получение самой новой версии Orvinta...") + "</TopText>"
        "<BottomTextPart1>" + Utf8(L"Загружено: ") + "</BottomTextPart1>"
        "<BottomTextPart2>" + Utf8(L" Кб") + "</BottomTextPart2>"
        "<is_use_proxy>1</is_use_proxy><ProxyAddress>gate</ProxyAddress><ProxyPort>8080</ProxyPort>"
        "<is_authorization_required>0</is_authorization_required><ProxyUsername/>"
        "<ProxyPassword>p&amp;ss</ProxyPassword></Settings>\n";
    EXPECT_EQ(ReadFileBytes(SettingsPath()), expected);
}

// Every value comes back as written; an empty registry key leaves its element out.
TEST_F(SettingsFileTest, RoundTripsThroughTheSettingsObject) {
    ASSERT_TRUE(SaveSample(L""));
    EXPECT_EQ(ReadFileBytes(SettingsPath()).find("RegistryKey"), std::string::npos);
    const TUpdaterSettings settings;
    EXPECT_EQ(settings.FileOnWeb(), L"http://h/a&b<c>.exe");
    EXPECT_EQ(settings.TargetFilePath(), L"C:\\T\\");
    EXPECT_EQ(settings.GetValue(L"CommandLineParameters"), L"alpha beta");
    EXPECT_EQ(settings.GetValue(L"RegistryKey"), L"");
    EXPECT_EQ(settings.GetValue(L"TopText"), L"Получение самой новой версии Orvinta...");
    EXPECT_EQ(settings.GetValue(L"BottomTextPart2"), L" Кб");
    EXPECT_EQ(settings.GetValue(L"ProxyPort"), L"8080");
    EXPECT_EQ(settings.GetValue(L"ProxyUsername"), L"");
    EXPECT_EQ(settings.GetValue(L"ProxyPassword"), L"p&ss");
    EXPECT_EQ(settings.GetValue(L"fileonweb"), L"");
    EXPECT_EQ(settings.GetValue(L"NoSuchKey"), L"");
}

// A new save leaves nothing of an older file behind, and a changed file is not
// seen by a settings object that was already loaded.
TEST_F(SettingsFileTest, RewritesFromScratch) {
    ASSERT_TRUE(SaveSample(L"HKEY_CURRENT_USER\\Old"));
    const TUpdaterSettings before;
    ASSERT_TRUE(SaveSample(L"", L"http://h/new.exe"));
    EXPECT_EQ(before.GetValue(L"RegistryKey"), L"HKEY_CURRENT_USER\\Old");
    const TUpdaterSettings after;
    EXPECT_EQ(after.GetValue(L"RegistryKey"), L"");
    EXPECT_EQ(after.FileOnWeb(), L"http://h/new.exe");
}

// Files the loader must survive: every value reads as "".
TEST_F(SettingsFileTest, UnreadableFilesGiveEmptyValues) {
    const std::string good = "<?xml version=\"1.0\"?>\n<Settings><FileOnWeb>http://h/x.exe</FileOnWeb></Settings>";
    const std::string files[] = {
        "",
        good.substr(0, good.size() / 2),
        good.substr(0, good.size() - 3),
        "<Settings><FileOnWeb>http://h/x.exe</FileOnWeb>",
        "\xff\xfe garbage",
        "<?xml version=\"1.0\"?><!DOCTYPE Settings [<!ENTITY u \"http://h/x.exe\">]><Settings><FileOnWeb>&u;</FileOnWeb></Settings>",
    };
    for (const std::string& bytes : files) {
        WriteSettings(bytes);
        const TUpdaterSettings settings;
        EXPECT_EQ(settings.FileOnWeb(), L"") << bytes;
    }
    DeleteFileW(SettingsPath().c_str());
    const TUpdaterSettings missing;
    EXPECT_EQ(missing.FileOnWeb(), L"");
    EXPECT_EQ(missing.GetValue(L"TopText"), L"");
}

// Any document element serves; the first of two equal keys wins; flags are
// plain text; indentation, a BOM and CDATA are accepted.
TEST_F(SettingsFileTest, ReadsAnyWellFormedFileOfTheLayout) {
    WriteSettings("\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Job>\n  <FileOnWeb>first</FileOnWeb>\n"
                  "  <FileOnWeb>second</FileOnWeb>\n  <AutoStartTargetFile>true</AutoStartTargetFile>\n"
                  "  <UpdaterMinimized> 1</UpdaterMinimized>\n  <TopText><![CDATA[a<b]]></TopText>\n</Job>\n");
    const TUpdaterSettings settings;
    EXPECT_EQ(settings.FileOnWeb(), L"first");
    EXPECT_EQ(settings.GetValue(L"AutoStartTargetFile"), L"true");
    EXPECT_EQ(settings.GetValue(L"UpdaterMinimized"), L" 1");
    EXPECT_EQ(settings.GetValue(L"TopText"), L"a<b");
}

// An element holding more than one text node cannot be read: the XML layer's error reaches the caller.
TEST_F(SettingsFileTest, NestedValueRaises) {
    WriteSettings("<Settings><FileOnWeb>a<b/>c</FileOnWeb></Settings>");
    const TUpdaterSettings settings;
    EXPECT_THROW(settings.FileOnWeb(), Xml::XmlException);
}

// A settings folder that cannot be made: the save fails quietly and nothing is read.
TEST_F(SettingsFileTest, UnwritableFolderFailsQuietly) {
    WriteFileBytes(scratch_.Path() + L"Velmora", "a file where the folder should be");
    EXPECT_FALSE(SaveSample(L"0"));
    const TUpdaterSettings settings;
    EXPECT_EQ(settings.FileOnWeb(), L"");
}

// An older file that can neither be deleted nor replaced is what gets read.
TEST_F(SettingsFileTest, LockedOlderFileIsReadBack) {
    WriteSettings("<Settings><FileOnWeb>http://old/x.exe</FileOnWeb><TargetFilePath>C:\\Old\\</TargetFilePath></Settings>");
    {
        // Others may read the file, but not write or delete it.
        const Win::UniqueFile lock(CreateFileW(SettingsPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_FALSE(SaveSample(L"0", L"http://new/x.exe"));
        const TUpdaterSettings settings;
        EXPECT_EQ(settings.FileOnWeb(), L"http://old/x.exe");
        EXPECT_EQ(settings.TargetFilePath(), L"C:\\Old\\");
    }
}

// Without a temporary folder there is no path, no save and nothing to read, and nothing crashes.
TEST(SettingsFileWithoutTempTest, TempPathTooLongGivesNoPath) {
    Win::ComApartment com;
    const ScopedTempFolder temp(L"C:\\" + std::wstring(300, L'x'));
    EXPECT_EQ(GetSettingsFilePath(), L"");
    EXPECT_FALSE(SaveUpdaterSettings(L"u", L"t", L"", true, {}, L"0", {}));
    const TUpdaterSettings settings;
    EXPECT_EQ(settings.FileOnWeb(), L"");
}

}  // namespace
