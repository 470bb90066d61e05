#include <QVariantList>
#include <algorithm>
#include <initializer_list>

#include "analysis/framework/calculation.h"
#include "database/athletes.h"
#include "database/datasets/dataset_rows.h"
#include "database/datasets/live_position.h"
#include "database/datasets/transponder_rows.h"
#include "database/prepare_recording.h"
#include "database/sqlite_file_fixture.h"
#include "model/blocks/camera.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

namespace {

// A session preparation 4 with three prepared vests, an inventory and two athletes:
//   vest "V1" antennas 1201..1204, TP 7, Anna Berg (athlete 1);
//   vest "V2" antennas 2201..2204 combined, TP 8, "Carl D." (athlete 2, default key 50);
//   vest "V6" antenna 6301, TP 9, no athlete, prepared name "Named";
//   inventory only: "Ball" 6001 (ball), "Tracker" 6101 (tracking object), "Plain" 6201.
class DatasetDatabase : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        Exec(QStringLiteral(
            "insert into PLAYER (PLR_ID, PLR_FIRSTNAME, PLR_LASTNAME, PLR_SHIRTNUMBER, PLR_ROLE, "
            "PLR_MAX_HEARTBEAT, PLR_DEFAULT_TP_ID, PLR_SYSTEM_ID) values (1, 'Anna', 'Berg', 7, 2, "
            "190, 0, 'S-1'), (2, 'Carl', 'Dahl', 9, 0, 180, 50, null)"));
        AddVest(1, QStringLiteral("V1"), {1201, 1202, 1203, 1204}, false, 0);
        AddVest(2, QStringLiteral("V2"), {2201, 2202, 2203, 2204}, true, 0);
        AddVest(3, QStringLiteral("Ball"), {6001}, false, roleBall);
        AddVest(4, QStringLiteral("Tracker"), {6101}, false, rolePlayerTrackingVaruza);
        AddVest(5, QStringLiteral("Plain"), {6201}, false, roleAthlete);
        AddVest(6, QStringLiteral("V6"), {6301}, false, roleAthlete);
        AddVest(7, QStringLiteral("Wide"), {7001, 16384, 65535}, false, roleAthlete);
        Exec(QStringLiteral(
            "insert into PREPARE_RECORDING (PRC_ID, PRC_DESCRIPTION) values (4, 'Session')"));
        AddPrepared(1, 7, 1, "Anna");
        AddPrepared(2, 8, 2, "Carl D.");
        AddPrepared(6, 9, 0, "Named");

        dataset = std::make_unique<TqelDataset>(database.get());
        dataset->setDBPrepareRecordings(std::make_unique<TqeldbPrepareRecordings>(database.get()));
        auto preparation = std::make_unique<TqelPrepareRecording>(database.get());
        dataset->DBPrepareRecordings()->GetPrepareRecordingAndAntennas(4, preparation.get());
        prepared = preparation.get();
        dataset->setPrepareRec(std::move(preparation));
    }

    void AddVest(int32_t anATPid, const QString& aLabel, std::initializer_list<int> anAntennas,
                 bool aCombined, int32_t aRole) {
        QVariantList antennas(4, 0);
        std::copy(anAntennas.begin(), anAntennas.end(), antennas.begin());
        TqelQuery query(database->Connection());
        query.setText(QStringLiteral(
            "insert into AVAILABLE_TRANSPONDERS (ATP_ID, ATP_DESCRIPTION, ATP_ANTENNA1_ID, "
            "ATP_ANTENNA2_ID, ATP_ANTENNA3_ID, ATP_ANTENNA4_ID, ATP_COMBINED, ATP_ROLE) values "
            "(:ID, :D, :A1, :A2, :A3, :A4, :C, :R)"));
        query.ParamByName(QStringLiteral("ID"))->setValue(anATPid);
        query.ParamByName(QStringLiteral("D"))->setValue(aLabel);
        const char* names[] = {"A1", "A2", "A3", "A4"};
        for (int i = 0; i < 4; ++i) {
            query.ParamByName(QString::fromLatin1(names[i]))->setValue(antennas[i]);
        }
        query.ParamByName(QStringLiteral("C"))->setValue(aCombined ? 1 : 0);
        query.ParamByName(QStringLiteral("R"))->setValue(aRole);
        query.ExecSQL();
    }
    void AddPrepared(int32_t anATPid, int32_t aTP, int32_t aPlrID, const char* aName) {
        Exec(QStringLiteral("insert into PREPARE_TRANSPONDER (PRC_ID, ATP_ID, TP_ID, PLR_ID, "
                            "PRC_ATHLETE_NAME, PRC_ENABLED) values (4, %1, %2, %3, '%4', 1)")
                 .arg(anATPid)
                 .arg(aTP)
                 .arg(aPlrID)
                 .arg(QString::fromUtf8(aName)));
    }
    TqelTransponderData* AddPreparedAntenna(int32_t anAntennaID) {
        return dataset->AddTransponder(anAntennaID, prepared->TransponderByAntenna(anAntennaID), 0);
    }

    std::unique_ptr<TqelDataset> dataset;
    TqelPrepareRecording* prepared = nullptr;
};

