#include <gtest/gtest.h>

#include <QVariantList>
#include <algorithm>
#include <initializer_list>

#include "database/prepare_recording.h"
#include "platform/exception.h"
#include "sqlite_file_fixture.h"

namespace {

class PrepareRecordingTest : public qel::test::SqliteFileTest {
protected:
    // One row with every value bound as a parameter, so that labels may hold quotes.
    void Insert(const QString& aTable, const QStringList& aColumns, const QVariantList& aValues) {
        QStringList params;
        for (const QString& column : aColumns) {
            params << u':' + column;
        }
        TqelQuery query(database->Connection());
        query.setText(QStringLiteral("insert into %1 (%2) values (%3)")
                          .arg(aTable, aColumns.join(u','), params.join(u',')));
        for (qsizetype i = 0; i < aColumns.size(); ++i) {
            query.ParamByName(aColumns[i])->setValue(aValues[i]);
        }
        query.ExecSQL();
    }

    // A vest of the inventory with up to four antennas.
    void AddVest(int32_t anATPid, const QString& aLabel, std::initializer_list<int> anAntennas,
                 bool aCombined = false) {
        QVariantList antennas(4, 0);
        std::copy(anAntennas.begin(), anAntennas.end(), antennas.begin());
        Insert(QStringLiteral("AVAILABLE_TRANSPONDERS"),
               {"ATP_ID", "ATP_DESCRIPTION", "ATP_ANTENNA1_ID", "ATP_ANTENNA2_ID",
                "ATP_ANTENNA3_ID", "ATP_ANTENNA4_ID", "ATP_COMBINED"},
               QVariantList{anATPid, aLabel} + antennas + QVariantList{aCombined ? 1 : 0});
    }

    // An enabled prepared transponder.
    void AddPrepared(int32_t aPrcID, int32_t anATPid, int32_t aTP, int32_t aPlrID = 0,
                     const char* aName = "") {
        Insert(QStringLiteral("PREPARE_TRANSPONDER"),
               {"PRC_ID", "ATP_ID", "TP_ID", "PLR_ID", "PRC_ATHLETE_NAME", "PRC_ENABLED"},
               {aPrcID, anATPid, aTP, aPlrID, QString::fromUtf8(aName), 1});
    }

    // Preparation 4: Anna on vest "Red" (inventory 1, TP 1), Ben on vest aLabel (2, TP 2).
    void AddSwapPair(const QString& aLabel) {
        AddVest(1, QStringLiteral("Red"), {101});
        AddVest(2, aLabel, {102});
        AddPrepared(4, 1, 1, 11, "Anna");
        AddPrepared(4, 2, 2, 12, "Ben");
    }

    QStringList Prepared(int32_t aPrcID) {
        return Rows(QStringLiteral("select ATP_ID, TP_ID, PLR_ID, PRC_ATHLETE_NAME from "
                                   "PREPARE_TRANSPONDER where PRC_ID = %1 order by ATP_ID")
                        .arg(aPrcID));
    }

    static QStringList Descriptions(const TqeldbPrepareRecordings& aPreparations) {
        QStringList descriptions;
        for (int i = 0; i < aPreparations.Count(); ++i) {
            descriptions << aPreparations.GetPrepareRecording(i)->Description();
        }
        return descriptions;
    }

