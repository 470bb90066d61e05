#include "database/available_transponders.h"
#include "database/database_test_support.h"
#include "database/prepare_recording.h"
#include "database/test_database_manager.h"
#include "lpm_server_fixture.h"
#include "support/temp_folder.h"

namespace qel::test {
namespace {

class TransponderAdministrationTest : public LPMServerTest {
protected:
    TqelAntennaData* Register(uint16_t anAntennaID, int32_t anEnabled, const QString& aVestID = {},
                              const QString& anAthleteName = {}) {
        TqelAntennaData* transponder =
            server->AntennaList()->AddAntenna(&control, anAntennaID, anEnabled, anAntennaID);
        transponder->setVestID(aVestID);
        transponder->setAthleteName(anAthleteName);
        return transponder;
    }
    std::vector<int32_t> States(std::initializer_list<uint16_t> anAntennaIDs) {
        std::vector<int32_t> states;
        for (const uint16_t id : anAntennaIDs) {
            states.push_back(server->AntennaList()->ItemByAntennaID(id)->Enabled());
        }
        return states;
    }
    // aGood samples of state OK and aBad that no base station located.
    void Receive(uint16_t anAntennaID, int aGood, int aBad) {
        for (int i = 0; i < aGood + aBad; ++i) {
            server->PositionDataRecevied(
                &control, Sample(anAntennaID, 0, 0, i < aGood ? ldsOK : ldsNotEnoughStations));
        }
    }
};

TEST_F(TransponderAdministrationTest, EnableAllKeepsPausedAndDisableAllSwitchesEverythingOff) {
    Register(1, 1);
    Register(2, 0);
    Register(3, 2);
    server->TransponderEnableAll();
    EXPECT_EQ(States({1, 2, 3}), (std::vector<int32_t>{1, 1, 2}));
    EXPECT_EQ(control.Calls, QStringList{QStringLiteral("activate 2")});

    server->TransponderDisableAll();
    EXPECT_EQ(States({1, 2, 3}), (std::vector<int32_t>{0, 0, 0}));

    server->TransponderEnable(3, 2);
    server->TransponderEnable(99, 1);  // not registered: nothing
    EXPECT_EQ(States({1, 2, 3}), (std::vector<int32_t>{0, 0, 2}));
    EXPECT_EQ(server->AntennaList()->ItemByAntennaID(99), nullptr);
}

TEST_F(TransponderAdministrationTest, DisableOffFieldActsBelowQualityTen) {
    Register(1, 1);
    Register(2, 1);
    Register(3, 2);
    Register(4, 0);
    Receive(1, 1, 9);   // 10 %
    Receive(2, 1, 10);  // 9 %
    Receive(3, 0, 5);   // 0 %, paused
    server->TransponderDisableOffField();
    EXPECT_EQ(States({1, 2, 3, 4}), (std::vector<int32_t>{1, 0, 0, 0}));
}

TEST_F(TransponderAdministrationTest, VestChangeMovesTheAthleteAndTellsLiveClients) {
    Register(1, 1, QStringLiteral("V1"), QStringLiteral("Anna"));
    Register(2, 0, QStringLiteral("V2"), QStringLiteral("spare"));
    Register(3, 0, QStringLiteral("V3"), QStringLiteral("Cleo"));
    auto live = Connect();
    LiveData(*live, 1);

    server->ChangeAthletesVest(QStringLiteral("V1"), QStringLiteral("V2"));
    EXPECT_EQ(States({1, 2}), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(server->AntennaList()->ItemByAntennaID(2)->AthleteName(), QStringLiteral("Anna"));

    // An unknown old vest: the new one goes on and keeps its athlete.
    server->ChangeAthletesVest(QStringLiteral("nope"), QStringLiteral("V3"));
    EXPECT_EQ(States({3}), std::vector<int32_t>{1});
    EXPECT_EQ(server->AntennaList()->ItemByAntennaID(3)->AthleteName(), QStringLiteral("Cleo"));
    EXPECT_EQ(server->Recorder()->Forwarded().VestChanges, 2);

    ASSERT_TRUE(live->waitForMessages(msg::ChangeAthletesVest, 2));
    EXPECT_EQ(live->messagesOfType(msg::ChangeAthletesVest).front(), Encoded([](QBuffer& d) {
                  TqelProtocol::encodeChangeAthletesVest(d, QStringLiteral("V1"),
                                                         QStringLiteral("V2"));
              }));
}

class MacAddressTest : public TransponderAdministrationTest {
protected:
    void SetUp() override {
        TransponderAdministrationTest::SetUp();
        manager.Publish();
        ASSERT_TRUE(manager.Database->Initialize(
            ConnectionStringFor(DatabaseRoad::SQLite, folder.file(QStringLiteral("qel.db")))));
    }
    void TearDown() override {
        ::DatabaseManager = nullptr;
        TransponderAdministrationTest::TearDown();
    }
    // The inventory as stored.
    std::unique_ptr<TqeldbAvailableTransponders> Inventory() {
        auto inventory = std::make_unique<TqeldbAvailableTransponders>(manager.Database.get());
        inventory->GetAll();
        return inventory;
    }
    void Report(uint16_t anAntennaID, const QString& aMacAddress) {
        Register(anAntennaID, 1)->setMacAddress(aMacAddress);
    }

    TempFolder folder;
    TestDatabaseManager manager;
};

TEST_F(MacAddressTest, UnknownAntennaGetsANewInventoryRow) {
    Report(7, QStringLiteral("aa:07"));
    server->SaveTranspondersMacAddress();
    auto inventory = Inventory();
    ASSERT_EQ(inventory->Count(), 1);
    const TqelAvailableTransponder* row = inventory->GetAvailableTP(0);
    EXPECT_EQ(row->Description(), QStringLiteral("ZXY  7"));
    EXPECT_EQ(row->SetId(), 101);
    EXPECT_EQ(row->Antenna1ID(), 7);
    EXPECT_EQ(row->TPRole(), 0);
    EXPECT_FALSE(row->Combined());
    EXPECT_FALSE(row->ForceHosand());
    EXPECT_EQ(row->MACAddress(), QStringLiteral("aa:07"));

    // Stored once: the next report finds the row.
    server->SaveTranspondersMacAddress();
    EXPECT_EQ(Inventory()->Count(), 1);
}

TEST_F(MacAddressTest, KnownRowChangesOnlyThroughTheActivePreparation) {
    auto stored = Inventory();
    TqelAvailableTransponder* vest = stored->AddAvailableTP();
    vest->setDescription(QStringLiteral("Vest 8"));
    vest->setAntenna1ID(8);
    vest->setMACAddress(QStringLiteral("old"));
    stored->Save(vest);
    Report(8, QStringLiteral("new"));

    server->SaveTranspondersMacAddress();  // no active preparation
    EXPECT_EQ(Inventory()->GetAvailableTP(0)->MACAddress(), QStringLiteral("old"));

    TqelPrepareRecording preparation(nullptr);
    TqelPrepareTransponder* prepared = preparation.AddTranponder(-1);
    prepared->setATPid(vest->ATPid());
    prepared->setAntennaID(8);
    prepared->setMacAddress(QStringLiteral("old"));
    server->SetPreparation(&control, &preparation);
    server->AntennaList()->ItemByAntennaID(8)->setMacAddress(QStringLiteral("new"));
    server->SaveTranspondersMacAddress();
    EXPECT_EQ(Inventory()->GetAvailableTP(0)->MACAddress(), QStringLiteral("new"));
    EXPECT_EQ(prepared->MacAddress(), QStringLiteral("new"));
    EXPECT_EQ(Inventory()->Count(), 1);
}

}  // namespace
}  // namespace qel::test
