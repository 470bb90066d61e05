#include "model/transponder/raw_sample.h"

#include <gtest/gtest.h>

#include "model/transponder/record_stream.h"

namespace {

// Written from the raw sample's layout: 1234 ms; X -2, Y 300,000; Z 1,234 mm (123 cm = 0x007B);
// antenna 2; quality word 0x5800 (bits 11..14: 11); distance 0x01234567; 5,000 mm/s; -300 mm/s².
const uint8_t kRawSample[20] = {
    0x40, 0x03, 0x03, 0x00,  // val1: 1234 x 160, status 0
    0x00, 0xE2, 0xFF, 0xFF,  // val2: X 0xFFFFE << 12, antenna 2 << 8, height high byte 0x00
    0x7B, 0x0B, 0x3E, 0x49,  // val3: Y 0x493E0 << 12, quality 11 << 8, height low byte 0x7B
    0x88, 0x13, 0xD4, 0xFE,  // val4: acceleration 0xFED4 << 16, speed 0x1388
    0x67, 0x45, 0x23, 0x01,  // val5: distance
};

RqelRawSample Packed(int32_t aTime, int32_t aX, int32_t aY, int32_t aZ = 0, int32_t anAntenna = 1,
                     int32_t aQuality = 0) {
    RqelRawSample sample;
    sample.SetValues(aTime, aX, aY, aZ, anAntenna, aQuality, 0, 0, 0, 0);
    return sample;
}

uint32_t StatusOf(const RqelRawSample& aSample) {
    return aSample.val1() & 0xF;
}

}  // namespace

TEST(RawSample, PacksToTheHandWrittenBytesAndReadsThemBack) {
    RqelRawSample sample;
    sample.SetValues(1234, -2, 300000, 1234, 2, 0x5800, 99, 0x01234567, 5000, -300);
    EXPECT_EQ(WrittenBytes(sample), Fixture(kRawSample));

    const auto read = ReadRecord<RqelRawSample>(kRawSample);
    EXPECT_EQ(read.TimeStampInMS(), 1234);
    EXPECT_EQ(read.XinMM(), -2);
    EXPECT_EQ(read.YinMM(), 300000);
    EXPECT_EQ(read.ZinMM(), 1230);
    EXPECT_EQ(read.GetAntenna(), 2);
    EXPECT_EQ(read.GetQuality(), 11);
    EXPECT_DOUBLE_EQ(read.SpeedInMS(), 5.0);
    EXPECT_DOUBLE_EQ(read.Acceleration(), -0.3);
    EXPECT_EQ(read.DistanceInMM(), 0x01234567);
    EXPECT_EQ(read.GetStatus(), ldsOK);
}

// A transponder's samples are one block of bytes in the dataset file.
TEST(RawSample, ArraysAreContiguousImages) {
    RqelRawSample samples[2];
    samples[0] = ReadRecord<RqelRawSample>(kRawSample);
    samples[1].SetValues(7, 1, 1, 0, 1, 0, 0, 0, 0, 0);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadWrite);
    qel::BinaryWriter(buffer).writeBytes(samples, sizeof samples);
    ASSERT_EQ(data.size(), 40);
    EXPECT_EQ(data.left(20), Fixture(kRawSample));

    buffer.seek(0);
    RqelRawSample read[2];
    qel::BinaryReader(buffer).readExact(read, sizeof read);
    EXPECT_EQ(read[0].YinMM(), 300000);
    EXPECT_EQ(read[1].TimeStampInMS(), 7);
}

TEST(RawSample, ValuesWrapToTheirFieldWidths) {
    EXPECT_EQ(Packed(0, 600000, 1).XinMM(), -448576);
    EXPECT_EQ(Packed(0, 1, -600000).YinMM(), 448576);
    EXPECT_EQ(Packed(0, -524288, 524287).XinMM(), -524288);
    EXPECT_EQ(Packed(0, -524288, 524287).YinMM(), 524287);
    EXPECT_EQ(Packed(0, 1, 1, -50).ZinMM(), 655310);
    EXPECT_EQ(Packed(0, 1, 1, 1234).ZinMM(), 1230);
    EXPECT_EQ(Packed(0, 1, 1, -1239).ZinMM(), 654130);  // truncated to -123 cm, not -124
    EXPECT_EQ(Packed(0, 1, 1, 0, 1, 0x7800).GetQuality(), 15);
    EXPECT_EQ(Packed(0, 1, 1, 0, 1, 0x07FF).GetQuality(), 0);
    EXPECT_EQ(Packed(0, 1, 1, 0, 1, 0xFFFF).GetQuality(), 15);
    EXPECT_EQ(Packed(0, 1, 1, 0, 3).GetAntenna(), 3);
    EXPECT_EQ(Packed(0, 1, 1, 0, 4).GetAntenna(), 0);

    EXPECT_EQ(Packed(26843545, 1, 1).TimeStampInMS(), 26843545);
    EXPECT_EQ(Packed(26843546, 1, 1).TimeStampInMS(), 0);

    RqelRawSample sample;
    sample.SetValues(0, 1, 1, 0, 1, 0, 0, -1, -1, -32769);
    EXPECT_DOUBLE_EQ(sample.SpeedInMS(), 65.535);
    EXPECT_DOUBLE_EQ(sample.Acceleration(), 32.767);
    EXPECT_EQ(sample.DistanceInMM(), 0x0FFFFFFF);
}

