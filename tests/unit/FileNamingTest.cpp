// The naming rules of the download file and the final file, on real files.
#include "FileNaming.h"
#include "FilePaths.h"
#include "NamingState.h"
#include "support/ScratchFiles.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <vector>

using namespace TestSupport;

namespace {

// The naming state exists for each test as start-up would make it.
class NamingStateTest : public ::testing::Test {
protected:
    NamingStateTest() {
        FileNameLock.emplace();
        RemoteFileName.emplace();
        DownloadFileName.emplace();
        TargetFolder.emplace();
    }
    ~NamingStateTest() override {
        TargetFolder.reset();
        DownloadFileName.reset();
        RemoteFileName.reset();
        FileNameLock.reset();
    }
    // The folder without its trailing "\", as a job may give it.
    std::wstring Folder() const { return ExtractFileDir(scratch_.Path() + L"x"); }
    void Touch(const wchar_t* name) const { WriteFileBytes(scratch_.Path() + name, "x"); }

    ScratchFolder scratch_;
};

struct NamingCase {
    const char* what;
    const wchar_t* url;           // the job's URL
    const wchar_t* redirect;      // last redirect location, or null
    std::vector<const wchar_t*> present;          // files in the folder before the download
    std::vector<const wchar_t*> presentAtEnd;     // files that appear before completion
    const wchar_t* remote;        // RemoteFileName at the end
    const wchar_t* download;      // download file name
    const wchar_t* final;         // final file name
};

// The download path and the final path for the URLs and folder contents that matter.
TEST_F(NamingStateTest, DownloadAndFinalPathsFollowTheUrl) {
    const NamingCase cases[] = {
        {"plain", L"http://h/files/ov3/orvinta-setup.exe", nullptr, {}, {},
         L"orvinta-setup.exe", L"downloaded-file.exe", L"orvinta-setup.exe"},
        {"two taken", L"http://h/files/ov3/orvinta-setup.exe", nullptr,
         {L"downloaded-file.exe", L"downloaded-file2.exe"}, {},
         L"orvinta-setup.exe", L"downloaded-file3.exe", L"orvinta-setup.exe"},
        {"gap filled", L"http://h/files/ov3/orvinta-setup.exe", nullptr,
         {L"downloaded-file.exe", L"downloaded-file3.exe"}, {},
         L"orvinta-setup.exe", L"downloaded-file2.exe", L"orvinta-setup.exe"},
        {"final taken", L"http://h/files/ov3/orvinta-setup.exe", nullptr, {}, {L"orvinta-setup.exe"},
         L"orvinta-setup.exe", L"downloaded-file.exe", L"orvinta-setup2.exe"},
        {"folder URL", L"http://h/latest/", nullptr, {}, {}, L"latest", L"downloaded-file.tmp", L"latest.tmp"},
        {"host only", L"http://download.example.com", nullptr, {}, {},
         L"download.example.com", L"downloaded-file.com", L"download.example.com"},
        {"redirected", L"http://h/latest", L"http://cdn/x/orvinta-setup.exe", {}, {},
         L"orvinta-setup.exe", L"downloaded-file.tmp", L"orvinta-setup.exe"},
    };
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        for (const wchar_t* name : c.present) WriteFileBytes(folder.Path() + name, "x");
        const std::wstring target = ExtractFileDir(folder.Path() + L"x");

        const std::wstring downloadPath = ChooseDownloadPath(c.url, target);
        EXPECT_EQ(downloadPath, folder.Path() + c.download);
        if (c.redirect) SetRemoteFileNameFromLocation(c.redirect);
        EXPECT_EQ(*RemoteFileName, c.remote);

        WriteFileBytes(downloadPath, "body");
        for (const wchar_t* name : c.presentAtEnd) WriteFileBytes(folder.Path() + name, "x");
        PublishDownloadNames(downloadPath, target);
        EXPECT_EQ(*TargetFolder, folder.Path());
        EXPECT_EQ(*DownloadFileName, c.download);
        EXPECT_EQ(DownloadFilePath(), downloadPath);
        EXPECT_EQ(ChooseFinalPath(), folder.Path() + c.final);
    }
}

// A target folder given with its trailing "\" gives the same paths, no doubled "\".
TEST_F(NamingStateTest, TrailingDelimiterIsNotDoubled) {
    EXPECT_EQ(ChooseDownloadPath(L"http://h/a.exe", scratch_.Path()), scratch_.Path() + L"downloaded-file.exe");
    EXPECT_EQ(ChooseDownloadPath(L"http://h/a.exe", Folder()), scratch_.Path() + L"downloaded-file.exe");
}

// A query string stays in the extension; such a name cannot be created.
TEST_F(NamingStateTest, QueryStringMakesAnUncreatableName) {
    const std::wstring path = ChooseDownloadPath(L"http://h/get.php?id=5", Folder());
    EXPECT_EQ(path, scratch_.Path() + L"downloaded-file.php?id=5");
    const Win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_FALSE(file);
}

