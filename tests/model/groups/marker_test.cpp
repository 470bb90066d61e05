#include <QUuid>

#include "database/sqlite_file_fixture.h"
#include "model/groups/groups_fixture.h"
#include "model/groups/marker.h"
#include "platform/exception.h"
#include "platform/guid_text.h"

namespace {

using qel::test::GroupsFixture;

class MarkerTest : public GroupsFixture {
protected:
    TqelMarker* Add(int32_t aTime, int8_t aType = TqelMarker::PlainMarker) {
        return dataset.addMarker(aTime, QString(), aType, 0, QString());
    }
    QList<int32_t> Times() const {
        QList<int32_t> times;
        for (int32_t i = 0; i < dataset.MarkerCount(); ++i) {
            times << dataset.getMarker(i)->TimeposInMS();
        }
        return times;
    }
};

TEST_F(MarkerTest, AddMarkerKeepsTimeOrderAndTakesOnlyAValidGuid) {
    const QString guidText = QStringLiteral("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
    TqelMarker* first =
        dataset.addMarker(500, QStringLiteral("  Start  "), TqelMarker::StartMarker, 7, guidText);
    TqelMarker* early = Add(100);
    TqelMarker* same = Add(500);
    EXPECT_EQ(Times(), QList<int32_t>({100, 500, 500}));
    EXPECT_EQ(dataset.getMarker(2), same) << "after equal times";
    EXPECT_EQ(first->ID(), 1);
    EXPECT_EQ(early->ID(), 2);
    EXPECT_EQ(first->Description(), QStringLiteral("Start"));
    EXPECT_EQ(first->Symbol(), 7);
    EXPECT_EQ(first->MarkerType(), TqelMarker::StartMarker);
    EXPECT_EQ(qel::GuidToString(first->GUID()), guidText);
    EXPECT_EQ(dataset.findMarkerByGUID(first->GUID()), first);
    // A malformed GUID, or none, gives a new one.
    for (const QString& text : {QStringLiteral("{not a guid}"), QString()}) {
        TqelMarker* marker = dataset.addMarker(0, QString(), 0, 0, text);
        EXPECT_FALSE(marker->GUID().isNull());
        EXPECT_NE(marker->GUID(), first->GUID());
    }
    EXPECT_EQ(log.Take(), QStringList({Line("added", itemMarker, 1), Line("added", itemMarker, 2),
                                       Line("added", itemMarker, 3), Line("added", itemMarker, 4),
                                       Line("added", itemMarker, 5)}))
        << "the setters inside addMarker notify nothing";

    EXPECT_EQ(dataset.findMarkerByID(3), same);
    EXPECT_EQ(dataset.getMarkerByID(9), nullptr);
    EXPECT_EQ(dataset.findMarkerByTime(500), first);
    EXPECT_EQ(dataset.findMarkerByTime(499), nullptr);
    EXPECT_THROW(dataset.getMarker(5), EArgumentOutOfRangeException);

    // Setters notify a change only.
    first->setSymbol(7);
    first->setDescription(QStringLiteral("Start"));
    EXPECT_TRUE(log.Take().isEmpty());
    first->setSymbol(8);
    first->setTimeposInMS(600);
    first->setDescription(QStringLiteral(" Go "));
    EXPECT_EQ(first->Description(), QStringLiteral("Go"));
    EXPECT_EQ(log.Take().size(), 3);
}

TEST_F(MarkerTest, TimeLookups) {
    EXPECT_EQ(dataset.FindMarkerLowestTime(), 0);
    EXPECT_EQ(dataset.FindMarkerHighestTime(), 3'600'000) << "the duration";
    EXPECT_EQ(dataset.LastStartMarkerTimeInMS(1000), -1);
    EXPECT_EQ(dataset.FindClosestMarker(1000, 500), nullptr);

    TqelMarker* m1000 = Add(1000);
    TqelMarker* m2000 = Add(2000, TqelMarker::StartMarker);
    TqelMarker* m3000 = Add(3000);
    Add(5000, TqelMarker::StartMarker);
    EXPECT_EQ(dataset.FindMarkerLowestTime(), 1000);
    EXPECT_EQ(dataset.FindMarkerHighestTime(), 5000);

    const struct {
        int32_t Pos;
        int32_t Range;
        TqelMarker* Found;
    } closest[] = {
        {1500, 500, nullptr},  // exactly the range away on both sides
        {1500, 501, m1000},    // equally close: the earlier
        {2400, 1000, m2000},  {2600, 1000, m3000}, {0, 1000, nullptr}, {0, 1001, m1000},
    };
    for (const auto& c : closest) {
        EXPECT_EQ(dataset.FindClosestMarker(c.Pos, c.Range), c.Found) << c.Pos << " " << c.Range;
    }

    EXPECT_EQ(dataset.LastStartMarkerTimeInMS(2000), -1)
        << "a start marker at the time is not before it";
    EXPECT_EQ(dataset.LastStartMarkerTimeInMS(2001), 2000);
    EXPECT_EQ(dataset.LastStartMarkerTimeInMS(5000), 2000);
    EXPECT_EQ(dataset.LastStartMarkerTimeInMS(5001), 5000);
    EXPECT_FALSE(dataset.StartMarkerPassed(2000));
    EXPECT_TRUE(dataset.StartMarkerPassed(2001));
}

TEST_F(MarkerTest, TextForms) {
    dataset.setTimestamp(45000.5);
    TqelMarker* marker = dataset.addMarker(3'723'456, QString(100, u'x') + u'y', 0, 0, QString());
    EXPECT_EQ(marker->ToString(mtsShortTimeAndDescription),
              QStringLiteral("1:02:03 ") + QString(80, u'x'));
    EXPECT_EQ(marker->ToString(mtsShortTime), QStringLiteral("1:02:03"));
    EXPECT_EQ(marker->ToString(mtsTime), QStringLiteral("1:02:03.456"));
    EXPECT_EQ(marker->ToString(mtsTimeAndDescription).left(13), QStringLiteral("1:02:03.456 x"));
    EXPECT_DOUBLE_EQ(marker->TimePosAsDateTime(), 45000.5 + 3723456.0 / 86400000.0);
    EXPECT_EQ(marker->LPMTimePos(), int64_t{3'723'456} * 10);

    const struct {
        const char* Description;
        const char* Text;
    } cases[] = {
        {"first\r\n\r\nthird\r\n", "first/third"},
        {"a/b\nsaid \"hi\"\nplain", "\"a/b\"/\"said \"\"hi\"\"\"/plain"},
        {"", ""},
    };
    for (const auto& c : cases) {
        marker->setDescription(QString::fromUtf8(c.Description));
        EXPECT_EQ(marker->AsText(), QString::fromUtf8(c.Text)) << c.Description;
    }
}

TEST_F(MarkerTest, DeletingAndClearingLeaveNoSelection) {
    TqelMarker* plain = Add(100);
    TqelMarker* start = Add(200, TqelMarker::StartMarker);
    Add(300);
    Add(400, TqelMarker::GoalMarker);
    dataset.setSelectedMarker(start);
    log.Take();
    dataset.clearMarkers(TqelMarker::StartMarker);
    EXPECT_EQ(dataset.SelectedMarker(), nullptr);
    EXPECT_EQ(log.Take(),
              QStringList({Line("selected", itemMarker, 0), Line("deleting", itemMarker, 2),
                           Line("deleted", itemMarker, 2)}));
    dataset.clearMarkers(TqelMarker::PlainMarker);
    EXPECT_EQ(Times(), QList<int32_t>({400}));
    EXPECT_EQ(log.Take(),
              QStringList({Line("deleting", itemMarker, 3), Line("deleted", itemMarker, 3),
                           Line("deleting", itemMarker, 1), Line("deleted", itemMarker, 1)}))
        << "last first";

    dataset.setSelectedMarker(dataset.getMarker(0));
    log.Take();
    dataset.clearMarkers(255);
    EXPECT_EQ(dataset.MarkerCount(), 0);
    EXPECT_EQ(dataset.SelectedMarker(), nullptr);
    EXPECT_EQ(log.Take(),
              QStringList({Line("selected", itemMarker, 0), Line("cleared", itemMarker, 0)}));

    plain = Add(100);
    dataset.setSelectedMarker(plain);
    dataset.deleteMarker(plain);
    dataset.deleteMarker(nullptr);
    EXPECT_EQ(dataset.SelectedMarker(), nullptr);
    EXPECT_EQ(dataset.MarkerCount(), 0);
}

class MarkerRows : public qel::test::SqliteFileTest {
protected:
    QStringList MarkerRowTexts() {
        return Rows(
            QStringLiteral("select MRK_GUID, DTS_ID, EXR_ID, PRT_ID, MRK_TYPE, "
                           "MRK_TIMESTAMP_MS, MRK_LPM_TIME_MS, MRK_DESCRIPTION from MARKERS"));
    }
};

TEST_F(MarkerRows, ARowKeyedByGuidOnlyWhileRecordingWithLiveStorage) {
    TqelDataset dataset(database.get());
    dataset.setDBDtsID(42);
    const QString guid = QStringLiteral("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
    dataset.addMarker(1000, QStringLiteral("not recording"), 1, 0, QString());
    dataset.setRecording(true);
    dataset.addMarker(1000, QStringLiteral("no live storage"), 1, 0, QString());
    dataset.setStoreLivePositions(true);
    TqelMarker* marker = dataset.addMarker(1500, QStringLiteral("Start"), 1, 0, guid);
    dataset.addMarker(0, QStringLiteral("at 0"), 0, 0, QString());
    EXPECT_EQ(MarkerRowTexts(), QStringList{guid + QStringLiteral(" 42 0 0 0 1500 15000 Start")});
    marker->setTimeposInMS(2500);
    marker->setDescription(QStringLiteral("Go"));
    EXPECT_EQ(MarkerRowTexts(), QStringList{guid + QStringLiteral(" 42 0 0 0 2500 25000 Go")});
    marker->setSymbol(3);
    dataset.setRecording(false);
    marker->setTimeposInMS(3000);
    EXPECT_EQ(MarkerRowTexts(), QStringList{guid + QStringLiteral(" 42 0 0 0 2500 25000 Go")});
}

}  // namespace
