// Registry paths and the result values of a complete download, in the real registry.
#include "completion/RegistryPath.h"
#include "completion/RegistryResult.h"
#include "support/SystemSettings.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

// Split at the first "\", the key path keeping it; roots by exact name only.
TEST(RegistryPathTest, SplitAndRootTable) {
    struct Case {
        const wchar_t* path;
        const wchar_t* root;
        const wchar_t* key;
        HKEY handle;
    };
    const Case cases[] = {
        {L"HKEY_CURRENT_USER\\Software\\Example", L"HKEY_CURRENT_USER", L"\\Software\\Example", HKEY_CURRENT_USER},
        {L"HKEY_CURRENT_USER", L"HKEY_CURRENT_USER", L"", HKEY_CURRENT_USER},
        {L"HKEY_CURRENT_USER\\", L"HKEY_CURRENT_USER", L"\\", HKEY_CURRENT_USER},
        {L"hkey_current_user\\Software", L"hkey_current_user", L"\\Software", nullptr},
        {L"HKEY_CLASSES_ROOT\\a\\b", L"HKEY_CLASSES_ROOT", L"\\a\\b", HKEY_CLASSES_ROOT},
        {L"HKEY_LOCAL_MACHINE\\x", L"HKEY_LOCAL_MACHINE", L"\\x", HKEY_LOCAL_MACHINE},
        {L"HKEY_USERS", L"HKEY_USERS", L"", HKEY_USERS},
        {L"HKEY_CURRENT_CONFIG", L"HKEY_CURRENT_CONFIG", L"", HKEY_CURRENT_CONFIG},
        {L"HKEY_DYN_DATA", L"HKEY_DYN_DATA", L"", HKEY_DYN_DATA},
        {L"HKEY_PERFORMANCE_DATA", L"HKEY_PERFORMANCE_DATA", L"", nullptr},
        {L"HKCU\\Software", L"HKCU", L"\\Software", nullptr},
        {L"0", L"0", L"", nullptr},
        {L"\\Software", L"", L"\\Software", nullptr},
        {L"", L"", L"", nullptr},
    };
    for (const Case& c : cases) {
        const RegistryPathParts parts = SplitRegistryPath(c.path);
        EXPECT_EQ(parts.RootName, c.root) << c.path;
        EXPECT_EQ(parts.KeyPath, c.key) << c.path;
        const RegistryKeyPlace place = ParseRegistryPath(c.path);
        EXPECT_EQ(place.Root, c.handle) << c.path;
        EXPECT_EQ(place.KeyPath, c.key) << c.path;
    }
}

DWORD ValueCount(HKEY key) {
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    return values;
}

// An existing key gets Done = 0 (REG_DWORD) and FinalFileName (REG_SZ, the
// setup's full path), nothing else changes.
TEST(RegistryResultTest, WritesBothValuesIntoAnExistingKey) {
    ScratchRegistryKey scratch;
    const DWORD other = 7;
    RegSetValueExW(scratch.get(), L"Other", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&other), sizeof other);

    ASSERT_TRUE(RecordDownloadResult(L"HKEY_CURRENT_USER\\" + scratch.SubKey(), L"C:\\T\\orvinta-setup2.exe"));
    DWORD type = 0;
    DWORD done = 99;
    DWORD size = sizeof done;
    ASSERT_EQ(RegQueryValueExW(scratch.get(), L"Done", nullptr, &type, reinterpret_cast<BYTE*>(&done), &size), 0);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(done, 0u);
    wchar_t name[64] = {};
    size = sizeof name;
    ASSERT_EQ(RegQueryValueExW(scratch.get(), L"FinalFileName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size), 0);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(name), L"C:\\T\\orvinta-setup2.exe");
    EXPECT_EQ(size, sizeof(L"C:\\T\\orvinta-setup2.exe"));  // with its terminating NUL
    EXPECT_EQ(ValueCount(scratch.get()), 3u);
}

// Paths that name no openable key write nothing and create nothing.
TEST(RegistryResultTest, WritesNothingWithoutAnOpenableKey) {
    ScratchRegistryKey scratch;
    const std::wstring paths[] = {
        L"", L"0", L"HKEY_CURRENT_USER\\" + scratch.SubKey() + L"\\Missing",
        L"hkey_current_user\\" + scratch.SubKey(), L"HKCU\\" + scratch.SubKey(),
    };
    for (const std::wstring& path : paths) EXPECT_FALSE(RecordDownloadResult(path, L"C:\\T\\a.exe")) << path;
    EXPECT_EQ(ValueCount(scratch.get()), 0u);
    HKEY missing = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, (scratch.SubKey() + L"\\Missing").c_str(), 0, KEY_READ, &missing), 0);
}

// The root alone, with or without one "\", names the root key itself.
TEST(RegistryResultTest, RootAloneWritesUnderTheRoot) {
    for (const wchar_t* path : {L"HKEY_CURRENT_USER", L"HKEY_CURRENT_USER\\"}) {
        ASSERT_TRUE(RecordDownloadResult(path, L"C:\\T\\orvinta-setup.exe")) << path;
        wchar_t name[64] = {};
        DWORD size = sizeof name;
        EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, L"FinalFileName", nullptr, nullptr, reinterpret_cast<BYTE*>(name),
                                   &size), 0);
        EXPECT_EQ(std::wstring(name), L"C:\\T\\orvinta-setup.exe");
        RegDeleteValueW(HKEY_CURRENT_USER, L"Done");
        RegDeleteValueW(HKEY_CURRENT_USER, L"FinalFileName");
    }
}

}  // namespace
