#include <gtest/gtest.h>

#include "database/measurement_pitches.h"
#include "sqlite_file_fixture.h"

namespace {

class MeasurementPitchesTest : public qel::test::SqliteFileTest {
protected:
    QStringList Pitches() {
        return Rows(QStringLiteral("select * from MEASUREMENT_PITCH order by MPT_ID"));
    }

    static QStringList Ids(const TqelDBMeasurementPitches& aPitches) {
        QStringList ids;
        for (int i = 0; i < aPitches.Count(); ++i) {
            ids << QString::number(aPitches.GetMPT(i)->MPTid());
        }
        return ids;
    }
};

TEST_F(MeasurementPitchesTest, LocalIdsContinueAboveTheHighestStoredId) {
    TqelDBMeasurementPitches pitches(database.get());
    pitches.GetAll(false);
    EXPECT_EQ(pitches.Count(), 0);
    EXPECT_EQ(pitches.NextLocalID(), 1);

    Exec(QStringLiteral("insert into MEASUREMENT_PITCH values (10, 'North', 1), (3, 'east', 0)"));
    pitches.GetAll(false);
    EXPECT_EQ(Ids(pitches), (QStringList{QStringLiteral("3"), QStringLiteral("10")}))
        << "ordered by description";
    EXPECT_EQ(pitches.NextLocalID(), 11);
    EXPECT_EQ(pitches.AddMeasurementPitch()->MPTid(), 11);
    EXPECT_EQ(pitches.AddMeasurementPitch()->MPTid(), 12);
    EXPECT_EQ(pitches.GetMPT(2)->ConfigFieldIndex(), -1);
    EXPECT_TRUE(pitches.GetMPT(2)->Active());
    EXPECT_FALSE(pitches.GetMPT(2)->Modified());

    pitches.Clear();
    EXPECT_EQ(pitches.NextLocalID(), 1);
    EXPECT_FALSE(pitches.SQL().Active());
}

TEST_F(MeasurementPitchesTest, ActiveOnlyLeavesOutInactiveAndUnsetPitches) {
    Exec(
        QStringLiteral("insert into MEASUREMENT_PITCH values (1, 'a', 1), (2, 'b', 0), "
                       "(3, 'c', null), (4, 'd', 1)"));
    TqelDBMeasurementPitches pitches(database.get());
    pitches.GetAll(true);
    EXPECT_EQ(Ids(pitches), (QStringList{QStringLiteral("1"), QStringLiteral("4")}));
    EXPECT_EQ(pitches.NextLocalID(), 5);
    EXPECT_FALSE(pitches.GetMPT(0)->Active() && !pitches.GetMPT(1)->Active());
    pitches.GetAll(false);
    EXPECT_EQ(pitches.Count(), 4);
    EXPECT_FALSE(pitches.GetMPT(2)->Active()) << "NULL reads as inactive";
}

TEST_F(MeasurementPitchesTest, SavingANewPitchKeepsIdZeroAndReplacesAnyOtherId) {
    TqelDBMeasurementPitches pitches(database.get());
    TqelMeasurementPitch* byDefault = pitches.AddMeasurementPitch();
    byDefault->setMPTid(0);
    byDefault->setDescription(QStringLiteral("Default"));
    pitches.Save(byDefault);
    EXPECT_EQ(byDefault->MPTid(), 0);
    EXPECT_EQ(LastKey(QStringLiteral("MEASUREMENT_PITCH")), 0) << "no key drawn";

    Exec(QStringLiteral("insert into SEQUENCES values ('MEASUREMENT_PITCH', 20)"));
    TqelMeasurementPitch* named = pitches.AddMeasurementPitch();
    named->setMPTid(5);
    named->setDescription(QStringLiteral("Main"));
    named->setActive(false);
    pitches.Save(named);
    EXPECT_EQ(named->MPTid(), 21);
    EXPECT_TRUE(named->Modified()) << "this accessor leaves the flag alone";

    named->setActive(true);
    pitches.Save(named);
    EXPECT_EQ(LastKey(QStringLiteral("MEASUREMENT_PITCH")), 21) << "an update draws nothing";
    EXPECT_EQ(Pitches(),
              (QStringList{QStringLiteral("0 Default True"), QStringLiteral("21 Main True")}));
}

TEST_F(MeasurementPitchesTest, LookUpsAndDeletes) {
    Exec(
        QStringLiteral("insert into MEASUREMENT_PITCH values (1, 'Großes Feld', 1), "
                       "(2, 'Halle', 1), (3, 'Ängel', 1)"));
    Exec(QStringLiteral("insert into MEASUREMENT_SRV_PITCH values (7, 2), (7, 3), (8, 1)"));
    TqelDBMeasurementPitches pitches(database.get());
    pitches.GetAll(false);
    EXPECT_EQ(pitches.PitchByDescription(QStringLiteral("GROßES FELD"))->MPTid(), 1);
    EXPECT_EQ(pitches.PitchByDescription(QStringLiteral("ängel"))->MPTid(), 3);
    EXPECT_EQ(pitches.PitchByDescription(QStringLiteral("Halle ")), nullptr);
    EXPECT_EQ(pitches.PitchByID(2)->Description(), QStringLiteral("Halle"));
    EXPECT_EQ(pitches.PitchByID(4), nullptr);

    pitches.GetByServer(7);
    // The file orders without case for A to Z only, so "Ä" comes after "H".
    EXPECT_EQ(Ids(pitches), (QStringList{QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(pitches.NextLocalID(), 6) << "advanced by one per row, not recomputed";

    for (const int index : {-1, 2}) {
        EXPECT_THROW(pitches.DeleteByIndex(index), EArgumentOutOfRangeException) << index;
        EXPECT_THROW(pitches.GetMPT(index), EArgumentOutOfRangeException) << index;
    }
    EXPECT_EQ(Pitches().size(), 3);
    pitches.DeleteByIndex(0);
    EXPECT_EQ(Ids(pitches), QStringList{QStringLiteral("3")});
    EXPECT_EQ(Pitches(),
              (QStringList{QStringLiteral("1 Großes Feld True"), QStringLiteral("3 Ängel True")}));
}

TEST_F(MeasurementPitchesTest, ServersSaveFindAndDelete) {
    Exec(QStringLiteral("insert into MEASUREMENT_SRV_PITCH values (1, 2), (1, 3), (2, 3)"));
    TqelDBMeasurementServers servers(database.get());
    TqelMeasurementServer* server = servers.AddMeasurementServer();
    EXPECT_EQ(server->PortNumber(), 2378);
    EXPECT_EQ(server->MSRid(), -1);
    EXPECT_FALSE(server->Modified());
    server->setDescription(QStringLiteral("Stadium"));
    server->setIPAddress(QStringLiteral("10.0.0.1"));
    EXPECT_TRUE(server->Modified());
    servers.Save(server);
    EXPECT_EQ(server->MSRid(), 1);
    TqelMeasurementServer* other = servers.AddMeasurementServer();
    other->setIPAddress(QStringLiteral("fe80::a"));
    other->setPortNumber(0);
    servers.Save(other);
    EXPECT_EQ(Rows(QStringLiteral("select * from MEASUREMENT_SERVER order by MSR_ID")),
              (QStringList{QStringLiteral("1 Stadium 10.0.0.1 2378 0"),
                           QStringLiteral("2 - fe80::a - 0")}));

    TqelDBMeasurementServers loaded(database.get());
    loaded.GetByUser(12345);
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_FALSE(loaded.SQL().Active());
    EXPECT_EQ(loaded.ServerByIP(QStringLiteral("10.0.0.1"))->Description(),
              QStringLiteral("Stadium"));
    EXPECT_EQ(loaded.ServerByIP(QStringLiteral("FE80::A")), nullptr) << "the text as stored";
    EXPECT_EQ(loaded.ServerByIP(QStringLiteral("10.0.0.01")), nullptr);
    EXPECT_EQ(loaded.ServerByID(2)->PortNumber(), 0);
    EXPECT_EQ(loaded.ServerByID(3), nullptr);

    EXPECT_THROW(loaded.DeleteByIndex(2), EArgumentOutOfRangeException);
    loaded.DeleteByIndex(0);
    EXPECT_EQ(loaded.Count(), 1);
    EXPECT_EQ(Rows(QStringLiteral("select MSR_ID from MEASUREMENT_SERVER")),
              QStringList{QStringLiteral("2")});
    EXPECT_EQ(Rows(QStringLiteral("select * from MEASUREMENT_SRV_PITCH")),
              QStringList{QStringLiteral("2 3")});
}

}  // namespace

TEST_F(MeasurementPitchesTest, NewPitchesAreInsertedNeverMatchedByTheirPlaceholders) {
    Exec(QStringLiteral("insert into MEASUREMENT_PITCH values (10, 'North', 1), (3, 'East', 1)"));
    Exec(QStringLiteral("insert into SEQUENCES values ('MEASUREMENT_PITCH', 11)"));
    TqelDBMeasurementPitches pitches(database.get());
    pitches.GetAll(false);
    TqelMeasurementPitch* west = pitches.AddMeasurementPitch();
    TqelMeasurementPitch* south = pitches.AddMeasurementPitch();
    ASSERT_EQ(south->MPTid(), 12);
    west->setDescription(QStringLiteral("West"));
    south->setDescription(QStringLiteral("South"));

    pitches.Save(west);
    EXPECT_EQ(west->MPTid(), 12) << "the key drawn is the other pitch's placeholder";
    pitches.Save(south);
    EXPECT_EQ(south->MPTid(), 13);
    west->setActive(false);
    pitches.Save(west);
    EXPECT_EQ(Pitches(),
              (QStringList{QStringLiteral("3 East True"), QStringLiteral("10 North True"),
                           QStringLiteral("12 West False"), QStringLiteral("13 South True")}));

    // Stored pitches are still found by their ids.
    pitches.GetAll(false);
    pitches.PitchByID(10)->setDescription(QStringLiteral("Nord"));
    pitches.Save(pitches.PitchByID(10));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from MEASUREMENT_PITCH")),
              QStringList{QStringLiteral("4")});
}
