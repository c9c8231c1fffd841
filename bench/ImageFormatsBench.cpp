// Reading and writing a whole 256 KiB image as Intel HEX, S-records and a
// binary file, and reading a 32 KiB ELF file, on the local disk.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <random>
#include <vector>

#include "images/BinaryFile.h"
#include "images/ElfFile.h"
#include "images/HexFileUnit.h"
#include "images/ImageFormats.h"
#include "images/SRecordFile.h"
#include "tests/images/ElfBuilder.h"

namespace {

constexpr int32_t ImageSize = 262144;

std::vector<uint8_t> RandomImage(size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::vector<uint8_t> image(size);
  for (auto& b : image) b = static_cast<uint8_t>(random());
  return image;
}

// A scratch folder beside the working directory, on the local disk rather
// than a memory file system.
QTemporaryDir LocalDir() { return QTemporaryDir(QStringLiteral("./imagebench-XXXXXX")); }

using TReader = void (*)(const QString&, uint8_t*, int32_t);
using TWriter = void (*)(const QString&, const uint8_t*, int32_t);

void ReadBench(benchmark::State& state, TWriter write, TReader read, const char* name) {
  const QTemporaryDir dir = LocalDir();
  if (!dir.isValid()) return state.SkipWithError("cannot create a scratch folder here");
  const QString path = dir.filePath(QString::fromLatin1(name));
  const std::vector<uint8_t> image = RandomImage(ImageSize);
  write(path, image.data(), ImageSize);
  std::vector<uint8_t> buffer(ImageSize);
  for (auto _ : state) {
    std::fill(buffer.begin(), buffer.end(), 0xFF);
    read(path, buffer.data(), ImageSize);
    benchmark::DoNotOptimize(buffer.data());
  }
  if (buffer != image) state.SkipWithError("the image read back differs");
  state.SetBytesProcessed(state.iterations() * ImageSize);
}

void WriteBench(benchmark::State& state, TWriter write, const char* name) {
  const QTemporaryDir dir = LocalDir();
  if (!dir.isValid()) return state.SkipWithError("cannot create a scratch folder here");
  const QString path = dir.filePath(QString::fromLatin1(name));
  const std::vector<uint8_t> image = RandomImage(ImageSize);
  for (auto _ : state) write(path, image.data(), ImageSize);
  state.SetBytesProcessed(state.iterations() * ImageSize);
}

// Each format read and written through a file of its own on the local
// disk: BM_ReadFile256K/Hex, BM_WriteFile256K/SRecord and so on.
void BM_ReadFile256K(benchmark::State& state, TWriter write, TReader read, const char* name) {
  ReadBench(state, write, read, name);
}
void BM_WriteFile256K(benchmark::State& state, TWriter write, const char* name) {
  WriteBench(state, write, name);
}
BENCHMARK_CAPTURE(BM_ReadFile256K, Hex, WriteHexFile, ReadHexFile, "image.hex")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFile256K, Hex, WriteHexFile, "image.hex")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFile256K, SRecord, WriteSRecordFile, ReadSRecordFile, "image.srec")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFile256K, SRecord, WriteSRecordFile, "image.srec")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFile256K, Binary, WriteBinaryFile, ReadBinaryFile, "image.bin")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFile256K, Binary, WriteBinaryFile, "image.bin")
    ->Unit(benchmark::kMillisecond);

// The same writes to /dev/null, which is written to directly: the records'
// text and the write calls without the temporary file, its flush to the
// disk (QSaveFile's fdatasync on commit) and the rename. The difference to
// the runs above is the price of a save that survives a power cut.
void BM_WriteToDevNull256K(benchmark::State& state, TWriter write) {
  const std::vector<uint8_t> image = RandomImage(ImageSize);
  for (auto _ : state) write(QStringLiteral("/dev/null"), image.data(), ImageSize);
  state.SetBytesProcessed(state.iterations() * ImageSize);
}
BENCHMARK_CAPTURE(BM_WriteToDevNull256K, SRecord, WriteSRecordFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteToDevNull256K, Binary, WriteBinaryFile)->Unit(benchmark::kMillisecond);

// The one load the window uses: detection, a first pass for the layout and
// the copy into the image, on top of the S-record reader.
void BM_LoadImageFileSRecord256K(benchmark::State& state) {
  ReadBench(
      state, WriteSRecordFile,
      [](const QString& path, uint8_t* buffer, int32_t size) {
        LoadImageFile(path, imExtEE, buffer, size);
      },
      "image.srec");
}
BENCHMARK(BM_LoadImageFileSRecord256K)->Unit(benchmark::kMillisecond);

void BM_ReadElfFile32K(benchmark::State& state) {
  const QTemporaryDir dir = LocalDir();
  if (!dir.isValid()) return state.SkipWithError("cannot create a scratch folder here");
  // As avr-gcc lays out a program filling a 32 KiB flash: code, the data
  // copied to SRAM at start-up, EEPROM contents.
  constexpr int32_t FlashSize = 32768;
  const std::vector<uint8_t> flash = RandomImage(FlashSize);
  const std::vector<uint8_t> code(flash.begin(), flash.end() - 1024),
      data(flash.end() - 1024, flash.end());
  const std::string file = elftest::BuildElf(
      {{0, 0, code}, {FlashSize - 1024, 0x800100, data}, {0x810000, 0x810000, RandomImage(512)}});
  const QString path = dir.filePath(QStringLiteral("image.elf"));
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(file.data(), static_cast<qint64>(file.size())) != qint64(file.size()))
    return state.SkipWithError("cannot write the ELF file");
  out.close();
  std::vector<uint8_t> buffer(FlashSize);
  for (auto _ : state) {
    std::fill(buffer.begin(), buffer.end(), 0xFF);
    ReadElfFile(path, imFlash, buffer.data(), FlashSize);
    benchmark::DoNotOptimize(buffer.data());
  }
  if (buffer != flash) state.SkipWithError("the flash image read differs");
  state.SetBytesProcessed(state.iterations() * FlashSize);
}
BENCHMARK(BM_ReadElfFile32K)->Unit(benchmark::kMillisecond);

}  // namespace
