#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {
namespace {

TEST(Format, ProgramFormatsFollowC) {
  EXPECT_EQ(Format("%4.4d", 7), "0007");
  EXPECT_EQ(Format("%+4.4d", 7), "+0007");
  EXPECT_EQ(Format("%+4.4d", -12), "-0012");
  EXPECT_EQ(Format("%9.3f", 6562.78f), " 6562.780");
  EXPECT_EQ(Format("%6.6ld", 42L), "000042");
  EXPECT_EQ(Format("%3.3d", 5), "005");
  EXPECT_EQ(Format("%10.6f", 9.21f), "  9.210000");
  EXPECT_EQ(Format("%s\\%s%3.3d", "c:", "G", 42), "c:\\G042");
  // Longer than any fixed buffer would hold.
  EXPECT_EQ(Format("%s", std::string(5000, 'x').c_str()).size(), 5000u);
}

TEST(Rounding, HalvesGoTowardZeroOthersToNearest) {
  EXPECT_EQ(RoundHalfTowardZero(2.5), 2);
  EXPECT_EQ(RoundHalfTowardZero(-2.5), -2);
  EXPECT_EQ(RoundHalfTowardZero(2.5000001), 3);
  EXPECT_EQ(RoundHalfTowardZero(2.4999), 2);
  EXPECT_EQ(RoundHalfTowardZero(-2.51), -3);
  EXPECT_EQ(RoundHalfTowardZero(0.5), 0);
  EXPECT_EQ(RoundHalfTowardZero(1e12), 2147483647);
  EXPECT_EQ(RoundHalfTowardZero(-1e12), -2147483647 - 1);
  EXPECT_EQ(TruncateTowardZero(2.99), 2);
  EXPECT_EQ(TruncateTowardZero(-2.99), -2);
  EXPECT_EQ(TruncateTowardZero(0.0 / 0.0), 0);
}

TEST(ShortenLeft, KeepsTheEndOfLongTexts) {
  EXPECT_EQ(ShortenLeft("short", 70), "short");
  EXPECT_EQ(ShortenLeft(std::string(70, 'a'), 70), std::string(70, 'a'));
  const std::string path = "/data/observations/" + std::string(80, 'd') + "/G042.VLT";
  const std::string shortened = ShortenLeft(path, 70);
  EXPECT_EQ(shortened.size(), 70u);
  EXPECT_EQ(shortened.substr(0, 3), "...");
  EXPECT_EQ(shortened.substr(3), path.substr(path.size() - 67));
}

TEST(TimeText, DayMonthYearFiveSpacesTime) {
  const LocalTime t{2026, 3, 7, 4, 5, 9, 120};
  EXPECT_EQ(TimeText(t), "07/03/2026     04:05:09");
  EXPECT_EQ(TimeOfDayText(t), "04:05:09");
}

TEST(VirtualClock, SleepsAdvanceTimeAcrossMidnight) {
  VirtualClock clock({2026, 12, 31, 23, 59, 59, 500});
  ScopedClock installed(clock);
  EXPECT_EQ(ProcessClock().MonotonicMs(), 0);
  WaitSeconds(1.0);
  EXPECT_EQ(clock.MonotonicMs(), 1000);
  EXPECT_EQ(TimeText(clock.Now()), "01/01/2027     00:00:00");
  EXPECT_EQ(clock.Now().millisecond, 500);
  clock.SleepUntilMs(900);  // already past: no change
  EXPECT_EQ(clock.MonotonicMs(), 1000);
  clock.SleepUntilMs(1250);
  EXPECT_EQ(clock.MonotonicMs(), 1250);
}

TEST(NumberText, LeadingNumberOfTheText) {
  EXPECT_EQ(LeadingInt("  42 channels"), 42);
  EXPECT_EQ(LeadingInt("+7"), 7);
  EXPECT_EQ(LeadingInt("-1"), -1);
  EXPECT_EQ(LeadingInt("12abc"), 12);
  EXPECT_FALSE(LeadingInt("abc"));
  EXPECT_FALSE(LeadingInt(""));
  EXPECT_FALSE(LeadingInt("+-3"));
  EXPECT_FALSE(LeadingInt("99999999999"));  // beyond 32 bits
  EXPECT_FLOAT_EQ(*LeadingReal(" 6562.78 A"), 6562.78f);
  EXPECT_FLOAT_EQ(*LeadingReal("1e3"), 1000.0f);
  EXPECT_FLOAT_EQ(*LeadingReal(".5"), 0.5f);
  EXPECT_FLOAT_EQ(*LeadingReal("9,21"), 9.0f);  // a comma ends the number
  EXPECT_FALSE(LeadingReal("nan"));
  EXPECT_FALSE(LeadingReal("inf"));
  EXPECT_FALSE(LeadingReal("1e99"));
  EXPECT_FALSE(LeadingReal("x1"));
}

}  // namespace
}  // namespace velmar
