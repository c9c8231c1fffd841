#include "link/FtdiChip.h"

namespace {

// The buffers are the data sheets' (the FT232R's smaller one is the 128
// bytes towards the host); the highest rates are ftdi_set_baudrate's
// argument in bit-bang mode (it multiplies by 4) for the fastest baud-rate
// generator setting: 3 MBd on the FT232R, 12 MBd on the H chips.
constexpr TFtdiChipFacts Facts[] = {
    {TFtdiChipType::FT232R, "FT232R", 0x6001, 128, 750'000, 1},
    {TFtdiChipType::FT232H, "FT232H", 0x6014, 1024, 3'000'000, 1},
    {TFtdiChipType::FT2232H, "FT2232H", 0x6010, 4096, 3'000'000, 2},
};

}  // namespace

const TFtdiChipFacts& FtdiChipFacts(TFtdiChipType type) {
  for (const TFtdiChipFacts& f : Facts)
    if (f.Type == type) return f;
  return Facts[0];
}

TFtdiChipType FtdiChipByProduct(uint16_t productId) {
  for (const TFtdiChipFacts& f : Facts)
    if (f.ProductId == productId) return f.Type;
  return TFtdiChipType::Unknown;
}
