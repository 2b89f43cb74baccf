#include "completion/SetupKind.h"

#include "completion/PeImage.h"
#include "files/FilePaths.h"

#include <cstring>

namespace {

// [MS-CFB] 2.2: the first eight bytes of every compound file.
constexpr unsigned char kCompoundFileSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

// Returns the machine this Windows runs natively. IsWow64Process2 (Windows 10
// 1709 on) is the one call that tells an ARM64 machine running this x64
// program; older systems answer through GetNativeSystemInfo.
WORD NativeMachine() {
    const auto isWow64Process2 = reinterpret_cast<IsWow64Process2Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2")));
    USHORT process = 0;
    USHORT native = 0;
    if (isWow64Process2 && isWow64Process2(GetCurrentProcess(), &process, &native)) return native;
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_ARM64: return IMAGE_FILE_MACHINE_ARM64;
    case PROCESSOR_ARCHITECTURE_INTEL: return IMAGE_FILE_MACHINE_I386;
    default: return IMAGE_FILE_MACHINE_AMD64;
    }
}

// Tells whether this Windows runs programs built for `machine`: x64 and x86
// everywhere this updater runs, ARM64 only on an ARM64 machine.
bool RunsHere(WORD machine) {
    if (machine == IMAGE_FILE_MACHINE_AMD64 || machine == IMAGE_FILE_MACHINE_I386) return true;
    return machine == IMAGE_FILE_MACHINE_ARM64 && NativeMachine() == IMAGE_FILE_MACHINE_ARM64;
}

// A program the shell can start here: an executable image, not a DLL (which
// "open" would hand to nothing useful), for a machine this Windows runs.
bool IsRunnableImage(HANDLE file) {
    const std::optional<PeHeaders> headers = ReadPeHeaders(file);
    if (!headers) return false;
    const WORD characteristics = headers->File.Characteristics;
    return (characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) && !(characteristics & IMAGE_FILE_DLL) &&
           RunsHere(headers->File.Machine);
}

bool IsCompoundFile(HANDLE file) {
    unsigned char signature[sizeof kCompoundFileSignature] = {};
    return ReadAt(file, 0, signature, sizeof signature) &&
           std::memcmp(signature, kCompoundFileSignature, sizeof signature) == 0;
}

}  // namespace

std::optional<SetupKind> SetupKindOfName(const std::wstring& path) {
    const std::wstring extension = FileExtension(path);
    if (_wcsicmp(extension.c_str(), L".exe") == 0) return SetupKind::Executable;
    if (_wcsicmp(extension.c_str(), L".msi") == 0) return SetupKind::Installer;
    return std::nullopt;
}

bool ContentIsOfKind(HANDLE file, SetupKind kind) {
    return kind == SetupKind::Executable ? IsRunnableImage(file) : IsCompoundFile(file);
}
