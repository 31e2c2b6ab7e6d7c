// Owners for Windows handles: the portable UniqueHandle with one alias per
// kind, and scoped owners for the pairs that Windows hands out together (a
// DC and its release, a selection and its undoing, COM's initialisation).
#pragma once

#include "../unique_handle.h"

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace qz::win {

// Imported functions have no constant address: each close is a function of ours.
inline void DeleteGdiObject(HGDIOBJ object)
{
    DeleteObject(object);
}
inline void DeleteMemoryDc(HDC dc)
{
    DeleteDC(dc);
}
inline void DestroyWindowHandle(HWND window)
{
    DestroyWindow(window);
}
inline void DestroyIconHandle(HICON icon)
{
    DestroyIcon(icon);
}
inline void DestroyMenuHandle(HMENU menu)
{
    DestroyMenu(menu);
}
inline void CloseKey(HKEY key)
{
    RegCloseKey(key);
}
inline void CloseKernelHandle(HANDLE handle)
{
    CloseHandle(handle);
}
inline void DeleteGlobalAtom(ATOM atom)
{
    GlobalDeleteAtom(atom);
}

using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniquePalette = UniqueHandle<HPALETTE, DeleteGdiObject>;
using UniqueMemoryDc = UniqueHandle<HDC, DeleteMemoryDc>;
using UniqueWindow = UniqueHandle<HWND, DestroyWindowHandle>;
using UniqueIcon = UniqueHandle<HICON, DestroyIconHandle>;
using UniqueMenu = UniqueHandle<HMENU, DestroyMenuHandle>;
using UniqueKey = UniqueHandle<HKEY, CloseKey>;
// A process or thread handle (never INVALID_HANDLE_VALUE: CreateProcess
// gives null or a handle).
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;
using UniqueAtom = UniqueHandle<ATOM, DeleteGlobalAtom>;

// A file handle from CreateFile, which fails with INVALID_HANDLE_VALUE: an
// owner of nothing then.
inline UniqueKernelHandle AdoptFile(HANDLE file)
{
    return UniqueKernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// The DC of GetDC, released with the scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc()
    {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc &) = delete;
    WindowDc &operator=(const WindowDc &) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// The DC of BeginPaint, ended with the scope.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc &) = delete;
    PaintDc &operator=(const PaintDc &) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A GDI object selected into a DC for the life of the scope.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect()
    {
        if (previous_ != nullptr && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect &) = delete;
    ScopedSelect &operator=(const ScopedSelect &) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A palette selected into a DC and realised, for the life of the scope; does
// nothing for no palette.
class ScopedPalette {
public:
    ScopedPalette(HDC dc, HPALETTE palette) : dc_(dc)
    {
        if (palette == nullptr)
            return;
        previous_ = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    ~ScopedPalette()
    {
        if (previous_ != nullptr)
            SelectPalette(dc_, previous_, FALSE);
    }
    ScopedPalette(const ScopedPalette &) = delete;
    ScopedPalette &operator=(const ScopedPalette &) = delete;

private:
    HDC dc_;
    HPALETTE previous_ = nullptr;
};

// Owner of one COM interface pointer.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;
    ComPtr(ComPtr &&other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr &operator=(ComPtr &&other) noexcept
    {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    // Shares an interface pointer held elsewhere.
    static ComPtr Share(T *pointer)
    {
        ComPtr shared;
        if (pointer != nullptr) {
            pointer->AddRef();
            shared.pointer_ = pointer;
        }
        return shared;
    }

    T *get() const { return pointer_; }
    T *operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    void reset()
    {
        if (pointer_ != nullptr)
            std::exchange(pointer_, nullptr)->Release();
    }
    // For out-parameters: releases what was held first.
    T **put()
    {
        reset();
        return &pointer_;
    }
    void **putVoid() { return reinterpret_cast<void **>(put()); }

private:
    T *pointer_ = nullptr;
};

// OLE and the component object model for this thread, apartment-threaded,
// released at the end if they were initialised here.
class ComApartment {
public:
    // Ole: the UI thread's, OLE and not only COM (the shell's context menu
    // cuts, copies and pastes through the OLE clipboard; OLE initialises the
    // apartment too). ComOnly: a worker's, for one call into the shell.
    enum class Kind { Ole, ComOnly };

    explicit ComApartment(Kind kind = Kind::Ole)
        : kind_(kind),
          result_(kind == Kind::Ole ? OleInitialize(nullptr)
                                    : CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))
    {}
    ~ComApartment()
    {
        if (FAILED(result_))
            return;
        if (kind_ == Kind::Ole)
            OleUninitialize();
        else
            CoUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

private:
    Kind kind_;
    HRESULT result_;
};

}  // namespace qz::win
