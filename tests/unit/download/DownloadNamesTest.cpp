// The names of a download, from the job's URL (and a redirect's) to the
// download file and the final file, on real files.
#include "completion/HandOff.h"
#include "download/DownloadNames.h"
#include "files/FileNaming.h"
#include "files/FilePaths.h"
#include "support/ScratchFiles.h"

#include <gtest/gtest.h>

#include <vector>

using namespace TestSupport;

namespace {

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
TEST(DownloadNamesTest, DownloadAndFinalPathsFollowTheUrl) {
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
        {"query in the job's URL", L"http://h/get.exe?id=5&f=a/b.zip", nullptr, {}, {},
         L"get.exe", L"downloaded-file.exe", L"get.exe"},
        {"redirected to a signed link", L"http://h/latest",
         L"https://cdn/r/orvinta-setup-3.1.exe?X-Amz-Signature=ab%2Fcd&response-content-disposition=attachment", {}, {},
         L"orvinta-setup-3.1.exe", L"downloaded-file.tmp", L"orvinta-setup-3.1.exe"},
    };
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        for (const wchar_t* name : c.present) WriteFileBytes(folder.Path() + name, "x");
        const std::wstring target = ExtractFileDir(folder.Path() + L"x");

        TDownloadNames names = ChooseDownloadNames(c.url, target);
        EXPECT_EQ(names.DownloadPath, folder.Path() + c.download);
        EXPECT_EQ(names.TargetFolder, folder.Path());
        // As the download thread takes the name of a redirect's location.
        if (c.redirect) names.RemoteFileName = FileNameFromUrl(c.redirect);
        EXPECT_EQ(names.RemoteFileName, c.remote);

        WriteFileBytes(names.DownloadPath, "body");
        for (const wchar_t* name : c.presentAtEnd) WriteFileBytes(folder.Path() + name, "x");
        EXPECT_EQ(ChooseFinalPath(names), folder.Path() + c.final);
    }
}

// A target folder given with its trailing "\" gives the same paths, no doubled "\".
TEST(DownloadNamesTest, TrailingDelimiterIsNotDoubled) {
    const ScratchFolder scratch;
    for (const std::wstring& target : {scratch.Path(), ExtractFileDir(scratch.Path() + L"x")}) {
        const TDownloadNames names = ChooseDownloadNames(L"http://h/a.exe", target);
        EXPECT_EQ(names.DownloadPath, scratch.Path() + L"downloaded-file.exe");
        EXPECT_EQ(names.TargetFolder, scratch.Path());
    }
}

}  // namespace
