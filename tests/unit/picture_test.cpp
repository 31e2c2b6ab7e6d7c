#include "errors.h"
#include "must.h"
#include "picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace qz {
namespace {

using testing::Must;

std::vector<std::uint8_t> ReadFile(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<std::uint8_t> &Background()
{
    static const std::vector<std::uint8_t> bytes = ReadFile(QZ_RESOURCES_DIR "/background.jpg");
    return bytes;
}

struct Mean {
    double red = 0, green = 0, blue = 0;
};

Mean MeanColour(const Picture &picture, int left, int top, int right, int bottom)
{
    Mean mean;
    const double count = double(right - left) * (bottom - top);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const auto c = picture.At(x, y);
            mean.red += c.red / count;
            mean.green += c.green / count;
            mean.blue += c.blue / count;
        }
    return mean;
}

double Distance(const Mean &a, const Mean &b)
{
    return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
}

TEST(Picture, TheCommittedBackgroundIsABaselineJfifOfTheRightSize)
{
    const auto &jpeg = Background();
    ASSERT_GT(jpeg.size(), 30000u);
    ASSERT_LT(jpeg.size(), 64000u);
    // SOI, then APP0 "JFIF\0" version 1.01, density 96 x 96 per inch.
    ASSERT_EQ(jpeg[0], 0xFF);
    ASSERT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(std::string(jpeg.begin() + 6, jpeg.begin() + 11), std::string("JFIF\0", 5));
    EXPECT_EQ(jpeg[11], 1);
    EXPECT_EQ(jpeg[12], 1);
    EXPECT_EQ(jpeg[13], 1) << "density unit: dots per inch";
    EXPECT_EQ(jpeg[14] * 256 + jpeg[15], 96);
    EXPECT_EQ(jpeg[16] * 256 + jpeg[17], 96);
    // Baseline: a SOF0 marker and no progressive SOF2.
    bool baseline = false, progressive = false;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0)
            baseline = true;
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2)
            progressive = true;
    }
    EXPECT_TRUE(baseline);
    EXPECT_FALSE(progressive);
}

TEST(Picture, TrueColourDecodeFillsADibLayout)
{
    const Picture picture = Must(DecodeJpeg(Background(), PictureDepth::TrueColour));
    EXPECT_EQ(picture.width, 803);
    EXPECT_EQ(picture.height, 603);
    EXPECT_EQ(picture.bitsPerPixel, 24);
    EXPECT_EQ(picture.stride % 4, 0);
    EXPECT_GE(picture.stride, 803 * 3);
    EXPECT_EQ(picture.pixels.size(), static_cast<std::size_t>(picture.stride) * 603);
    EXPECT_TRUE(picture.palette.empty());
    // The ground is light blue: blue dominates red in the top-right corner.
    const Mean corner = MeanColour(picture, 760, 10, 790, 40);
    EXPECT_GT(corner.blue, corner.red);
    EXPECT_GT(corner.blue, 180.0);
}

TEST(Picture, PaletteDecodeUsesAtMost236ColoursAndLooksTheSame)
{
    const Picture full = Must(DecodeJpeg(Background(), PictureDepth::TrueColour));
    const Picture reduced = Must(DecodeJpeg(Background(), PictureDepth::Palette236));
    EXPECT_EQ(reduced.width, 803);
    EXPECT_EQ(reduced.height, 603);
    EXPECT_EQ(reduced.bitsPerPixel, 8);
    EXPECT_EQ(reduced.stride % 4, 0);
    ASSERT_GT(reduced.palette.size(), 16u);
    ASSERT_LE(reduced.palette.size(), 236u);
    for (int y = 0; y < reduced.height; ++y)
        for (int x = 0; x < reduced.width; ++x)
            ASSERT_LT(reduced.pixels[static_cast<std::size_t>(y) * reduced.stride + x], reduced.palette.size());
    // Dithering moves single pixels, not the mean of an area.
    for (const auto &[l, t, r, b] :
         {std::array{0, 0, 100, 100}, std::array{100, 210, 270, 250}, std::array{500, 200, 700, 400}}) {
        EXPECT_LT(Distance(MeanColour(full, l, t, r, b), MeanColour(reduced, l, t, r, b)), 12.0)
            << "area " << l << "," << t;
    }
}

