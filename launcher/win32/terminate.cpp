// What ends the program when an exception finds no handler (every handler's
// error is caught in the window procedure, so this is a last resort).
//
// libstdc++'s default handler prints the exception's type, demangled, on the
// standard error stream, which a windowed program does not have; it also
// brings the whole C++ demangler (some 45 KB) into the program. Defining the
// handler here keeps the library's one out of the link.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

}  // namespace __gnu_cxx