    qel::FakeClock clock{EncodeDateTime(2026, 5, 4, 15, 30, 0, 0)};
    qel::ScopedClock scopedClock{clock};
};

TEST_F(PrepareRecordingTest, GetAllSelectsByActiveFlagAndDay) {
    TqelQuery insert(database->Connection());
    insert.setText(QStringLiteral(
        "insert into PREPARE_RECORDING (PRC_ID, PRC_DESCRIPTION, PRC_ACTIVE, PRC_DATE) values "
        "(1, 'e active any day', 1, null), (2, 'd active today', 1, :TODAY), (3, 'c active "
        "tomorrow', 1, :TOMORROW), (4, 'b idle any day', 0, null), (5, 'a idle today', null, "
        ":TODAY)"));
    insert.SetParamAsDatetime(QStringLiteral("TODAY"), EncodeDate(2026, 5, 4));
    insert.SetParamAsDatetime(QStringLiteral("TOMORROW"), EncodeDate(2026, 5, 5));
    insert.ExecSQL();

    const struct {
        bool ActiveOnly;
        bool OnlyToday;
        QStringList Expected;
    } cases[] = {
        {false,
         false,
         {"a idle today", "b idle any day", "c active tomorrow", "d active today",
          "e active any day"}},
        {true, false, {"c active tomorrow", "d active today", "e active any day"}},
        {false, true, {"a idle today", "b idle any day", "d active today", "e active any day"}},
        {true, true, {"d active today", "e active any day"}},
    };
    TqeldbPrepareRecordings preparations(database.get());
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "active only " << c.ActiveOnly << ", only today " << c.OnlyToday);
        preparations.GetAll(c.ActiveOnly, c.OnlyToday);
        EXPECT_EQ(Descriptions(preparations), c.Expected);
        EXPECT_FALSE(preparations.SQL().Active());
    }
    EXPECT_EQ(preparations.PrepareRecordingByID(2)->ExpectDate(), EncodeDate(2026, 5, 4));
    EXPECT_EQ(preparations.PrepareRecordingByID(3), nullptr);
}

TEST_F(PrepareRecordingTest, OpenPrcLoadsOneActivePreparationOrNone) {
    Exec(QStringLiteral(
        "insert into PREPARE_RECORDING (PRC_ID, PRC_DESCRIPTION, PRC_ACTIVE, DT_ID, MPT_ID, "
        "PRC_ROAMING_PITCH_IDS, PRC_LIVE_VIDEO_COMPILATION) values (7, 'Match', 0, 3, 2, '4;x; "
        "5', 1), (8, 'Other', 1, 0, 0, null, 0)"));
    TqeldbPrepareRecordings preparations(database.get());
    preparations.GetAll(false, false);
    EXPECT_EQ(preparations.OpenPrc(99), nullptr);
    EXPECT_EQ(preparations.Count(), 0) << "earlier preparations are freed";

    TqelPrepareRecording* match = preparations.OpenPrc(7);
    ASSERT_NE(match, nullptr);
    EXPECT_EQ(preparations.Count(), 1);
    EXPECT_FALSE(match->Active()) << "the stored flag is read over the new one";
    EXPECT_TRUE(match->Modified());
    EXPECT_EQ(match->DatasetType(), 3);
    EXPECT_EQ(match->FieldID(), 2);
    EXPECT_TRUE(match->LiveVideoCompilation());
    EXPECT_EQ(match->RoamingPitchCount(), 3) << "only the semicolon separates";
    EXPECT_EQ(match->GetRoamingPitch(0), 4);
    EXPECT_EQ(match->GetRoamingPitch(1), 0) << "not a number";
    EXPECT_EQ(match->RoamingPitchIndexOf(4), 0);
    EXPECT_EQ(match->RoamingPitchIndexOf(5), -1) << "the blank stays part of the item";
    EXPECT_THROW(match->GetRoamingPitch(3), EArgumentOutOfRangeException);
    EXPECT_FALSE(preparations.SQL().Active());
}

TEST_F(PrepareRecordingTest, TeamIdNeedsALeadOfThreeToBeatAnEarlierTeam) {
    const struct {
        std::vector<int32_t> Teams;
        int32_t Expected;
    } cases[] = {
        {{}, 0},
        {{7, 7, 9, 9, 9, 9}, 7},
        {{7, 9, 9, 9, 9}, 9},
        {{0, 0}, 0},
        {{0, 4, 4, 4, 4, 6, 6, 6, 6, 6, 6, 6, 6}, 6},
    };
    for (const auto& c : cases) {
        TqelPrepareRecording preparation(database.get());
        for (const int32_t team : c.Teams) {
            preparation.AddTranponder(-1)->setTeamID(team);
        }
        EXPECT_EQ(preparation.TeamID(), c.Expected) << testing::PrintToString(c.Teams);
    }
}

