#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <vector>

#include "model/blocks/block_stream.h"
#include "model/blocks/time_on_ice.h"
#include "model/transponder/record_stream.h"
#include "platform/binary_stream.h"

namespace qel::test {
namespace {

RqelClockSample Sample(int32_t aTimeInMS, uint32_t aWord) {
    RqelClockSample sample;
    sample.SetDatasetTimeInMS(aTimeInMS);
    sample.setValue1(aWord);
    return sample;
}

// A clock word: period 2, guest 1, home 3, aGameTimeInS.
uint32_t Word(int32_t aGameTimeInS) {
    RqelClockSample sample;
    sample.SetValues(0, aGameTimeInS, 2, 3, 1, false);
    return sample.value1();
}

// The block as the file holds it for a version, following the format's gates.
QByteArray BlockForVersion(int32_t aVersion, const std::vector<uint32_t>& aWords) {
    QByteArray data;
    if (aVersion < TqelTimeOnIce::FirstStreamVersion) {
        return data;
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter writer(buffer);
    if (aVersion <= TqelTimeOnIce::LastWordFormVersion) {
        writer.writeI32(static_cast<int32_t>(aWords.size()));
        for (const uint32_t word : aWords) {
            writer.writeU32(word);
        }
        return data;
    }
    // The current form holds the changes only.
    std::vector<RqelClockSample> samples;
    uint32_t previous = 0;
    for (size_t slot = 0; slot < aWords.size(); ++slot) {
        if (aWords[slot] != previous) {
            samples.push_back(Sample(static_cast<int32_t>(slot) * 100, aWords[slot]));
            previous = aWords[slot];
        }
    }
    writer.writeI32(static_cast<int32_t>(samples.size()));
    for (const RqelClockSample& sample : samples) {
        writer.writeRecord(sample);
    }
    return data;
}

TEST(TimeOnIceTest, LooksUpTheSampleInForce) {
    TqelTimeOnIce clock(nullptr);
    EXPECT_FALSE(clock.HasClockData());
    EXPECT_EQ(clock.IndexAtTime(0), -1);
    EXPECT_EQ(clock.ClockTimeInS(0), 0);
    EXPECT_EQ(clock.ClockData(0).value1(), 0u);
    EXPECT_FALSE(clock.IsRunning(0));

    clock.AddRecord(Sample(10000, Word(1200)));
    clock.AddRecord(Sample(11000, Word(1200)));  // a repeated word moves nothing
    clock.AddRecord(Sample(12000, Word(1199)));
    clock.AddRecord(Sample(13000, Word(1198)));
    ASSERT_EQ(clock.ClockSampleCount(), 3);
    EXPECT_EQ(clock.Sample(0).GetDatasetTimeInMS(), 10000);

    const struct {
        int32_t Time;
        int32_t Index;
        int32_t GameTime;
    } cases[] = {
        {9999, -1, 0},    {10000, 0, 1200}, {11999, 0, 1200},
        {12000, 1, 1199}, {12500, 1, 1199}, {99999, 2, 1198},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clock.IndexAtTime(c.Time), c.Index) << c.Time;
        EXPECT_EQ(clock.ClockTimeInS(c.Time), c.GameTime) << c.Time;
        EXPECT_EQ(clock.ClockData(c.Time).GetGameTimeInS(), c.GameTime) << c.Time;
    }
    EXPECT_EQ(clock.ClockData(12000).GetDatasetTimeInMS(), 12000);
}

TEST(TimeOnIceTest, IsRunningAcrossShortAndLongGaps) {
    TqelTimeOnIce clock(nullptr);
    clock.AddRecord(Sample(10000, Word(1200)));
    clock.AddRecord(Sample(15000, Word(1199)));  // 5,000 ms later
    clock.AddRecord(Sample(16000, Word(1198)));  // 1,000 ms later, the last
    const struct {
        int32_t Time;
        bool Running;
    } cases[] = {
        {9999, false},  {10000, true}, {10499, true},  {10500, false}, {12000, false},
        {14500, false}, {14501, true}, {15000, true},  {15500, true},  {15999, true},
        {16000, true},  {17599, true}, {17600, false}, {90000, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clock.IsRunning(c.Time), c.Running) << c.Time;
    }
}

TEST(TimeOnIceTest, OldFormKeepsOnlyChanges) {
    const uint32_t w = Word(1200);
    const uint32_t v = Word(1199);
    TqelTimeOnIce clock(nullptr);
    ReadBlockInto(clock, BlockForVersion(110, {0, 0, w, w, v}), 110);
    ASSERT_EQ(clock.ClockSampleCount(), 2);
    EXPECT_EQ(clock.Sample(0).GetDatasetTimeInMS(), 200);
    EXPECT_EQ(clock.Sample(0).value1(), w);
    EXPECT_EQ(clock.Sample(1).GetDatasetTimeInMS(), 400);
    EXPECT_EQ(clock.Sample(1).value1(), v);
}

TEST(TimeOnIceTest, CurrentBlockMatchesTheFixtureBothWays) {
    const uint8_t fixture[] = {
        0x02, 0x00, 0x00, 0x00,  // count 2
        0xE8, 0x03, 0x00, 0x00,  // 1000 ms
        0x32, 0x03, 0x4B, 0x00,  // 1200 s, home 3, guest 3, period 2
        0xD0, 0x07, 0x00, 0x00,  // 2000 ms
        0x32, 0xF3, 0x4A, 0x80,  // 1199 s, home 3, guest 3, period 2, running
    };
    TqelTimeOnIce clock(nullptr);
    ReadBlockInto(clock, Fixture(fixture), 111);
    ASSERT_EQ(clock.ClockSampleCount(), 2);
    const RqelClockSample& first = clock.Sample(0);
    EXPECT_EQ(first.GetDatasetTimeInMS(), 1000);
    EXPECT_EQ(first.GetGameTimeInS(), 1200);
    EXPECT_EQ(first.GetGoalHome(), 3);
    EXPECT_EQ(first.GetGoalGuest(), 3);
    EXPECT_EQ(first.GetPeriod(), 2);
    EXPECT_FALSE(first.GetRunning());
    EXPECT_EQ(clock.Sample(1).GetDatasetTimeInMS(), 2000);
    EXPECT_EQ(clock.Sample(1).GetGameTimeInS(), 1199);
    EXPECT_TRUE(clock.Sample(1).GetRunning());
    EXPECT_EQ(WrittenBlock(clock), Fixture(fixture));
}

TEST(TimeOnIceTest, EveryVersionReadsAndWritesBackInTheCurrentForm) {
    const std::vector<uint32_t> words = {0, Word(1200), Word(1200), Word(1199), 0, Word(1198)};
    for (int32_t version = 1; version <= 151; ++version) {
        TqelTimeOnIce clock(nullptr);
        ReadBlockInto(clock, BlockForVersion(version, words), version);
        if (version < 63) {
            EXPECT_FALSE(clock.HasClockData()) << version;
            continue;
        }
        ASSERT_EQ(clock.ClockSampleCount(), 4) << version;
        const int32_t times[] = {100, 300, 400, 500};
        const uint32_t values[] = {Word(1200), Word(1199), 0, Word(1198)};
        for (int32_t i = 0; i < 4; ++i) {
            EXPECT_EQ(clock.Sample(i).GetDatasetTimeInMS(), times[i]) << version;
            EXPECT_EQ(clock.Sample(i).value1(), values[i]) << version;
        }
        EXPECT_EQ(WrittenBlock(clock), BlockForVersion(151, words)) << version;
    }
}

// A count of 2^31 - 1 sized first would ask for 16 GB and fail otherwise.
TEST(TimeOnIceTest, BadCountsRaiseBeforeAllocating) {
    TqelTimeOnIce clock(nullptr);
    clock.AddRecord(Sample(0, 1));
    for (const int32_t version : {110, 111}) {
        for (const int32_t count : {3, 0x7FFFFFFF, -1}) {
            QByteArray data(reinterpret_cast<const char*>(&count), 4);
            data.append(QByteArray(8, '\x01'));  // two words or one sample
            QBuffer buffer(&data);
            buffer.open(QIODevice::ReadOnly);
            BinaryReader reader(buffer);
            EXPECT_THROW(clock.readFromStream(reader, version), EReadError) << count;
            EXPECT_EQ(clock.ClockSampleCount(), 1);
        }
    }
}

}  // namespace
}  // namespace qel::test
