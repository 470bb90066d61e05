#include "model/transponder/sample_index.h"

#include <gtest/gtest.h>
#include <QtEndian>

#include <cstring>

#include "model/transponder/record_stream.h"

namespace {

// Written from the 10 Hz slot's layout, a distinct value in every field.
const uint8_t kSlot[66] = {
    0x01, 0x00, 0x00, 0x00,  //  0 FStatus: valid
    0x40, 0xE2, 0x01, 0x00,  //  4 LastSampleIndex 123,456
    0xEC, 0x32, 0xFF, 0xFF,  //  8 XinMM -52,500
    0xD0, 0x84, 0x00, 0x00,  // 12 YinMM 34,000
    0x08, 0x07, 0x00, 0x00,  // 16 ZinMM 1,800
    0x52, 0x1C,              // 20 FSpeedMMS 7,250
    0x3C, 0xF6,              // 22 FAcceleration -2,500
    0x92, 0x3B,              // 24 FHeartbeat 15,250
    0xF8, 0xBF, 0x85, 0x00,  // 26 CumDistanceInMM 8,765,432
    0xF1, 0xFB, 0x09, 0x00,  // 30 CumHIDInMM 654,321
    0xD2, 0x04, 0x00, 0x00,  // 34 CumEnergyConsumption 1,234
    0x6E, 0xB2, 0x00, 0x00,  // 38 CumSpeedIndex 45,678
    0x29, 0x09, 0x00, 0x00,  // 42 CumAccelIndex 2,345
    0x80, 0xF2, 0xFF, 0xFF,  // 46 CumDecelIndex -3,456
    0xD5, 0xDD, 0x00, 0x00,  // 50 CumHeartIndex 56,789
    0xC0, 0x27, 0x09, 0x00,  // 54 CumHIHBTimeMS 600,000
    0xCD, 0x81, 0x01, 0x00,  // 58 CumHMLDinMM 98,765
    0x66, 0x21,              // 62 FFatigueTemporary 8,550
    0x28, 0x23,              // 64 FFatigueChroncal 9,000
};

RqelSampleIdx10Hz FixtureSlot() {
    RqelSampleIdx10Hz slot;
    slot.SetStatus(1);
    slot.setLastSampleIndex(123456);
    slot.setXinMM(-52500);
    slot.setYinMM(34000);
    slot.setZinMM(1800);
    slot.setFSpeedMMS(7250);
    slot.setFAcceleration(-2500);
    slot.setFHeartbeat(15250);
    slot.setCumDistanceInMM(8765432);
    slot.setCumHIDInMM(654321);
    slot.setCumEnergyConsumption(1234);
    slot.setCumSpeedIndex(45678);
    slot.setCumAccelIndex(2345);
    slot.setCumDecelIndex(-3456);
    slot.setCumHeartIndex(56789);
    slot.setCumHIHBTimeMS(600000);
    slot.setCumHMLDinMM(98765);
    slot.setFFatigueTemporary(8550);
    slot.setFFatigueChroncal(9000);
    return slot;
}

template <typename T>
void Put(uint8_t* aRecord, size_t anOffset, T aValue) {
    qToLittleEndian<T>(aValue, aRecord + anOffset);
}

void PutDouble(uint8_t* aRecord, size_t anOffset, double aValue) {
    uint64_t bits;
    std::memcpy(&bits, &aValue, sizeof bits);
    Put<uint64_t>(aRecord, anOffset, bits);
}

}  // namespace

