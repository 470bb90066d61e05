#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

#include "database/events/event_data.h"
#include "database/events/event_qualifiers.h"
#include "database/sqlite_file_fixture.h"
#include "foundation/system/relative_paths.h"
#include "platform/ansi_codec.h"
#include "platform/crash_reporter.h"
#include "platform/date_time.h"
#include "platform/exception.h"

namespace {

using qel::test::DatabaseRoad;

// An in-memory event as the data model hands it to the writer.
class FakeEvent : public IqeldbEvent {
public:
    int32_t GetID() override { return id; }
    void SetID(int32_t Value) override { id = Value; }
    int32_t GetDBDtsID() override { return dtsId; }
    int32_t GetEventType() override { return type; }
    int8_t GetEventSource() override { return source; }
    QStringList GetLabels() override { return labels; }
    int32_t GetAthleteID() override { return 11; }
    int32_t GetTargetID() override { return 12; }
    int32_t GetTimeStart() override { return 1000; }
    int32_t GetTimeEnd() override { return 2000; }
    double GetXinM() override { return x; }
    double GetYinM() override { return y; }
    double GetEndXinM() override { return -1.5; }
    double GetEndYinM() override { return 40.49; }
    int32_t GetOutcome() override { return 0; }
    int32_t GetTeamID() override { return 2; }
    int32_t GetExerciseID() override { return 3; }
    int32_t GetPartID() override { return 0; }
    int32_t GetPartTimeMS() override { return 500; }
    uint32_t GetQualifierCount() override { return static_cast<uint32_t>(qualifiers.size()); }
    TqeldbEventQualifierValue GetQualifier(uint32_t anIndex) override {
        if (anIndex >= qualifiers.size()) {
            throw EArgumentOutOfRangeException(QStringLiteral("no qualifier %1").arg(anIndex));
        }
        return qualifiers[anIndex];
    }

    int32_t id = 0;
    int32_t dtsId = 7;
    int32_t type = 1;
    int8_t source = 0;
    QStringList labels{QStringLiteral("Pass")};
    double x = 0;
    double y = 0;
    std::vector<TqeldbEventQualifierValue> qualifiers;
};

// The writers on a SQLite file, reached through Qt's SQLite driver or through ODBC.
class EventWritersTest : public qel::test::SqliteFileTest,
                         public ::testing::WithParamInterface<DatabaseRoad> {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        if (GetParam() == DatabaseRoad::Odbc) {
            ASSERT_TRUE(QFile::exists(qel::test::SqliteOdbcDriver()))
                << "the SQLite ODBC driver (libsqliteodbc) is not installed";
            odbc = std::make_unique<TqelDatabase>();
            ASSERT_TRUE(odbc->Initialize(qel::test::ConnectionStringFor(
                DatabaseRoad::Odbc, folder.file(QStringLiteral("qel.db")))));
            // Counted and hooked like the fixture's own connection.
            odbc->Connection()->OnStatement = database->Connection()->OnStatement;
        }
        writer = odbc ? odbc.get() : database.get();
        events = std::make_unique<TqeldbEventsData>(writer);
        qualifiers = std::make_unique<TqeldbEventQualifiers>(writer);
        qel::SetExecutableFolderForTests(folder.path());
        qel::CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
    }

    void TearDown() override {
        qel::SetExecutableFolderForTests({});
        qel::CrashReporter::SetLogFileName({});
    }

    // Events 1..aCount of dataset 7, each with one qualifier value.
    void AddEvents(int aCount) {
        for (int i = 1; i <= aCount; ++i) {
            FakeEvent event;
            event.id = i;
            TqeldbEventData* row = events->AddEvent(event, false);
            qualifiers->Add(row->EvtID(), 100, row->EvttID(), row->EvtsID(),
                            QStringLiteral("v%1").arg(i));
        }
    }

    int Count(const QString& aTable) {
        return Rows(QStringLiteral("select count(*) from ") + aTable).value(0).toInt();
    }

    // Records every statement sent in aSent.
    std::function<void(const QString&)> Recorder(QStringList& aSent) {
        return [&aSent](const QString& aSql) { aSent << aSql; };
    }

    std::unique_ptr<TqelDatabase> odbc;
    TqelDatabase* writer = nullptr;
    std::unique_ptr<TqeldbEventsData> events;
    std::unique_ptr<TqeldbEventQualifiers> qualifiers;
};

INSTANTIATE_TEST_SUITE_P(Roads, EventWritersTest,
                         ::testing::Values(DatabaseRoad::SQLite, DatabaseRoad::Odbc),
                         [](const auto& anInfo) {
                             return anInfo.param == DatabaseRoad::SQLite ? "SQLite" : "Odbc";
                         });

