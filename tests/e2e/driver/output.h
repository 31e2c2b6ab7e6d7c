// Results of qzdrive: key=value lines in UTF-8 on stdout, messages on stderr.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace qzdrive {

// UTF-16 to UTF-8.
std::string Utf8(std::wstring_view text);

// Makes a value fit on one line: backslash, newline, carriage return and tab
// become \\, \n, \r and \t.
std::wstring EscapeValue(std::wstring_view text);

// "0x1A2B": how handles and styles are printed.
std::wstring Hex(std::uintptr_t value);
std::wstring Hex(HWND window);

// Writes text as it is to stdout or stderr.
void WriteStdout(std::wstring_view text);
void WriteStderr(std::wstring_view text);

// Prints key=value on stdout (the value escaped).
void Emit(std::string_view key, std::wstring_view value);
void Emit(std::string_view key, long long value);
void EmitFlag(std::string_view key, bool value);

// Prints "qzdrive: message" on stderr.
void Complain(std::wstring_view message);

}  // namespace qzdrive
