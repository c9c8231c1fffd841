// The GPIO stand-in answers the character device's ioctls as the kernel
// documents them (linux/gpio.h, uAPI v2): what the GPIO adapter's tests
// learn from it holds on a real chip only if its refusals are the
// kernel's.
#include <gtest/gtest.h>
#include <linux/gpio.h>

#include <cerrno>
#include <cstring>

#include "sim/GpioStandIn.h"

namespace {

gpio_v2_line_request Request(std::initializer_list<uint32_t> offsets, uint64_t flags) {
  gpio_v2_line_request r{};
  for (uint32_t offset : offsets) r.offsets[r.num_lines++] = offset;
  std::strcpy(r.consumer, "test");
  r.config.flags = flags;
  return r;
}

TEST(GpioStandIn, AnswersAsTheKernelDocuments) {
  TGpioStandIn standIn(TVirtualCardConfig{}, 1000);
  TStandInChip chip = TGpioStandIn::RaspberryPiChip("/dev/gpiochip0");
  const size_t index = standIn.AddChip(chip);
  standIn.Chip(index).HeldBy[8] = "spi0";
  EXPECT_EQ(standIn.Open("/dev/gpiochip9"), -ENOENT);
  const int fd = standIn.Open("/dev/gpiochip0");
  ASSERT_GE(fd, 0);

  gpiochip_info info{};
  ASSERT_EQ(standIn.Ioctl(fd, GPIO_GET_CHIPINFO_IOCTL, &info), 0);
  EXPECT_STREQ(info.name, "gpiochip0");
  EXPECT_STREQ(info.label, "pinctrl-bcm2711");
  EXPECT_EQ(info.lines, 58u);

  gpio_v2_line_info line{};
  line.offset = 8;
  ASSERT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINEINFO_IOCTL, &line), 0);
  EXPECT_STREQ(line.name, "GPIO8");
  EXPECT_STREQ(line.consumer, "spi0");
  EXPECT_TRUE(line.flags & GPIO_V2_LINE_FLAG_USED);
  line = {};
  line.offset = 58;
  EXPECT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINEINFO_IOCTL, &line), -EINVAL);
  line = {};
  line.padding[1] = 1;
  EXPECT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINEINFO_IOCTL, &line), -EINVAL);

  // Requests: no lines, a line past the chip, contradictory flags, a line
  // in use or asked for twice.
  auto r = Request({}, GPIO_V2_LINE_FLAG_OUTPUT);
  EXPECT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINE_IOCTL, &r), -EINVAL);
  r = Request({58}, GPIO_V2_LINE_FLAG_OUTPUT);
  EXPECT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINE_IOCTL, &r), -EINVAL);
  r = Request({17}, GPIO_V2_LINE_FLAG_OUTPUT | GPIO_V2_LINE_FLAG_INPUT);
  EXPECT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINE_IOCTL, &r), -EINVAL);
  r = Request({17}, GPIO_V2_LINE_FLAG_BIAS_PULL_UP);
  EXPECT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINE_IOCTL, &r), -EINVAL);
  r = Request({17, 8}, GPIO_V2_LINE_FLAG_OUTPUT);
  EXPECT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINE_IOCTL, &r), -EBUSY);
  r = Request({17, 17}, GPIO_V2_LINE_FLAG_OUTPUT);
  EXPECT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINE_IOCTL, &r), -EBUSY);
  EXPECT_EQ(standIn.LineRequests(), 0u);

  // An output and an input: only the output's value may be set; a mask
  // naming no requested line is refused.
  r = Request({17, 25}, GPIO_V2_LINE_FLAG_OUTPUT);
  r.config.num_attrs = 2;
  r.config.attrs[0].attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
  r.config.attrs[0].attr.flags = GPIO_V2_LINE_FLAG_INPUT;
  r.config.attrs[0].mask = 0b10;
  r.config.attrs[1].attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
  r.config.attrs[1].attr.values = 0b01;
  r.config.attrs[1].mask = 0b01;
  ASSERT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINE_IOCTL, &r), 0);
  const int lines = r.fd;
  line = {};
  line.offset = 17;
  ASSERT_EQ(standIn.Ioctl(fd, GPIO_V2_GET_LINEINFO_IOCTL, &line), 0);
  EXPECT_STREQ(line.consumer, "test");
  EXPECT_EQ(line.flags, GPIO_V2_LINE_FLAG_USED | GPIO_V2_LINE_FLAG_OUTPUT);
  gpio_v2_line_values values{};
  values.mask = 0b01;
  ASSERT_EQ(standIn.Ioctl(lines, GPIO_V2_LINE_GET_VALUES_IOCTL, &values), 0);
  EXPECT_EQ(values.bits, 0b01u);  // its first value
  values = {0, 0b10};
  EXPECT_EQ(standIn.Ioctl(lines, GPIO_V2_LINE_SET_VALUES_IOCTL, &values), -EPERM);
  values = {0, 0b100};
  EXPECT_EQ(standIn.Ioctl(lines, GPIO_V2_LINE_SET_VALUES_IOCTL, &values), -EINVAL);
  values = {0, 0};
  EXPECT_EQ(standIn.Ioctl(lines, GPIO_V2_LINE_GET_VALUES_IOCTL, &values), -EINVAL);
  values = {0, 0b01};
  EXPECT_EQ(standIn.Ioctl(lines, GPIO_V2_LINE_SET_VALUES_IOCTL, &values), 0);

  // Closing the chip leaves the request; the chip going fails it with
  // ENODEV, and its node with ENOENT.
  standIn.Close(fd);
  EXPECT_EQ(standIn.Ioctl(lines, GPIO_V2_LINE_GET_VALUES_IOCTL, &values), 0);
  standIn.Remove(index);
  EXPECT_EQ(standIn.Ioctl(lines, GPIO_V2_LINE_GET_VALUES_IOCTL, &values), -ENODEV);
  EXPECT_EQ(standIn.Open("/dev/gpiochip0"), -ENOENT);
  standIn.Close(lines);
  EXPECT_EQ(standIn.OpenDescriptors(), 0u);
}

}  // namespace
