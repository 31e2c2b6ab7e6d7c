// How tests, benchmarks and accessibility tools find the launcher's windows:
// the main window's class, and each control's name in a window property (a
// global atom of the name). The end-to-end driver, its fixture and the
// benchmarks read the windows through this header alone.
#pragma once

#include "handles.h"

#include <windows.h>

#include <string>
#include <utility>

namespace qz::win {

inline constexpr wchar_t kMainWindowClass[] = L"TForm_qz";
inline constexpr wchar_t kControlNameProperty[] = L"QzControlName";

// The name a window carries, or "" when it has none. Atom names ignore case:
// a name equal to an atom already in the table reads back in that spelling.
inline std::wstring ControlNameOf(HWND window)
{
    const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(window, kControlNameProperty)));
    wchar_t name[256] = L"";
    if (atom == 0 || GlobalGetAtomNameW(atom, name, 256) == 0)
        return {};
    return name;
}

// A window's name, carried for the life of this object: the property is
// removed (while the window is still there) and the atom released with it.
class ControlName {
public:
    ControlName(HWND window, const std::wstring &name) : window_(window), atom_(GlobalAddAtomW(name.c_str()))
    {
        if (atom_)
            SetPropW(window, kControlNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom_.get())));
    }
    ControlName(ControlName &&other) noexcept
        : window_(std::exchange(other.window_, nullptr)), atom_(std::move(other.atom_))
    {}
    ControlName &operator=(ControlName &&) = delete;
    ControlName(const ControlName &) = delete;
    ControlName &operator=(const ControlName &) = delete;
    ~ControlName()
    {
        if (window_ != nullptr && IsWindow(window_))
            RemovePropW(window_, kControlNameProperty);
    }

private:
    HWND window_;
    UniqueAtom atom_;
};

}  // namespace qz::win
