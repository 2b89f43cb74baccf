// check-publisher.exe: the updater's publisher check as a console program, for
// the main job and the benchmarks.
//   check-publisher.exe --trust-root CA.der      trusts a (test) CA for this user (CurrentUser\Root)
//   check-publisher.exe UPDATER.exe SETUP.exe    checks SETUP as UPDATER would: its signer is the
//                                                publisher expected; prints the verdict, the setup's
//                                                signer and the time the check took
// Exit code: 0 accepted (or trusted), 1 refused, 2 usage or failure.
#include "completion/SetupAdmission.h"
#include "support/TrustedRoot.h"
#include "win/Exception.h"
#include "win/Unique.h"

#include <cstdio>
#include <string>

namespace {

std::string Narrow(const std::wstring& text) {
    std::string narrow(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

std::string Describe(const std::optional<Publisher>& publisher) {
    return publisher ? Narrow(PublisherText(*publisher)) : "none (no valid signature from a trusted root)";
}

int TrustRoot(const wchar_t* derPath) {
    const Win::UniqueFile file(CreateFileW(derPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char der[16384];
    DWORD size = 0;
    if (!file || !ReadFile(file.get(), der, sizeof der, &size, nullptr)) return 2;
    try {
        TestSupport::TrustRootCertificate(std::string(der, size));
        return 0;
    } catch (const Win::Exception&) {
        return 2;
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"--trust-root") return TrustRoot(argv[2]);
    if (argc != 3) {
        std::fputs("usage: check-publisher.exe UPDATER.exe SETUP.exe | --trust-root CA.der\n", stderr);
        return 2;
    }
    const std::optional<Publisher> expected = VerifiedSigner(argv[1]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    // A signed updater that cannot verify itself expects nobody, as the updater does.
    SetupAdmission check(ExpectedSigner{true, expected});
    const bool admitted = check.Admit(argv[2]) == Admission::Admitted;
    QueryPerformanceCounter(&end);
    check.Release();
    std::printf("expected publisher (the updater's signer): %s\n", Describe(expected).c_str());
    std::printf("setup's signer: %s\n", Describe(VerifiedSigner(argv[2])).c_str());
    std::printf("verdict: %s\n", admitted ? "accepted" : "refused");
    std::printf("check time: %.1f ms\n", 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
    return admitted ? 0 : 1;
}
