#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>

#include "foundation/settings/game_speed_values.h"

namespace {

QByteArray Written(const TqelGameSpeedValues& aValues) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    aValues.writeToStream(writer);
    return bytes;
}

// Reads the block from aBytes; returns the bytes left unread.
qint64 ReadBlock(TqelGameSpeedValues& aValues, QByteArray aBytes, uint8_t aVersion) {
    QBuffer buffer(&aBytes);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    aValues.ReadFromStream(reader, aVersion);
    return reader.bytesLeft();
}

QString Snapshot(const TqelGameSpeedValues& v) {
    QString text = QStringLiteral("peak %1 stamina %2 recalc %3 loaded %4 |")
                       .arg(v.PeakOutput())
                       .arg(v.Stamina())
                       .arg(v.RecalculateNeeded())
                       .arg(v.ReferenceValuesLoaded());
    for (int32_t i = 0; i < v.Count(); ++i) {
        text += QStringLiteral(" %1/%2").arg(v.GetValues(i)).arg(v.GetReferenceValue(i));
    }
    return text;
}

// A block of two windows: PeakOutput 50, Stamina 12.5, values 10 and 0.5, reference values 20
// and 1, RecalculateNeeded 1.
const QByteArray kTwoWindows = QByteArray::fromHex(
    "0000000000004940"
    "0000000000002940"
    "02000000"
    "0000000000002440"
    "000000000000E03F"
    "0000000000003440"
    "000000000000F03F"
    "01");

TEST(GameSpeedValues, StartsWithTenEmptyWindows) {
    const TqelGameSpeedValues values;
    EXPECT_EQ(values.Count(), 10);
    EXPECT_EQ(Snapshot(values).toStdString(),
              "peak 0 stamina 0 recalc 1 loaded 0 | 0/0 0/0 0/0 0/0 0/0 0/0 0/0 0/0 0/0 0/0");
}

TEST(GameSpeedValues, IndexOutsideTheWindowsRaises) {
    TqelGameSpeedValues values;
    for (int32_t index : {-1, 10, 255}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(values.GetValues(index), EArgumentOutOfRangeException);
        EXPECT_THROW(values.SetValues(index, 1), EArgumentOutOfRangeException);
        EXPECT_THROW(values.GetReferenceValue(index), EArgumentOutOfRangeException);
        EXPECT_THROW(values.SetReferenceValue(index, 1), EArgumentOutOfRangeException);
    }
    ReadBlock(values, kTwoWindows, 150);
    EXPECT_THROW(values.GetValues(2), EArgumentOutOfRangeException);
    EXPECT_EQ(values.GetReferenceValue(1), 1);
}

TEST(GameSpeedValues, FinalizeTakesTheMeanPercentageOfTheUsableWindows) {
    TqelGameSpeedValues values;
    values.SetValues(0, 10);
    values.SetReferenceValue(0, 20);
    values.SetReferenceValue(1, 5);
    // Windows with only one of the two values do not count.
    values.SetValues(4, 7);
    values.SetValues(5, 30);
    values.SetReferenceValue(5, 60);
    values.SetValues(9, 10);
    values.SetReferenceValue(9, 40);
    values.Finalize();
    EXPECT_EQ(values.PeakOutput(), 50);
    EXPECT_EQ(values.Stamina(), 37.5);
    EXPECT_FALSE(values.RecalculateNeeded());

    // A block of two windows has no late windows.
    ReadBlock(values, kTwoWindows, 150);
    values.Finalize();
    EXPECT_EQ(values.PeakOutput(), 50);
    EXPECT_EQ(values.Stamina(), 0);
}

TEST(GameSpeedValues, WritesTheBlock) {
    TqelGameSpeedValues values;
    values.SetValues(0, 10);
    values.SetReferenceValue(0, 20);
    values.SetReferenceValue(9, -2);
    values.Finalize();
    values.setStamina(0.25);
    const QByteArray expected = QByteArray::fromHex(
                                    "0000000000004940"                     // PeakOutput 50
                                    "000000000000D03F"                     // Stamina 0.25
                                    "0A000000"                             // ten windows
                                    "0000000000002440") +                  // value 0: 10
                                QByteArray(9 * 8, '\0') +                  // values 1 to 9: 0
                                QByteArray::fromHex("0000000000003440") +  // reference 0: 20
                                QByteArray(8 * 8, '\0') +                  // references 1 to 8: 0
                                QByteArray::fromHex(
                                    "00000000000000C0"  // reference 9: -2
                                    "00");              // RecalculateNeeded
    EXPECT_EQ(Written(values).toHex().toStdString(), expected.toHex().toStdString());

    // And the hand-written block of two windows reads and writes back unchanged.
    TqelGameSpeedValues read;
    EXPECT_EQ(ReadBlock(read, kTwoWindows, 150), 0);
    EXPECT_EQ(Snapshot(read).toStdString(), "peak 50 stamina 12.5 recalc 1 loaded 1 | 10/20 0.5/1");
    EXPECT_EQ(Written(read).toHex().toStdString(), kTwoWindows.toHex().toStdString());
}

TEST(GameSpeedValues, ReferenceValuesCountAsLoadedAboveASumOfOne) {
    const std::pair<const char*, bool> cases[] = {
        {"000000000000E03F000000000000E03F", false},  // 0.5 + 0.5
        {"000000000000F83F0000000000000000", true},   // 1.5 + 0
        {"00000000000000000000000000000000", false},
    };
    for (const auto& [references, loaded] : cases) {
        SCOPED_TRACE(references);
        QByteArray block = kTwoWindows;
        block.replace(36, 16, QByteArray::fromHex(references));
        TqelGameSpeedValues values;
        values.setReferenceValuesLoaded(!loaded);
        ReadBlock(values, block, 200);
        EXPECT_EQ(values.ReferenceValuesLoaded(), loaded);
    }
}

TEST(GameSpeedValues, FilesBeforeVersion150HoldNoBlock) {
    TqelGameSpeedValues values;
    values.SetReferenceValue(3, 1.25);
    EXPECT_EQ(ReadBlock(values, kTwoWindows, 149), kTwoWindows.size());
    EXPECT_EQ(values.Count(), 10);
    EXPECT_TRUE(values.ReferenceValuesLoaded());
}

TEST(GameSpeedValues, BadBlocksRaiseAndChangeNothing) {
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QByteArray hugeCount = kTwoWindows;
    hugeCount.replace(16, 4, QByteArray::fromHex("FFFFFF7F"));
    QByteArray negativeCount = kTwoWindows;
    negativeCount.replace(16, 4, QByteArray::fromHex("FFFFFFFF"));
    const Case cases[] = {
        {"empty", QByteArray()},
        {"inside the count", kTwoWindows.left(18)},
        {"inside the values", kTwoWindows.left(30)},
        {"without the flag byte", kTwoWindows.chopped(1)},
        {"huge count", hugeCount},
        {"negative count", negativeCount},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TqelGameSpeedValues values;
        values.SetValues(2, 4);
        const QString before = Snapshot(values);
        EXPECT_THROW(ReadBlock(values, c.bytes, 150), EReadError);
        EXPECT_EQ(Snapshot(values).toStdString(), before.toStdString());
    }
}

}  // namespace
