// The settings file: its exact layout, its round trip and every way loading can fail.
#include "files/FilePaths.h"
#include "job/SettingsFile.h"
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
        CreateFolderPath(scratch_.Path() + L"Velmora");
        WriteFileBytes(SettingsPath(), bytes);
    }
    static Job Sample(const std::wstring& registryKey, const std::wstring& url = L"http://h/a&b<c>.exe") {
        Job job;
        job.Url = url;
        job.TargetFolder = L"C:\\T\\";
        job.SetupArguments = L"alpha beta";
        job.StartSetup = true;
        job.RegistryKey = registryKey;
        job.Window = WindowTexts{true, L"Получение самой новой версии Orvinta...", L"Загружено: ", L" Кб"};
        job.Proxy = JobProxy{true, L"gate", L"8080", false, L"", L"p&ss"};
        return job;
    }
    static bool SaveSample(const std::wstring& registryKey, const std::wstring& url = L"http://h/a&b<c>.exe") {
        return SaveSettingsFile(Sample(registryKey, url));
    }

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
};

TEST_F(SettingsFileTest, PathIsTheReportedTempFolderPlusTheFileName) {
    EXPECT_EQ(SettingsFilePath(), SettingsPath());
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

// Every value comes back as written, into the job and through the reader;
// an empty registry key leaves its element out.
TEST_F(SettingsFileTest, RoundTripsThroughTheJob) {
    ASSERT_TRUE(SaveSample(L""));
    EXPECT_EQ(ReadFileBytes(SettingsPath()).find("RegistryKey"), std::string::npos);
    const std::optional<Job> job = LoadSettingsFile();
    ASSERT_TRUE(job);
    const Job sample = Sample(L"");
    EXPECT_EQ(job->Url, L"http://h/a&b<c>.exe");
    EXPECT_EQ(job->TargetFolder, sample.TargetFolder);
    EXPECT_EQ(job->SetupArguments, L"alpha beta");
    EXPECT_TRUE(job->StartSetup);
    EXPECT_EQ(job->RegistryKey, L"");
    EXPECT_TRUE(job->Window.StartInTray);
    EXPECT_EQ(job->Window.Title, L"Получение самой новой версии Orvinta...");
    EXPECT_EQ(job->Window.SizePrefix, L"Загружено: ");
    EXPECT_EQ(job->Window.SizeSuffix, L" Кб");
    EXPECT_TRUE(job->Proxy.Enabled);
    EXPECT_EQ(job->Proxy.Host, L"gate");
    EXPECT_EQ(job->Proxy.Port, L"8080");
    EXPECT_FALSE(job->Proxy.AuthorizationRequired);
    EXPECT_EQ(job->Proxy.Username, L"");
    EXPECT_EQ(job->Proxy.Password, L"p&ss");
    const SettingsFileReader reader;
    EXPECT_EQ(reader.Text(L"ProxyPort"), L"8080");
    EXPECT_EQ(reader.Text(L"fileonweb"), L"");
    EXPECT_EQ(reader.Text(L"NoSuchKey"), L"");
}

// The elements in file order, as the writer writes them and the reader reads them.
TEST_F(SettingsFileTest, ElementsInFileOrder) {
    const std::vector<std::wstring> expected = {
        L"FileOnWeb", L"TargetFilePath", L"CommandLineParameters", L"AutoStartTargetFile", L"RegistryKey",
        L"UpdaterMinimized", L"TopText", L"BottomTextPart1", L"BottomTextPart2", L"is_use_proxy", L"ProxyAddress",
        L"ProxyPort", L"is_authorization_required", L"ProxyUsername", L"ProxyPassword"};
    EXPECT_EQ(SettingsFileElements(), expected);
}

// Returns `bytes` with the text of `element` changed: a flag flipped, an empty
// text given one, any other text lengthened.
std::string WithOtherText(std::string bytes, const std::string& element) {
    const std::string empty = "<" + element + "/>";
    if (const size_t at = bytes.find(empty); at != std::string::npos)
        return bytes.replace(at, empty.size(), "<" + element + ">x</" + element + ">");
    const std::string open = "<" + element + ">";
    const size_t start = bytes.find(open);
    if (start == std::string::npos) return bytes;
    const size_t textStart = start + open.size();
    const size_t textEnd = bytes.find("</" + element + ">", textStart);
    const std::string text = bytes.substr(textStart, textEnd - textStart);
    return bytes.replace(textStart, textEnd - textStart, text == "1" ? "0" : text == "0" ? "1" : text + "x");
}

// The file as written reads back as the same job, and a file that differs in
// any one element as another job: what the run compares before it carries a
// job out.
TEST_F(SettingsFileTest, AnyChangedElementReadsBackAsAnotherJob) {
    const Job written = Sample(L"HKEY_CURRENT_USER\\Software\\X");
    ASSERT_TRUE(SaveSettingsFile(written));
    const std::string bytes = ReadFileBytes(SettingsPath());
    const std::optional<Job> same = LoadSettingsFile();
    ASSERT_TRUE(same);
    EXPECT_TRUE(*same == written);
    for (const std::wstring& element : SettingsFileElements()) {
        const std::string changed = WithOtherText(bytes, Utf8(element));
        ASSERT_NE(changed, bytes) << Utf8(element);
        WriteSettings(changed);
        const std::optional<Job> readBack = LoadSettingsFile();
        ASSERT_TRUE(readBack) << Utf8(element);
        EXPECT_FALSE(*readBack == written) << Utf8(element);
        EXPECT_TRUE(*readBack != written) << Utf8(element);
    }
}

// Without a URL, or with a URL but no target folder, there is no job; the
// elements after them are not read then.
TEST_F(SettingsFileTest, NoJobWithoutUrlOrTargetFolder) {
    const std::string cases[] = {
        "<Settings><TargetFilePath>C:\\T\\</TargetFilePath><TopText>a<b/>c</TopText></Settings>",
        "<Settings><FileOnWeb>http://h/x.exe</FileOnWeb><TopText>a<b/>c</TopText></Settings>",
        "<Settings><FileOnWeb></FileOnWeb><TargetFilePath>a<b/>c</TargetFilePath></Settings>",
    };
    for (const std::string& bytes : cases) {
        WriteSettings(bytes);
        EXPECT_FALSE(LoadSettingsFile()) << bytes;
    }
}
// A new save leaves nothing of an older file behind, and a changed file is not
// seen by a settings object that was already loaded.
TEST_F(SettingsFileTest, RewritesFromScratch) {
    ASSERT_TRUE(SaveSample(L"HKEY_CURRENT_USER\\Old"));
    const SettingsFileReader before;
    ASSERT_TRUE(SaveSample(L"", L"http://h/new.exe"));
    EXPECT_EQ(before.Text(L"RegistryKey"), L"HKEY_CURRENT_USER\\Old");
    const std::optional<Job> after = LoadSettingsFile();
    ASSERT_TRUE(after);
    EXPECT_EQ(after->RegistryKey, L"");
    EXPECT_EQ(after->Url, L"http://h/new.exe");
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
        const SettingsFileReader reader;
        EXPECT_EQ(reader.Text(L"FileOnWeb"), L"") << bytes;
        EXPECT_FALSE(LoadSettingsFile()) << bytes;
    }
    DeleteFileW(SettingsPath().c_str());
    const SettingsFileReader missing;
    EXPECT_EQ(missing.Text(L"FileOnWeb"), L"");
    EXPECT_EQ(missing.Text(L"TopText"), L"");
    EXPECT_FALSE(LoadSettingsFile());
}