TEST_F(PrepareRecordingTest, LoadingJoinsInventoryAndAthleteAndNumbersOnlyByMatches) {
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_MAX_HEARTBEAT) values (1, 190)"));
    Exec(QStringLiteral("insert into PREPARE_RECORDING (PRC_ID, PRC_DESCRIPTION) values (4, 'P')"));
    AddVest(1, QStringLiteral("V2"), {1201, 1202, 1203, 1204}, true);
    AddVest(2, QStringLiteral("V1"), {305, 306});
    AddPrepared(4, 1, 7, 1, "Anna");
    AddPrepared(4, 2, 5, 99, "Ben");
    AddPrepared(4, 3, 9, 0, "no inventory row");
    AddPrepared(5, 2, 1);

    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparations.GetPrepareRecordingAndAntennas(4, &preparation);
    EXPECT_EQ(preparation.Description(), QStringLiteral("P"));
    ASSERT_EQ(preparation.TPCount(), 2);
    const TqelPrepareTransponder* first = preparation.GetTransponder(0);
    EXPECT_EQ(first->VestID(), QStringLiteral("V1")) << "ordered by vest label";
    EXPECT_EQ(first->TPid(), 5);
    EXPECT_EQ(first->MaxHB(), 0) << "no athlete row";
    EXPECT_EQ(first->PrepareRecording(), &preparation);
    const TqelPrepareTransponder* second = preparation.GetTransponder(1);
    EXPECT_EQ(second->AthleteName(), QStringLiteral("Anna"));
    EXPECT_EQ(second->MaxHB(), 190);
    EXPECT_TRUE(second->Combined());
    EXPECT_TRUE(second->Enabled());

    EXPECT_EQ(preparation.NextTransponderID(), 3) << "rows 5 and 7 are no matches";
    EXPECT_EQ(preparation.MaxTransponderID(), 7);
    EXPECT_EQ(preparation.NextTransponderID(), 8);
    EXPECT_EQ(preparation.AddTranponder(-1)->TPid(), 8);

    for (const uint16_t antenna : {1201, 1202, 1203, 1204}) {
        EXPECT_EQ(preparation.TransponderByAntenna(antenna), second) << antenna;
    }
    preparation.AddTranponder(-1)->setAntennaID(1203);
    EXPECT_EQ(preparation.TransponderByAntenna(1203), second) << "the first one wins";
    EXPECT_EQ(preparation.TransponderByAntenna(305), first);
    EXPECT_EQ(preparation.TransponderByAntenna(4000), nullptr);
    EXPECT_EQ(preparation.TransponderByID(7), second);
    EXPECT_EQ(preparation.TransponderByVest(QStringLiteral("v1")), nullptr);

    // The plain load adds the stored rows, the one without inventory row too, bare.
    preparation.ClearTransponders();
    preparations.GetTransponders(&preparation);
    EXPECT_EQ(preparation.TPCount(), 3);
    ASSERT_NE(preparation.TransponderByID(9), nullptr);
    EXPECT_TRUE(preparation.TransponderByID(7)->VestID().isEmpty());
    EXPECT_EQ(preparation.TransponderByID(7)->Antenna1ID(), 0);

    // No row: the preparation keeps its values and reloads its own transponders.
    preparations.GetPrepareRecordingAndAntennas(99, &preparation);
    EXPECT_EQ(preparation.PrcID(), 4);
    EXPECT_EQ(preparation.TPCount(), 2);
    EXPECT_FALSE(preparations.SQL().Active());
}

TEST_F(PrepareRecordingTest, RowsWithTheSameTransponderIdLoadAsOne) {
    AddVest(1, QStringLiteral("A"), {101});
    AddVest(2, QStringLiteral("B"), {102});
    AddPrepared(4, 1, 3, 0, "first");
    AddPrepared(4, 2, 3, 0, "later");
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(4);
    preparations.GetTPAndAntennaIDs(&preparation);
    ASSERT_EQ(preparation.TPCount(), 1);
    EXPECT_EQ(preparation.GetTransponder(0)->AthleteName(), QStringLiteral("later"));
    EXPECT_EQ(preparation.GetTransponder(0)->VestID(), QStringLiteral("B"));
    EXPECT_EQ(preparation.NextTransponderID(), 4);
}

