// The checked-in loader image is the assembled loader source, byte for
// byte. The build assembles link/loader/Loader.S when it finds the AVR
// toolchain (binutils-avr); without it this test skips.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "link/loader/ELoader.h"

TEST(LoaderImageBuildTest, CheckedInImageEqualsAssembledSource) {
  const std::string path = PELLAR_LOADER_BINARY;
  if (path.empty())
    GTEST_SKIP() << "avr-as, avr-ld or avr-objcopy not found (install binutils-avr): "
                    "the loader source was not assembled, the checked-in image is not compared";
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file) << "assembled loader missing: " << path;
  const std::vector<uint8_t> built((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  ASSERT_EQ(built.size(), static_cast<size_t>(LoaderImageSize));
  for (int i = 0; i < LoaderImageSize; ++i)
    ASSERT_EQ(built[i], LoaderImage[i])
        << "byte " << i << " differs: rebuild target update_loader_image after changing Loader.S";
}
