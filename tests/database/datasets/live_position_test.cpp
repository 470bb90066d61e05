#include <gtest/gtest.h>

#include "database/datasets/live_position.h"

namespace {

TEST(LivePosition, OnFieldIsFalseAtTheOffFieldMark) {
    const struct {
        double X, Y;
        bool Expected;
    } cases[] = {
        {99999.999, 12.0, false}, {99999.999, 99999.999, false}, {3.0, 99999.999, false},
        {99999.998, 12.0, true},  {-99999.999, 0.0, true},       {0.0, 0.0, true},
    };
    for (const auto& c : cases) {
        TqeldbPosition position(1, 2);
        position.setx_pos(c.X);
        position.sety_pos(c.Y);
        EXPECT_EQ(position.OnField(), c.Expected) << c.X << " " << c.Y;
    }
}

TEST(LivePosition, CopiesOwnTheirCounts) {
    TqeldbPosition position(7, 3);
    position.AccelArray() = {1, 2};
    position.setAthleteName(QStringLiteral("Kim"));
    TqeldbPosition copy = position;
    position.AccelArray().push_back(3);
    EXPECT_EQ(copy.DtsID(), 7);
    EXPECT_EQ(copy.TpID(), 3);
    EXPECT_EQ(copy.AthleteName(), QStringLiteral("Kim"));
    EXPECT_EQ(copy.AccelArray(), (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(copy.ActionArray().empty());
}

}  // namespace
