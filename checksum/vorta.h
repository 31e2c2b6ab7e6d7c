/*
 * vorta: the password checksum library.
 *
 * int jmPass(const char *password);
 *
 * Returns a keyed checksum of a zero-terminated 8-bit password text. Each byte
 * is taken as an unsigned value in whatever code page the caller uses; nothing
 * is decoded, so both bytes of a double-byte character count on their own.
 *
 * For L bytes before the terminating zero, the checksum is the sum over
 * i = 1 .. L of  password[i] XOR (key[i] AND 0x0F),  where key is the text
 * "/kmpqwertzulob/" followed by its zero byte (positions 0 to 15). The first
 * password byte never counts, and the last term comes from the terminating
 * zero byte. A null pointer is the empty password; both give 0.
 *
 * Passwords of at most 15 bytes are supported; their checksum lies in
 * 0 .. 3570. A longer text is accepted: from i = 16 on, where the key has
 * ended, the key nibble is taken as 0, so each further byte adds its own
 * value, and the sum wraps modulo 2^32 (as a signed 32-bit result). Nothing
 * beyond the 16-byte key text is ever read.
 *
 * The function reads offsets 0 to L of the text and nothing else, writes
 * nothing, keeps no state and may be called from several threads at once.
 *
 * Windows: vorta.dll, export "jmPass" with ordinal 1, __stdcall on 32-bit.
 * Linux: libvorta.so, export "jmPass" with C linkage.
 */
#ifndef VORTA_H
#define VORTA_H

#if defined(_WIN32) && !defined(_WIN64)
#define VORTA_CALL __stdcall
#else
#define VORTA_CALL
#endif

#ifndef VORTA_API
#if defined(_WIN32)
#define VORTA_API __declspec(dllimport)
#else
#define VORTA_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

VORTA_API int VORTA_CALL jmPass(const char *password);

#ifdef __cplusplus
}
#endif

#endif /* VORTA_H */
