// The checks of the Windows test programs: each failure printed as it
// happens, "N passed, M failed" last, the exit code 1 after any failure.
#pragma once

#include <cstdio>
#include <string>

namespace qz::wine {

inline int passed = 0;
inline int failed = 0;

inline void Print(const std::string &line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

inline void Check(bool ok, const std::string &what, const std::string &detail = {})
{
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    Print("FAIL: " + what + (detail.empty() ? std::string() : " (" + detail + ")"));
}

// Prints the count; the program's exit code.
inline int Finish()
{
    Print(std::to_string(passed) + " passed, " + std::to_string(failed) + " failed");
    return failed == 0 ? 0 : 1;
}

}  // namespace qz::wine
