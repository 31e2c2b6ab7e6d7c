// What qzdrive relies on to read and write a 32-bit program's memory from
// its 64-bit self: a block taken in the program's process with VirtualAllocEx
// and written with WriteProcessMemory holds, as the program reads it, what
// was written. Where qemu runs the 32-bit Wine, the program's memory lies at
// its addresses plus qemu's guest base in the Linux process, while Wine's
// server writes at the addresses as given: the write lands beside the block
// unless the driver adds that base (QZDRIVE_MEMORY_SHIFT, which the harness
// reads off the process's mappings). On Windows the base is 0.
//
// Usage: remote_memory_test.exe --serve   (the 32-bit build: a window that
//            answers WM_APP with the DWORD at lParam, until WM_CLOSE)
//        remote_memory_test.exe            (the 64-bit build, beside it:
//            writes into the server's memory and asks what it reads)
#include "checks.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

using qz::wine::Check;

constexpr wchar_t kClass[] = L"QzRemoteMemory";
constexpr DWORD kPattern = 0x5A17C0DE;

LRESULT CALLBACK Serve(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        return *reinterpret_cast<const DWORD *>(lParam);
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int Server()
{
    WNDCLASSW type{};
    type.lpfnWndProc = Serve;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kClass;
    RegisterClassW(&type);
    CreateWindowW(kClass, kClass, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, type.hInstance, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

// Clears the block where this process reaches it with and without the
// shift, writes the pattern at the block plus the given one, then asks what
// the server reads at the block.
DWORD WrittenAndRead(HANDLE process, HWND server, char *block, std::size_t shift, std::size_t written)
{
    const DWORD zero = 0;
    SIZE_T done = 0;
    WriteProcessMemory(process, block, &zero, sizeof zero, &done);
    WriteProcessMemory(process, block + shift, &zero, sizeof zero, &done);
    if (!WriteProcessMemory(process, block + written, &kPattern, sizeof kPattern, &done))
        return 0;
    DWORD_PTR seen = 0;
    SendMessageTimeoutW(server, WM_APP, 0, reinterpret_cast<LPARAM>(block), SMTO_ABORTIFHUNG, 10000, &seen);
    return static_cast<DWORD>(seen);
}

int Client()
{
    const HWND server = FindWindowW(kClass, nullptr);
    Check(server != nullptr, "the 32-bit server's window is there");
    if (server == nullptr)
        return qz::wine::Finish();
    wchar_t text[32] = L"0";
    GetEnvironmentVariableW(L"QZDRIVE_MEMORY_SHIFT", text, 32);
    const std::size_t shift = std::wcstoull(text, nullptr, 16);
    DWORD pid = 0;
    GetWindowThreadProcessId(server, &pid);
    const HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    BOOL wow64 = FALSE;
    Check(process != nullptr && IsWow64Process(process, &wow64) && wow64, "the server is a 32-bit program");
    auto *block = static_cast<char *>(VirtualAllocEx(process, nullptr, 0x2000, MEM_COMMIT, PAGE_READWRITE));
    Check(block != nullptr && (static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(block)) >> 32) == 0,
          "a block below 4 GB in the server's process");
    if (block != nullptr) {
        Check(WrittenAndRead(process, server, block, shift, shift) == kPattern,
              "written at the block plus the shift, the server reads the pattern at the block",
              "shift 0x" + std::string(text, text + std::wcslen(text)));
        // The same write at the block itself reaches the server only where
        // there is no shift: pinned, so that a Wine or qemu that carries
        // the addresses over is seen.
        Check((WrittenAndRead(process, server, block, shift, 0) == kPattern) == (shift == 0),
              "written at the block itself, the server reads the pattern exactly when there is no shift");
        VirtualFreeEx(process, block, 0, MEM_RELEASE);
    }
    if (process != nullptr)
        CloseHandle(process);
    PostMessageW(server, WM_CLOSE, 0, 0);
    return qz::wine::Finish();
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 2 && std::wstring(argv[1]) == L"--serve")
        return Server();
    return Client();
}
