#include "model/transponder/field_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "model/transponder/record_stream.h"

namespace {

// Written from the box layout: LeftTop (-52,500, 34,000), RightBottom (52,500, -34,000).
const uint8_t kBox[16] = {
    0xEC, 0x32, 0xFF, 0xFF, 0xD0, 0x84, 0x00, 0x00,  // LeftTop
    0x14, 0xCD, 0x00, 0x00, 0x30, 0x7B, 0xFF, 0xFF,  // RightBottom
};

// Written from the GPS layout (doubles at the odd offsets 4, 12 and 33).
const uint8_t kGPS[41] = {
    0xE8, 0x03, 0x00, 0x00,                          //  0 TimeInMS 1,000
    0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x47, 0x40,  //  4 Latitude 47.5
    0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x20, 0x40,  // 12 Longitude 8.25
    0xE8, 0x03, 0x00, 0x00,                          // 20 XinMM 1,000
    0x30, 0xF8, 0xFF, 0xFF,                          // 24 YinMM -2,000
    0x96, 0x00, 0x00, 0x00,                          // 28 ZinMM 150
    0x01,                                            // 32 Valid
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,  // 33 Direction 1.5
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();

RqelFieldBox Pitch() {
    return {{-52500, 34000}, {52500, -34000}};
}

}  // namespace

TEST(FieldBox, WritesAndReadsTheHandWrittenBytes) {
    EXPECT_EQ(WrittenBytes(Pitch()), Fixture(kBox));
    const auto read = ReadRecord<RqelFieldBox>(kBox);
    EXPECT_EQ(read.LeftTop.XinMM, -52500);
    EXPECT_EQ(read.LeftTop.YinMM, 34000);
    EXPECT_EQ(read.RightBottom.XinMM, 52500);
    EXPECT_EQ(read.RightBottom.YinMM, -34000);
    EXPECT_EQ(read.LengthInMM(), 105000);
    EXPECT_EQ(read.WidthInMM(), 68000);
}

TEST(FieldBox, PositionInBoxIncludesBordersAndPassesNaN) {
    const struct {
        double x, y;
        bool inside;
    } cases[] = {
        {0, 0, true},         {-52500, 0, true},     {52500, 0, true},    {0, 34000, true},
        {0, -34000, true},    {-52500, 34000, true}, {52500.5, 0, false}, {-52500.5, 0, false},
        {0, 34000.5, false},  {0, -34001, false},    {kNaN, 0, true},     {0, kNaN, true},
        {kNaN, 40000, false}, {60000, kNaN, false},  {kNaN, kNaN, true},
    };
    const RqelFieldBox box = Pitch();
    for (const auto& c : cases) {
        EXPECT_EQ(box.PositionInBox(c.x, c.y), c.inside) << c.x << ", " << c.y;
    }
}

TEST(FieldBox, PointOperationsOnBothCorners) {
    RqelFieldBox box = Pitch();
    box.Transpose(1000, -500);
    EXPECT_EQ(box.LeftTop.XinMM, -51500);
    EXPECT_EQ(box.LeftTop.YinMM, 33500);
    EXPECT_EQ(box.RightBottom.XinMM, 53500);
    EXPECT_EQ(box.RightBottom.YinMM, -34500);

    // The corners are not re-ordered: after a quarter turn LeftTop is no longer the left top.
    box = Pitch();
    box.Rotate90Deg();
    EXPECT_EQ(box.LeftTop.XinMM, -34000);
    EXPECT_EQ(box.LeftTop.YinMM, -52500);
    EXPECT_EQ(box.RightBottom.XinMM, 34000);
    EXPECT_EQ(box.RightBottom.YinMM, 52500);
    EXPECT_EQ(box.LengthInMM(), 68000);
    EXPECT_EQ(box.WidthInMM(), 105000);
    EXPECT_FALSE(box.PositionInBox(0, 0));

    RqelFieldBox turned = Pitch();
    turned.Rotate(90);
    EXPECT_EQ(WrittenBytes(turned), WrittenBytes(box));
}

TEST(GPSPosition, WritesAndReadsTheHandWrittenBytes) {
    RqelGPSPosition position;
    position.setTimeInMS(1000);
    position.setLatitude(47.5);
    position.setLongitude(8.25);
    position.setXinMM(1000);
    position.setYinMM(-2000);
    position.setZinMM(150);
    position.setValid(true);
    position.setDirection(1.5);
    EXPECT_EQ(WrittenBytes(position), Fixture(kGPS));

    const auto read = ReadRecord<RqelGPSPosition>(kGPS);
    EXPECT_EQ(read.TimeInMS(), 1000);
    EXPECT_EQ(read.Latitude(), 47.5);
    EXPECT_EQ(read.Longitude(), 8.25);
    EXPECT_EQ(read.XinMM(), 1000);
    EXPECT_EQ(read.YinMM(), -2000);
    EXPECT_EQ(read.ZinMM(), 150);
    EXPECT_TRUE(read.Valid());
    EXPECT_EQ(read.Direction(), 1.5);
}

TEST(GPSPosition, ClearKeepsTheTimeAndRotateTurnsXY) {
    RqelGPSPosition position = ReadRecord<RqelGPSPosition>(kGPS);
    position.RotateRAD(std::numbers::pi / 2);
    EXPECT_EQ(position.XinMM(), 2000);
    EXPECT_EQ(position.YinMM(), 1000);
    EXPECT_EQ(position.ZinMM(), 150);
    EXPECT_EQ(position.Latitude(), 47.5);

    position.Clear();
    RqelGPSPosition expected;
    expected.setTimeInMS(1000);
    EXPECT_EQ(WrittenBytes(position), WrittenBytes(expected));
}
