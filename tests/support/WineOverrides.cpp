#include "support/WineOverrides.h"

#include <windows.h>

namespace TestSupport {

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

bool WineOverridesHold(const std::wstring& entry) {
    wchar_t overrides[1024] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
    return std::wstring(overrides).find(entry) != std::wstring::npos;
}

}  // namespace TestSupport
