#include <gtest/gtest.h>

#include <QBuffer>

#include "database/agility/agility_definitions.h"
#include "database/agility/agility_runs.h"
#include "foundation/stream_strings.h"

namespace {

// Version 3, one definition with two lines, written field by field from the layout tables.
const QByteArray kDefinitions = QByteArray::fromHex(
    "03"                        // version
    "01000000"                  // count
    "06000080"                  // Description: 6 UTF-16 code units
    "53006c0061006c006f006d00"  // "Slalom"
    "07000000"                  // AgilityID 7
    "e8030000"                  // FirstLineStartXinMM 1000
    "0cfeffff"                  // FirstLineStartYinMM -500
    "01"                        // Active
    "60ea0000"                  // MaxDurationInMS 60000
    "00"                        // CanCrossStartDuringTest
    "88130000"                  // MinDurationInMS 5000
    "01"                        // DetectDecelAfterFinish
    "02000000"                  // line count
    "010000804100"              // LineName "A"
    "01000000"                  // LineID 1
    "00000000"                  // CrossingDirection 0
    "e8030000"                  // StartXinMM 1000
    "0cfeffff"                  // StartYinMM -500
    "e8030000"                  // EndXinMM 1000
    "f4010000"                  // EndYinMM 500
    "010000804200"              // LineName "B"
    "02000000"                  // LineID 2
    "ff000000"                  // CrossingDirection 255
    "08520000"                  // StartXinMM 21000
    "0cfeffff"                  // StartYinMM -500
    "08520000"                  // EndXinMM 21000
    "f4010000");                // EndYinMM 500

// A version-1 definition without lines: no minimum duration, no deceleration flag.
const QByteArray kVersion1 = QByteArray::fromHex(
    "01"
    "01000000"
    "01000080"
    "5800"      // "X"
    "09000000"  // AgilityID 9
    "00000000"
    "00000000"
    "00"        // inactive
    "905f0100"  // MaxDurationInMS 90000
    "01"        // CanCrossStartDuringTest
    "00000000");

// A run with one crossing of line 2, as the version-3 layout writes it.
const QByteArray kRunVersion3 = QByteArray::fromHex(
    "02000000"          // Number 2
    "e8030000"          // EntryInMS 1000
    "39300000"          // DurationInMS 12345
    "0000000000004440"  // DistanceM 40
    "0000000000000c40"  // AvgSpeed 3.5
    "0000000000001a40"  // MaxSpeed 6.5
    "000000000000f03f"  // SpeedIndex 1
    "0000000000000840"  // MaxAccel 3
    "00000000000010c0"  // MaxDecel -4
    "01000000"          // crossing count
    "0000000000000c40"  // AvgSpeed 3.5
    "0000000000003440"  // DistanceM 20
    "0000000000000440"  // MaxAccel 2.5
    "000000000000f8bf"  // MaxDecel -1.5
    "70170000"          // DurationInMS 6000
    "e8030000"          // EntryInMS 1000
    "0000000000001440"  // MaxSpeed 5
    "581b0000"          // CrossingInMS 7000
    "02000000");        // line id 2

// The same run in the version-2 layout: no MaxDecel in the run or its crossing.
QByteArray RunVersion2() {
    QByteArray bytes = kRunVersion3;
    const qsizetype crossingDecel = 4 * 3 + 8 * 6 + 4 + 8 * 3;
    bytes.remove(crossingDecel, 8);
    bytes.remove(4 * 3 + 8 * 5, 8);
    return bytes;
}

// What aWrite writes to a memory stream.
template <class F>
QByteArray Written(F aWrite) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    aWrite(writer);
    return bytes;
}

// Lets aRead read from aBytes.
template <class F>
void ReadFrom(QByteArray aBytes, F aRead) {
    QBuffer buffer(&aBytes);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    aRead(reader);
}

QByteArray WriteDefinitions(const TqeldbAgilityDefinitions& aDefinitions) {
    return Written([&](qel::BinaryWriter& aWriter) { aDefinitions.WriteToStream(aWriter); });
}

void ReadDefinitions(TqeldbAgilityDefinitions& aDefinitions, const QByteArray& aBytes) {
    ReadFrom(aBytes, [&](qel::BinaryReader& aReader) { aDefinitions.ReadFromStream(aReader); });
}

QByteArray WriteRun(const TqeldbAgilityTest& aRun) {
    return Written([&](qel::BinaryWriter& aWriter) { aRun.WriteToStream(aWriter); });
}

void ReadRun(TqeldbAgilityTest& aRun, const QByteArray& aBytes, uint8_t aVersion) {
    ReadFrom(aBytes, [&](qel::BinaryReader& aReader) { aRun.ReadFromStream(aReader, aVersion); });
}

