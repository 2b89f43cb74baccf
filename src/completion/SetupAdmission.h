// The last check before a downloaded file is started, and the hold that
// keeps the checked file as it was checked until it has been started.
#pragma once

#include "completion/PublisherCheck.h"
#include "win/Unique.h"

#include <string>

// What the check found.
enum class Admission {
    Admitted,         // a setup program of the expected publisher: start it
    NotASetup,        // not a PE program named ".exe" nor an installer package named ".msi" (or a link)
    NotThePublisher,  // not signed by the publisher expected (or none can be)
    Unopened,         // could not be opened for the check (GetLastError() tells why)
};

// Holds a downloaded file from its check until it has been started: while
// this object holds it, the file is open for reading with read sharing only,
// so no process can write, rename or delete it. One thread.
class SetupAdmission {
public:
    explicit SetupAdmission(ExpectedSigner expected) : expected_(std::move(expected)) {}

    // Returns who the file must be signed by.
    const ExpectedSigner& Expected() const noexcept { return expected_; }

    // Holds the file at `path` and judges it (Hold, then Judge). Unopened
    // keeps the error of the open in GetLastError().
    Admission Admit(const std::wstring& path);

    // Opens and holds the file at `path`, a symbolic link or other reparse
    // point as itself (not what it leads to); returns false when it cannot be
    // opened, with the error of the open in GetLastError().
    bool Hold(const std::wstring& path);

    // Judges the held file through its handle, whatever its path names by
    // now: it must be no reparse point, its name and content of one setup
    // kind, and its signer the expected one when signatures are required.
    // Unopened when nothing is held.
    Admission Judge() const;

    // Closes the held file (e.g. before deleting a refused one).
    void Release() noexcept { held_.reset(); }

private:
    ExpectedSigner expected_;
    std::wstring path_;  // the name the held file was opened by
    Win::UniqueFile held_;
};
