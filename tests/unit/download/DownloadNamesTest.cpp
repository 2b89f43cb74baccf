// The names of a download, from the job's URL (and a redirect's) to the
// run's own folder, the download file and the final file, on real files.
#include "completion/HandOff.h"
#include "download/DownloadNames.h"
#include "files/FileNaming.h"
#include "files/FilePaths.h"
#include "files/RunFolder.h"
#include "support/ScratchFiles.h"
#include "support/Utf8.h"
#include "win/Unique.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <vector>

using namespace TestSupport;

namespace {

struct NamingCase {
    const char* what;
    const wchar_t* url;           // the job's URL
    const wchar_t* redirect;      // last redirect location, or null
    std::vector<const wchar_t*> presentAtEnd;     // files in the run's folder before completion
    const wchar_t* remote;        // RemoteFileName at the end
    const wchar_t* download;      // download file name, in the run's folder
    const wchar_t* final;         // final file name, in the run's folder
};

// The download path and the final path, both in the run's own folder, for the
// URLs that matter; what the target folder held before is neither used nor touched.
TEST(DownloadNamesTest, DownloadAndFinalPathsFollowTheUrl) {
    const NamingCase cases[] = {
        {"plain", L"http://h/files/ov3/orvinta-setup.exe", nullptr, {},
         L"orvinta-setup.exe", L"downloaded-file.exe", L"orvinta-setup.exe"},
        {"final taken", L"http://h/files/ov3/orvinta-setup.exe", nullptr, {L"orvinta-setup.exe"},
         L"orvinta-setup.exe", L"downloaded-file.exe", L"orvinta-setup2.exe"},
        {"folder URL", L"http://h/latest/", nullptr, {}, L"latest", L"downloaded-file.tmp", L"latest.tmp"},
        {"host only", L"http://download.example.com", nullptr, {},
         L"download.example.com", L"downloaded-file.com", L"download.example.com"},
        {"redirected", L"http://h/latest", L"http://cdn/x/orvinta-setup.exe", {},
         L"orvinta-setup.exe", L"downloaded-file.tmp", L"orvinta-setup.exe"},
        {"query in the job's URL", L"http://h/get.exe?id=5&f=a/b.zip", nullptr, {},
         L"get.exe", L"downloaded-file.exe", L"get.exe"},
        {"redirected to a signed link", L"http://h/latest",
         L"https://cdn/r/orvinta-setup-3.1.exe?X-Amz-Signature=ab%2Fcd&response-content-disposition=attachment", {},
         L"orvinta-setup-3.1.exe", L"downloaded-file.tmp", L"orvinta-setup-3.1.exe"},
    };
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        // Names an earlier run or another program left in the target folder.
        for (const wchar_t* name : {L"downloaded-file.exe", L"downloaded-file.tmp", L"orvinta-setup.exe"})
            WriteFileBytes(folder.Path() + name, "x");
        const std::wstring target = ParentFolder(folder.Path() + L"x");

        const DownloadNames chosen = ChooseDownloadNames(c.url, target);
        EXPECT_EQ(chosen.TargetFolder, folder.Path());
        EXPECT_TRUE(chosen.RunFolder.empty() && chosen.DownloadPath.empty()) << "nothing is made before the thread";
        DownloadNames names = CreateDownloadFolder(chosen).value();
        EXPECT_EQ(names.RunFolder, RunFolderIn(folder.Path()));
        EXPECT_EQ(names.DownloadPath, names.RunFolder + c.download);
        // As the download thread takes the name of a redirect's location.
        if (c.redirect) names.RemoteFileName = FileNameFromUrl(c.redirect);
        EXPECT_EQ(names.RemoteFileName, c.remote);

        WriteFileBytes(names.DownloadPath, "body");
        for (const wchar_t* name : c.presentAtEnd) WriteFileBytes(names.RunFolder + name, "x");
        EXPECT_EQ(ChooseFinalPath(names), names.RunFolder + c.final);
        EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::wstring>{L"downloaded-file.exe", L"downloaded-file.tmp",
                                                                      L"orvinta-setup.exe"}));
    }
}

// A target folder given with or without its trailing "\" gives the same
// paths, no doubled "\"; a missing one is made with its parents.
TEST(DownloadNamesTest, TargetFolderIsMadeAndNotDoubled) {
    const ScratchFolder scratch;
    for (const std::wstring& target :
         {scratch.Path(), ParentFolder(scratch.Path() + L"x"), scratch.Path() + L"new\\deeper"}) {
        SCOPED_TRACE(Utf8(target));
        const DownloadNames names = CreateDownloadFolder(ChooseDownloadNames(L"http://h/a.exe", target)).value();
        const std::wstring expected = WithTrailingBackslash(target);
        EXPECT_EQ(names.TargetFolder, expected);
        EXPECT_EQ(names.RunFolder, RunFolderIn(expected));
        EXPECT_EQ(names.DownloadPath, names.RunFolder + L"downloaded-file.exe");
        RemoveRunFolder(names.RunFolder);
    }
}

// Every run's folder is new and named by 32 random hexadecimal digits: two
// runs never share one, and it can be removed only once nothing is in it.
TEST(RunFolderTest, NewUnguessableFolderRemovedOnlyWhenEmpty) {
    const ScratchFolder scratch;
    const std::wstring first = CreateRunFolder(scratch.Path()), second = CreateRunFolder(scratch.Path());
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    for (const std::wstring& folder : {first, second}) {
        const std::wstring name = LastPathComponent(folder);
        ASSERT_EQ(name.size(), 6u + 32u) << Utf8(name);
        EXPECT_EQ(name.substr(0, 6), L"setup-");
        EXPECT_EQ(name.find_first_not_of(L"0123456789abcdef", 6), std::wstring::npos) << Utf8(name);
        EXPECT_TRUE(FolderExists(folder));
    }
    EXPECT_EQ(CreateRunFolder(scratch.Path() + L"missing\\"), L"") << "the parent is not made here";

    WriteFileBytes(first + L"kept.exe", "x");
    RemoveRunFolder(first);
    RemoveRunFolder(second);
    EXPECT_TRUE(FolderExists(first)) << "a folder that still holds a file stays";
    EXPECT_FALSE(FolderExists(second));
}

// A folder another process holds open for a moment (as a scanner or a file
// manager listing it does) is still removed once it lets go.
TEST(RunFolderTest, FolderHeldForAMomentIsStillRemoved) {
    const ScratchFolder scratch;
    const std::wstring folder = CreateRunFolder(scratch.Path());
    ASSERT_FALSE(folder.empty());
    // Opened as a listing opens it: without delete sharing.
    auto holder = std::make_shared<Win::UniqueFile>(CreateFileW(folder.c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(*holder);
    auto release = std::async(std::launch::async, [holder] {
        Sleep(200);
        holder->reset();
    });
    RemoveRunFolder(folder);
    release.get();
    EXPECT_FALSE(FolderExists(folder));
}

}  // namespace