TEST_F(DatasetDatabase, DatabaseObjectsExistAndDefaultsHold) {
    EXPECT_EQ(dataset->Database(), database.get());
    EXPECT_NE(dataset->DBPlayers(), nullptr);
    EXPECT_NE(dataset->DBTeams(), nullptr);
    EXPECT_NE(dataset->DBTransponders(), nullptr);
    EXPECT_NE(dataset->ExerciseNames(), nullptr);
    EXPECT_NE(dataset->AgilityDefs(), nullptr);
    EXPECT_EQ(dataset->AnalyzeDefID(), 0) << "no analysis definition stored";
    EXPECT_EQ(dataset->LastGroupPartID(), 1000);
    EXPECT_EQ(dataset->Filename(), QStringLiteral("new.qel"));
    EXPECT_EQ(dataset->PrepareRecordingID(), -1);
}

TEST_F(DatasetDatabase, PreparedVestRegistersItsAntennasUnlessCombined) {
    TqelTransponderData* anna = AddPreparedAntenna(1201);
    EXPECT_EQ(anna->TPid(), 7);
    EXPECT_EQ(anna->VestID(), QStringLiteral("V1"));
    EXPECT_EQ(anna->AthleteName(), QStringLiteral("Anna"));
    EXPECT_EQ(anna->ShirtNumber(), 7);
    EXPECT_EQ(anna->AthleteMaxHeartbeat(), 190);
    EXPECT_EQ(anna->SystemID(), QStringLiteral("S-1"));
    EXPECT_EQ(anna->PlayerRole(), 2) << "the athlete's role, the transponder having none";
    EXPECT_EQ(anna->Role(), roleAthlete);
    EXPECT_TRUE(anna->DBTransponder().PlayerAssigned());
    for (const int32_t antenna : {1201, 1202, 1203, 1204}) {
        EXPECT_EQ(dataset->GetTransponderByAtenna(antenna), anna) << antenna;
        EXPECT_EQ(dataset->AntennaIndex(antenna), antenna - 1200) << antenna;
    }
    EXPECT_EQ(anna->Antenna4ID(), 1204);

    TqelTransponderData* carl = AddPreparedAntenna(2201);
    EXPECT_EQ(carl->TPid(), 8);
    EXPECT_EQ(carl->AthleteName(), QStringLiteral("Carl D.")) << "the prepared name";
    EXPECT_EQ(carl->ShirtNumber(), 9);
    EXPECT_EQ(dataset->GetTransponderByAtenna(2201), carl);
    for (const int32_t antenna : {2202, 2203, 2204}) {
        EXPECT_EQ(dataset->GetTransponderByAtenna(antenna), nullptr) << "combined: " << antenna;
    }
    EXPECT_EQ(carl->Antenna2ID(), 0);
}