TEST_P(EventWritersTest, BatchesHoldAtMost25Rows) {
    ResetWriteCount();
    events->Store();
    qualifiers->Store();
    EXPECT_EQ(WriteCount(), 0);

    AddEvents(26);
    QStringList sent;
    beforeStatement = Recorder(sent);
    events->Store();
    EXPECT_EQ(WriteCount(), 2);
    EXPECT_EQ(events->Count(), 0);
    qualifiers->Store();
    EXPECT_EQ(WriteCount(), 4);
    EXPECT_EQ(qualifiers->Count(), 0);
    ASSERT_EQ(sent.size(), 4);
    EXPECT_EQ(sent[0].count(QStringLiteral("( ?")), 25);
    EXPECT_EQ(sent[1].count(QStringLiteral("( ?")), 1);
    EXPECT_EQ(sent[2].count(QStringLiteral("( ?")), 25);
    EXPECT_EQ(sent[3].count(QStringLiteral("( ?")), 1);
    EXPECT_EQ(Count(QStringLiteral("EVENTDATA")), 26);
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID, QLF_ID, EVTT_ID, EQ_VALUE, EVTS_ID from "
                                  "EVENT_QUALIFIERS where EVT_ID in (1, 26) order by EVT_ID")),
              (QStringList{"1 100 1 v1 0", "26 100 1 v26 0"}));
}

TEST_P(EventWritersTest, StoredValuesAreTheTextsAsWritten) {
    const QString cyrillic = QStringLiteral("Пас Иванова");
    FakeEvent quoted;
    quoted.id = 1;
    quoted.labels = QStringList{QStringLiteral("O'Neil's pass"), cyrillic};
    quoted.x = 2.5;
    quoted.y = 3.5;
    // Cut to 250 characters first, then stripped.
    quoted.qualifiers = {
        {5, QString(300, u'a')}, {6, QStringLiteral(" ") + QString(300, u'b')}, {7, cyrillic}};
    FakeEvent lineBreak;
    lineBreak.id = 2;
    lineBreak.labels = QStringList{QString()};
    lineBreak.x = -2.5;
    for (FakeEvent* event : {&quoted, &lineBreak}) {
        TqeldbEventData* row = events->AddEvent(*event, true);
        for (const auto& qualifier : row->Qualifiers()->VaruzaList()) {
            qualifiers->Add(qualifier->EvtID(), qualifier->QlfID(), qualifier->TypeID(),
                            qualifier->SourceID(), qualifier->Value());
        }
    }
    EXPECT_EQ(events->VaruzaList()[1]->Description(), QStringLiteral("\r\n"));
    events->Store();
    qualifiers->Store();

    EXPECT_EQ(Rows(QStringLiteral("select EVT_DESCRIPTION from EVENTDATA where EVT_ID = 1")),
              QStringList{QStringLiteral("O'Neil's pass\r\n") + cyrillic});
    // An empty text, not NULL.
    EXPECT_EQ(Rows(QStringLiteral("select EVT_DESCRIPTION, EVT_DESCRIPTION is null from "
                                  "EVENTDATA where EVT_ID = 2")),
              QStringList{" 0"});
    // Halves go to the even neighbour; zeros stay zeros.
    EXPECT_EQ(Rows(QStringLiteral("select EVT_START_POS_X_IN_M, EVT_START_POS_Y_IN_M, "
                                  "EVT_END_POS_X_IN_M, EVT_END_POS_Y_IN_M, EVT_START_ZONE, "
                                  "EVT_CATEGORY, PRT_ID, DTS_ID, EVT_ATHLETE_TPID, "
                                  "EVT_PRT_TIME_MS from EVENTDATA order by EVT_ID")),
              (QStringList{"2 4 -2 40 0  0 7 11 500", "-2 0 -2 40 0  0 7 11 500"}));
    EXPECT_EQ(Rows(QStringLiteral("select EQ_VALUE from EVENT_QUALIFIERS order by QLF_ID")),
              (QStringList{QString(250, u'a'), QString(249, u'b'), cyrillic}));
}

TEST_P(EventWritersTest, AddEventKeysNewEventsAndTheirQualifiers) {
    FakeEvent fresh;
    fresh.qualifiers = {{5, QStringLiteral("left")}};
    TqeldbEventData* row = events->AddEvent(fresh, true);
    EXPECT_NE(fresh.id, 0);
    EXPECT_EQ(fresh.id, LastKey(QStringLiteral("EVENTDATA")));
    EXPECT_EQ(row->EvtID(), fresh.id);
    ASSERT_EQ(row->Qualifiers()->Count(), 1);
    EXPECT_EQ(row->Qualifiers()->Varuzas(0)->EvtID(), fresh.id);
    row->setEvtID(99);
    EXPECT_EQ(row->Qualifiers()->Varuzas(0)->EvtID(), 99);

    FakeEvent keyed;
    keyed.id = 42;
    keyed.qualifiers = fresh.qualifiers;
    EXPECT_EQ(events->AddEvent(keyed, false)->Qualifiers()->Count(), 0);
    EXPECT_EQ(keyed.id, 42);
}