// The target's rows get exactly what the decode into the picture's own
// pixels gets, at both depths; the palette is there when the rows are asked
// for; a target that gives no rows stops the decode with nothing written.
TEST(Picture, ADecodeIntoATargetsRowsMatchesTheOwnPixelsDecode)
{
    struct Recorder final : PixelTarget {
        std::vector<std::uint8_t> buffer;
        std::size_t paletteWhenAsked = 0;
        bool give = true;
        int asked = 0;
        std::uint8_t *Rows(const Picture &layout) override
        {
            ++asked;
            paletteWhenAsked = layout.palette.size();
            buffer.assign(static_cast<std::size_t>(layout.stride) * layout.height, 0xA5);
            return give ? buffer.data() : nullptr;
        }
    };
    for (const PictureDepth depth : {PictureDepth::TrueColour, PictureDepth::Palette236}) {
        const Picture own = Must(DecodeJpeg(Background(), depth));
        Recorder target;
        const Picture layout = Must(DecodeJpeg(Background(), depth, target));
        EXPECT_EQ(target.asked, 1);
        EXPECT_TRUE(layout.pixels.empty()) << "the rows are the target's";
        EXPECT_EQ(layout.stride, own.stride);
        EXPECT_EQ(target.paletteWhenAsked, own.palette.size()) << "the palette is known before the rows";
        ASSERT_EQ(layout.palette.size(), own.palette.size());
        for (std::size_t i = 0; i < own.palette.size(); ++i) {
            EXPECT_EQ(layout.palette[i].red, own.palette[i].red) << "palette entry " << i;
            EXPECT_EQ(layout.palette[i].green, own.palette[i].green) << "palette entry " << i;
            EXPECT_EQ(layout.palette[i].blue, own.palette[i].blue) << "palette entry " << i;
        }
        const int used = own.width * own.bitsPerPixel / 8;
        for (int y = 0; y < own.height; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * own.stride;
            ASSERT_EQ(0, std::memcmp(target.buffer.data() + at, own.pixels.data() + at, used)) << "row " << y;
        }

        Recorder refusing;
        refusing.give = false;
        const Picture stopped = Must(DecodeJpeg(Background(), depth, refusing));
        EXPECT_EQ(refusing.asked, 1);
        EXPECT_EQ(stopped.width, own.width);
        EXPECT_TRUE(std::all_of(refusing.buffer.begin(), refusing.buffer.end(), [](std::uint8_t b) {
            return b == 0xA5;
        })) << "nothing written without rows";
    }
}

TEST(Picture, ThePaintedButtonsLieUnderTheZones)
{
    // Each zone covers a raised button whose face stands out from the ground
    // just left of it, and whose bottom edge is darker than its top edge.
    const Picture picture = Must(DecodeJpeg(Background(), PictureDepth::TrueColour));
    for (int top : {200, 304, 408}) {
        const Mean ground = MeanColour(picture, 60, top + 10, 85, top + 47);
        const Mean face = MeanColour(picture, 100, top + 8, 273, top + 49);
        EXPECT_GT(Distance(ground, face), 60.0) << "button at top " << top;
        const Mean topEdge = MeanColour(picture, 100, top, 273, top + 1);
        const Mean bottomEdge = MeanColour(picture, 100, top + 56, 273, top + 57);
        EXPECT_GT(topEdge.red + topEdge.green + topEdge.blue, bottomEdge.red + bottomEdge.green + bottomEdge.blue)
            << "button at top " << top;
    }
}

TEST(Picture, DataThatIsNoJpegIsRefusedWithAnError)
{
    const std::vector<std::uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    EXPECT_THROW(Must(DecodeJpeg(text, PictureDepth::TrueColour)), Error);
    EXPECT_THROW(Must(DecodeJpeg({}, PictureDepth::TrueColour)), Error);
    const std::vector<std::uint8_t> header(Background().begin(), Background().begin() + 200);
    EXPECT_THROW(Must(DecodeJpeg(header, PictureDepth::Palette236)), Error);
}

}  // namespace
}  // namespace qz