TEST_F(DatasetDatabase, UnpreparedAntennasFindAthletesInventoryOrNothing) {
    dataset->DBPlayers()->Find(0, QString(), QString(), QString(), false, QString());
    TqelTransponderData* byKey = dataset->AddTransponder(5055, nullptr, 0);
    EXPECT_EQ(byKey->AthleteName(), QStringLiteral("Carl Dahl")) << "default key 5055 div 100";
    EXPECT_EQ(byKey->TPid(), 10) << "counted on from the preparation's highest TPid";
    EXPECT_EQ(byKey->VestID(), QStringLiteral("510"));

    TqelTransponderData* byId = dataset->AddTransponder(5101, nullptr, 1);
    EXPECT_EQ(byId->AthleteName(), QStringLiteral("Anna Berg"));
    EXPECT_EQ(byId->TPid(), 11);

    TqelTransponderData* ball = dataset->AddTransponder(6001, nullptr, 0);
    EXPECT_EQ(ball->Role(), roleBall);
    EXPECT_EQ(ball->AthleteName(), QStringLiteral("Ball"));
    EXPECT_EQ(ball->AthleteColor(), 0xFFFFFFu);
    EXPECT_EQ(ball->VestID(), QStringLiteral("Ball"));

    TqelTransponderData* tracker = dataset->AddTransponder(6101, nullptr, 0);
    EXPECT_EQ(tracker->Role(), rolePlayerTrackingVaruza);
    EXPECT_EQ(tracker->AthleteName(), QString());
    EXPECT_EQ(tracker->AthleteColor(), 0xFF0000u);
    EXPECT_EQ(tracker->AthleteMaxSpeed(), dataset->MaxSpeed());
    EXPECT_EQ(tracker->AthleteMaxHeartbeat(), 220) << "0 reads as not set";

    TqelTransponderData* plain = dataset->AddTransponder(6201, nullptr, 0);
    EXPECT_EQ(plain->AthleteName(), QStringLiteral("Unknown athlete"));
    EXPECT_EQ(plain->AthleteColor(), 255u);
    EXPECT_EQ(plain->AthleteWeight(), 80);

    TqelTransponderData* named = AddPreparedAntenna(6301);
    EXPECT_EQ(named->AthleteName(), QStringLiteral("Named"));
    EXPECT_EQ(named->TPid(), 9);
    EXPECT_EQ(dataset->MaxTransponderID(), 14);

    TqelTransponderData* wide = dataset->AddTransponder(7001, nullptr, 0);
    EXPECT_EQ(wide->Antenna2ID(), 0) << "antenna 16384 lies outside the table";
    EXPECT_EQ(wide->Antenna3ID(), 0) << "antenna 65535 lies outside the table";
    EXPECT_EQ(dataset->GetTransponderByAtenna(16384), nullptr);
}

TEST_F(DatasetDatabase, PreparedTPidOutsideTheIdTableRegistersNothing) {
    TqelPrepareTransponder* huge = prepared->AddTranponder(-1);
    huge->setTPid(70000);
    huge->setAntennaID(8001);
    EXPECT_THROW(dataset->AddTransponder(8001, huge, 0), qel::ETransponderRefused);
    EXPECT_EQ(dataset->TransponderCount(), 0);
    EXPECT_EQ(dataset->GetTransponderByAtenna(8001), nullptr);
    EXPECT_EQ(dataset->AntennaIndex(8001), 0);
    EXPECT_EQ(dataset->TransponderIDTableSize(), 100);
    EXPECT_EQ(dataset->MaxTransponderID(), 0);
    EXPECT_EQ(AddPreparedAntenna(1201)->TPIndex(), 0) << "the list has no gap";
}

TEST_F(DatasetDatabase, FailingAthleteLookUpIsLoggedAndTheTransponderStillJoins) {
    Exec(QStringLiteral("drop table PLAYER"));
    QStringList lines;
    dataset->OnLogMessage = [&](const QString& aLine) {
        lines << aLine;
        throw std::runtime_error("a failing handler");
    };
    TqelTransponderData* transponder = dataset->AddTransponder(7101, nullptr, 5);
    EXPECT_TRUE(transponder->Initialized());
    EXPECT_EQ(dataset->GetTransponderByTP(transponder->TPid()), transponder);
    EXPECT_EQ(transponder->AthleteName(),
              ClientConfig()->getTransponderDefault(transponder->TPid()).AthleteName);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Athlete look-up of player 5 failed")))
        << lines[0].toStdString();
}

