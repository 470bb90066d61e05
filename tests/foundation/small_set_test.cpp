#include <gtest/gtest.h>

#include <cstring>

#include "foundation/shared_enums.h"

TEST(TransponderSet, HoldsIdsUpTo103InThirteenBytes) {
    static_assert(sizeof(TqelTransponderSet) == 13);
    TqelTransponderSet set;
    EXPECT_TRUE(set.empty());
    for (int id : {0, 9, 103, 104, 255, -1, -8}) {
        set.include(id);
    }
    EXPECT_TRUE(set.contains(103));
    EXPECT_FALSE(set.contains(104));
    EXPECT_FALSE(set.contains(-1));
    EXPECT_EQ(set.count(), 3);

    uint8_t expected[13] = {};
    expected[0] = 0x01;
    expected[1] = 0x02;
    expected[12] = 0x80;
    EXPECT_EQ(0, std::memcmp(set.data(), expected, 13));
    EXPECT_EQ(TqelTransponderSet::fromBytes(expected), set);

    set.exclude(104);
    set.exclude(-1);
    EXPECT_EQ(set.count(), 3);
    set.exclude(9);
    EXPECT_FALSE(set.contains(9));
    EXPECT_NE(TqelTransponderSet::fromBytes(expected), set);
    EXPECT_EQ(set, (TqelTransponderSet{0, 103}));
    set.clear();
    EXPECT_TRUE(set.empty());
}

TEST(SmallSets, ByteAndCalculationSets) {
    static_assert(sizeof(TqelSetOfByte) == 32);
    TqelSetOfByte bytes{0, 255};
    EXPECT_TRUE(bytes.contains(255));
    EXPECT_FALSE(bytes.contains(256));
    EXPECT_EQ(bytes.count(), 2);

    TqelCalculationTypes calcs{calcSpeedInfo, calcGameSpeedDistanceInfo};
    EXPECT_TRUE(calcs.contains(calcGameSpeedDistanceInfo));
    EXPECT_FALSE(calcs.contains(calcHeatmap));
    // Bits past the last calculation type in stored bytes are not members.
    const uint8_t stored[3] = {0x01, 0x00, 0xFC};
    const TqelCalculationTypes read = TqelCalculationTypes::fromBytes(stored);
    EXPECT_EQ(read, calcs);
    EXPECT_EQ(read.count(), 2);
}
