// The executable's wide-character formatting (std::swprintf, std::to_wstring).
//
// With strict C++17 MinGW-w64 routes both through its own C99 formatter,
// __mingw_vsnwprintf, which carries floating-point conversion along: about
// 25 KB of the executable for texts that hold only integers and strings. The
// executable supplies a function of the same name over the system's
// msvcrt.dll formatter (_vsnwprintf, _vscwprintf) instead: the linker then
// takes this one and never pulls MinGW's (as with TerminateHandler.cpp).
// The conversions the program uses (%d %u %ld %lu %lld %llu %08lX, %ls, %hs)
// mean the same to both; a plain %s would not, and the program has none.
#include <cstdarg>
#include <cstdio>

// Keeps the C99 contract of the replaced function: at most `count` - 1
// characters and a terminating null are written, and the result is the length
// the whole text has (msvcrt's _vsnwprintf returns -1 instead when it does
// not fit, and then writes no terminating null).
extern "C" int __cdecl __mingw_vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list arguments) {
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = _vscwprintf(format, measuring);
    va_end(measuring);
    if (length < 0 || count == 0) return length;
    _vsnwprintf(buffer, count, format, arguments);
    buffer[static_cast<size_t>(length) < count ? static_cast<size_t>(length) : count - 1] = L'\0';
    return length;
}
