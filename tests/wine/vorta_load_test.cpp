// Loads vorta.dll the way its callers do, with LoadLibraryW and GetProcAddress,
// and checks the export by name and by ordinal against the known vectors.
//
// Usage: vorta_load_test.exe <path of vorta.dll>
#include "vorta_vectors.h"

#include <windows.h>

#include <cstdio>

namespace {

using JmPass = int(WINAPI *)(const char *);

int passed = 0;
int failed = 0;

void Check(bool ok, const char *what, const char *label = "")
{
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAIL: %s %s\n", what, label);
    }
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::printf("usage: vorta_load_test <vorta.dll>\n");
        return 2;
    }
    HMODULE dll = LoadLibraryW(argv[1]);
    Check(dll != nullptr, "LoadLibraryW loads the library");
    if (dll == nullptr) {
        std::printf("%d passed, %d failed\n", passed, failed);
        return 1;
    }

    auto byName = reinterpret_cast<JmPass>(reinterpret_cast<void *>(GetProcAddress(dll, "jmPass")));
    auto byOrdinal = reinterpret_cast<JmPass>(reinterpret_cast<void *>(GetProcAddress(dll, MAKEINTRESOURCEA(1))));
    Check(byName != nullptr, "jmPass is found by name");
    Check(byOrdinal != nullptr, "ordinal 1 is exported");
    Check(byName == byOrdinal, "ordinal 1 is jmPass");
    Check(GetProcAddress(dll, MAKEINTRESOURCEA(2)) == nullptr, "nothing is exported at ordinal 2");
    Check(GetProcAddress(dll, "_jmPass@4") == nullptr, "no decorated name is exported");

    if (byName != nullptr) {
        for (const auto &v : vorta_vectors::kVectors) {
            const int got = byName(v.text);
            Check(got == v.expected, "vector", v.label);
            if (got != v.expected)
                std::printf("  %s: got %d, expected %d\n", v.label, got, v.expected);
        }
        Check(byName(nullptr) == 0, "null pointer gives 0");
    }

    Check(FreeLibrary(dll) != FALSE, "FreeLibrary unloads the library");
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
