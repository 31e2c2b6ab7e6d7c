// Writes what the launcher's window should show: the background picture as
// the launcher decodes it, cut to the 795 x 576 client area, as a binary PPM.
// The end-to-end tests compare screenshots against it.
//
// Usage: picture_reference <background.jpg> <out.ppm> [palette]
#include "layout.h"
#include "picture.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: picture_reference <background.jpg> <out.ppm> [palette]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> jpeg{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const bool palette = argc > 3 && std::string(argv[3]) == "palette";
    const qz::Result<qz::Picture> decoded =
        qz::DecodeJpeg(jpeg, palette ? qz::PictureDepth::Palette236 : qz::PictureDepth::TrueColour);
    if (!decoded) {
        std::fprintf(stderr, "picture_reference: %s\n", decoded.Failure().what());
        return 1;
    }
    const qz::Picture &picture = *decoded;
    std::ofstream out(argv[2], std::ios::binary);
    out << "P6\n" << qz::kClientWidth << ' ' << qz::kClientHeight << "\n255\n";
    for (int y = 0; y < qz::kClientHeight; ++y)
        for (int x = 0; x < qz::kClientWidth; ++x) {
            const auto c = picture.At(x, y);
            const char rgb[3] = {static_cast<char>(c.red), static_cast<char>(c.green), static_cast<char>(c.blue)};
            out.write(rgb, 3);
        }
    return out ? 0 : 1;
}