TEST_F(PrepareRecordingTest, VestSwapExchangesAthletesAndKeepsVests) {
    AddSwapPair(QStringLiteral("O'Neil"));
    AddVest(3, QStringLiteral("Spare"), {103});
    AddPrepared(5, 1, 1, 13, "Cleo");
    const QStringList before = Prepared(4);
    TqeldbPrepareRecordings preparations(database.get());

    EXPECT_EQ(preparations.ChangeAthletesVest(4, QStringLiteral("Red"), QStringLiteral("Spare")), 2)
        << "the spare vest is not part of the preparation";
    EXPECT_EQ(preparations.ChangeAthletesVest(4, QStringLiteral("Red"), QStringLiteral("O'")), 2);
    EXPECT_EQ(preparations.ChangeAthletesVest(4, QStringLiteral("Red') or ('1'='1"),
                                              QStringLiteral("O'Neil")),
              2);
    EXPECT_EQ(Prepared(4), before) << "nothing written";

    EXPECT_EQ(preparations.ChangeAthletesVest(4, QStringLiteral("Red"), QStringLiteral("O'Neil")),
              0);
    EXPECT_EQ(Prepared(4),
              (QStringList{QStringLiteral("1 2 12 Ben"), QStringLiteral("2 1 11 Anna")}));
    EXPECT_EQ(Prepared(5), QStringList{QStringLiteral("1 1 13 Cleo")});
    EXPECT_FALSE(preparations.SQL().Active());
}

TEST_F(PrepareRecordingTest, AFailedSecondSaveLeavesBothVestsAsTheyWere) {
    AddSwapPair(QStringLiteral("Blue"));
    // Whatever the order, the first save leaves one athlete on both rows: refuse the next.
    Exec(QStringLiteral(
        "create trigger FAIL_SECOND_SAVE before update on PREPARE_TRANSPONDER when (select "
        "count(distinct PRC_ATHLETE_NAME) from PREPARE_TRANSPONDER where PRC_ID = 4) = 1 begin "
        "select raise(abort, 'refused'); end"));
    const QStringList before = Prepared(4);
    TqeldbPrepareRecordings preparations(database.get());
    EXPECT_EQ(preparations.ChangeAthletesVest(4, QStringLiteral("Red"), QStringLiteral("Blue")), 1);
    EXPECT_EQ(Prepared(4), before);

    // The connection is usable again: no transaction was left open.
    Exec(QStringLiteral("drop trigger FAIL_SECOND_SAVE"));
    EXPECT_EQ(preparations.ChangeAthletesVest(4, QStringLiteral("Red"), QStringLiteral("Blue")), 0);
    EXPECT_EQ(Prepared(4),
              (QStringList{QStringLiteral("1 2 12 Ben"), QStringLiteral("2 1 11 Anna")}));
}

TEST_F(PrepareRecordingTest, SaveTransponderSelectsTheRowByItsInventoryId) {
    AddPrepared(4, 1, 1, 11, "Anna");
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(4);
    TqelPrepareTransponder* transponder = preparation.AddTranponder(-1);
    transponder->setATPid(1);
    transponder->setAthleteName(QStringLiteral("Anna B"));
    EXPECT_EQ(preparations.SaveTransponder(transponder), 0);
    transponder->setATPid(2);
    EXPECT_EQ(preparations.SaveTransponder(transponder), 0) << "a new row for another vest";
    EXPECT_EQ(Prepared(4),
              (QStringList{QStringLiteral("1 1 - Anna B"), QStringLiteral("2 1 - Anna B")}));

    AddPrepared(4, 2, 3);
    EXPECT_EQ(preparations.SaveTransponder(transponder), 1) << "two rows match";
    EXPECT_EQ(preparations.SaveTransponder(nullptr), 1);
    EXPECT_FALSE(preparations.SQL().Active());
}

