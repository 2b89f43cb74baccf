// The file-name rules and the folder creation the naming and the settings rely on.
#include "files/FilePaths.h"
#include "support/ScratchFiles.h"

#include <gtest/gtest.h>

namespace {

struct NameParts {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* extension;
    const wchar_t* base;
    const wchar_t* folder;
};

// Name, extension, base name and folder of paths of every shape.
TEST(FilePathsTest, SplitsPathsLikeThePlatform) {
    const NameParts cases[] = {
        {L"C:\\T\\orvinta-setup.exe", L"orvinta-setup.exe", L".exe", L"orvinta-setup", L"C:\\T"},
        {L"C:\\updater.exe", L"updater.exe", L".exe", L"updater", L"C:"},
        {L"C:\\a.b\\file", L"file", L"", L"file", L"C:\\a.b"},
        {L"archive.tar.gz", L"archive.tar.gz", L".gz", L"archive.tar", L""},
        {L"get.php?id=5", L"get.php?id=5", L".php?id=5", L"get", L""},
        {L"C:name.txt", L"name.txt", L".txt", L"name", L"C:"},
        {L"latest", L"latest", L"", L"latest", L""},
        {L".hidden", L".hidden", L".hidden", L"", L""},
        {L"dir\\", L"", L"", L"", L"dir"},
    };
    for (const NameParts& c : cases) {
        EXPECT_EQ(FileName(c.path), c.name) << c.path;
        EXPECT_EQ(FileExtension(c.path), c.extension) << c.path;
        EXPECT_EQ(FileStem(c.path), c.base) << c.path;
        EXPECT_EQ(ParentFolder(c.path), c.folder) << c.path;
    }
    EXPECT_EQ(WithTrailingBackslash(L"C:\\T"), L"C:\\T\\");
    EXPECT_EQ(WithTrailingBackslash(L"C:\\T\\"), L"C:\\T\\");
    EXPECT_EQ(WithTrailingBackslash(L""), L"\\");
}

// CreateFolderPath makes every missing level, and fails (not crashes) where it cannot.
TEST(FilePathsTest, CreateFolderPathMakesParentsAndReportsFailure) {
    TestSupport::ScratchFolder scratch;
    const std::wstring deep = scratch.Path() + L"a\\b\\c";
    EXPECT_TRUE(CreateFolderPath(deep));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_TRUE(CreateFolderPath(deep + L"\\"));

    TestSupport::WriteFileBytes(scratch.Path() + L"file", "x");
    EXPECT_FALSE(CreateFolderPath(scratch.Path() + L"file\\sub"));
    EXPECT_FALSE(CreateFolderPath(scratch.Path() + L"file"));
    EXPECT_FALSE(CreateFolderPath(L""));
}

}  // namespace