TEST(SampleIdx10Hz, WritesAndReadsTheHandWrittenBytes) {
    EXPECT_EQ(WrittenBytes(FixtureSlot()), Fixture(kSlot));

    const auto slot = ReadRecord<RqelSampleIdx10Hz>(kSlot);
    EXPECT_TRUE(slot.GetValid());
    EXPECT_FALSE(slot.GetMarked());
    EXPECT_EQ(slot.LastSampleIndex(), 123456);
    EXPECT_EQ(slot.XinMM(), -52500);
    EXPECT_EQ(slot.YinMM(), 34000);
    EXPECT_EQ(slot.ZinMM(), 1800);
    EXPECT_DOUBLE_EQ(slot.Speed(), 7.25);
    EXPECT_DOUBLE_EQ(slot.Acceleration(), -2.5);
    EXPECT_DOUBLE_EQ(slot.Heartbeat(), 152.5);
    EXPECT_EQ(slot.CumDistanceInMM(), 8765432);
    EXPECT_EQ(slot.CumHIDInMM(), 654321);
    EXPECT_EQ(slot.CumEnergyConsumption(), 1234);
    EXPECT_EQ(slot.CumSpeedIndex(), 45678);
    EXPECT_EQ(slot.CumAccelIndex(), 2345);
    EXPECT_EQ(slot.CumDecelIndex(), -3456);
    EXPECT_EQ(slot.CumHeartIndex(), 56789);
    EXPECT_EQ(slot.CumHIHBTimeMS(), 600000);
    EXPECT_EQ(slot.CumHMLDinMM(), 98765);
    EXPECT_EQ(slot.FFatigueTemporary(), 8550);
    EXPECT_EQ(slot.FFatigueChroncal(), 9000);
    EXPECT_DOUBLE_EQ(slot.Fatigue(), 76.95);
}

TEST(SampleIdx10Hz, StatusBitsAndMarkedValues) {
    RqelSampleIdx10Hz slot = FixtureSlot();
    slot.SetMarked(true);
    EXPECT_EQ(slot.FStatus(), 3u);
    EXPECT_EQ(slot.Speed(), 0.0);
    EXPECT_EQ(slot.Acceleration(), 0.0);
    EXPECT_DOUBLE_EQ(slot.Heartbeat(), 152.5);  // only motion values are filtered

    slot.SetValid(false);
    EXPECT_EQ(slot.FStatus(), 2u);
    slot.SetMarked(false);
    EXPECT_EQ(slot.FStatus(), 0u);
    EXPECT_DOUBLE_EQ(slot.Speed(), 7.25);
    slot.SetStatus(0xFFFFFFFF);
    EXPECT_TRUE(slot.GetValid());
    EXPECT_TRUE(slot.GetMarked());
}

