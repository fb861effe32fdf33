// The pieces of korvel-capture that hold arithmetic a film depends on: frame rates as exact
// fractions, the 4:3 picture inside frames of other shapes, and the supersampled picture's
// shrinking.
#include <gtest/gtest.h>

#include "film_output.h"
#include "frame_rate.h"

namespace korvel::capture {
namespace {

TEST(FrameRateTest, WholeAndBroadcastRatesAreExactFractionsAndOthersAreRefused) {
  struct Case {
    const char* text;
    int numerator, denominator;  // 0 when refused
  };
  const Case cases[] = {{"60", 60, 1},
                        {"30", 30, 1},
                        {"120", 120, 1},
                        {"59.94", 60000, 1001},
                        {"29.97", 30000, 1001},
                        {"23.976", 24000, 1001},
                        {"119.88", 120000, 1001},
                        {"59.9", 0, 0},
                        {"0", 0, 0},
                        {"1001", 0, 0},
                        {"sixty", 0, 0},
                        {"60fps", 0, 0},
                        {"nan", 0, 0},
                        {"", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto rate = parseFrameRate(c.text);
    ASSERT_EQ(rate.has_value(), c.numerator != 0);
    if (rate) {
      EXPECT_EQ(rate->numerator, c.numerator);
      EXPECT_EQ(rate->denominator, c.denominator);
    }
  }
}

TEST(FrameRateTest, TimeAndSamplesFollowTheFrameCountWithoutDrift) {
  const FrameRate ntsc{60000, 1001};
  // 60,000 frames of 59.94 last exactly 1,001 s.
  EXPECT_DOUBLE_EQ(ntsc.secondsAt(60000), 1001.0);
  EXPECT_EQ(ntsc.samplesAt(60000, 44100), 1001 * 44100);
  const FrameRate sixty{60, 1};
  EXPECT_EQ(sixty.samplesAt(1, 44100), 735);
  // Rounded to the nearest sample, never drifting: each step is 735 or 736.
  for (int64_t n = 1; n < 1000; ++n) {
    const int64_t step = ntsc.samplesAt(n, 44100) - ntsc.samplesAt(n - 1, 44100);
    ASSERT_TRUE(step == 735 || step == 736) << n;
  }
}

TEST(FilmLayoutTest, TheFourByThreePictureSitsCentredWithEvenSides) {
  struct Case {
    int width, height, pictureWidth, pictureHeight;
  };
  const Case cases[] = {{800, 600, 800, 600}, {1920, 1080, 1440, 1080}, {3840, 2160, 2880, 2160},
                        {800, 800, 800, 600}, {96, 54, 72, 54},         {100, 200, 100, 74}};
  for (const Case& c : cases) {
    FilmLayout layout = layoutFor(c.width, c.height, 2);
    EXPECT_EQ(layout.pictureWidth, c.pictureWidth) << c.width << "x" << c.height;
    EXPECT_EQ(layout.pictureHeight, c.pictureHeight) << c.width << "x" << c.height;
    EXPECT_EQ(layout.supersample, 2);
  }
}

TEST(ShrinkTest, EachBlockBecomesItsRoundedMeanAndOpaque) {
  // A 4x2 picture shrunk by 2 into 2x1, written with a stride wider than the row.
  std::vector<uint8_t> from = {
      0, 0, 0, 0, 255, 255, 255, 0, 10, 20, 30, 0, 10, 20, 30, 0,  // row 0
      0, 0, 0, 0, 255, 255, 255, 0, 10, 20, 31, 0, 10, 20, 31, 0,  // row 1
  };
  std::vector<uint8_t> to(12, 7);
  shrinkInto(from.data(), 2, 1, 2, to.data(), 12);
  const std::vector<uint8_t> expected = {128, 128, 128, 255, 10, 20, 31, 255, 7, 7, 7, 7};
  EXPECT_EQ(to, expected);
}

}  // namespace
}  // namespace korvel::capture
