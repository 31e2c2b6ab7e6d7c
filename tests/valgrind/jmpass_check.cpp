// Loads libvorta.so with dlopen, as a Linux caller does, and calls jmPass on
// the known vectors, a null pointer and long passwords. Every text is copied
// into a heap block of exactly its length plus the zero byte, so that under
// valgrind a read past the terminator is reported. Prints one PASS/FAIL line
// per check and "N passed, M failed" last; exit status 1 on any failure.
//
// C-style code, compiled as C++ only to share tests/common/vorta_vectors.h.
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vorta_vectors.h"

typedef int (*JmPass)(const char *);

static int g_passed = 0;
static int g_failed = 0;

static void Expect(const char *label, int got, int expected)
{
    if (got == expected) {
        printf("PASS %s: %d\n", label, got);
        ++g_passed;
    } else {
        printf("FAIL %s: %d, expected %d\n", label, got, expected);
        ++g_failed;
    }
}

// jmPass on a copy of text[0 .. length] (the zero included) in its own block.
static int Call(JmPass jm, const char *text, size_t length)
{
    char *copy = (char *)malloc(length + 1);
    if (copy == NULL) {
        fprintf(stderr, "out of memory\n");
        exit(2);
    }
    memcpy(copy, text, length);
    copy[length] = '\0';
    int result = jm(copy);
    free(copy);
    return result;
}

int main(int argc, char **argv)
{
    const char *library = argc > 1 ? argv[1] : "libvorta.so";
    void *handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (handle == NULL) {
        printf("FAIL dlopen %s: %s\n", library, dlerror());
        printf("0 passed, 1 failed\n");
        return 1;
    }
    JmPass jm = (JmPass)dlsym(handle, "jmPass");
    if (jm == NULL) {
        printf("FAIL dlsym jmPass: %s\n", dlerror());
        dlclose(handle);
        printf("0 passed, 1 failed\n");
        return 1;
    }

    for (size_t i = 0; i < vorta_vectors::kVectorCount; ++i) {
        const vorta_vectors::Vector &v = vorta_vectors::kVectors[i];
        // Only the bytes up to the first zero: anything after it must never be read.
        Expect(v.label, Call(jm, v.text, strlen(v.text)), v.expected);
    }

    Expect("null pointer", jm(NULL), 0);

    // Long passwords: past the 16-byte key each byte adds its own value, so
    // L bytes of 'A' (L >= 16) give 1061 + 65 * (L - 16).
    const size_t lengths[] = {100, 4096, 1000000};
    for (size_t k = 0; k < sizeof lengths / sizeof lengths[0]; ++k) {
        size_t length = lengths[k];
        char *text = (char *)malloc(length);
        memset(text, 'A', length);
        char label[64];
        snprintf(label, sizeof label, "%zu bytes of 'A'", length);
        Expect(label, Call(jm, text, length), (int)(1061 + 65 * (length - 16)));
        free(text);
    }

    // A password in a block of exactly one byte (only the zero).
    Expect("empty block", Call(jm, "", 0), 0);

    dlclose(handle);
    printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