// The earlier layouts are only read: each is filled at the offsets of its table.
TEST(SampleIdx10Hz, EarlierLayoutsReadTheirOffsets) {
    RqelSampleIdx10HzUpToV79 v79;
    Put<uint32_t>(v79.bytes, 0, 3);
    Put<int32_t>(v79.bytes, 4, -1);
    PutDouble(v79.bytes, 8, 1234.5);
    PutDouble(v79.bytes, 16, 56.25);
    PutDouble(v79.bytes, 24, 7.0);
    EXPECT_EQ(v79.Status(), 3u);
    EXPECT_EQ(v79.LastSampleIndex(), -1);
    EXPECT_EQ(v79.CumDistanceInM(), 1234.5);
    EXPECT_EQ(v79.CumEnergyConsumption(), 56.25);
    EXPECT_EQ(v79.Dummy(), 7.0);

    RqelSampleIdx10HzUpToV122 v122;
    Put<int32_t>(v122.bytes, 4, 42);
    for (int i = 0; i < 6; ++i) {
        PutDouble(v122.bytes, 8 + 8 * i, i + 0.5);
    }
    EXPECT_EQ(v122.LastSampleIndex(), 42);
    EXPECT_EQ(v122.CumDistanceInM(), 0.5);
    EXPECT_EQ(v122.CumEnergyConsumption(), 1.5);
    EXPECT_EQ(v122.CumSpeedIndex(), 2.5);
    EXPECT_EQ(v122.CumAccelIndex(), 3.5);
    EXPECT_EQ(v122.CumDecelIndex(), 4.5);
    EXPECT_EQ(v122.CumHeartIndex(), 5.5);

    RqelSampleIdx10HzUpToV124 v124;
    Put<uint32_t>(v124.bytes, 0, 1);
    Put<int32_t>(v124.bytes, 4, 9);
    PutDouble(v124.bytes, 8, -52.5);
    PutDouble(v124.bytes, 16, 34.0);
    PutDouble(v124.bytes, 24, 1.8);
    Put<uint16_t>(v124.bytes, 32, 7250);
    Put<int16_t>(v124.bytes, 34, -2500);
    Put<uint16_t>(v124.bytes, 36, 15250);
    for (int i = 0; i < 6; ++i) {
        PutDouble(v124.bytes, 38 + 8 * i, 10.0 + i);
    }
    Put<int32_t>(v124.bytes, 86, 600000);
    EXPECT_EQ(v124.Status(), 1u);
    EXPECT_EQ(v124.LastSampleIndex(), 9);
    EXPECT_EQ(v124.XinM(), -52.5);
    EXPECT_EQ(v124.YinM(), 34.0);
    EXPECT_EQ(v124.ZinM(), 1.8);
    EXPECT_EQ(v124.SpeedMMS(), 7250);
    EXPECT_EQ(v124.Acceleration(), -2500);
    EXPECT_EQ(v124.Heartbeat(), 15250);
    EXPECT_EQ(v124.CumDistanceInM(), 10.0);
    EXPECT_EQ(v124.CumEnergyConsumption(), 11.0);
    EXPECT_EQ(v124.CumSpeedIndex(), 12.0);
    EXPECT_EQ(v124.CumAccelIndex(), 13.0);
    EXPECT_EQ(v124.CumDecelIndex(), 14.0);
    EXPECT_EQ(v124.CumHeartIndex(), 15.0);
    EXPECT_EQ(v124.CumHIHBTimeMS(), 600000);

    // The current slot without CumHIDInMM (offset 30) and the two fatigue words.
    RqelSampleIdx10HzUpToV132 v132;
    std::memcpy(v132.bytes, kSlot, 30);
    std::memcpy(v132.bytes + 30, kSlot + 34, 28);
    EXPECT_EQ(v132.Status(), 1u);
    EXPECT_EQ(v132.LastSampleIndex(), 123456);
    EXPECT_EQ(v132.XinMM(), -52500);
    EXPECT_EQ(v132.YinMM(), 34000);
    EXPECT_EQ(v132.ZinMM(), 1800);
    EXPECT_EQ(v132.FSpeedMMS(), 7250);
    EXPECT_EQ(v132.FAcceleration(), -2500);
    EXPECT_EQ(v132.FHeartbeat(), 15250);
    EXPECT_EQ(v132.CumDistanceInMM(), 8765432);
    EXPECT_EQ(v132.CumEnergyConsumption(), 1234);
    EXPECT_EQ(v132.CumSpeedIndex(), 45678);
    EXPECT_EQ(v132.CumAccelIndex(), 2345);
    EXPECT_EQ(v132.CumDecelIndex(), -3456);
    EXPECT_EQ(v132.CumHeartIndex(), 56789);
    EXPECT_EQ(v132.CumHIHBTimeMS(), 600000);
    EXPECT_EQ(v132.CumHMLDinMM(), 98765);
}

TEST(MIPDistValue, TenValuesInOrder) {
    TqelMIPDistValue value;
    for (int i = 0; i < TqelMIPDistValue::Count; ++i) {
        value.setValue(i, (i + 1) * 1000);
    }
    value.setValue(9, -2);
    EXPECT_EQ(value.Value(0), 1000);
    EXPECT_EQ(value.Value(8), 9000);
    const uint8_t firstAndLast[] = {0xE8, 0x03, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(0, std::memcmp(value.bytes, firstAndLast, 4));
    EXPECT_EQ(0, std::memcmp(value.bytes + 36, firstAndLast + 4, 4));
}
