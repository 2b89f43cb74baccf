// The naming operations on real files: free names, the last part of a URL,
// the launch parameters' macro, the move to the final name.
#include "files/FileNaming.h"
#include "files/FilePaths.h"
#include "support/ScratchFiles.h"

#include <gtest/gtest.h>

#include <vector>

using namespace TestSupport;

namespace {

// A scratch folder of each test's own.
class FileNamingOnDiskTest : public ::testing::Test {
protected:
    void Touch(const wchar_t* name) const { WriteFileBytes(scratch_.Path() + name, "x"); }

    ScratchFolder scratch_;
};

// A missing target folder is created with its parents; a folder of the chosen
// name counts as taken.
TEST_F(FileNamingOnDiskTest, UniqueFileNameCreatesTheFolderAndSkipsFolders) {
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
        {L"http://h/get.php?id=5", L"get.php"},
        {L"http://h/a/b#frag", L"b"},
        // A signed link's query may hold "/" and "?" of its own.
        {L"https://h/r/orvinta-setup-3.1.exe?X-Amz-Signature=ab%2Fcd&p=a/b.msi&q=?#f/g", L"orvinta-setup-3.1.exe"},
        {L"http://h/a?b#c", L"a"},
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
        // Before a closing quote the folder's "\" is doubled, so that it does not escape the quote.
        {L"\"/d:%UP_LEVEL_CUR_DIR%\" x", L"C:\\P F\\Q\\u.exe", L"\"/d:C:\\P F\\\\\" x"},
        {L"\"%UP_LEVEL_CUR_DIR%\\\\\"", L"C:\\P\\Q\\u.exe", L"\"C:\\P\\\\\\\\\""},
        {L"\"%UP_LEVEL_CUR_DIR%\\\"x\"", L"C:\\P\\Q\\u.exe", L"\"C:\\P\\\\\\\"x\""},
        {L"\"%UP_LEVEL_CUR_DIR%\"", L"C:\\u.exe", L"\"\""},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandUpLevelCurDirFor(c.text, c.exe), c.expanded) << c.text;
}

// The real executable's path is used: this test program's grandparent folder.
TEST(FileNamingTest, ExpandUpLevelCurDirUsesThisExecutable) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring folder = ParentFolder(exe);
    const std::wstring parent = folder.substr(0, folder.rfind(L'\\') + 1);
    EXPECT_EQ(ExpandUpLevelCurDir(L"[%UP_LEVEL_CUR_DIR%]"), L"[" + parent + L"]");
}

// The move puts the file under its new name; a failure is reported and
// leaves the file where it was; a file at the destination is never replaced.
TEST_F(FileNamingOnDiskTest, MoveFileToMovesAndReportsFailure) {
    Touch(L"downloaded-file.exe");
    const std::wstring source = scratch_.Path() + L"downloaded-file.exe";
    const std::wstring destination = scratch_.Path() + L"orvinta-setup.exe";
    EXPECT_TRUE(MoveFileTo(source, destination));
    EXPECT_TRUE(PathExists(destination));
    EXPECT_FALSE(PathExists(source));

    const std::wstring badTarget = scratch_.Path() + L"no-such\\dir\\x?.exe";
    EXPECT_FALSE(MoveFileTo(destination, badTarget));
    EXPECT_TRUE(PathExists(destination));

    Touch(L"taken.exe");
    EXPECT_FALSE(MoveFileTo(destination, scratch_.Path() + L"taken.exe"));
    EXPECT_EQ(ReadFileBytes(scratch_.Path() + L"taken.exe"), "x");
    EXPECT_TRUE(PathExists(destination));
}

// A name longer than any file system takes: the move is reported as failed
// and the file stays where it was, whole (a complete download is never lost).
TEST_F(FileNamingOnDiskTest, MoveFileToAnOverlongNameKeepsTheSource) {
    const std::wstring source = scratch_.Path() + L"downloaded-file.exe";
    WriteFileBytes(source, "complete download");
    const std::wstring overlong = scratch_.Path() + std::wstring(300, L'n') + L".exe";
    EXPECT_FALSE(MoveFileTo(source, overlong));
    ASSERT_TRUE(PathExists(source));
    EXPECT_EQ(ReadFileBytes(source), "complete download");
}

}  // namespace
