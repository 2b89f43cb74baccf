#include "completion/SetupAdmission.h"

#include "completion/SetupKind.h"

namespace {

// A symbolic link or junction stands where the downloaded file should be
// (or the file cannot tell what it is): what it leads to is no file this run
// downloaded.
bool IsReparsePoint(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information = {};
    return !GetFileInformationByHandle(file, &information) ||
           (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

Admission SetupAdmission::Admit(const std::wstring& path) {
    if (!Hold(path)) return Admission::Unopened;
    return Judge();
}

bool SetupAdmission::Hold(const std::wstring& path) {
    path_ = path;
    // Read sharing only: writers, renames and deletes fail with a sharing
    // violation until the setup has been started and the handle is closed.
    // A link put in the file's place is held as itself, never followed.
    held_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return static_cast<bool>(held_);
}

Admission SetupAdmission::Judge() const {
    if (!held_) return Admission::Unopened;
    if (IsReparsePoint(held_.get())) return Admission::NotASetup;
    const std::optional<SetupKind> kind = SetupKindOfName(path_);
    if (!kind || !ContentIsOfKind(held_.get(), *kind)) return Admission::NotASetup;
    if (expected_.Required && !expected_.Admits(VerifiedSigner(path_, held_.get())))
        return Admission::NotThePublisher;
    return Admission::Admitted;
}
