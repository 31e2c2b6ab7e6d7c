#include "background.h"

#include "../picture.h"

#include <cstdint>
#include <exception>

namespace qz::win {

namespace {

// The decode writes straight into the bitmap that the paints copy from: the
// picture is never held twice.
class DibRows final : public PixelTarget {
public:
    DibRows(HDC dc, UniqueBitmap &bitmap) : dc_(dc), bitmap_(bitmap) {}

    std::uint8_t *Rows(const Picture &layout) override
    {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[256];
        } info{};
        info.header.biSize = sizeof info.header;
        info.header.biWidth = layout.width;
        info.header.biHeight = -layout.height;  // top-down rows
        info.header.biPlanes = 1;
        info.header.biBitCount = static_cast<WORD>(layout.bitsPerPixel);
        info.header.biCompression = BI_RGB;
        info.header.biClrUsed = static_cast<DWORD>(layout.palette.size());
        for (std::size_t i = 0; i < layout.palette.size(); ++i)
            info.colours[i] = {layout.palette[i].blue, layout.palette[i].green, layout.palette[i].red, 0};
        void *bits = nullptr;
        bitmap_.reset(CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
        return bitmap_ ? static_cast<std::uint8_t *>(bits) : nullptr;
    }

private:
    HDC dc_;
    UniqueBitmap &bitmap_;
};

}  // namespace

void Background::Decode(HDC dc)
{
    if (tried_)
        return;
    tried_ = true;

    HRSRC found = FindResourceW(instance_, L"BACKGROUND", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found != nullptr ? LoadResource(instance_, found) : nullptr;
    const auto *bytes = static_cast<const std::uint8_t *>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (bytes == nullptr)
        return;
    const bool paletted = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) <= 8;
    DibRows rows(dc, picture_);
    const Result<Picture> decoded = DecodeJpeg({bytes, SizeofResource(instance_, found)},
                                               paletted ? PictureDepth::Palette236 : PictureDepth::TrueColour, rows);
    if (!decoded) {
        // A damaged picture leaves the button-face colour (half a picture is
        // never shown); the zones still work.
        picture_.reset();
        return;
    }
    if (!picture_)
        return;
    const Picture &picture = *decoded;

    if (paletted) {
        struct {
            WORD version;
            WORD count;
            PALETTEENTRY entries[256];
        } logical{0x300, static_cast<WORD>(picture.palette.size()), {}};
        for (std::size_t i = 0; i < picture.palette.size(); ++i)
            logical.entries[i] = {picture.palette[i].red, picture.palette[i].green, picture.palette[i].blue, 0};
        palette_.reset(CreatePalette(reinterpret_cast<LOGPALETTE *>(&logical)));
    }
    pictureDc_.reset(CreateCompatibleDC(dc));
    selected_.emplace(pictureDc_.get(), picture_.get());
}

void Background::Paint(HDC dc, HWND window, const RECT &area)
{
    Decode(dc);
    if (!pictureDc_) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    // The picture lies at the main window's client origin; find where this
    // window's client area lies on it.
    POINT origin{0, 0};
    MapWindowPoints(window, origin_, &origin, 1);
    const ScopedPalette palette(dc, palette_.get());
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, pictureDc_.get(),
           area.left + origin.x, area.top + origin.y, SRCCOPY);
}

void Background::DrawGlyph(HDC dc, const RECT &area, bool enabled)
{
    if (!glyph_)
        glyph_.reset(static_cast<HBITMAP>(LoadImageW(instance_, L"BROWSEGLYPH", IMAGE_BITMAP, 0, 0, 0)));
    if (!glyph_)
        return;
    const UniqueMemoryDc source(CreateCompatibleDC(dc));
    const ScopedSelect select(source.get(), glyph_.get());
    const int size = 16;
    const int x = area.left + (area.right - area.left - size) / 2;
    const int y = area.top + (area.bottom - area.top - size) / 2;
    // Normal picture on the left half, disabled on the right; purple is the
    // transparent colour.
    GdiTransparentBlt(dc, x, y, size, size, source.get(), enabled ? 0 : size, 0, size, size, RGB(128, 0, 128));
}

bool Background::OnPaletteMessage(UINT message, WPARAM wParam)
{
    if (message != WM_QUERYNEWPALETTE && message != WM_PALETTECHANGED)
        return false;
    // A change that the main window made itself needs no repaint.
    if (palette_ && !(message == WM_PALETTECHANGED && reinterpret_cast<HWND>(wParam) == origin_))
        RedrawWindow(origin_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return true;
}

}  // namespace qz::win
