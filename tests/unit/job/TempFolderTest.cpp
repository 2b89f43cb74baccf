// The temporary folder in its two forms, and the buffers' limits.
#include "job/TempFolder.h"
#include "support/ScratchFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

// An existing folder: both forms end in "\"; the long form is the long name.
TEST(TempFolderTest, ReportsTheFolderWithATrailingDelimiter) {
    ScratchFolder scratch;
    const std::wstring folder = scratch.Path() + L"Long Folder Name Here";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const ScopedTempFolder temp(folder);  // given without its "\"
    EXPECT_EQ(GetTempPathAsReported(), folder + L"\\");
    EXPECT_EQ(GetTempFolder(), folder + L"\\");
}

// A short (8.3) temp path is kept as reported but expanded by GetTempFolder.
TEST(TempFolderTest, ExpandsShortNames) {
    ScratchFolder scratch;
    const std::wstring folder = scratch.Path() + L"Long Folder Name Here";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(folder.c_str(), shortPath, MAX_PATH);
    ASSERT_GT(length, 0u);
    if (std::wstring(shortPath) == folder) GTEST_SKIP() << "the file system gives no short names";
    const ScopedTempFolder temp(shortPath);
    EXPECT_EQ(GetTempPathAsReported(), std::wstring(shortPath) + L"\\");
    EXPECT_EQ(GetTempFolder(), folder + L"\\");
}

// Paths that cannot be used give "" instead of a path built from an unfilled buffer.
TEST(TempFolderTest, UnusableFoldersGiveEmpty) {
    ScratchFolder scratch;
    {
        const ScopedTempFolder temp(scratch.Path() + L"does-not-exist");
        EXPECT_EQ(GetTempFolder(), L"");
    }
    {
        const ScopedTempFolder temp(L"C:\\" + std::wstring(300, L'x'));
        EXPECT_EQ(GetTempPathAsReported(), L"");
        EXPECT_EQ(GetTempFolder(), L"");
    }
    {
        // Exactly at the edge: 259 characters with the "\" fit, 260 do not.
        std::wstring edge = scratch.Path();
        edge += std::wstring(258 - edge.size(), L'y');
        const ScopedTempFolder fits(edge);
        EXPECT_EQ(GetTempPathAsReported(), edge + L"\\");
        const ScopedTempFolder tooLong(edge + L"y");
        EXPECT_EQ(GetTempPathAsReported(), L"");
    }
}

}  // namespace
