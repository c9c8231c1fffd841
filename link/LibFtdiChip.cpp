#include "link/LibFtdiChip.h"

#include <ftdi.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "link/PortIo.h"

TLibFtdiChip::TLibFtdiChip() : Context(ftdi_new()) {}

TLibFtdiChip::~TLibFtdiChip() {
  if (!Context) return;
  if (IsOpen) ftdi_usb_close(Context);
  ftdi_free(Context);
}

int TLibFtdiChip::Open(uint16_t vendor, uint16_t product, const std::string& serial,
                       int interfaceIndex) {
  if (!Context) return -100;
  const int chosen = ftdi_set_interface(Context, static_cast<ftdi_interface>(INTERFACE_A + interfaceIndex));
  if (chosen < 0) return chosen;
  // libftdi's default detaches the serial driver for good; this brings
  // /dev/ttyUSBn back when the chip is closed.
  Context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
  const int opened = ftdi_usb_open_desc(Context, vendor, product, nullptr,
                                        serial.empty() ? nullptr : serial.c_str());
  IsOpen = opened == 0;
  return opened;
}

TFtdiChipType TLibFtdiChip::Type() const {
  if (!Context) return TFtdiChipType::Unknown;
  switch (Context->type) {
    case TYPE_R: return TFtdiChipType::FT232R;
    case TYPE_232H: return TFtdiChipType::FT232H;
    case TYPE_2232H: return TFtdiChipType::FT2232H;
    default: return TFtdiChipType::Unknown;
  }
}

int TLibFtdiChip::SetLatencyTimer(uint8_t ms) { return ftdi_set_latency_timer(Context, ms); }

int TLibFtdiChip::SetBitMode(uint8_t outputMask, uint8_t mode) {
  return ftdi_set_bitmode(Context, outputMask, mode);
}

int TLibFtdiChip::SetBaudRate(int rate) { return ftdi_set_baudrate(Context, rate); }

int TLibFtdiChip::Flush() { return ftdi_tcioflush(Context); }

int TLibFtdiChip::WriteData(const uint8_t* data, int size) {
  return ftdi_write_data(Context, data, size);
}

int TLibFtdiChip::ReadData(uint8_t* data, int size) {
  // libftdi1 asks USB for a chunk of bytes at a time, and a USB read ends
  // when the chunk is full or a short packet comes; ftdi_read_data then
  // reads on until `size` bytes have come. The chip sends a full packet at
  // once and a short one only when its latency timer runs out. So a read
  // asks for whole packets while a packet's worth is outstanding, in a
  // chunk of just those packets: it ends as the last of them comes, and
  // only the tail of a transfer waits for the timer. (A new chunk size
  // drops what libftdi1 still holds, so it changes only when that is
  // nothing.)
  const int packet = static_cast<int>(Context->max_packet_size);
  if (packet > 2) {
    const int payload = packet - 2;  // two status bytes a packet
    // libftdi1 takes at most 16 KiB a chunk on Linux.
    const int packets = std::clamp(size / payload, 1, 16384 / packet);
    if (size >= payload) size = packets * payload;
    const auto chunk = static_cast<unsigned>(packets * packet);
    if (chunk != Context->readbuffer_chunksize && Context->readbuffer_remaining == 0)
      ftdi_read_data_set_chunksize(Context, chunk);
  }
  return ftdi_read_data(Context, data, size);
}

int TLibFtdiChip::Close() {
  if (!IsOpen) return 0;
  IsOpen = false;
  return ftdi_usb_close(Context);
}

std::string TLibFtdiChip::ErrorText() const {
  if (!Context) return "out of memory";
  const char* text = ftdi_get_error_string(Context);
  return text ? text : "";
}

TFtdiPace TLibFtdiChip::Pace(uint32_t rate) const {
  TFtdiPace pace;
  pace.StateNs = rate ? 1'000'000'000ull / rate : 0;
  // The FT232R's synchronous mode does not keep its baud-rate clock's pace
  // (a byte read back for every byte written); 2 us a state is what to
  // plan with, and below its highest rate, where its timing is irregular,
  // twice the rate's byte time. A wait inside a transfer counts on the
  // chip having applied what it holds by then.
  if (Type() == TFtdiChipType::FT232R) {
    if (rate < FtdiChipFacts(TFtdiChipType::FT232R).HighestRate) pace.StateNs *= 2;
    pace.StateNs = std::max<uint64_t>(pace.StateNs, 2000);
  }
  // A transfer's last partial packet waits for the latency timer (1 ms).
  pace.RoundTripNs = 1'000'000;
  return pace;
}

void TLibFtdiChip::SleepNs(uint64_t ns) { std::this_thread::sleep_for(std::chrono::nanoseconds(ns)); }

uint64_t TLibFtdiChip::NowNs() { return RealNowNs(); }

namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute, or "".
std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (in) std::getline(in, line);
  return line;
}

uint16_t HexAttribute(const fs::path& file) {
  const std::string text = Attribute(file);
  try {
    size_t used = 0;
    const unsigned long value = std::stoul(text, &used, 16);
    return used == text.size() && value <= 0xFFFF ? static_cast<uint16_t>(value) : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace

std::vector<TFtdiDeviceInfo> TLibFtdiBus::List(const std::vector<uint32_t>& ids) {
  std::vector<TFtdiDeviceInfo> found;
  std::error_code error;
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(Devices, error)) entries.push_back(entry.path());
  // A stable order: by bus path.
  std::sort(entries.begin(), entries.end());
  for (const fs::path& dir : entries) {
    const std::string name = dir.filename().string();
    // Interfaces are "1-1:1.0"; devices have no colon.
    if (name.find(':') != std::string::npos) continue;
    TFtdiDeviceInfo info;
    info.Vendor = HexAttribute(dir / "idVendor");
    info.Product = HexAttribute(dir / "idProduct");
    const uint32_t id = uint32_t{info.Vendor} << 16 | info.Product;
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) continue;
    info.Serial = Attribute(dir / "serial");
    info.Description = Attribute(dir / "product");
    info.BusPath = name;
    // The serial ports of its interfaces ("1-1:1.0/ttyUSB0").
    std::vector<std::string> ports;
    for (const auto& sub : fs::directory_iterator(dir, error)) {
      const std::string subName = sub.path().filename().string();
      if (subName.rfind(name + ":", 0) != 0) continue;
      for (const auto& node : fs::directory_iterator(sub.path(), error)) {
        const std::string nodeName = node.path().filename().string();
        if (nodeName.rfind("ttyUSB", 0) == 0) ports.push_back("/dev/" + nodeName);
      }
    }
    std::sort(ports.begin(), ports.end());
    info.SerialPorts = std::move(ports);
    found.push_back(std::move(info));
  }
  return found;
}

std::unique_ptr<TFtdiChip> TLibFtdiBus::NewChip() { return std::make_unique<TLibFtdiChip>(); }
