#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "floating/model/CaretLogFormat.h"

namespace quorvane {
namespace {

TEST(CaretLogFormatTest, DecimalNumbersAlwaysShowAFraction) {
    EXPECT_EQ(decimalNumber(12), "12.0");
    EXPECT_EQ(decimalNumber(-0.5), "-0.5");
    EXPECT_EQ(decimalNumber(194.5), "194.5");
    EXPECT_EQ(decimalNumber(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(rectDefaultForm({1, 2.25, 0, 18}), "(1.0, 2.25, 0.0, 18.0)");
}

TEST(CaretLogFormatTest, WholeNumbersTruncateTowardZeroAndKeepOddValuesReadable) {
    EXPECT_EQ(wholeNumber(3.9), "3");
    EXPECT_EQ(wholeNumber(-3.9), "-3");
    EXPECT_EQ(wholeNumber(std::nan("")), "nan");
    EXPECT_EQ(wholeNumber(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(wholeNumber(1e300), "1e+300");
}

}  // namespace
}  // namespace quorvane
