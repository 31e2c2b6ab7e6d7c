// The picture decoder against libjpeg-turbo used directly: the same file, the
// same floating-point inverse transform and block smoothing, into a plain
// buffer. Run by scripts/bench, which alternates the two and takes medians.
#include "picture.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <vector>

#include <jpeglib.h>

namespace {

const std::vector<std::uint8_t> &PictureFile()
{
    static const std::vector<std::uint8_t> bytes = [] {
        std::ifstream file(QZ_BENCH_PICTURE, std::ios::binary);
        std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (data.empty())
            throw std::runtime_error("cannot read " QZ_BENCH_PICTURE);
        return data;
    }();
    return bytes;
}

// libjpeg's plain calls with its default error handler (the file is valid).
void DecodePlain(const std::vector<std::uint8_t> &jpeg, std::vector<std::uint8_t> &out, int colours)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_FLOAT;
    info.do_block_smoothing = TRUE;
    info.out_color_space = JCS_RGB;
    if (colours > 0) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = colours;
    }
    jpeg_start_decompress(&info);
    const std::size_t rowBytes = static_cast<std::size_t>(info.output_width) * info.output_components;
    out.resize(rowBytes * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + static_cast<std::size_t>(info.output_scanline) * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

void QzDecode24(benchmark::State &state)
{
    const auto &jpeg = PictureFile();
    for (auto _ : state) {
        qz::Result<qz::Picture> picture = qz::DecodeJpeg(jpeg, qz::PictureDepth::TrueColour);
        benchmark::DoNotOptimize(picture->pixels.data());
    }
}

void QzDecode236(benchmark::State &state)
{
    const auto &jpeg = PictureFile();
    for (auto _ : state) {
        qz::Result<qz::Picture> picture = qz::DecodeJpeg(jpeg, qz::PictureDepth::Palette236);
        benchmark::DoNotOptimize(picture->pixels.data());
    }
}

// The baseline: a fresh buffer per decode, as the decoder above allocates one.
void LibjpegRgb(benchmark::State &state)
{
    const auto &jpeg = PictureFile();
    for (auto _ : state) {
        std::vector<std::uint8_t> out;
        DecodePlain(jpeg, out, 0);
        benchmark::DoNotOptimize(out.data());
    }
}

// The same with libjpeg's own 236-colour quantisation (the second reference
// for the palette path).
void LibjpegQuantised236(benchmark::State &state)
{
    const auto &jpeg = PictureFile();
    for (auto _ : state) {
        std::vector<std::uint8_t> out;
        DecodePlain(jpeg, out, qz::kPaletteColours);
        benchmark::DoNotOptimize(out.data());
    }
}

}  // namespace

BENCHMARK(QzDecode24)->Unit(benchmark::kMillisecond);
BENCHMARK(QzDecode236)->Unit(benchmark::kMillisecond);
BENCHMARK(LibjpegRgb)->Unit(benchmark::kMillisecond);
BENCHMARK(LibjpegQuantised236)->Unit(benchmark::kMillisecond);

// One decode per picture depth without the timing loop, for callgrind:
// decode_bench --once qz24 | qz236 | rgb | q236
int main(int argc, char **argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--once") {
        const std::string_view which = argv[2];
        std::vector<std::uint8_t> out;
        if (which == "qz24")
            benchmark::DoNotOptimize(qz::DecodeJpeg(PictureFile(), qz::PictureDepth::TrueColour)->pixels.data());
        else if (which == "qz236")
            benchmark::DoNotOptimize(qz::DecodeJpeg(PictureFile(), qz::PictureDepth::Palette236)->pixels.data());
        else if (which == "rgb")
            DecodePlain(PictureFile(), out, 0);
        else if (which == "q236")
            DecodePlain(PictureFile(), out, qz::kPaletteColours);
        else
            return 2;
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
