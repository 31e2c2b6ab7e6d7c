// The background as each Windows build decodes it, from the program's own
// resource, at both depths: the pixels and the palette must stay exactly
// those of the release that set these hashes, whatever is changed in how
// the picture or the library is built. A deliberate change of the picture
// prints the new hashes to put here.
#include "checks.h"
#include "picture.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using qz::wine::Check;
using qz::wine::Print;

// FNV-1a, 64 bits, over the layout and every byte that a paint would use.
class Fnv {
public:
    void Add(const void *data, std::size_t size)
    {
        const auto *bytes = static_cast<const std::uint8_t *>(data);
        for (std::size_t i = 0; i < size; ++i) {
            value_ ^= bytes[i];
            value_ *= 0x100000001b3ULL;
        }
    }
    void Add(int number) { Add(&number, sizeof number); }
    std::uint64_t Value() const { return value_; }

private:
    std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

// 0 for a picture that failed to decode.
std::uint64_t Hash(const qz::Result<qz::Picture> &decoded)
{
    if (!decoded)
        return 0;
    const qz::Picture &picture = *decoded;
    Fnv hash;
    hash.Add(picture.width);
    hash.Add(picture.height);
    hash.Add(picture.bitsPerPixel);
    hash.Add(picture.stride);
    hash.Add(picture.pixels.data(), picture.pixels.size());
    hash.Add(picture.palette.data(), picture.palette.size() * sizeof(qz::PaletteEntry));
    return hash.Value();
}

std::string Hex(std::uint64_t value)
{
    char text[19];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(value));
    return text;
}

// The i686 build computes the float transform on the x87 unit, the x86_64
// build with SSE: each has its own exact result.
#if defined(__x86_64__)
constexpr const char *kBuild = "x86_64";
constexpr std::uint64_t kTrueColour = 0x14172c7940488246ULL;
constexpr std::uint64_t kPalette = 0xdcc5fcf29b60022aULL;
#else
constexpr const char *kBuild = "i686";
constexpr std::uint64_t kTrueColour = 0x498c92c29dfc6d56ULL;
constexpr std::uint64_t kPalette = 0xd6dcc4cb78e5e018ULL;
#endif

}  // namespace

int wmain()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(instance, L"BACKGROUND", MAKEINTRESOURCEW(10));
    Check(found != nullptr, "the picture is among the program's resources");
    if (found == nullptr)
        return qz::wine::Finish();
    const auto *bytes = static_cast<const std::uint8_t *>(LockResource(LoadResource(instance, found)));
    const std::span<const std::uint8_t> jpeg(bytes, SizeofResource(instance, found));

    const std::uint64_t trueColour = Hash(qz::DecodeJpeg(jpeg, qz::PictureDepth::TrueColour));
    const std::uint64_t palette = Hash(qz::DecodeJpeg(jpeg, qz::PictureDepth::Palette236));
    Print(std::string(kBuild) + ": 24-bit " + Hex(trueColour) + ", 236 colours " + Hex(palette));
    Check(trueColour == kTrueColour, "the 24-bit pixels are exactly the release's", Hex(kTrueColour));
    Check(palette == kPalette, "the 236-colour pixels and palette are exactly the release's", Hex(kPalette));
    return qz::wine::Finish();
}
