// Decoding of the background picture into the pixel layout of a Windows
// device-independent bitmap, portable so that it is tested natively.
#pragma once

#include "errors.h"

#include <cstdint>
#include <span>
#include <vector>

namespace qz {

struct PaletteEntry {
    std::uint8_t blue, green, red, reserved;  // RGBQUAD order
};

struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;               // 24 (blue, green, red per pixel) or 8 (palette index)
    int stride = 0;                     // bytes per row, a multiple of 4
    std::vector<std::uint8_t> pixels;   // top-down rows
    std::vector<PaletteEntry> palette;  // 8-bit pictures only

    // Red, green and blue of the pixel at (x, y), whatever the depth.
    struct Rgb {
        std::uint8_t red, green, blue;
    };
    Rgb At(int x, int y) const;
};

enum class PictureDepth {
    TrueColour,  // 24-bit
    Palette236,  // 8-bit, for displays of 8 bits per pixel or fewer
};

inline constexpr int kPaletteColours = 236;

// Decodes a JPEG at full scale with the floating-point inverse transform and
// block smoothing. Fails when the data is not a readable JPEG.
Result<Picture> DecodeJpeg(std::span<const std::uint8_t> jpeg, PictureDepth depth);

// Where a decode writes its rows, so that they need not be copied there
// afterwards (a bitmap of the display's, say).
class PixelTarget {
public:
    // Asked once the layout (and, at 8 bits, the palette) is known: the
    // first of height rows of stride bytes, top-down, or nullptr to stop.
    virtual std::uint8_t *Rows(const Picture &layout) = 0;

protected:
    ~PixelTarget() = default;
};

// The same decode into the target's rows: the picture returned holds the
// layout and the palette, no pixels. Nothing is written when the target
// gives no rows.
Result<Picture> DecodeJpeg(std::span<const std::uint8_t> jpeg, PictureDepth depth, PixelTarget &target);

}  // namespace qz
