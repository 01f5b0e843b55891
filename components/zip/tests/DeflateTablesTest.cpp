#include "components/zip/DeflateTables.h"

#include <gtest/gtest.h>

TEST(DeflateTablesTest, LengthAndDistanceTablesMatchTheFormat) {
  const unsigned expectedLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                         31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  for (unsigned i = 0; i < 29; ++i) EXPECT_EQ(deflate_format::kLengthBase[i], expectedLengthBase[i]);
  EXPECT_EQ(deflate_format::kDistanceBase[29], 24577);
  EXPECT_EQ(deflate_format::kLengthCodeOf[258 - 3], 28);
  EXPECT_EQ(deflate_format::kLengthCodeOf[257 - 3], 27);
  EXPECT_EQ(deflate_format::DistanceCode(32768 - 1), 29u);
  EXPECT_EQ(deflate_format::DistanceCode(0), 0u);
  EXPECT_EQ(deflate_format::DistanceCode(4), 4u);
}
