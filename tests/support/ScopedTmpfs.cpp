#include "support/ScopedTmpfs.h"

#include "support/Processes.h"
#include "support/ScratchFiles.h"

#include <windows.h>

namespace TestSupport {

namespace {

// Runs the command with sh; true when it ended with 0.
bool Shell(const std::string& command) {
    const std::string ok = UniqueUnixName("/tmp/updater-tmpfs-ok");
    if (!RunUnixShell("(" + command + ") >/dev/null 2>&1 && touch '" + ok + "'", false)) return false;
    const std::wstring marker = UnixToWindowsPath(ok);
    const bool succeeded = FileExists(marker);
    DeleteFileW(marker.c_str());
    return succeeded;
}

}  // namespace

ScopedTmpfs::ScopedTmpfs(unsigned long long bytes) {
    folder_ = UniqueUnixName("/tmp/updater-tmpfs");
    Shell("rm -rf '" + folder_ + "' && mkdir -p '" + folder_ + "'");
    mounted_ = Shell("mount -t tmpfs -o size=" + std::to_string(bytes) + " updater-test '" + folder_ + "'");
    if (mounted_) mounts_.push_back(folder_);
}

ScopedTmpfs::~ScopedTmpfs() {
    std::string command;
    for (auto mount = mounts_.rbegin(); mount != mounts_.rend(); ++mount) command += "umount -l '" + *mount + "'; ";
    Shell(command + "chmod -R u+w '" + folder_ + "'; rm -rf '" + folder_ + "'");
}

std::wstring ScopedTmpfs::Path() const { return UnixToWindowsPath(folder_) + L"\\"; }

bool ScopedTmpfs::MakeReadOnlyExcept(const std::string& child) {
    const std::string inner = folder_ + "/" + child;
    if (!Shell("mkdir -p '" + inner + "'")) return false;
    if (mounted_ && Shell("mount -t tmpfs -o size=1048576 updater-test '" + inner + "'")) {
        mounts_.push_back(inner);
        return Shell("mount -o remount,ro '" + folder_ + "'");
    }
    // Without mounting, plain permissions do it for a user who is not root.
    return Shell("chmod 0555 '" + folder_ + "' && [ ! -w '" + folder_ + "' ]");
}

}  // namespace TestSupport
