// Reading and writing a whole 256 KiB image as an Intel HEX file on the
// local disk.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdint>
#include <random>
#include <vector>

#include "images/HexFileUnit.h"

namespace {

constexpr int32_t ImageSize = 262144;

std::vector<uint8_t> RandomImage() {
  std::mt19937 random(262144);
  std::vector<uint8_t> image(ImageSize);
  for (auto& b : image) b = static_cast<uint8_t>(random());
  return image;
}

// A scratch folder beside the working directory, on the local disk rather
// than a memory file system.
QTemporaryDir LocalDir() { return QTemporaryDir(QStringLiteral("./hexbench-XXXXXX")); }

void BM_ReadHexFile256K(benchmark::State& state) {
  const QTemporaryDir dir = LocalDir();
  if (!dir.isValid()) return state.SkipWithError("cannot create a scratch folder here");
  const QString path = dir.filePath("image.hex");
  const std::vector<uint8_t> image = RandomImage();
  WriteHexFile(path, image.data(), ImageSize);
  std::vector<uint8_t> buffer(ImageSize);
  for (auto _ : state) {
    std::fill(buffer.begin(), buffer.end(), 0xFF);
    ReadHexFile(path, buffer.data(), ImageSize);
    benchmark::DoNotOptimize(buffer.data());
  }
  if (buffer != image) state.SkipWithError("the image read back differs");
  state.SetBytesProcessed(state.iterations() * ImageSize);
}
BENCHMARK(BM_ReadHexFile256K)->Unit(benchmark::kMillisecond);

void BM_WriteHexFile256K(benchmark::State& state) {
  const QTemporaryDir dir = LocalDir();
  if (!dir.isValid()) return state.SkipWithError("cannot create a scratch folder here");
  const QString path = dir.filePath("image.hex");
  const std::vector<uint8_t> image = RandomImage();
  for (auto _ : state) {
    WriteHexFile(path, image.data(), ImageSize);
  }
  state.SetBytesProcessed(state.iterations() * ImageSize);
}
BENCHMARK(BM_WriteHexFile256K)->Unit(benchmark::kMillisecond);

}  // namespace