TEST(AgilityStream, DefinitionsReadAndWriteBackExactly) {
    TqeldbAgilityDefinitions definitions;
    ReadDefinitions(definitions, kDefinitions);
    ASSERT_EQ(definitions.Count(), 1);
    const TqeldbAgilityDef& slalom = *definitions.GetDefinition(0);
    EXPECT_EQ(slalom.Description(), QStringLiteral("Slalom"));
    EXPECT_EQ(slalom.AgilityID(), 7);
    EXPECT_EQ(slalom.FirstLineStartYinMM(), -500);
    EXPECT_TRUE(slalom.Active());
    EXPECT_EQ(slalom.MaxDurationInMS(), 60000);
    EXPECT_EQ(slalom.MinDurationInMS(), 5000);
    EXPECT_TRUE(slalom.DetectDecelAfterFinish());
    ASSERT_EQ(slalom.Lines().size(), 2u);
    const TqeldbAgilityLine& finish = *slalom.LineByID(2);
    EXPECT_EQ(finish.LineName(), QStringLiteral("B"));
    EXPECT_EQ(finish.CrossingDirection(), 255);
    EXPECT_DOUBLE_EQ(finish.StartPos().XinM, 21.0);
    EXPECT_DOUBLE_EQ(finish.EndPos().YinM, 0.5);
    EXPECT_TRUE(finish.EndPos().OnField);
    EXPECT_EQ(finish.AgilityDef(), &slalom);

    EXPECT_EQ(WriteDefinitions(definitions).toHex(), kDefinitions.toHex());
}

TEST(AgilityStream, VersionsZeroAndOneAndAnEmptyList) {
    TqeldbAgilityDefinitions definitions;
    EXPECT_EQ(WriteDefinitions(definitions), QByteArray::fromHex("0300000000"));

    ReadDefinitions(definitions, kDefinitions);
    ReadDefinitions(definitions, QByteArray::fromHex("00"));
    EXPECT_EQ(definitions.Count(), 1) << "version 0: no list follows";

    ReadDefinitions(definitions, kVersion1);
    ASSERT_EQ(definitions.Count(), 1);
    const TqeldbAgilityDef& old = *definitions.GetDefinition(0);
    EXPECT_EQ(old.AgilityID(), 9);
    EXPECT_EQ(old.MinDurationInMS(), 0);
    EXPECT_FALSE(old.DetectDecelAfterFinish());
    EXPECT_EQ(old.MaxDurationInMS(), 90000);
    EXPECT_TRUE(old.CanCrossStartDuringTest());
    EXPECT_FALSE(old.Active());
}

TEST(AgilityStream, BadDefinitionStreamsRaiseAndKeepTheList) {
    TqeldbAgilityDefinitions definitions;
    ReadDefinitions(definitions, kVersion1);

    QByteArray unknown = kDefinitions;
    unknown[0] = 4;
    QByteArray hugeCount = kDefinitions;
    hugeCount.replace(1, 4, QByteArray::fromHex("ffffff7f"));
    QByteArray negativeCount = kDefinitions;
    negativeCount.replace(1, 4, QByteArray::fromHex("ffffffff"));
    QByteArray hugeLines = kDefinitions;
    hugeLines.replace(hugeLines.indexOf(QByteArray::fromHex("0200000001000080")), 4,
                      QByteArray::fromHex("ffffff7f"));
    QByteArray hugeText = kDefinitions;
    hugeText.replace(5, 4, QByteArray::fromHex("ffffffff"));
    QList<QByteArray> bad{unknown, hugeCount, negativeCount, hugeLines, hugeText};
    for (qsizetype cut = 1; cut < kDefinitions.size(); ++cut) {
        bad << kDefinitions.left(cut);
    }
    for (const QByteArray& bytes : bad) {
        EXPECT_THROW(ReadDefinitions(definitions, bytes), EReadError) << bytes.toHex().data();
        ASSERT_EQ(definitions.Count(), 1);
        EXPECT_EQ(definitions.GetDefinition(0)->AgilityID(), 9);
    }
}

