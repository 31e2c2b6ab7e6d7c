// One window-procedure thunk for every window class of the launcher, and the
// subclass that puts a procedure of ours in front of a common control's.
//
// Nothing unwinds through system code: the launcher is built without
// exceptions, and a handler's failure comes back as a result to the guard
// where the form runs the handler (see TForm_qz).
//
// T provides
//   LRESULT HandleMessage(HWND, UINT, WPARAM, LPARAM)   (the thunk), or
//   LRESULT HandleSubclassMessage(HWND, UINT, WPARAM, LPARAM)   (the subclass)
#pragma once

#include <windows.h>

namespace qz::win {

// The window procedure of a class whose windows are created with their
// object as the creation parameter: the object is bound on WM_NCCREATE and
// unbound on WM_NCDESTROY.
template <typename T>
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams));
    auto *self = reinterpret_cast<T *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = self->HandleMessage(window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return result;
}

// Puts the owner's HandleSubclassMessage in front of a window's own
// procedure, for as long as both live: undone by the destructor, or when the
// window goes first. The window's user data holds this object (common
// controls leave it to the application). Not SetWindowSubclass: Windows
// 2000's common controls export it by ordinal only.
template <typename T>
class WindowSubclass {
public:
    WindowSubclass() = default;
    WindowSubclass(const WindowSubclass &) = delete;
    WindowSubclass &operator=(const WindowSubclass &) = delete;
    ~WindowSubclass() { Remove(); }

    void Install(HWND window, T &owner)
    {
        Remove();
        window_ = window;
        owner_ = &owner;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        original_ =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
    }

    void Remove()
    {
        if (window_ == nullptr)
            return;
        // Put back only what is still ours: had someone subclassed the window
        // after us, restoring would cut them out.
        if (GetWindowLongPtrW(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Procedure))
            SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
    }

    // The window's own procedure, for what the owner passes on.
    LRESULT CallOriginal(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
    {
        return CallWindowProcW(original_, window, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto *self = reinterpret_cast<WindowSubclass *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self == nullptr)
            return DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            const WNDPROC original = self->original_;
            self->Remove();
            return CallWindowProcW(original, window, message, wParam, lParam);
        }
        return self->owner_->HandleSubclassMessage(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    T *owner_ = nullptr;
    WNDPROC original_ = nullptr;
};

}  // namespace qz::win