TEST_P(EventWritersTest, RemoveEventsOfOneSourceOrEverySource) {
    Exec(
        QStringLiteral("insert into EVENTDATA (EVT_ID, DTS_ID, EVTS_ID) values (1, 7, 0), "
                       "(2, 7, 3), (3, 8, 3)"));
    Exec(
        QStringLiteral("insert into EVENT_QUALIFIERS (EVT_ID, QLF_ID) values (1, 1), (2, 1), "
                       "(2, 2), (3, 1)"));
    AddEvents(2);
    EXPECT_EQ(events->RemoveEvents(7, 3), 1);
    EXPECT_EQ(events->Count(), 0);
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID from EVENTDATA order by EVT_ID")),
              (QStringList{"1", "3"}));
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID from EVENT_QUALIFIERS order by EVT_ID")),
              (QStringList{"1", "3"}));
    EXPECT_EQ(events->RemoveEvents(7, -1), 1);
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID from EVENTDATA")), QStringList{"3"});
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID from EVENT_QUALIFIERS")), QStringList{"3"});
}

TEST_P(EventWritersTest, AFailedQualifierBatchIsSavedForReplayAndTheStoreGoesOn) {
    qel::FakeClock clock(EncodeDateTime(2026, 3, 14, 15, 9, 26, 123));
    qel::ScopedClock scopedClock(clock);
    AddEvents(26);
    qualifiers->Add(1, 7, 1, 0, QStringLiteral("It's Иван"));
    qualifiers->Add(1, 8, 1, 0, QStringLiteral("two\nlines"));
    bool failed = false;
    beforeStatement = [&](const QString& aSql) {
        if (!failed && aSql.startsWith(QStringLiteral("insert into EVENT_QUALIFIERS"))) {
            failed = true;
            throw EProviderError(QStringLiteral("The statement was refused"));
        }
    };
    const int64_t reports = qel::CrashReporter::ReportCount();
    qualifiers->Store();
    EXPECT_EQ(qualifiers->Count(), 0);
    EXPECT_EQ(qel::CrashReporter::ReportCount(), reports + 1);
    // The first 25 rows were lost to the failure; the last three landed.
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID, QLF_ID from EVENT_QUALIFIERS order by QLF_ID")),
              (QStringList{"1 7", "1 8", "26 100"}));

    const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QFile file(QDir(folder.path())
                   .filePath(exeName + QStringLiteral("2026-0314 150926123- "
                                                      "Error.SQL")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QString expected = QStringLiteral(
        "insert into EVENT_QUALIFIERS (\r\n  EVT_ID, \r\n  QLF_ID, \r\n  EVTT_ID, \r\n  "
        "EQ_VALUE, \r\n  EVTS_ID \r\n)\r\nVALUES\r\n( 1, 100, 1, 'v1', 0)\r\n");
    for (int i = 2; i <= 25; ++i) {
        expected += QStringLiteral(",( %1, 100, 1, 'v%1', 0)\r\n").arg(i);
    }
    EXPECT_EQ(qel::FromWindows1252(file.readAll()), expected);

    // A replayable file for values with quotes, lines and characters outside the code page.
    failed = false;
    beforeStatement = [&](const QString&) { throw EProviderError(QStringLiteral("refused")); };
    clock.Advance(1);
    qualifiers->Add(1, 7, 1, 0, QStringLiteral("It's Иван"));
    qualifiers->Add(1, 8, 1, 0, QStringLiteral("two\nlines"));
    qualifiers->Store();
    QFile second(QDir(folder.path())
                     .filePath(exeName + QStringLiteral("2026-0314 150926124- "
                                                        "Error.SQL")));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        second.readAll().endsWith("VALUES\r\n( 1, 7, 1, 'It''s ????', 0)\r\n,( 1, 8, 1, "
                                  "'two\r\nlines', 0)\r\n"));
}

TEST_P(EventWritersTest, AFailedEventBatchRaisesAndKeepsLaterRowsListed) {
    AddEvents(26);
    beforeStatement = [](const QString& aSql) {
        if (aSql.startsWith(QStringLiteral("insert into EVENTDATA"))) {
            throw EProviderError(QStringLiteral("The statement was refused"));
        }
    };
    EXPECT_THROW(events->Store(), EProviderError);
    ASSERT_EQ(events->Count(), 1);
    EXPECT_EQ(events->Varuzas(0)->EvtID(), 26);
    EXPECT_EQ(Count(QStringLiteral("EVENTDATA")), 0);
}

TEST_P(EventWritersTest, TheAccessPathPostsRowByRowAndKeepsItsList) {
    events->setAccessDBForTests(true);
    AddEvents(3);
    ResetWriteCount();
    events->Store();
    EXPECT_EQ(WriteCount(), 3);
    EXPECT_EQ(events->Count(), 3);
    // Optional columns are NULL on this path.
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID, EVT_START_ZONE, PRT_ID, EVT_RESULT, "
                                  "EVT_END_POS_Y_IN_M from EVENTDATA order by EVT_ID")),
              (QStringList{"1 - - 0 40", "2 - - 0 40", "3 - - 0 40"}));

    // A failing row raises; the rows before it stay stored.
    Exec(QStringLiteral("delete from EVENTDATA where EVT_ID < 3"));
    EXPECT_ANY_THROW(events->Store());
    EXPECT_EQ(Rows(QStringLiteral("select EVT_ID from EVENTDATA order by EVT_ID")),
              (QStringList{"1", "2", "3"}));
}

}  // namespace
