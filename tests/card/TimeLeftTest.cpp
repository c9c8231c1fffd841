// The time left of a card command from the pace of the work done so far.
#include <gtest/gtest.h>

#include "card/TimeLeft.h"

TEST(TimeLeft, ThePaceSoFarForTheRest) {
  TTimeLeft t;
  EXPECT_FALSE(t.Active());
  t.Plan(10000, 1000);
  t.Advance(100);  // 1 %: too little to tell
  EXPECT_EQ(t.SecondsLeft(3000), -1);
  t.Advance(2400);  // a quarter in 4 s: 12 s to go
  EXPECT_EQ(t.SecondsLeft(5000), 12);
  EXPECT_EQ(TTimeLeft::Text(12), "12 s left");
  // A second plan (the command knows more) keeps the work and the clock.
  t.Plan(20000, 6000);
  EXPECT_EQ(t.SecondsLeft(5000), 28);
  t.Advance(-50);  // a bar set back is no work
  t.Advance(17500);
  EXPECT_EQ(t.SecondsLeft(5000), 0);
  t.End();
  EXPECT_EQ(t.SecondsLeft(5000), -1);

  EXPECT_EQ(TTimeLeft::Text(-1), "");
  EXPECT_EQ(TTimeLeft::Text(200), "3 min 20 s left");
  EXPECT_EQ(TTimeLeft::Text(3 * 3600 + 5 * 60), "3 h 05 min left");
}