TEST_F(DatasetDatabase, TeamAndLivePositionSettersWriteTheirRows) {
    Exec(QStringLiteral("insert into TEAMS values (3, 'Reds', null, 4, 1, 'R1')"));
    dataset->setTeamID(3);
    EXPECT_EQ(dataset->TeamName(), QStringLiteral("Reds"));
    EXPECT_EQ(dataset->TeamSystemID(), QStringLiteral("R1"));
    EXPECT_EQ(dataset->DBDataset()->TeamID(), 3);

    dataset->setStoreLivePositions(true);
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID from DATASETS where DTS_LIVEDATA <> 0")),
              QStringList{QString::number(dataset->GetDBDtsID())});
    dataset->setRecording(true);
    dataset->setStorePositionInterval(500);
    EXPECT_EQ(dataset->DBDataset()->StorePositionInterval(), 500);
    dataset->setRecording(false);
    // Stopping the recording clears the row's recording flag.
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID from DATASETS where DTS_RECORDING <> 0")),
              QStringList());
}

TEST_F(DatasetDatabase, CameraAddTakesThePreparedCamerasLines) {
    TqelCamera* early = dataset->CameraAdd(2);
    EXPECT_EQ(early->AutoFollowStartLine(), QString());
    prepared->AddCamera(2, 11, 3, QStringLiteral("Start A"), 0, QStringLiteral("Finish A"), 1);
    // Also an existing camera takes them.
    EXPECT_EQ(dataset->CameraAdd(2), early);
    EXPECT_EQ(early->AutoFollowStartLine(), QStringLiteral("Start A"));
    EXPECT_EQ(early->AutoFollowFinishLine(), QStringLiteral("Finish A"));
    EXPECT_EQ(early->FollowOrder(), 3);
    EXPECT_EQ(early->SectionID(), 11);
    EXPECT_EQ(dataset->CameraAdd(4)->SectionID(), 0);
    EXPECT_EQ(dataset->CameraCount(), 2);
}

TEST_F(DatasetDatabase, FixedWallClockRefreshesTheLiveDatasetRow) {
    qel::FakeClock clock{EncodeDateTime(2026, 5, 4, 15, 30, 10, 0)};
    qel::ScopedClock scopedClock{clock};
    dataset->setSpeedFrameInterval(700);
    dataset->setStoreLivePositions(true);
    dataset->setRecording(true);
    const auto record = [this](int64_t aLPMTimeMS) {
        RqelLPMSample sample;
        sample.setTimestamp(static_cast<uint32_t>(aLPMTimeMS * 10));
        sample.setAntennaID(1201);
        dataset->recordLPMSample(sample);
    };
    record(50000);
    // The provisional time stamp writes nothing.
    ResetWriteCount();
    dataset->setTimestamp(clock.Now() - 1.0);
    EXPECT_EQ(WriteCount(), 0);

    clock.Set(clock.Now() + 10000 / 86400000.0);
    record(59001);
    EXPECT_EQ(dataset->ExceptionCount(), 0);
    const QString row =
        QStringLiteral("%1 Livedata 50000 700 True True").arg(dataset->GetDBDtsID());
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID, DTS_FILE_LOCATION, DTS_FIRST_LPM_TIME_MS, "
                                  "DTS_SPEED_FRAME_INTERVAL_MS, DTS_LIVEDATA, DTS_RECORDING "
                                  "from DATASETS"))
                  .join(u'|')
                  .toStdString(),
              row.toStdString());
}

TEST_F(DatasetDatabase, StoringLivePositionsSavesTheNewTransponderAndItsLiveRecord) {
    dataset->setStoreLivePositions(true);
    dataset->setRecording(true);
    TqelTransponderData* anna = AddPreparedAntenna(1201);
    ASSERT_NE(anna->DBPos(), nullptr);
    EXPECT_EQ(anna->DBPos()->TpID(), 7);
    EXPECT_EQ(anna->Calculation()->TimeFrame(), 10);
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID, TP_ID, TP_ATHLETE_NAME, TP_VEST_ID, TP_MAX_HB "
                                  "from TRANSPONDERS"))
                  .join(u'|')
                  .toStdString(),
              QStringLiteral("%1 7 Anna V1 190").arg(dataset->GetDBDtsID()).toStdString());
    dataset->setRecording(false);
}

}  // namespace