TEST_F(PrepareRecordingTest, SaveTranspondersReplacesAllRowsOrNone) {
    AddPrepared(4, 1, 1, 11, "Anna");
    AddPrepared(4, 2, 2, 12, "Ben");
    AddPrepared(5, 1, 1, 13, "Cleo");
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording preparation(database.get());
    preparation.setPrcID(4);
    for (const int32_t vest : {3, 4}) {
        TqelPrepareTransponder* transponder = preparation.AddTranponder(-1);
        transponder->setATPid(vest);
        transponder->setAthleteName(QStringLiteral("new %1").arg(vest));
    }
    Exec(QStringLiteral(
        "create trigger FAIL_VEST_4 before insert on PREPARE_TRANSPONDER when new.ATP_ID = 4 "
        "begin select raise(abort, 'refused'); end"));
    const QStringList before = Prepared(4);
    EXPECT_ANY_THROW(preparations.SaveTransponders(&preparation));
    EXPECT_EQ(Prepared(4), before) << "the old rows stay when a new one fails";
    EXPECT_FALSE(preparations.SQL().Active());

    Exec(QStringLiteral("drop trigger FAIL_VEST_4"));
    preparations.SaveTransponders(&preparation);
    EXPECT_EQ(Prepared(4),
              (QStringList{QStringLiteral("3 1 - new 3"), QStringLiteral("4 2 - new 4")}));

    preparation.ClearTransponders();
    preparations.SaveTransponders(&preparation);
    EXPECT_TRUE(Prepared(4).isEmpty());
    EXPECT_EQ(Prepared(5), QStringList{QStringLiteral("1 1 13 Cleo")});
}

TEST_F(PrepareRecordingTest, DeletingAPreparationRemovesEverythingItHolds) {
    for (const int32_t prc : {1, 2}) {
        Exec(QStringLiteral("insert into PREPARE_RECORDING (PRC_ID, PRC_DESCRIPTION) values (%1, "
                            "'P%1')")
                 .arg(prc));
        for (const char* table :
             {"PREPARE_EXERCISES (PRC_ID, EXN_ID)", "PREPARE_AGILITY (PRC_ID, AGL_ID)",
              "PREPARE_TEAM (PRC_ID, TEAM_ID)", "PREPARE_TRANSPONDER (PRC_ID, ATP_ID)",
              "PREPARE_CAMERA (PRC_ID, CAM_INDEX)", "PREPARE_SECTION (PRC_ID, PRS_ID)"}) {
            Exec(QStringLiteral("insert into %1 values (%2, 1)")
                     .arg(QString::fromLatin1(table))
                     .arg(prc));
        }
    }
    const QString counts = QStringLiteral(
        "select (select count(*) from PREPARE_RECORDING where PRC_ID = %1) + (select count(*) "
        "from PREPARE_EXERCISES where PRC_ID = %1) + (select count(*) from PREPARE_AGILITY where "
        "PRC_ID = %1) + (select count(*) from PREPARE_TEAM where PRC_ID = %1) + (select count(*) "
        "from PREPARE_TRANSPONDER where PRC_ID = %1) + (select count(*) from PREPARE_CAMERA where "
        "PRC_ID = %1) + (select count(*) from PREPARE_SECTION where PRC_ID = %1)");
    TqeldbPrepareRecordings preparations(database.get());
    preparations.GetAll(false, false);
    preparations.DeleteByID(42);
    EXPECT_EQ(preparations.Count(), 2);

    Exec(
        QStringLiteral("create trigger KEEP_PREPARATION before delete on PREPARE_RECORDING "
                       "begin select raise(abort, 'refused'); end"));
    EXPECT_ANY_THROW(preparations.DeleteByID(1));
    EXPECT_EQ(Rows(counts.arg(1)), QStringList{QStringLiteral("7")}) << "nothing half deleted";
    EXPECT_EQ(preparations.Count(), 2);
    Exec(QStringLiteral("drop trigger KEEP_PREPARATION"));

    preparations.DeleteByID(1);
    EXPECT_EQ(Descriptions(preparations), QStringList{QStringLiteral("P2")});
    EXPECT_EQ(Rows(counts.arg(1)), QStringList{QStringLiteral("0")});
    EXPECT_EQ(Rows(counts.arg(2)), QStringList{QStringLiteral("7")});
}

