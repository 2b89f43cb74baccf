#include "completion/SetupAdmission.h"

#include "completion/SetupKind.h"

TAdmission TSetupAdmission::Admit(const std::wstring& path) {
    if (!Hold(path)) return TAdmission::Unopened;
    return Judge();
}

bool TSetupAdmission::Hold(const std::wstring& path) {
    path_ = path;
    // Read sharing only: writers, renames and deletes fail with a sharing
    // violation until the setup has been started and the handle is closed.
    held_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(held_);
}

TAdmission TSetupAdmission::Judge() const {
    if (!held_) return TAdmission::Unopened;
    const std::optional<TSetupKind> kind = SetupKindOfName(path_);
    if (!kind || !ContentIsOfKind(held_.get(), *kind)) return TAdmission::NotASetup;
    if (expected_.Required && !expected_.Admits(VerifiedSigner(path_, held_.get())))
        return TAdmission::NotThePublisher;
    return TAdmission::Admitted;
}
