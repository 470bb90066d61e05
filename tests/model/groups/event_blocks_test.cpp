#include <QBuffer>

#include "allocation_counter.h"
#include "model/blocks/block_stream.h"
#include "model/groups/event.h"
#include "model/groups/event_fixtures.h"
#include "model/groups/groups_fixture.h"
#include "model/groups/marker.h"

namespace {

using qel::test::GroupsFixture;

// The values a block of some version carries.
struct EventValues {
    int32_t ID = 0;
    int32_t Start = 0;
    int32_t End = 0;
    int32_t Symbol = 0;
    int8_t Source = 0;
    int32_t Athlete = 0;
    int32_t Target = 0;
    double X = 0;
    double Y = 0;
    int32_t Kind = 0;
    int32_t Outcome = 0;
    std::vector<std::pair<int32_t, QString>> Qualifiers;  // id and description; value "v<id>"
    QString Labels;
    int32_t Exercise = 0;
    int32_t Part = 0;
    int32_t PartTime = 0;
    int32_t Team = 0;
};

// An event block of aVersion as the format's gates lay it out.
QByteArray EventBlock(int32_t aVersion, const EventValues& v) {
    FieldBytes b;
    if (aVersion >= 20) {
        b.i32(v.ID);
    }
    b.i32(v.Start).i32(v.End).i32(v.Symbol);
    if (aVersion >= 34) {
        b.i32(v.Source);
    } else {
        b.u8(static_cast<uint8_t>(v.Source));
    }
    b.i32(v.Athlete).i32(v.Target).f64(v.X).f64(v.Y);
    b.i32(aVersion >= 134 ? v.Kind : int32_t(1u << v.Kind));
    if (aVersion >= 135) {
        b.i32(v.Outcome).i32(static_cast<int32_t>(v.Qualifiers.size()));
        for (const auto& [id, description] : v.Qualifiers) {
            b.i32(id).str(description).str(QStringLiteral("v%1").arg(id));
        }
    }
    b.str(v.Labels);
    if (aVersion >= 136) {
        b.i32(v.Exercise).i32(v.Part).i32(v.PartTime).i32(v.Team);
    }
    return b.data();
}

// What a block of aVersion reads to: the fields it lacks take their defaults.
EventValues ReadValues(int32_t aVersion, EventValues v, int32_t aNextID) {
    if (aVersion < 20) {
        v.ID = aNextID;
    }
    if (aVersion < 135) {
        v.Outcome = 0;
        v.Qualifiers.clear();
    }
    if (aVersion < 136) {
        v.Exercise = v.Part = v.PartTime = v.Team = 0;
    }
    return v;
}

EventValues SampleEvent() {
    EventValues v;
    v.ID = 9;
    v.Start = 1000;
    v.End = 2500;
    v.Symbol = 3;
    v.Source = -2;
    v.Athlete = 11;
    v.Target = 12;
    v.X = 3.5;
    v.Y = -2.25;
    v.Kind = evkOffside;
    v.Outcome = 4;
    v.Qualifiers = {{140, QStringLiteral("Zone")}, {0, QStringLiteral("Speed")}};
    v.Labels = QStringLiteral("Long\r\npass\r\n");
    v.Exercise = 5;
    v.Part = 6;
    v.PartTime = 700;
    v.Team = 8;
    return v;
}

void ExpectValues(const TqelEvent& e, const EventValues& v, int32_t aVersion) {
    SCOPED_TRACE(aVersion);
    EXPECT_EQ(e.ID(), v.ID);
    EXPECT_EQ(e.TimeStart(), v.Start);
    EXPECT_EQ(e.TimeEnd(), v.End);
    EXPECT_EQ(e.Symbol(), v.Symbol);
    EXPECT_EQ(e.Source(), v.Source);
    EXPECT_EQ(e.AthleteID(), v.Athlete);
    EXPECT_EQ(e.TargetID(), v.Target);
    EXPECT_EQ(e.XinM(), v.X);
    EXPECT_EQ(e.YinM(), v.Y);
    EXPECT_EQ(e.EventType(), v.Kind);
    EXPECT_EQ(e.Outcome(), v.Outcome);
    ASSERT_EQ(e.Qualifiers().Count(), static_cast<int32_t>(v.Qualifiers.size()));
    for (int32_t i = 0; i < e.Qualifiers().Count(); ++i) {
        EXPECT_EQ(e.Qualifiers().GetItem(i)->ID, v.Qualifiers[size_t(i)].first);
        EXPECT_EQ(e.Qualifiers().GetItem(i)->Description, v.Qualifiers[size_t(i)].second);
    }
    EXPECT_EQ(e.LabelsText(), v.Labels);
    EXPECT_EQ(e.ExerciseID(), v.Exercise);
    EXPECT_EQ(e.PartID(), v.Part);
    EXPECT_EQ(e.PartTimeMS(), v.PartTime);
    EXPECT_EQ(e.TeamID(), v.Team);
    EXPECT_TRUE(e.Initialized());
}

class EventBlocks : public GroupsFixture {};

TEST_F(EventBlocks, TheFixturesReadToTheirValuesAndWriteBackByteForByte) {
    TqelEvent event(&dataset, 0);
    ReadBlockInto(event, qel::test::EventFixture151(), 151);
    EXPECT_EQ(event.ID(), 7);
    EXPECT_EQ(event.TimeStart(), 1000);
    EXPECT_EQ(event.TimeEnd(), 2500);
    EXPECT_EQ(event.Symbol(), 3);
    EXPECT_EQ(event.Source(), 1);
    EXPECT_EQ(event.AthleteID(), 11);
    EXPECT_EQ(event.TargetID(), 12);
    EXPECT_EQ(event.XinM(), 3.5);
    EXPECT_EQ(event.YinM(), -2.25);
    EXPECT_EQ(event.EventKind(), evkPass);
    EXPECT_EQ(event.Outcome(), 2);
    ASSERT_EQ(event.Qualifiers().Count(), 2);
    EXPECT_EQ(event.Qualifiers().GetItem(0)->ID, 140);
    EXPECT_EQ(event.Qualifiers().GetItem(0)->Description, QStringLiteral("Zone"));
    EXPECT_EQ(event.Qualifiers().GetItem(0)->Value, QStringLiteral("left"));
    EXPECT_EQ(event.Qualifiers().GetItem(1)->Value, QStringLiteral("fast"));
    EXPECT_EQ(event.Labels(), QStringList({"Long", "pass"}));
    EXPECT_EQ(event.ExerciseID(), 4);
    EXPECT_EQ(event.PartID(), 5);
    EXPECT_EQ(event.PartTimeMS(), 800);
    EXPECT_EQ(event.TeamID(), 6);
    EXPECT_EQ(WrittenBlock(event), qel::test::EventFixture151());

    TqelMarker marker(&dataset, QString(), 0);
    ReadBlockInto(marker, qel::test::MarkerFixture151(), 151);
    EXPECT_EQ(marker.ID(), 3);
    EXPECT_EQ(marker.TimeposInMS(), 61000);
    EXPECT_EQ(marker.Description(), QStringLiteral("Start"));
    EXPECT_EQ(marker.Symbol(), 9);
    EXPECT_EQ(marker.MarkerType(), TqelMarker::StartMarker);
    EXPECT_TRUE(marker.Initialized());
    EXPECT_EQ(WrittenBlock(marker), qel::test::MarkerFixture151());
}

TEST_F(EventBlocks, EveryVersionReadsToItsValuesAndWritesBackAsTheNewest) {
    const EventValues sample = SampleEvent();
    for (int32_t version = 1; version <= 151; ++version) {
        TqelEvent event(&dataset, 0);
        const int32_t next = dataset.LastEventID() + 1;
        ReadBlockInto(event, EventBlock(version, sample), version);
        const EventValues expected = ReadValues(version, sample, next);
        ExpectValues(event, expected, version);
        EXPECT_EQ(WrittenBlock(event), EventBlock(151, expected)) << version;
    }
    // Below 134 the type holds a set of kinds: the highest set bit of 0..29 decides.
    TqelEvent event(&dataset, 0);
    FieldBytes set;
    set.i32(1).i32(0).i32(0).i32(0).i32(1).i32(0).i32(0).f64(0).f64(0).i32(0b110).str(QString());
    ReadBlockInto(event, set.data(), 133);
    EXPECT_EQ(event.EventType(), evkReception);
    FieldBytes none;
    none.i32(1).i32(0).i32(0).i32(0).i32(1).i32(0).i32(0).f64(0).f64(0).i32(1 << 30).str(QString());
    ReadBlockInto(event, none.data(), 133);
    EXPECT_EQ(event.EventType(), evkUnknown) << "bit 30 is no kind";
    // Before 34 the source is a single byte; from 34 on the low byte of a word.
    FieldBytes word;
    word.i32(1).i32(0).i32(0).i32(0).i32(0x1FF).i32(0).i32(0).f64(0).f64(0).i32(0).str(QString());
    ReadBlockInto(event, word.data(), 34);
    EXPECT_EQ(event.Source(), -1);
}

TEST_F(EventBlocks, MarkersOfEveryVersionEnterTheDatasetAsTheReaderEntersThem) {
    for (int32_t version = 1; version <= 151; ++version) {
        SCOPED_TRACE(version);
        FieldBytes block;
        if (version >= 20) {
            block.i32(40);
        }
        block.i32(2500);
        if (version >= 3) {
            block.str(QStringLiteral(" Start "));
        }
        if (version >= 7) {
            block.i32(9);
        }
        if (version >= 32) {
            block.i32(0x101);
        }
        QByteArray data = block.data();
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        const int32_t next = dataset.LastMarkerID() + 1;
        const QUuid firstGuid = dataset.MarkerCount() ? dataset.getMarker(0)->GUID() : QUuid();
        TqelMarker* marker = dataset.LoadMarker(reader, version);
        EXPECT_TRUE(reader.atEnd());
        EXPECT_EQ(marker->ID(), version >= 20 ? 40 : next);
        EXPECT_EQ(marker->TimeposInMS(), 2500);
        EXPECT_EQ(marker->Description(), version >= 3 ? QStringLiteral("Start") : QString());
        EXPECT_EQ(marker->Symbol(), version >= 7 ? 9 : 0);
        EXPECT_EQ(marker->MarkerType(), version >= 32 ? 1 : 0);
        EXPECT_NE(marker->GUID(), firstGuid) << "a loaded marker has a new GUID";
        EXPECT_TRUE(marker->Initialized());
        FieldBytes newest;
        newest.i32(marker->ID())
            .i32(2500)
            .str(marker->Description())
            .i32(marker->Symbol())
            .i32(marker->MarkerType());
        EXPECT_EQ(WrittenBlock(*marker), newest.data());
    }
    EXPECT_GE(dataset.LastMarkerID(), 40) << "the counter passes every id read";
}

TEST_F(EventBlocks, LoadEventAppendsInFileOrderAndRaisesTheCounter) {
    QByteArray data = qel::test::EventFixture151() + qel::test::EventFixture151();
    data.replace(0, 4, FieldBytes().i32(30).data());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    dataset.LoadEvent(reader, 151);
    dataset.LoadEvent(reader, 151);
    ASSERT_EQ(dataset.EventCount(), 2);
    EXPECT_EQ(dataset.GetEvent(0)->ID(), 30);
    EXPECT_EQ(dataset.GetEvent(1)->ID(), 7);
    EXPECT_EQ(dataset.LastEventID(), 30);
}

TEST_F(EventBlocks, CorruptCountsAreRefusedBeforeAnythingIsAllocated) {
    // The fixture with its qualifier count replaced by one no stream can hold.
    const qsizetype countAt = 4 * 7 + 8 * 2 + 4 * 2;
    for (const int32_t count : {INT32_MAX, -1}) {
        SCOPED_TRACE(count);
        QByteArray data = qel::test::EventFixture151();
        data.replace(countAt, 4, FieldBytes().i32(count).data());
        TqelEvent event(&dataset, 0);
        EXPECT_THROW(ReadBlockInto(event, data, 151), EReadError);
        EXPECT_EQ(event.Qualifiers().Count(), 0);

        // Straight at the count: the error costs what raising it costs, nothing more.
        int64_t raising = qel::bench::AllocationCount();
        try {
            throw EReadError(QStringLiteral("Stream read error"));
        } catch (const EReadError&) {
        }
        raising = qel::bench::AllocationCount() - raising;
        QByteArray rest = data.mid(countAt);
        QBuffer buffer(&rest);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        TqelEventQualifiers qualifiers;
        const int64_t before = qel::bench::AllocationCount();
        bool refused = false;
        try {
            qualifiers.readFromStream(reader, 151);
        } catch (const EReadError&) {
            refused = true;
        }
        EXPECT_EQ(qel::bench::AllocationCount() - before, raising);
        EXPECT_TRUE(refused);
        EXPECT_EQ(qualifiers.Count(), 0);
    }
}

}  // namespace
