#include <gtest/gtest.h>

#include "model/blocks/block_stream.h"
#include "model/blocks/match_info.h"
#include "model/blocks/passes.h"
#include "platform/exception.h"

namespace qel::test {
namespace {

QByteArray Bytes(const uint8_t* aData, size_t aSize) {
    return QByteArray(reinterpret_cast<const char*>(aData), static_cast<qsizetype>(aSize));
}

TEST(PassBlock, MatchesTheFixtureBothWays) {
    // Begin 1,000, end 2,500, sender 3, receiver 7, team 2; start (1.5, -2), end (-10.25, 20).
    const uint8_t fixture[] = {
        0xE8, 0x03, 0x00, 0x00, 0xC4, 0x09, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x07, 0x00,
        0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,  // 1.5
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0,                                      // -2
        0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x24, 0xC0,  // -10.25
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x34, 0x40,  // 20
    };
    static_assert(sizeof(fixture) == TqelPasses::StreamSize);
    TqelPasses pass;
    // A pass read over one that was on the field keeps nothing of it.
    RqelCalculatedPosition onField;
    onField.Init(9, 9, 1.5, 0.5, 3, 4, 9, true, true);
    pass.setPositionStart(onField);
    pass.setPositionEnd(onField);
    ReadBlockInto(pass, Bytes(fixture, sizeof(fixture)), 151);

    EXPECT_EQ(pass.TimeBeginInMS(), 1000);
    EXPECT_EQ(pass.TimeEndInMS(), 2500);
    EXPECT_EQ(pass.TPidSend(), 3);
    EXPECT_EQ(pass.TPidReceived(), 7);
    EXPECT_EQ(pass.TeamIdPossession(), 2);
    struct Expected {
        const RqelCalculatedPosition& Position;
        double X;
        double Y;
        int32_t TransponderID;
    } positions[] = {{pass.PositionStart(), 1.5, -2, 3}, {pass.PositionEnd(), -10.25, 20, 7}};
    for (const Expected& e : positions) {
        EXPECT_EQ(e.Position.XinM, e.X);
        EXPECT_EQ(e.Position.YinM, e.Y);
        EXPECT_EQ(e.Position.TransponderID, e.TransponderID);
        EXPECT_EQ(e.Position.ZinM, 0);
        EXPECT_EQ(e.Position.Angle, 0);
        EXPECT_EQ(e.Position.SpikeLow, 0);
        EXPECT_EQ(e.Position.SpikeHigh, 0);
        EXPECT_FALSE(e.Position.OnField);
        EXPECT_FALSE(e.Position.ValideForSpeed);
    }
    EXPECT_EQ(WrittenBlock(pass), Bytes(fixture, sizeof(fixture)));

    // A short block raises and keeps the pass.
    QByteArray data = Bytes(fixture, sizeof(fixture));
    data[0] = 0x01;
    data.chop(1);
    EXPECT_THROW(ReadBlockInto(pass, data, 151), EReadError);
    EXPECT_EQ(pass.TimeBeginInMS(), 1000);
}

TEST(MatchInfoBlock, EmptyIsEightEmptyStringsAndADay) {
    TqelMatchInfo info;
    const QByteArray expected = FieldBytes()
                                    .u32(0x80000000u)
                                    .u32(0x80000000u)
                                    .u32(0x80000000u)
                                    .u32(0x80000000u)
                                    .u32(0x80000000u)
                                    .u32(0x80000000u)
                                    .i32(0)
                                    .u32(0x80000000u)
                                    .u32(0x80000000u)
                                    .data();
    ASSERT_EQ(expected.size(), 36);
    EXPECT_EQ(WrittenBlock(info), expected);
    TqelMatchInfo read;
    read.setCountry(QStringLiteral("X"));
    ReadBlockInto(read, expected, 151);
    EXPECT_EQ(read.Country(), QString());
    EXPECT_EQ(read.MatchDay(), 0);
}

TEST(MatchInfoBlock, FilledReadsInBlockOrder) {
    // The block's order differs from the fields': competition id, country, competition name,
    // season id, season name, sym id, match day, match type, match id. Older writers' byte
    // strings (bit 31 clear) are read too.
    const QByteArray block = FieldBytes()
                                 .str(QStringLiteral("C-17"))
                                 .str(QStringLiteral("Ünland"))
                                 .str(QStringLiteral("Cup"))
                                 .str(QStringLiteral("S-2023"))
                                 .str(QStringLiteral("2023/24"))
                                 .str(QStringLiteral("CUP"))
                                 .i32(12)
                                 .u32(6)
                                 .raw("League", 6)
                                 .str(QStringLiteral("M-991"))
                                 .data();
    TqelMatchInfo info;
    ReadBlockInto(info, block, 151);
    EXPECT_EQ(info.CompetitionID(), QStringLiteral("C-17"));
    EXPECT_EQ(info.Country(), QStringLiteral("Ünland"));
    EXPECT_EQ(info.CompetitionName(), QStringLiteral("Cup"));
    EXPECT_EQ(info.SeasonID(), QStringLiteral("S-2023"));
    EXPECT_EQ(info.SeasonName(), QStringLiteral("2023/24"));
    EXPECT_EQ(info.SymID(), QStringLiteral("CUP"));
    EXPECT_EQ(info.MatchDay(), 12);
    EXPECT_EQ(info.MatchType(), QStringLiteral("League"));
    EXPECT_EQ(info.MatchID(), QStringLiteral("M-991"));

    // Written back in the same order, every string in its UTF-16 form.
    TqelMatchInfo again;
    ReadBlockInto(again, WrittenBlock(info), 151);
    EXPECT_EQ(again.MatchType(), QStringLiteral("League"));
    EXPECT_EQ(WrittenBlock(again), WrittenBlock(info));
    EXPECT_EQ(WrittenBlock(info).size(), block.size() + 6);

    // A string longer than the data raises and keeps what was there.
    QByteArray cut = block;
    cut.chop(2);
    EXPECT_THROW(ReadBlockInto(again, cut, 151), EReadError);
    EXPECT_EQ(again.MatchID(), QStringLiteral("M-991"));
}

}  // namespace
}  // namespace qel::test
