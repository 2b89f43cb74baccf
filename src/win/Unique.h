// Move-only owners of platform handles. One template, one trait per kind of
// handle, one-line aliases for the kinds the updater uses.
#pragma once

#include <windows.h>

#include <utility>

namespace Win {

// Owns one handle described by Traits (Type, Invalid(), Close()).
// Not thread-safe: one owner, one thread at a time.
template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type handle) noexcept : handle_(handle) {}
    Unique(Unique&& other) noexcept : handle_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    // Returns the handle; ownership stays here.
    Type get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

    // Closes the owned handle (if any) and takes `handle`. Keeps GetLastError()
    // intact, so a failed call can be cleaned up before its error is read.
    void reset(Type handle = Traits::Invalid()) noexcept {
        if (handle_ != Traits::Invalid()) {
            const DWORD error = GetLastError();
            Traits::Close(handle_);
            SetLastError(error);
        }
        handle_ = handle;
    }

    // Transfers ownership away from this object.
    [[nodiscard]] Type release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

private:
    Type handle_ = Traits::Invalid();
};

// A kind of handle whose empty value is null, closed by CloseFunction.
template <typename T, auto CloseFunction>
struct NullHandleTraits {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { CloseFunction(h); }
};

using HandleTraits = NullHandleTraits<HANDLE, CloseHandle>;

// CreateFileW and FindFirstFileW report failure as INVALID_HANDLE_VALUE.
struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};

using HKeyTraits = NullHandleTraits<HKEY, RegCloseKey>;
// Memory the system hands over with GlobalAlloc (e.g. strings of InternetQueryOptionW).
using HGlobalTraits = NullHandleTraits<HGLOBAL, GlobalFree>;
// Memory the system hands over with LocalAlloc (e.g. CommandLineToArgvW).
using HLocalTraits = NullHandleTraits<HLOCAL, LocalFree>;
using WindowTraits = NullHandleTraits<HWND, DestroyWindow>;
// Fonts, bitmaps, brushes: GDI objects.
template <typename T>
using GdiObjectTraits = NullHandleTraits<T, DeleteObject>;
using IconTraits = NullHandleTraits<HICON, DestroyIcon>;

using UniqueHandle = Unique<HandleTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueHKey = Unique<HKeyTraits>;
using UniqueHGlobal = Unique<HGlobalTraits>;
using UniqueHLocal = Unique<HLocalTraits>;
using UniqueHWnd = Unique<WindowTraits>;
using UniqueHFont = Unique<GdiObjectTraits<HFONT>>;
using UniqueHBitmap = Unique<GdiObjectTraits<HBITMAP>>;
using UniqueHBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniqueHIcon = Unique<IconTraits>;

}  // namespace Win
