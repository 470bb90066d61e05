#include <gtest/gtest.h>

#include "database/available_transponders.h"
#include "database/prepare_recording.h"
#include "platform/exception.h"
#include "sqlite_file_fixture.h"

namespace {

class AvailableTranspondersTest : public qel::test::SqliteFileTest {
protected:
    // Vests, listed by label: "A" (id 3: 1234 and 700 combined), "B" (id 1: 1234, ball),
    // "c" (id 2: 305 and 306).
    void AddVests() {
        Exec(QStringLiteral(
            "insert into AVAILABLE_TRANSPONDERS (ATP_ID, ATP_DESCRIPTION, ATP_ANTENNA1_ID, "
            "ATP_ANTENNA2_ID, ATP_ANTENNA3_ID, ATP_ANTENNA4_ID, ATP_COMBINED, ATP_ROLE, "
            "ATP_MAC_ADDRESS) values (1, 'B', 1234, 0, 0, 0, 0, 1, 'm1'), (2, 'c', 305, 306, 0, "
            "0, 0, 0, 'm2'), (3, 'A', 1234, 700, 0, 0, 1, 0, 'm3')"));
    }

    static QStringList Labels(const TqeldbAvailableTransponders& aInventory) {
        QStringList labels;
        for (int i = 0; i < aInventory.Count(); ++i) {
            labels << aInventory.GetAvailableTP(i)->Description();
        }
        return labels;
    }
};

TEST_F(AvailableTranspondersTest, StoresAndLoadsEveryColumn) {
    TqeldbAvailableTransponders inventory(database.get());
    TqelAvailableTransponder* vest = inventory.AddAvailableTP();
    EXPECT_EQ(vest->ATPid(), 0);
    EXPECT_TRUE(vest->Modified());
    vest->setDescription(QStringLiteral("V1"));
    vest->setAntenna1ID(1201);
    vest->setAntenna2ID(1202);
    vest->setCombined(true);
    vest->setTPRole(2);
    vest->setNMEAPort(4001);
    vest->setNMEAIP(QStringLiteral("10.0.0.9"));
    vest->setMACAddress(QStringLiteral("aa:bb"));
    inventory.Save(vest);
    EXPECT_EQ(vest->ATPid(), LastKey(QStringLiteral("AVAILABLE_TRANSPONDER")));
    EXPECT_EQ(Rows(QStringLiteral("select * from AVAILABLE_TRANSPONDERS")),
              QStringList{QStringLiteral("%1 0 V1 1201 1202 0 0 True - 2 False 4001 10.0.0.9 aa:bb")
                              .arg(vest->ATPid())})
        << "required integers store 0, empty texts and optional zeros NULL";

    inventory.GetAll();
    ASSERT_EQ(inventory.Count(), 1);
    const TqelAvailableTransponder* loaded = inventory.GetAvailableTP(0);
    EXPECT_FALSE(loaded->Modified());
    EXPECT_EQ(loaded->Antenna2ID(), 1202);
    EXPECT_TRUE(loaded->Combined());
    EXPECT_EQ(loaded->MACAddress(), QStringLiteral("aa:bb"));
    EXPECT_FALSE(inventory.SQL().Active());
}

TEST_F(AvailableTranspondersTest, LooksUpByLabelAntennaAndTransponderNumber) {
    AddVests();
    TqeldbAvailableTransponders inventory(database.get());
    inventory.GetAll();
    EXPECT_EQ(Labels(inventory),
              (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("c")}));

    EXPECT_EQ(inventory.GetATPByDescription(QStringLiteral("c"))->ATPid(), 2);
    EXPECT_EQ(inventory.GetATPByDescription(QStringLiteral("a")), nullptr) << "exact case";
    EXPECT_EQ(inventory.GetATPByID(1)->Description(), QStringLiteral("B"));
    EXPECT_EQ(inventory.GetATPByAntenna1ID(1234)->ATPid(), 3) << "the earlier by label";
    EXPECT_EQ(inventory.GetATPByAntenna1ID(306), nullptr) << "only the first antenna counts";

    EXPECT_EQ(inventory.GetAvailableTP(0)->AntennaTP(), 12);
    EXPECT_EQ(inventory.ATPindexByTP(12, 0), 0);
    EXPECT_EQ(inventory.ATPindexByTP(12, 1), 1);
    EXPECT_EQ(inventory.ATPindexByTP(12, 2), -1);
    EXPECT_EQ(inventory.ATPindexByTP(12, 3), -1) << "start past the end";
    EXPECT_THROW(inventory.GetAvailableTP(3), EArgumentOutOfRangeException);

    // The preparation accessor's snapshot answers the later row by label, any antenna.
    TqeldbPrepareRecordings preparations(database.get());
    EXPECT_EQ(preparations.GetAvailableByAntenna(1234)->ATPid(), 1);
    EXPECT_EQ(preparations.GetAvailableByAntenna(306)->ATPid(), 2);
    EXPECT_EQ(preparations.GetAvailableByAntenna(999), nullptr);
    preparations.Clear();
    EXPECT_EQ(preparations.GetAvailableByAntenna(1234), nullptr) << "not reloaded";
}

TEST_F(AvailableTranspondersTest, DeletingAVestRemovesItFromEveryPreparation) {
    AddVests();
    Exec(
        QStringLiteral("insert into PREPARE_TRANSPONDER (PRC_ID, ATP_ID, TP_ID) values (10, 1, 1), "
                       "(10, 2, 2), (11, 1, 1)"));
    TqeldbAvailableTransponders inventory(database.get());
    inventory.GetAll();
    Exec(
        QStringLiteral("create trigger KEEP_VEST before delete on AVAILABLE_TRANSPONDERS begin "
                       "select raise(abort, 'refused'); end"));
    EXPECT_ANY_THROW(inventory.DeleteATPByID(1));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from PREPARE_TRANSPONDER")),
              QStringList{QStringLiteral("3")})
        << "the vest stays in its preparations while it stays in the inventory";
    Exec(QStringLiteral("drop trigger KEEP_VEST"));

    inventory.DeleteATPByID(1);
    inventory.DeleteATPByID(42);
    EXPECT_EQ(Labels(inventory), (QStringList{QStringLiteral("A"), QStringLiteral("c")}));
    EXPECT_EQ(Rows(QStringLiteral("select ATP_ID from AVAILABLE_TRANSPONDERS order by ATP_ID")),
              (QStringList{QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(Rows(QStringLiteral("select PRC_ID, ATP_ID from PREPARE_TRANSPONDER")),
              QStringList{QStringLiteral("10 2")});
}

TEST_F(AvailableTranspondersTest, MacAddressIsWrittenToOneRowOnly) {
    AddVests();
    TqeldbAvailableTransponders inventory(database.get());
    inventory.SaveATPMacAddress(2, QStringLiteral("x'1"));
    EXPECT_EQ(Rows(QStringLiteral("select ATP_ID, ATP_DESCRIPTION, ATP_ANTENNA1_ID, "
                                  "ATP_MAC_ADDRESS from AVAILABLE_TRANSPONDERS order by ATP_ID")),
              (QStringList{QStringLiteral("1 B 1234 m1"), QStringLiteral("2 c 305 x'1"),
                           QStringLiteral("3 A 1234 m3")}));
}

}  // namespace
