// The whole conversion as a slider move runs it: read the source file, convert, write
// the working image. 1024 x 768 is the largest logo the page takes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "common/bmp_file.h"
#include "prnui/imaging/logo_image.h"
#include "tools/k20tool/local_files.h"

using namespace k20;
using namespace k20::prnui;

namespace {

std::string Picture(int bits) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("k20_bench_" + std::to_string(bits) + ".bmp")).string();
    BmpImage img;
    img.width = 1024;
    img.height = 768;
    img.bitCount = bits;
    img.stride = size_t(BmpStride(1024, bits));
    img.pixels.resize(img.stride * 768);
    std::mt19937 rng(7);
    for (size_t i = 0; i < img.pixels.size(); ++i) img.pixels[i] = uint8_t((i / 3 % 1024) / 4 + rng() % 32);
    auto data = EncodeBmp(img);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return path;
}

void BM_ConvertToMono(benchmark::State& st) {
    static const std::string src = Picture(24);
    tool::LocalFileSystem fs;
    std::string out;
    for (auto _ : st) benchmark::DoNotOptimize(ConvertToMono(fs, src, out, int(st.range(0)), 10, -5));
}
BENCHMARK(BM_ConvertToMono)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

void BM_ConvertToGray(benchmark::State& st) {
    static const std::string src = Picture(24);
    tool::LocalFileSystem fs;
    std::string out;
    for (auto _ : st) benchmark::DoNotOptimize(ConvertToGray(fs, src, out, GrayVariant::Colour, 10, -5));
}
BENCHMARK(BM_ConvertToGray)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

}  // namespace
