// The zero descriptor that ends the executable's table of delay-import
// descriptors. dlltool's delay-import libraries put one descriptor per DLL
// (32 bytes, aligned to 16) in section .text$2; the linker sorts .text$*
// sections by name, so .text$2z lands right after the last of them, and the
// image's Delay Import Directory (cmake/delay-import-directory.py) then
// describes a table that ends as the PE format requires. Aligned to 16 like
// the descriptors, so that no fill comes between; the executable's link keeps
// it (--require-defined).
extern "C" {
extern const unsigned char DelayImportTableEnd[32];
__attribute__((section(".text$2z"), aligned(16))) const unsigned char DelayImportTableEnd[32] = {};
}
