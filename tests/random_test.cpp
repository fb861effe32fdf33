#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvel {
namespace {

TEST(RandomTest, SeededSequenceOfSceneVariantsIsFixed) {
  srand(13101979);
  std::vector<int> variants;
  for (int i = 0; i < 12; ++i) {
    variants.push_back(rand() % 4);
  }
  EXPECT_EQ(variants, (std::vector<int>{1, 1, 3, 0, 2, 0, 2, 3, 1, 2, 3, 1}));
}

TEST(RandomTest, SeedOneRestartsTheInitialSequenceAndValuesStayIn15Bits) {
  srand(1);
  EXPECT_EQ(rand(), 41);
  EXPECT_EQ(rand(), 18467);
  EXPECT_EQ(rand(), 6334);
  srand(0xFFFFFFFFu);
  for (int i = 0; i < 1000; ++i) {
    int r = rand();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 0x7FFF);
  }
}

}  // namespace
}  // namespace korvel