// A missing target folder is created with its parents; a folder of the chosen
// name counts as taken.
TEST_F(NamingStateTest, UniqueFileNameCreatesTheFolderAndSkipsFolders) {
    const std::wstring folder = scratch_.Path() + L"new\\deeper";
    EXPECT_EQ(UniqueFileName(L"f", L".exe", folder), folder + L"\\f.exe");
    EXPECT_TRUE(FolderExists(folder));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\f.exe").c_str(), nullptr));
    EXPECT_EQ(UniqueFileName(L"f", L".exe", folder), folder + L"\\f2.exe");
}

// The last component after removing one trailing "\", and URLs as paths.
TEST(FileNamingTest, LastPathComponentAndFileNameFromUrl) {
    const std::pair<const wchar_t*, const wchar_t*> components[] = {
        {L"a\\b\\c\\", L"c"}, {L"a\\b\\c\\\\", L""}, {L"a\\b\\c", L"c"}, {L"abc", L"abc"},
        {L"", L""}, {L"a:b", L"a:b"}, {L"\\", L""},
    };
    for (const auto& [path, last] : components) EXPECT_EQ(LastPathComponent(path), last) << path;

    const std::pair<const wchar_t*, const wchar_t*> urls[] = {
        {L"http://h/files/ov3/orvinta-setup.exe", L"orvinta-setup.exe"},
        {L"http://h/latest/", L"latest"},
        {L"http://download.example.com", L"download.example.com"},
        {L"http://h/get.php?id=5", L"get.php?id=5"},
        {L"http://h/a/b#frag", L"b#frag"},
        {L"http://h/a\\b", L"b"},
    };
    for (const auto& [url, name] : urls) EXPECT_EQ(FileNameFromUrl(url), name) << url;
}

// The macro is replaced by the parent of the executable's folder, exactly and everywhere.
TEST(FileNamingTest, ExpandUpLevelCurDirTable) {
    struct Case {
        const wchar_t* text;
        const wchar_t* exe;
        const wchar_t* expanded;
    };
    const Case cases[] = {
        {L"/d:%UP_LEVEL_CUR_DIR%Q", L"C:\\P\\Q\\updater.exe", L"/d:C:\\P\\Q"},
        {L"/d:%UP_LEVEL_CUR_DIR%Q", L"C:\\updater.exe", L"/d:Q"},
        {L"%UP_LEVEL_CUR_DIR%a %UP_LEVEL_CUR_DIR%b", L"C:\\P\\Q\\u.exe", L"C:\\P\\a C:\\P\\b"},
        {L"%up_level_cur_dir%", L"C:\\P\\Q\\u.exe", L"%up_level_cur_dir%"},
        {L"plain", L"C:\\P\\Q\\u.exe", L"plain"},
        {L"%UP_LEVEL_CUR_DIR%", L"\\\\srv\\share\\app\\u.exe", L"\\\\srv\\share\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandUpLevelCurDirFor(c.text, c.exe), c.expanded) << c.text;
}

// The real executable's path is used: this test program's grandparent folder.
TEST(FileNamingTest, ExpandUpLevelCurDirUsesThisExecutable) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring folder = ExtractFileDir(exe);
    const std::wstring parent = folder.substr(0, folder.rfind(L'\\') + 1);
    EXPECT_EQ(ExpandUpLevelCurDir(L"[%UP_LEVEL_CUR_DIR%]"), L"[" + parent + L"]");
}

// The shell move puts the file under its new name; a failure is reported.
TEST_F(NamingStateTest, ShellFileOperationMovesAndReportsFailure) {
    Touch(L"downloaded-file.exe");
    const std::wstring source = scratch_.Path() + L"downloaded-file.exe";
    const std::wstring destination = scratch_.Path() + L"orvinta-setup.exe";
    EXPECT_TRUE(ShellFileOperation(source, &destination, FO_MOVE, FOF_SILENT | FOF_NOCONFIRMATION));
    EXPECT_TRUE(PathExists(destination));
    EXPECT_FALSE(PathExists(source));

    const std::wstring badTarget = scratch_.Path() + L"no-such\\dir\\x?.exe";
    EXPECT_FALSE(ShellFileOperation(destination, &badTarget, FO_MOVE,
                                    FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI));
    EXPECT_TRUE(PathExists(destination));
}

// A name longer than any file system takes: the move is reported as failed
// and the file stays where it was, whole (a complete download is never lost).
TEST_F(NamingStateTest, ShellFileOperationToAnOverlongNameKeepsTheSource) {
    const std::wstring source = scratch_.Path() + L"downloaded-file.exe";
    WriteFileBytes(source, "complete download");
    const std::wstring overlong = scratch_.Path() + std::wstring(300, L'n') + L".exe";
    EXPECT_FALSE(ShellFileOperation(source, &overlong, FO_MOVE, FOF_SILENT | FOF_NOCONFIRMATION));
    ASSERT_TRUE(PathExists(source));
    EXPECT_EQ(ReadFileBytes(source), "complete download");
}

}  // namespace
