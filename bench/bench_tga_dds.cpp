// TGA run-length save and load and a DDS DXT5 save with its full mipmap chain, of one
// 2048 x 2048 picture, beside ImageMagick's `convert` doing the same conversions in the same
// run. The convert figures include its process start and the reading of its input; the
// "convert_baseline" line (read the raw input, write nothing) shows that share.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dds.hpp"
#include "synthetic.hpp"
#include "tga.hpp"

namespace {

constexpr std::uint32_t kSide = 2048;

using Pixels = std::vector<std::uint8_t>;

// A photo-like picture with flat areas, as textures have: the top half quantized to steps of
// 16 so run-length packets of both kinds occur.
const Pixels& Picture() {
  static const Pixels picture = [] {
    Pixels px = ondrel_test::PhotoLike(kSide, kSide, 4, true);
    for (std::size_t i = 0; i < px.size() / 2; ++i) px[i] = static_cast<std::uint8_t>(px[i] & 0xF0);
    return px;
  }();
  return picture;
}

std::array<std::uint8_t, 18> TgaHeader() {
  std::array<std::uint8_t, 18> h{};
  h[2] = 10;
  ormel::StoreU16LE(&h[12], kSide);
  ormel::StoreU16LE(&h[14], kSide);
  h[16] = 32;
  h[17] = 0x28;  // 8 alpha bits, top row first
  return h;
}

Pixels TgaFile() {
  auto header = TgaHeader();
  const auto block = ormel::tga::Encode(Picture(), header);
  Pixels file(header.size() + block.size());
  std::copy(header.begin(), header.end(), file.begin());
  std::copy(block.data(), block.data() + block.size(), file.begin() + header.size());
  return file;
}

std::array<std::uint8_t, 128> Dxt5Head() {
  std::array<std::uint8_t, 128> h{};
  ormel::StoreU32LE(&h[0], 0x20534444);
  ormel::StoreU32LE(&h[12], kSide);
  ormel::StoreU32LE(&h[16], kSide);
  ormel::StoreU32LE(&h[28], 15);  // every reduced level: 10 levels, 2048 down to 4 x 4
  ormel::StoreU32LE(&h[80], 4);
  ormel::StoreU32LE(&h[84], 0x35545844);
  return h;
}

void BM_Ours_TgaRleSave(benchmark::State& state) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto header = TgaHeader();
    const auto block = ormel::tga::Encode(Picture(), header);
    bytes = block.size();
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["file_bytes"] = static_cast<double>(bytes + 18);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Picture().size()));
}

void BM_Ours_TgaRleLoad(benchmark::State& state) {
  const Pixels file = TgaFile();
  Pixels out(Picture().size());
  for (auto _ : state) {
    ormel::tga::Decode(file, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}

void BM_Ours_DdsDxt5MipmapSave(benchmark::State& state) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto head = Dxt5Head();
    const auto block = ormel::dds::Encode(Picture(), head);
    bytes = block.size();
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Picture().size()));
}

// The peer's inputs, written once into a temporary folder.
struct PeerFiles {
  std::filesystem::path folder;
  std::string raw, tga, size;
  PeerFiles() {
    folder = std::filesystem::temp_directory_path() / "ondrel_bench_tga_dds";
    std::filesystem::create_directories(folder);
    raw = (folder / "picture.bgra").string();
    tga = (folder / "picture_rle.tga").string();
    size = std::to_string(kSide) + "x" + std::to_string(kSide);
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(Picture().data()),
               static_cast<std::streamsize>(Picture().size()));
    const Pixels file = TgaFile();
    std::ofstream(tga, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  }
  std::string Out(const char* name) const { return (folder / name).string(); }
};

const PeerFiles& Peer() {
  static const PeerFiles files;
  return files;
}

void RunConvert(benchmark::State& state, const std::string& arguments) {
  const std::string command = "convert " + arguments + " >/dev/null 2>&1";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError(("failed: " + command).c_str());
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Picture().size()));
}

std::string RawInput() { return "-size " + Peer().size + " -depth 8 bgra:" + Peer().raw; }

void BM_Convert_Baseline(benchmark::State& state) { RunConvert(state, RawInput() + " null:"); }

void BM_Convert_TgaRleSave(benchmark::State& state) {
  RunConvert(state, RawInput() + " -compress RLE " + Peer().Out("convert_rle.tga"));
}

void BM_Convert_TgaRleLoad(benchmark::State& state) { RunConvert(state, Peer().tga + " null:"); }

void BM_Convert_DdsDxt5MipmapSave(benchmark::State& state) {
  RunConvert(state, RawInput() + " -define dds:compression=dxt5 -define dds:mipmaps=9 " +
                        Peer().Out("convert_dxt5.dds"));
}

}  // namespace

BENCHMARK(BM_Ours_TgaRleSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Convert_TgaRleSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Ours_TgaRleLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Convert_TgaRleLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Ours_DdsDxt5MipmapSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Convert_DdsDxt5MipmapSave)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_Convert_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
