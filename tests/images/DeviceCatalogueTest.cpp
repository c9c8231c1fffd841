// Rows of the chip catalogue as the choices select them.
#include <gtest/gtest.h>

#include "images/DeviceCatalogue.h"

TEST(DeviceCatalogue, ChoiceIndexesOutsideTheTablesSelectNoRow) {
  EXPECT_EQ(ProcessorAt(0), &ProcessorRows()[0]);
  EXPECT_EQ(ProcessorAt(4), &ProcessorRows()[4]);
  EXPECT_STREQ(ProcessorAt(4)->Name, ProcessorTable[4].Name);
  EXPECT_EQ(ProcessorAt(-1), nullptr);
  EXPECT_EQ(ProcessorAt(5), nullptr);
  EXPECT_EQ(EepromAt(0), &EepromTable[0]);
  EXPECT_EQ(EepromAt(5), &EepromTable[5]);
  EXPECT_EQ(EepromAt(-1), nullptr);
  EXPECT_EQ(EepromAt(6), nullptr);
}
