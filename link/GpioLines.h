#pragma once
// The line stream's backend on a Linux GPIO chip (a Raspberry Pi's
// header, say), through the kernel's character device, uAPI v2: immediate.
//
// Opening reads the chip (its label and every line's name and user),
// maps the adapter's pins onto its lines, and requests them all in one
// GPIO_V2_GET_LINE_IOCTL: the output pins with their off-state levels
// (GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES, so that they never show another
// level), MISO as an input. A line state is then one
// GPIO_V2_LINE_SET_VALUES_IOCTL carrying only the pins that change (none:
// no call), a MISO sample one GPIO_V2_LINE_GET_VALUES_IOCTL.
//
// The backend puts the off state on the pins before it releases the
// request (destruction). After the release the kernel leaves the lines
// uncontrolled: the wiring's pull resistors hold the card off then.
//
// An ioctl that fails once the lines are held (the chip unplugged, its
// driver gone) throws EAdapterLost: the running command ends as when the
// card stops answering.

#include <cstdint>
#include <memory>
#include <string>

#include "link/AdapterDefinition.h"
#include "link/GpioChip.h"
#include "link/GpioDevice.h"
#include "link/LineBackend.h"

class TGpioLines final : public TLineBackend {
public:
  // The consumer name other programs see on the lines while they are held.
  static constexpr const char* Consumer = "pellar-remake";

  // Opens the chip at `path` and requests the adapter's lines; null and
  // `error` set (one sentence naming the adapter) when it cannot.
  static std::unique_ptr<TGpioLines> Open(TGpioDevice& device, const std::string& path,
                                          const TAdapterDefinition& adapter, std::string& error);
  ~TGpioLines() override;
  TGpioLines(const TGpioLines&) = delete;
  TGpioLines& operator=(const TGpioLines&) = delete;

  void Put(uint8_t lines) override {
    const uint64_t levels = Map.Out[lines];
    if (levels != Current) SetLevels(levels, levels ^ Current);
  }
  bool Miso() override;

  void Sleep(uint32_t ms) override { Device.Sleep(ms); }
  uint32_t TickCount() override { return Device.TickCount(); }
  uint64_t NowNs() override { return Device.NowNs(); }

  std::string AdapterName() const override { return Name; }

private:
  TGpioLines(TGpioDevice& device, int request, TGpioLineMap map, std::string name);
  void SetLevels(uint64_t levels, uint64_t mask);
  [[noreturn]] void Lose(int error) const;

  TGpioDevice& Device;
  int Request;  // the line request's file descriptor
  TGpioLineMap Map;
  uint64_t Current;  // the output pins' levels
  std::string Name;
};

// Why a GPIO chip cannot be opened, from open(2)'s -errno: a missing chip,
// no permission (naming the group that owns the node, `group`, and what
// to do), or the system's text.
std::string GpioOpenErrorText(int error, const std::string& path, const std::string& group);
