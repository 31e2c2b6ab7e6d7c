// Owners for Windows handles: one move-only template, one alias per kind.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace qz::win {

template <typename H, auto Close, H Invalid = H{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle &&other) noexcept : handle_(other.release()) {}
    UniqueHandle &operator=(UniqueHandle &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;
    ~UniqueHandle() { reset(); }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    H release() { return std::exchange(handle_, Invalid); }
    void reset(H handle = Invalid)
    {
        if (handle_ != Invalid)
            Close(handle_);
        handle_ = handle;
    }
    // For out-parameters: releases what was held first.
    H *put()
    {
        reset();
        return &handle_;
    }

private:
    H handle_ = Invalid;
};

inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) { DeleteDC(dc); }
inline void DestroyWindowHandle(HWND window) { DestroyWindow(window); }

using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniquePalette = UniqueHandle<HPALETTE, DeleteGdiObject>;
using UniqueMemoryDc = UniqueHandle<HDC, DeleteMemoryDc>;
using UniqueWindow = UniqueHandle<HWND, DestroyWindowHandle>;

// Selects a GDI object into a DC for the life of the scope.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() { SelectObject(dc_, previous_); }
    ScopedSelect(const ScopedSelect &) = delete;
    ScopedSelect &operator=(const ScopedSelect &) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The component object model for this thread, apartment-threaded, released
// at the end if it was initialised here.
class ComApartment {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

private:
    HRESULT result_;
};

}  // namespace qz::win
