#include "system.h"

#include "text.h"

#include <shellapi.h>

#include <vector>

namespace qz::win {

namespace {

class MachineKeys final : public Registry {
public:
    ~MachineKeys() override { CloseKey(); }

    bool OpenKey(std::string_view path) override
    {
        CloseKey();
        // Reading is all the probe needs; full access is refused to an
        // operator without elevation, which would hide an installed engine.
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key_) ==
               ERROR_SUCCESS;
    }

    std::optional<std::uint32_t> ValueSize(std::string_view name) override
    {
        DWORD size = 0;
        if (key_ == nullptr ||
            RegQueryValueExW(key_, Widen(name).c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return size;
    }

    std::optional<Value> ReadValue(std::string_view name, std::uint32_t size) override
    {
        if (key_ == nullptr)
            return std::nullopt;
        // Two spare zero characters after the buffer the query fills, so
        // that a string stored without its terminator still ends.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        DWORD type = 0;
        DWORD got = size;
        if (RegQueryValueExW(key_, Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE *>(buffer.data()),
                             &got) != ERROR_SUCCESS)
            return std::nullopt;
        Value value;
        value.type = type;
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
            value.text = Narrow(std::wstring_view(buffer.data(), got / sizeof(wchar_t)));
        return value;
    }

    void CloseKey() override
    {
        if (key_ != nullptr)
            RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace

std::unique_ptr<Registry> MachineRegistry()
{
    return std::make_unique<MachineKeys>();
}

void ShellOpen(HWND owner, std::string_view path)
{
    ShellExecuteW(owner, L"open", Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void RunHidden(std::string_view commandLine)
{
    std::wstring line = Widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace qz::win