// Any document element serves; the first of two equal keys wins; a flag is
// on only as "1"; indentation, a BOM and CDATA are accepted.
TEST_F(SettingsFileTest, ReadsAnyWellFormedFileOfTheLayout) {
    WriteSettings("\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Job>\n  <FileOnWeb>first</FileOnWeb>\n"
                  "  <FileOnWeb>second</FileOnWeb>\n  <AutoStartTargetFile>true</AutoStartTargetFile>\n"
                  "  <UpdaterMinimized> 1</UpdaterMinimized>\n  <TopText><![CDATA[a<b]]></TopText>\n</Job>\n");
    const SettingsFileReader reader;
    EXPECT_EQ(reader.Text(L"FileOnWeb"), L"first");
    EXPECT_EQ(reader.Text(L"AutoStartTargetFile"), L"true");
    EXPECT_EQ(reader.Text(L"UpdaterMinimized"), L" 1");
    EXPECT_EQ(reader.Text(L"TopText"), L"a<b");
    WriteSettings("<Job><FileOnWeb>first</FileOnWeb><FileOnWeb>second</FileOnWeb><TargetFilePath>T</TargetFilePath>"
                  "<AutoStartTargetFile>true</AutoStartTargetFile><UpdaterMinimized> 1</UpdaterMinimized>"
                  "<is_use_proxy>1</is_use_proxy><TopText><![CDATA[a<b]]></TopText></Job>");
    const std::optional<Job> job = LoadSettingsFile();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->Url, L"first");
    EXPECT_FALSE(job->StartSetup);
    EXPECT_FALSE(job->Window.StartInTray);
    EXPECT_TRUE(job->Proxy.Enabled);
    EXPECT_EQ(job->Window.Title, L"a<b");
}

// An element holding more than one text node cannot be read: the XML layer's
// error reaches the caller, from the reader and from the job's read-back.
TEST_F(SettingsFileTest, NestedValueRaises) {
    WriteSettings("<Settings><FileOnWeb>a<b/>c</FileOnWeb></Settings>");
    const SettingsFileReader reader;
    EXPECT_THROW(reader.Text(L"FileOnWeb"), Xml::XmlException);
    EXPECT_THROW(LoadSettingsFile(), Xml::XmlException);
    WriteSettings("<Settings><FileOnWeb>u</FileOnWeb><TargetFilePath>t</TargetFilePath>"
                  "<ProxyPassword>a<b/>c</ProxyPassword></Settings>");
    EXPECT_THROW(LoadSettingsFile(), Xml::XmlException);
}

// A settings folder that cannot be made: the save fails quietly and nothing is read.
TEST_F(SettingsFileTest, UnwritableFolderFailsQuietly) {
    WriteFileBytes(scratch_.Path() + L"Velmora", "a file where the folder should be");
    EXPECT_FALSE(SaveSample(L"0"));
    EXPECT_FALSE(LoadSettingsFile());
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
        const std::optional<Job> job = LoadSettingsFile();
        ASSERT_TRUE(job);
        EXPECT_EQ(job->Url, L"http://old/x.exe");
        EXPECT_EQ(job->TargetFolder, L"C:\\Old\\");
    }
}

// Without a temporary folder there is no path, no save and nothing to read, and nothing crashes.
TEST(SettingsFileWithoutTempTest, TempPathTooLongGivesNoPath) {
    Win::ComApartment com;
    const ScopedTempFolder temp(L"C:\\" + std::wstring(300, L'x'));
    EXPECT_EQ(SettingsFilePath(), L"");
    Job job;
    job.Url = L"u";
    job.TargetFolder = L"t";
    EXPECT_FALSE(SaveSettingsFile(job));
    EXPECT_FALSE(LoadSettingsFile());
}

}  // namespace
