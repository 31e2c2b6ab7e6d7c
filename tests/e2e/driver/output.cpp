#include "output.h"

namespace qzdrive {

namespace {

// Writes UTF-8 to a pipe or file as bytes, and to a console as UTF-16.
void Write(DWORD stream, std::wstring_view text)
{
    HANDLE handle = GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = Utf8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Widen(std::string_view ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

void WriteStdout(std::wstring_view text)
{
    Write(STD_OUTPUT_HANDLE, text);
}

void WriteStderr(std::wstring_view text)
{
    Write(STD_ERROR_HANDLE, text);
}

std::string Utf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

std::wstring EscapeValue(std::wstring_view text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'\\': escaped += L"\\\\"; break;
        case L'\n': escaped += L"\\n"; break;
        case L'\r': escaped += L"\\r"; break;
        case L'\t': escaped += L"\\t"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

std::wstring Hex(std::uintptr_t value)
{
    std::wstring digits;
    do {
        digits.insert(digits.begin(), L"0123456789ABCDEF"[value % 16]);
        value /= 16;
    } while (value != 0);
    return L"0x" + digits;
}

std::wstring Hex(HWND window)
{
    return Hex(reinterpret_cast<std::uintptr_t>(window));
}

void Emit(std::string_view key, std::wstring_view value)
{
    WriteStdout(Widen(key) + L"=" + EscapeValue(value) + L"\n");
}

void Emit(std::string_view key, long long value)
{
    Emit(key, std::to_wstring(value));
}

void EmitFlag(std::string_view key, bool value)
{
    Emit(key, value ? L"1" : L"0");
}

void Complain(std::wstring_view message)
{
    WriteStderr(L"qzdrive: " + std::wstring(message) + L"\n");
}

}  // namespace qzdrive