TEST_F(PrepareRecordingTest, SavingANewPreparationDrawsItsIdForItsTransponders) {
    TqeldbPrepareRecordings preparations(database.get());
    TqelPrepareRecording* preparation = preparations.AddPrepareRecording();
    preparation->setDescription(QStringLiteral("Training"));
    preparation->setRoamingPitches(QStringLiteral("3;4"));
    preparation->RoamingPitchAdd(5);
    TqelPrepareTransponder* transponder = preparation->AddTranponder(-1);
    preparations.Save(preparation);
    const int32_t id = LastKey(QStringLiteral("PREPARE_RECORDING"));
    EXPECT_EQ(preparation->PrcID(), id);
    EXPECT_EQ(transponder->PrcID(), id);
    EXPECT_EQ(Rows(QStringLiteral("select PRC_ID, PRC_DESCRIPTION, PRC_ACTIVE, DT_ID, "
                                  "PRC_ROAMING_PITCH_IDS from PREPARE_RECORDING")),
              QStringList{QStringLiteral("%1 Training True 0 3;4;5").arg(id)});

    EXPECT_THROW(TqelPrepareTransponder{nullptr}, Exception);
    try {
        TqelPrepareTransponder wrongOwner(transponder);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Owner is not of type \"TqelPrepareRecording\""));
    }
}

}  // namespace

TEST_F(PrepareRecordingTest, AStatementFailingInsideATransactionRollsItAllBack) {
    // A broken connection as the provider reports it, on the nth statement that starts so.
    struct Case {
        const char* name;
        const char* failing;
        int nth;
        std::function<void(TqeldbPrepareRecordings&)> act;
    };
    const Case cases[] = {
        {"vest swap, the second save's select", "select * from PREPARE_TRANSPONDER", 2,
         [](TqeldbPrepareRecordings& aPreparations) {
             EXPECT_EQ(
                 aPreparations.ChangeAthletesVest(4, QStringLiteral("Red"), QStringLiteral("Blue")),
                 1);
         }},
        {"new transponders, the select that takes them", "select * from PREPARE_TRANSPONDER where",
         1,
         [this](TqeldbPrepareRecordings& aPreparations) {
             TqelPrepareRecording preparation(database.get());
             preparation.setPrcID(4);
             preparation.AddTranponder(-1)->setATPid(3);
             EXPECT_ANY_THROW(aPreparations.SaveTransponders(&preparation));
         }},
        {"cascading delete, its last statement", "delete from PREPARE_RECORDING", 1,
         [](TqeldbPrepareRecordings& aPreparations) {
             aPreparations.GetAll(false, false);
             EXPECT_ANY_THROW(aPreparations.DeleteByID(4));
         }},
    };
    AddSwapPair(QStringLiteral("Blue"));
    Exec(
        QStringLiteral("insert into PREPARE_RECORDING (PRC_ID, PRC_DESCRIPTION) values (4, 'P4')"));
    const auto everything = [this] {
        return Rows(QStringLiteral("select * from PREPARE_TRANSPONDER order by ATP_ID")) +
               Rows(QStringLiteral("select * from PREPARE_RECORDING"));
    };
    const QStringList before = everything();
    TqelDatabaseConnection& connection = *database->Connection();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int seen = 0;
        connection.OnStatement = [&](const QString& aSql) {
            if (aSql.simplified().startsWith(QString::fromLatin1(c.failing)) && ++seen == c.nth) {
                throw EProviderError(QStringLiteral("Communication link failure"));
            }
        };
        TqeldbPrepareRecordings preparations(database.get());
        c.act(preparations);
        connection.OnStatement = nullptr;
        EXPECT_EQ(seen, c.nth) << "the failure was met";
        EXPECT_FALSE(connection.InTransaction());
        EXPECT_EQ(everything(), before);
    }
}