TEST(RawSample, SetXYAndSetZKeepTheOtherBits) {
    RqelRawSample sample = ReadRecord<RqelRawSample>(kRawSample);
    sample.SetXY(-7, 600000);
    EXPECT_EQ(sample.XinMM(), -7);
    EXPECT_EQ(sample.YinMM(), -448576);
    EXPECT_EQ(sample.ZinMM(), 1230);
    EXPECT_EQ(sample.GetAntenna(), 2);
    EXPECT_EQ(sample.GetQuality(), 11);

    sample.SetZ(-50);
    EXPECT_EQ(sample.ZinMM(), 655310);
    EXPECT_EQ(sample.XinMM(), -7);
    EXPECT_EQ(sample.YinMM(), -448576);
    EXPECT_EQ(sample.GetAntenna(), 2);
    EXPECT_EQ(sample.GetQuality(), 11);
    EXPECT_EQ(sample.TimeStampInMS(), 1234);
}

TEST(RawSample, StatusReportsAllZeroCoordinates) {
    EXPECT_EQ(Packed(100, 0, 0).GetStatus(), ldsAllZeroCoords);
    EXPECT_EQ(Packed(100, 0, 1).GetStatus(), ldsOK);
    RqelRawSample marked = Packed(100, 0, 0);
    marked.SetMark(ldsInvalidated);
    EXPECT_EQ(marked.GetStatus(), ldsInvalidated);
}

TEST(RawSample, AddTimeInMSMarksAndUndoesTimesBeforeTheStart) {
    RqelRawSample sample = Packed(500, 1, 1);
    sample.AddTimeInMS(-1000);
    EXPECT_EQ(StatusOf(sample), ldsBeforeBeginDts);
    EXPECT_EQ(sample.TimeStampInMS(), 26843045);

    const struct {
        int32_t start, shift;
    } cases[] = {{0, 1000}, {500, 1000}, {0, 2000}, {500, 2000}, {26843545, 5000}};
    for (const auto& c : cases) {
        RqelRawSample moved = Packed(c.start, 1, 1);
        moved.AddTimeInMS(-c.shift);
        EXPECT_EQ(StatusOf(moved), c.start < c.shift ? ldsBeforeBeginDts : ldsOK) << c.start;
        moved.AddTimeInMS(c.shift);
        EXPECT_EQ(moved.TimeStampInMS(), c.start) << c.start << " by " << c.shift;
        EXPECT_EQ(StatusOf(moved), ldsOK) << c.start << " by " << c.shift;
    }

    // A mark is kept: a marked sample moved below 0 keeps its mark and its time wraps.
    RqelRawSample marked = Packed(500, 1, 1);
    marked.SetMark(ldsInvalidated);
    marked.AddTimeInMS(-1000);
    EXPECT_EQ(StatusOf(marked), ldsInvalidated);
    EXPECT_EQ(marked.TimeStampInMS(), 26843045);
    marked.AddTimeInMS(2000);
    EXPECT_EQ(StatusOf(marked), ldsInvalidated);
    EXPECT_EQ(marked.TimeStampInMS(), 1499);
}

TEST(RawSample, SetMark) {
    const struct {
        uint32_t status;
        int mark;
        uint32_t expected;
    } cases[] = {
        {2, 7, 2},    {1, 8, 1},    {3, 0, 3},   {0, 7, 7},     {7, 8, 15}, {15, 0, 0},
        {10, 0, 0},   {0, 0, 0},    {7, 1, 7},   {0, 3, 0},     {7, -1, 7}, {0, -9, 0},
        {0, 0x80, 0}, {0, 0x14, 4}, {10, 7, 15}, {4, 0x107, 7},
    };
    for (const auto& c : cases) {
        RqelRawSample sample = Packed(500, 1, 1);
        sample.setVal1(sample.val1() | c.status);
        sample.SetMark(c.mark);
        EXPECT_EQ(StatusOf(sample), c.expected) << c.status << " marked " << c.mark;
        EXPECT_EQ(sample.TimeStampInMS(), 500);
    }

    // The sequence of the marking steps.
    RqelRawSample sample = Packed(500, 1, 1);
    sample.SetMark(7);
    sample.SetMark(8);
    EXPECT_EQ(StatusOf(sample), 15u);
    sample.SetMark(0);
    EXPECT_EQ(StatusOf(sample), 0u);
}
