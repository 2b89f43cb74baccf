// Small file systems for the tests that need a disk that fills up or a folder
// nobody may write to: a tmpfs mounted over a fresh Unix folder (this needs
// the right to mount, as root in CI has it).
#pragma once

#include <string>
#include <vector>

namespace TestSupport {

// Owns a fresh folder below /tmp with a tmpfs of `bytes` mounted on it;
// unmounts and removes it when destroyed. Mounted() tells whether the mount
// worked; without it the folder is an ordinary one.
class ScopedTmpfs {
public:
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;
    explicit ScopedTmpfs(unsigned long long bytes);
    ~ScopedTmpfs();

    bool Mounted() const noexcept { return mounted_; }
    // Returns the folder as a Windows path with a trailing "\".
    std::wstring Path() const;

    // Makes the folder read-only while `child` inside it stays writable (a
    // writable tmpfs of its own); returns false when that did not work.
    bool MakeReadOnlyExcept(const std::string& child);

private:
    std::string folder_;                // Unix path, no trailing "/"
    std::vector<std::string> mounts_;   // innermost last
    bool mounted_ = false;
};

}  // namespace TestSupport
