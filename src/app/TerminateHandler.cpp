// The executable's handler for std::terminate.
//
// libstdc++'s default handler prints the type of an uncaught exception to
// stderr and aborts; to print the type it links in the C++ name demangler,
// about 45 KB of the executable. A GUI process has no stderr to print to, so
// the executable supplies a handler of the same name that only aborts: the
// linker then takes this one and never pulls the library's (nor the demangler).
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
