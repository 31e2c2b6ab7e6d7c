#include "picture.h"

#include "errors.h"
#include "unique_handle.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include <jpeglib.h>

namespace qz {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
// It jumps back to DecodeInto; the message is kept for the failure returned there,
// outside the frame that holds the jump buffer.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnFatalError(j_common_ptr info)
{
    auto *manager = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr, int)
{
    // Warnings about damaged data are not shown to anyone.
}

int Stride(int width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

// Only plain data lives in this frame, so the jump skips no destructor; the
// caller owns the decompressor and destroys it however this ends (the jump,
// an exception, or the end of the picture).
bool DecodeInto(jpeg_decompress_struct &info, const std::uint8_t *data, std::size_t size, PictureDepth depth,
                Picture &picture, PixelTarget &target, ErrorManager &errors)
{
    if (setjmp(errors.jump) != 0)
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);

    info.dct_method = JDCT_FLOAT;
    info.do_block_smoothing = TRUE;
    if (depth == PictureDepth::Palette236) {
        info.out_color_space = JCS_RGB;
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = kPaletteColours;
    } else {
        info.out_color_space = JCS_EXT_BGR;
    }
    jpeg_start_decompress(&info);

    picture.width = static_cast<int>(info.output_width);
    picture.height = static_cast<int>(info.output_height);
    picture.bitsPerPixel = depth == PictureDepth::Palette236 ? 8 : 24;
    picture.stride = Stride(picture.width, picture.bitsPerPixel);
    // The two-pass quantiser chose its colours in the first pass, which
    // jpeg_start_decompress ran: the palette is final before the rows.
    if (depth == PictureDepth::Palette236) {
        picture.palette.resize(static_cast<std::size_t>(info.actual_number_of_colors));
        for (int i = 0; i < info.actual_number_of_colors; ++i) {
            const bool grey = info.out_color_components == 1;
            picture.palette[i] = {info.colormap[grey ? 0 : 2][i], info.colormap[grey ? 0 : 1][i], info.colormap[0][i],
                                  0};
        }
    }

    std::uint8_t *const rows = target.Rows(picture);
    if (rows == nullptr)
        return true;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rows + static_cast<std::size_t>(info.output_scanline) * picture.stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

// The rows in the picture's own pixels, their padding zero.
class OwnPixels final : public PixelTarget {
public:
    explicit OwnPixels(Picture &picture) : picture_(picture) {}
    std::uint8_t *Rows(const Picture &layout) override
    {
        picture_.pixels.assign(static_cast<std::size_t>(layout.stride) * layout.height, 0);
        return picture_.pixels.data();
    }

private:
    Picture &picture_;
};

}  // namespace

Picture::Rgb Picture::At(int x, int y) const
{
    const std::uint8_t *row = pixels.data() + static_cast<std::size_t>(y) * stride;
    if (bitsPerPixel == 8) {
        const PaletteEntry &entry = palette.at(row[x]);
        return {entry.red, entry.green, entry.blue};
    }
    const std::uint8_t *pixel = row + 3 * x;
    return {pixel[2], pixel[1], pixel[0]};
}

Result<Picture> DecodeJpeg(std::span<const std::uint8_t> jpeg, PictureDepth depth)
{
    Picture picture;
    OwnPixels target(picture);
    Result<Picture> decoded = DecodeJpeg(jpeg, depth, target);
    if (decoded)
        decoded->pixels = std::move(picture.pixels);
    return decoded;
}

Result<Picture> DecodeJpeg(std::span<const std::uint8_t> jpeg, PictureDepth depth, PixelTarget &target)
{
    if (jpeg.empty())
        return Error("the picture is empty");
    Picture picture;
    ErrorManager errors{};
    // Destroying a decompressor that was never created (all zeros) does nothing.
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnFatalError;
    errors.base.emit_message = OnMessage;
    const ScopeExit destroy([&info] { jpeg_destroy_decompress(&info); });
    if (!DecodeInto(info, jpeg.data(), jpeg.size(), depth, picture, target, errors))
        return Error(std::string("the picture cannot be decoded: ") + errors.message);
    return picture;
}

}  // namespace qz
