// Where no window can show it (the native build, its tests and tools): the
// message on the standard error stream, then the end.
#include "errors.h"

#include <cstdio>
#include <cstdlib>

namespace qz {

void Fatal(std::string_view message)
{
    std::fprintf(stderr, "fatal: %.*s\n", static_cast<int>(message.size()), message.data());
    std::abort();
}

}  // namespace qz