TEST(AgilityStream, RunsReadAtVersionsThreeAndTwoAndWriteVersionThree) {
    TqeldbAgilityDefinitions definitions;
    ReadDefinitions(definitions, kDefinitions);
    TqeldbAgilityDef* course = definitions.GetDefinition(0);

    TqeldbAgilityTest run(course, nullptr);
    ReadRun(run, kRunVersion3, 3);
    EXPECT_EQ(run.Number(), 2);
    EXPECT_EQ(run.ExitInMS(), 13345);
    EXPECT_DOUBLE_EQ(run.MaxDecel(), -4.0);
    ASSERT_EQ(run.Crossings().size(), 1u);
    const TqeldbAgilityCrossing& crossing = *run.Crossings()[0];
    EXPECT_EQ(crossing.Line(), course->LineByID(2));
    EXPECT_DOUBLE_EQ(crossing.MaxAccel(), 2.5);
    EXPECT_DOUBLE_EQ(crossing.MaxDecel(), -1.5);
    EXPECT_EQ(crossing.CrossingInMS(), 7000);
    EXPECT_EQ(run.TpID(), 0);
    EXPECT_EQ(WriteRun(run).toHex(), kRunVersion3.toHex());

    TqeldbAgilityTest older(course, nullptr);
    ReadRun(older, RunVersion2(), 2);
    EXPECT_DOUBLE_EQ(older.MaxAccel(), 3.0);
    EXPECT_DOUBLE_EQ(older.MaxDecel(), 0.0);
    ASSERT_EQ(older.Crossings().size(), 1u);
    EXPECT_DOUBLE_EQ(older.Crossings()[0]->MaxAccel(), 2.5);
    EXPECT_DOUBLE_EQ(older.Crossings()[0]->DistanceM(), 20.0);
    EXPECT_EQ(older.Crossings()[0]->Line(), course->LineByID(2));
    QByteArray rewritten = kRunVersion3;
    rewritten.replace(4 * 3 + 8 * 5, 8, QByteArray(8, 0));
    rewritten.replace(4 * 3 + 8 * 6 + 4 + 8 * 3, 8, QByteArray(8, 0));
    EXPECT_EQ(WriteRun(older).toHex(), rewritten.toHex());
}

TEST(AgilityStream, CrossingsWithoutTheirLineWriteLineZero) {
    TqeldbAgilityDefinitions definitions;
    ReadDefinitions(definitions, kDefinitions);
    QByteArray unknownLine = kRunVersion3;
    unknownLine.replace(unknownLine.size() - 4, 4, QByteArray::fromHex("05000000"));
    QByteArray lineZero = kRunVersion3;
    lineZero.replace(lineZero.size() - 4, 4, QByteArray(4, 0));

    TqeldbAgilityTest run(definitions.GetDefinition(0), nullptr);
    ReadRun(run, unknownLine, 3);
    EXPECT_EQ(run.Crossings()[0]->Line(), nullptr);
    EXPECT_EQ(WriteRun(run).toHex(), lineZero.toHex());

    std::unique_ptr<TqeldbAgilityTest> lone = TqeldbAgilityTest::CreateEmpty();
    ReadRun(*lone, kRunVersion3, 3);
    EXPECT_EQ(lone->Crossings()[0]->Line(), nullptr) << "no definition to look the line up in";

    // Lines reloaded or replaced leave the crossings without a line, never a freed one.
    TqeldbAgilityTest bound(definitions.GetDefinition(0), nullptr);
    ReadRun(bound, kRunVersion3, 3);
    ReadDefinitions(definitions, kDefinitions);
    EXPECT_EQ(bound.Crossings()[0]->Line(), nullptr);
}

TEST(AgilityStream, BadRunStreamsRaise) {
    QList<QByteArray> bad;
    for (qsizetype cut = 0; cut < kRunVersion3.size(); ++cut) {
        bad << kRunVersion3.left(cut);
    }
    QByteArray hugeCount = kRunVersion3;
    hugeCount.replace(4 * 3 + 8 * 6, 4, QByteArray::fromHex("ffffff7f"));
    bad << hugeCount;
    for (const QByteArray& bytes : bad) {
        std::unique_ptr<TqeldbAgilityTest> run = TqeldbAgilityTest::CreateEmpty();
        EXPECT_THROW(ReadRun(*run, bytes, 3), EReadError) << bytes.toHex().data();
    }
}

TEST(AgilityStream, AssignCopiesTheCourseAndItsLines) {
    TqeldbAgilityDefinitions definitions;
    ReadDefinitions(definitions, kDefinitions);
    definitions.GetDefinition(0)->Lines()[0]->setColIndex(4);
    TqeldbAgilityDefinitions copy;
    copy.Assign(definitions);
    copy.Assign(copy);
    EXPECT_EQ(WriteDefinitions(copy).toHex(), kDefinitions.toHex());
    const TqeldbAgilityDef& course = *copy.GetDefinition(0);
    EXPECT_EQ(course.Lines()[0]->AgilityDef(), &course);
    EXPECT_EQ(course.Lines()[0]->ColIndex(), 0);
    EXPECT_EQ(copy.GetDefinitionByDescription(QStringLiteral("slalom")), &course);
    EXPECT_EQ(copy.GetDefinitionIDByDescription(QStringLiteral("Sprint")), 0);
    EXPECT_TRUE(copy.RemoveDefinitionByID(7));
    EXPECT_FALSE(copy.RemoveDefinitionByID(7));
    EXPECT_EQ(copy.Open(7), nullptr) << "no connection";
}

}  // namespace
