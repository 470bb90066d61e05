#include <gtest/gtest.h>

#include "database/datasets/markers.h"
#include "database/sqlite_file_fixture.h"
#include "platform/guid_text.h"

namespace {

class MarkersTest : public qel::test::SqliteFileTest {};

TEST_F(MarkersTest, AGameMarkerSavedTwiceLeavesOneRowWithTheSecondGuid) {
    TqeldbMarkers markers(database.get());
    QUuid last;
    for (const int32_t time : {1000, 1500}) {
        TqeldbMarker* begin = markers.AddVaruza();
        begin->setDtsID(77);
        begin->setExrID(2);
        begin->setPrtID(1);
        begin->setMarkerType(1);
        begin->setTimestampMS(time);
        begin->setLPMTimeMS(time + 500);
        begin->setDescription(QStringLiteral("First half"));
        markers.SaveGameMarker(begin);
        last = begin->GUID();
    }
    // The end marker of the same part is a row of its own.
    TqeldbMarker* end = markers.AddVaruza();
    end->setDtsID(77);
    end->setExrID(2);
    end->setPrtID(1);
    end->setMarkerType(2);
    markers.SaveGameMarker(end);
    EXPECT_EQ(Rows(QStringLiteral("select MRK_GUID, EXR_ID, PRT_ID, MRK_TIMESTAMP_MS, "
                                  "MRK_LPM_TIME_MS, MRK_TYPE, MRK_DESCRIPTION from MARKERS "
                                  "where MRK_TYPE = 1")),
              QStringList{qel::GuidToString(last) + QStringLiteral(" 2 1 1500 2000 1 First half")});
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from MARKERS")), QStringList{"2"});
}

TEST_F(MarkersTest, OperatorMarkersAreKeptByGuidAndListedInTimeOrder) {
    TqeldbMarkers markers(database.get());
    for (const int32_t time : {300, 100, 200}) {
        TqeldbMarker* marker = markers.AddVaruza();
        marker->setDtsID(5);
        marker->setTimestampMS(time);
        markers.SaveMarker(marker);
    }
    TqeldbMarker* again = markers.Varuzas(1);
    again->setDescription(QStringLiteral("goal"));
    markers.SaveMarker(again);
    EXPECT_EQ(Rows(QStringLiteral("select EXR_ID, PRT_ID, MRK_TYPE, count(*) from MARKERS")),
              QStringList{"0 0 0 3"});

    markers.GetMarkers(5);
    ASSERT_EQ(markers.Count(), 3);
    EXPECT_EQ(markers.Varuzas(0)->TimestampMS(), 100);
    EXPECT_EQ(markers.Varuzas(0)->Description(), QStringLiteral("goal"));
    EXPECT_EQ(markers.Varuzas(2)->TimestampMS(), 300);

    markers.Delete(markers.Varuzas(0));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from MARKERS")), QStringList{"2"});

    Exec(QStringLiteral("update MARKERS set MRK_GUID = 'damaged' where MRK_TIMESTAMP_MS = 200"));
    EXPECT_THROW(markers.GetMarkers(5), EConvertError);
}

}  // namespace
