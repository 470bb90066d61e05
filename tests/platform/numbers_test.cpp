#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/exception.h"
#include "platform/numbers.h"

TEST(Round, HalvesGoToEven) {
    const struct {
        double value;
        int64_t expected;
    } cases[] = {{0.5, 0},   {1.5, 2},     {2.5, 2},  {-0.5, 0},   {-1.5, -2},
                 {-2.5, -2}, {0.49999, 0}, {2.51, 3}, {-2.51, -3}, {1e15 + 0.5, 1000000000000000}};
    for (const auto& c : cases) {
        EXPECT_EQ(Round(c.value), c.expected) << c.value;
    }
}

TEST(Round, RaisesInsteadOfUndefinedConversion) {
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e19, -1e19}) {
        EXPECT_THROW(Round(bad), EInvalidOp) << bad;
        EXPECT_THROW(Trunc(bad), EInvalidOp) << bad;
    }
    EXPECT_EQ(qel::RoundToInt32(2147483647.4), 2147483647);
    EXPECT_THROW(qel::RoundToInt32(2147483647.5), EInvalidOp);
    EXPECT_EQ(qel::TruncToInt32(-2147483648.9), -2147483647 - 1);
    EXPECT_THROW(qel::TruncToInt32(-2147483649.0), EInvalidOp);
    EXPECT_EQ(Trunc(-2.9), -2);
}

TEST(Round, SaturatedNeverRaises) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int32_t expected;
    } cases[] = {{2.5, 2},
                 {3.5, 4},
                 {-2.5, -2},
                 {std::nan(""), 0},
                 {2147483647.4, 2147483647},
                 {2147483647.5, 2147483647},
                 {1e19, 2147483647},
                 {inf, 2147483647},
                 {-2147483648.5, -2147483647 - 1},
                 {-inf, -2147483647 - 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(qel::RoundToInt32Saturated(c.value), c.expected) << c.value;
    }
}

TEST(Exception, KeepsClassNameAndMessage) {
    try {
        qel::Assert(false, QStringLiteral("A TlpmPort can only be created with a valid event."));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.ClassName(), QStringLiteral("EAssertionFailed"));
        EXPECT_EQ(qel::DescribeException(e),
                  QStringLiteral(
                      "EAssertionFailed - A TlpmPort can only be created with a valid event."));
    }
}
