// The executable's DLL search: System32 only, set before anything can load a
// DLL that is not one of Windows' known DLLs, and a clear end when such a DLL
// cannot be loaded.
//
// Windows looks for a DLL that is not a known DLL in the program's own folder
// first ("Dynamic-link library search order"), where a web page may have
// dropped a file of that name beside a downloaded updater.exe. Every such
// import is delay-loaded (cmake/DelayLoad.cmake); the first call into one of
// them loads it through __delayLoadHelper2, which calls LoadLibrary, and
// LoadLibrary searches the directories given to SetDefaultDllDirectories.
#include "win/MessageLoop.h"
#include "win/Exception.h"

#include <windows.h>

#include <delayimp.h>

#include <cstdio>

namespace {

// Shows the failed call in the standard error display and ends the process
// (exit code 0, as on every path): without the DLL the run cannot go on, and
// searching elsewhere for it is what this file exists to prevent.
[[noreturn]] void EndForMissingSystemDll(const char* call, unsigned long code) {
    Win::ShowErrorText(Win::SystemCallException(call, code).Message());
    ExitProcess(0);
}

// Limits the search to System32 for LoadLibrary and LoadLibraryEx without
// LOAD_LIBRARY_SEARCH flags and for the dependent DLLs they load
// ("SetDefaultDllDirectories function"). Priority 101 is the first one GCC
// leaves to programs: MinGW-w64 runs the prioritised constructors (.ctors.NNNNN)
// before the plain ones of every translation unit, so this runs before any
// other constructor and before wWinMain, whose job composition reaches WinINet.
__attribute__((constructor(101))) void LimitDllSearchToSystem32() {
    if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        EndForMissingSystemDll("SetDefaultDllDirectories", GetLastError());
}

// Ends the run when a delay-loaded DLL or one of its functions cannot be had
// from System32. Without this hook the helper raises an SEH exception
// (VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND)) that nothing
// catches: a crash, on whichever thread made the call ("Failure hooks").
FARPROC WINAPI EndOnDelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
    // Wide text: the executable already carries the wide formatter (win/Exception.cpp).
    wchar_t call[320];
    if (notification == dliFailLoadLib) {
        std::swprintf(call, 320, L"LoadLibrary %hs", info->szDll);
    } else if (notification == dliFailGetProc && info->dlp.fImportByName) {
        std::swprintf(call, 320, L"GetProcAddress %hs!%.200hs", info->szDll, info->dlp.szProcName);
    } else if (notification == dliFailGetProc) {
        std::swprintf(call, 320, L"GetProcAddress %hs!#%lu", info->szDll, info->dlp.dwOrdinal);
    } else {
        return nullptr;
    }
    EndForMissingSystemDll(Win::ToUtf8(call).c_str(), info->dwLastError);
}

}  // namespace

// The delay-load helper's failure hook: a variable of this name is the
// helper's interface (delayimp.h); this definition replaces the run time's empty one.
PfnDliHook __pfnDliFailureHook2 = EndOnDelayLoadFailure;
