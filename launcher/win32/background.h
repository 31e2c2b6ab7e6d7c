// The background picture of the main window: the JPEG from the resources,
// decoded once at the first paint into an off-screen bitmap (through a
// 236-colour palette on displays of 8 bits per pixel or fewer), and the
// browse button's glyph.
#pragma once

#include "handles.h"

#include <windows.h>

#include <optional>

namespace qz::win {

class Background {
public:
    explicit Background(HINSTANCE instance) : instance_(instance) {}
    Background(const Background &) = delete;
    Background &operator=(const Background &) = delete;

    // The window at whose client origin the picture lies.
    void SetOrigin(HWND main) { origin_ = main; }

    // Paints the part of the picture under an area of a window's client
    // area; the button-face colour when the picture cannot be had.
    void Paint(HDC dc, HWND window, const RECT &area);

    // The browse glyph, centred in the area, normal or disabled.
    void DrawGlyph(HDC dc, const RECT &area, bool enabled);

    // WM_QUERYNEWPALETTE and WM_PALETTECHANGED of the main window: repaints
    // through the picture's palette. False for other messages.
    bool OnPaletteMessage(UINT message, WPARAM wParam);

private:
    void Decode(HDC dc);

    HINSTANCE instance_;
    HWND origin_ = nullptr;
    bool tried_ = false;
    UniqueBitmap picture_;
    UniquePalette palette_;
    UniqueMemoryDc pictureDc_;
    std::optional<ScopedSelect> selected_;  // the picture in pictureDc_; undone first
    UniqueBitmap glyph_;
};

}  // namespace qz::win
