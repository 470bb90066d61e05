#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <QSqlQuery>
#include <future>
#include <mutex>
#include <thread>

#include "database/database.h"
#include "database_test_support.h"
#include "support/temp_folder.h"
#include "test_database_manager.h"

using qel::test::DatabaseRoad;
using qel::test::TestDatabaseManager;

namespace {

QString SqliteString(const QString& aFile) {
    return qel::test::ConnectionStringFor(DatabaseRoad::SQLite, aFile);
}

// SQ_VALUE of aSequence as stored; invalid when the sequence has no row.
QVariant StoredSequence(TqelDatabase& aDatabase, const QString& aSequence) {
    TqelQuery query(aDatabase.Connection());
    query.setText(QStringLiteral("select SQ_VALUE from SEQUENCES where SQ_TABLE = :SQ_TABLE"));
    query.SetParamAsString(QStringLiteral("SQ_TABLE"), aSequence);
    query.Open();
    return query.IsEmpty() ? QVariant() : query.GetFieldAsVariant(QStringLiteral("SQ_VALUE"));
}

void Exec(TqelDatabase& aDatabase, const QString& aSql) {
    TqelQuery query(aDatabase.Connection());
    query.setText(aSql);
    query.ExecSQL();
}

}  // namespace

TEST(Database, InitializeReportsEachOutcome) {
    qel::test::TempFolder folder;
    const QString file = folder.file(QStringLiteral("qel.db"));

    {
        SCOPED_TRACE("empty string: nothing is attempted");
        TestDatabaseManager manager;
        manager.Publish();
        TqelDatabase& database = *manager.Database;
        QString error = QStringLiteral("untouched");
        EXPECT_TRUE(database.Initialize(QString(), false, false, error, nullptr, true));
        EXPECT_EQ(database.ConnectResult(), TSetOfqelDBInitResult{dbinitError});
        EXPECT_EQ(database.ConnectionError(), QStringLiteral("No database connection string"));
        EXPECT_EQ(error, QStringLiteral("untouched"));
        EXPECT_TRUE(manager.States.empty());
        EXPECT_EQ(database.Connection()->ConnectionState(), idbcsNotInitialized);
        EXPECT_FALSE(database.Connected());
        EXPECT_THROW(database.GetNextValue(QStringLiteral("TEAMS")), EDatabaseError);
    }
    {
        SCOPED_TRACE("a file that cannot be opened");
        const QString missing = folder.file(QStringLiteral("no/such/folder/qel.db"));
        TqelDatabase database;
        QString error;
        EXPECT_FALSE(
            database.Initialize(SqliteString(missing), false, false, error, nullptr, true));
        EXPECT_EQ(database.ConnectResult(), (TSetOfqelDBInitResult{dbinitChangedDB, dbinitError}));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(database.ConnectionError(), error);
        EXPECT_FALSE(database.Connected());
        EXPECT_FALSE(QFile::exists(missing));
    }
    {
        SCOPED_TRACE("twice with the same string: closed and opened again");
        TestDatabaseManager manager;
        manager.Publish();
        TqelDatabase& database = *manager.Database;
        const TSetOfqelDBInitResult connected{dbinitChangedDB, dbinitConneted};
        EXPECT_TRUE(database.Initialize(SqliteString(file)));
        EXPECT_EQ(database.ConnectResult(), connected);
        EXPECT_EQ(manager.States, std::vector<TqelDBConnectionState>{idbcsConnected});
        EXPECT_TRUE(database.Initialize(SqliteString(file)));
        EXPECT_EQ(database.ConnectResult(), connected);
        EXPECT_EQ(manager.States, (std::vector<TqelDBConnectionState>{
                                      idbcsConnected, idbcsDisconnected, idbcsConnected}));
        EXPECT_TRUE(database.Connected());
        EXPECT_EQ(database.ConnectionString(), SqliteString(file));
        EXPECT_EQ(database.Catalogus(), file);
        EXPECT_FALSE(database.IsAccessDB());
    }
    {
        SCOPED_TRACE("a manager set after connecting hears the state at once");
        TqelDatabase database;
        ASSERT_TRUE(database.Initialize(SqliteString(file)));
        TestDatabaseManager manager;
        database.setCallback(&manager);
        EXPECT_EQ(manager.States, std::vector<TqelDBConnectionState>{idbcsConnected});
        database.Connection()->Disconnect();
        EXPECT_EQ(manager.States,
                  (std::vector<TqelDBConnectionState>{idbcsConnected, idbcsDisconnected}));
        database.setCallback(nullptr);
    }
}

TEST(Database, ReferencesToTheManagerEmptyWhenItGoes) {
    qel::test::TempFolder folder;
    auto manager = std::make_unique<TestDatabaseManager>();
    ::DatabaseManager = manager.get();
    EXPECT_EQ(::DatabaseManager->GetDatabase(), nullptr) << "no database before it is made";
    manager->Publish();
    EXPECT_EQ(::DatabaseManager->GetDatabase(), manager->Database.get());

    TqelDatabase worker(manager.get());
    ASSERT_TRUE(worker.Initialize(SqliteString(folder.file(QStringLiteral("qel.db")))));
    worker.LogMessage(1, 2, QStringLiteral("entry"));
    EXPECT_EQ(manager->Messages, QStringList{QStringLiteral("entry")});

    manager.reset();
    EXPECT_FALSE(::DatabaseManager);
    EXPECT_EQ(worker.Callback(), nullptr);
    // Later state changes go nowhere instead of to a freed object.
    worker.Connection()->Disconnect();
}

class DatabaseKeys : public ::testing::TestWithParam<DatabaseRoad> {
protected:
    void SetUp() override {
        if (GetParam() == DatabaseRoad::Odbc) {
            ASSERT_TRUE(QFile::exists(qel::test::SqliteOdbcDriver()))
                << "the SQLite ODBC driver (libsqliteodbc) is not installed";
        }
        ASSERT_TRUE(database.Initialize(ConnectionString()))
            << database.ConnectionError().toStdString();
    }
    QString ConnectionString() const {
        return qel::test::ConnectionStringFor(GetParam(), folder.file(QStringLiteral("qel.db")));
    }

    qel::test::TempFolder folder;
    TqelDatabase database;
};

INSTANTIATE_TEST_SUITE_P(Roads, DatabaseKeys,
                         ::testing::Values(DatabaseRoad::SQLite, DatabaseRoad::Odbc),
                         [](const auto& anInfo) {
                             return anInfo.param == DatabaseRoad::SQLite ? "SQLite" : "Odbc";
                         });

TEST_P(DatabaseKeys, SequencesStartAtOneAndRangesReserveTheirKeys) {
    EXPECT_FALSE(database.HasNextValueProcedure()) << "SQLite has no stored procedures";
    EXPECT_FALSE(database.HasNextRangeProcedure());
    EXPECT_FALSE(StoredSequence(database, QStringLiteral("TEAMS")).isValid());
    EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), 1);
    EXPECT_EQ(StoredSequence(database, QStringLiteral("TEAMS")).toInt(), 1);
    EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), 2);
    EXPECT_EQ(database.GetNextValue(QStringLiteral("PLAYER")), 1) << "sequences are separate";
    EXPECT_EQ(database.GetNextRange(QStringLiteral("TP_ANALAYZED"), 5), 1);
    EXPECT_EQ(StoredSequence(database, QStringLiteral("TP_ANALAYZED")).toInt(), 5);

    const struct {
        int count;
        int first;
        int left;
    } cases[] = {{10, 101, 110}, {1, 101, 101}, {0, 101, 101}, {-3, 101, 101}};
    for (const auto& c : cases) {
        Exec(database, QStringLiteral("update SEQUENCES set SQ_VALUE = 100 where SQ_TABLE = "
                                      "'EVENTDATA'"));
        Exec(database, QStringLiteral("insert into SEQUENCES (SQ_TABLE, SQ_VALUE) select "
                                      "'EVENTDATA', 100 where not exists (select 1 from "
                                      "SEQUENCES where SQ_TABLE = 'EVENTDATA')"));
        EXPECT_EQ(database.GetNextRange(QStringLiteral("EVENTDATA"), c.count), c.first) << c.count;
        EXPECT_EQ(StoredSequence(database, QStringLiteral("EVENTDATA")).toInt(), c.left) << c.count;
    }

    // A row whose value was never set counts from 0; one at the end of the key range raises
    // and stays as it was.
    Exec(database,
         QStringLiteral("insert into SEQUENCES (SQ_TABLE, SQ_VALUE) values ('MARKERS', null)"));
    EXPECT_EQ(database.GetNextValue(QStringLiteral("MARKERS")), 1);
    Exec(database, QStringLiteral("update SEQUENCES set SQ_VALUE = 2147483647 where SQ_TABLE = "
                                  "'MARKERS'"));
    EXPECT_THROW(database.GetNextValue(QStringLiteral("MARKERS")), EConvertError);
    EXPECT_EQ(StoredSequence(database, QStringLiteral("MARKERS")).toLongLong(), 2147483647);
    EXPECT_FALSE(database.Connection()->InTransaction());
}

TEST_P(DatabaseKeys, PrimaryKeysAreDrawnOnlyWhileInserting) {
    Exec(database,
         QStringLiteral("create table KEYED (K_ID integer not null primary key, K_NAME text)"));
    TqelQuery query(database.Connection());
    query.setText(QStringLiteral("select * from KEYED where K_ID = :K_ID"));
    query.SetParamAsInteger(QStringLiteral("K_ID"), 1);
    query.Open();
    query.Insert();
    EXPECT_EQ(
        database.GetPrimaryKey(query.FieldByName(QStringLiteral("K_ID")), QStringLiteral("KEYED")),
        1);
    query.SetFieldAsString(QStringLiteral("K_NAME"), QStringLiteral("first"));
    query.Post();
    query.Close();

    query.Open();
    query.Edit();
    EXPECT_EQ(
        database.GetPrimaryKey(query.FieldByName(QStringLiteral("K_ID")), QStringLiteral("KEYED")),
        1);
    query.Cancel();
    EXPECT_EQ(StoredSequence(database, QStringLiteral("KEYED")).toInt(), 1) << "nothing drawn";
}

TEST_P(DatabaseKeys, KeysDrawnInsideATransactionBelongToIt) {
    database.StartTransaction();
    EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), 1);
    EXPECT_EQ(database.GetNextRange(QStringLiteral("TEAMS"), 4), 2);
    EXPECT_TRUE(database.Connection()->InTransaction());
    database.Rollback();
    EXPECT_FALSE(StoredSequence(database, QStringLiteral("TEAMS")).isValid());

    database.StartTransaction();
    EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), 1);
    database.Commit();
    EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), 2);
}

TEST_P(DatabaseKeys, TwoDatabasesOnOneFileNeverShareAKey) {
    TqelDatabase other;
    ASSERT_TRUE(other.Initialize(ConnectionString()));
    // In turn on one thread.
    EXPECT_EQ(database.GetNextValue(QStringLiteral("PLAYER")), 1);
    EXPECT_EQ(other.GetNextValue(QStringLiteral("PLAYER")), 2);
    EXPECT_EQ(database.GetNextRange(QStringLiteral("PLAYER"), 3), 3);
    EXPECT_EQ(other.GetNextValue(QStringLiteral("PLAYER")), 6);

    // At the same time on two threads, each with its own database object.
    constexpr int kRounds = 25;
    std::mutex lock;
    std::vector<int32_t> keys;
    QStringList failures;
    const auto draw = [&] {
        try {
            TqelDatabase own;
            if (!own.Initialize(ConnectionString())) {
                throw EDatabaseError(own.ConnectionError());
            }
            std::vector<int32_t> mine;
            for (int i = 0; i < kRounds; ++i) {
                mine.push_back(own.GetNextValue(QStringLiteral("PLAYER")));
                const int32_t first = own.GetNextRange(QStringLiteral("PLAYER"), 3);
                for (int k = 0; k < 3; ++k) {
                    mine.push_back(first + k);
                }
            }
            const std::lock_guard guard(lock);
            keys.insert(keys.end(), mine.begin(), mine.end());
        } catch (const std::exception& e) {
            const std::lock_guard guard(lock);
            failures << qel::DescribeException(e);
        }
    };
    std::thread first(draw);
    std::thread second(draw);
    first.join();
    second.join();
    ASSERT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
    QSet<int32_t> distinct(keys.begin(), keys.end());
    EXPECT_EQ(distinct.size(), static_cast<qsizetype>(keys.size()));
    EXPECT_EQ(keys.size(), size_t{2 * kRounds * 4});
    EXPECT_EQ(*std::min_element(keys.begin(), keys.end()), 7);
    EXPECT_EQ(StoredSequence(database, QStringLiteral("PLAYER")).toInt(), 6 + 2 * kRounds * 4);
}

TEST_P(DatabaseKeys, ADrawThatAnotherConnectionInterruptsKeepsItsOwnKey) {
    // When this draw reaches the sequence, another connection draws from it on another thread:
    // once for a sequence without a row, once for one with a row.
    for (const int drawnBefore : {0, 1}) {
        SCOPED_TRACE(drawnBefore);
        const QString sequence = QStringLiteral("SEQ%1").arg(drawnBefore);
        for (int i = 0; i < drawnBefore; ++i) {
            database.GetNextValue(sequence);
        }
        std::promise<int32_t> otherKey;
        std::future<int32_t> otherDone = otherKey.get_future();
        std::jthread other;
        bool interrupted = false;
        database.Connection()->OnStatement = [&](const QString& aSql) {
            if (interrupted || !aSql.contains(QStringLiteral("SEQUENCES"))) {
                return;
            }
            interrupted = true;
            other = std::jthread([&] {
                try {
                    TqelDatabase own;
                    if (!own.Initialize(ConnectionString())) {
                        throw EDatabaseError(own.ConnectionError());
                    }
                    otherKey.set_value(own.GetNextValue(sequence));
                } catch (...) {
                    otherKey.set_exception(std::current_exception());
                }
            });
            // The other draw finishes here unless this one holds it off until it is done.
            otherDone.wait_for(std::chrono::milliseconds(500));
        };
        int32_t mine = 0;
        EXPECT_NO_THROW(mine = database.GetNextValue(sequence));
        database.Connection()->OnStatement = nullptr;
        if (other.joinable()) {
            other.join();
        }
        ASSERT_TRUE(interrupted);
        int32_t theirs = 0;
        EXPECT_NO_THROW(theirs = otherDone.get());
        EXPECT_EQ(std::min(mine, theirs), drawnBefore + 1);
        EXPECT_EQ(std::max(mine, theirs), drawnBefore + 2);
        EXPECT_EQ(StoredSequence(database, sequence).toInt(), drawnBefore + 2);
    }
}

namespace {

// A stored procedure as the server would run it, without a server.
class FakeProcedure : public qel::StoredProcedure {
public:
    enum Behaviour : uint8_t { Works, FailsToRun, CannotBeRead, IsMissing };

    FakeProcedure(TqelDatabaseConnection* aConnection, Behaviour aBehaviour, QStringList& aCalls)
        : StoredProcedure(aConnection), FBehaviour(aBehaviour), FCalls(aCalls) {}

    void Refresh() override {
        if (FBehaviour == CannotBeRead) {
            throw EProviderError(QStringLiteral("no permission"));
        }
        QStringList names;
        if (FBehaviour != IsMissing) {
            names << QStringLiteral("@RETURN_VALUE") << QStringLiteral("@SEQ");
            if (ProcedureName() == QStringLiteral("sp_NEXTRANGE")) {
                names << QStringLiteral("@COUNT");
            }
        }
        setParamNames(names);
    }
    void ExecProc() override {
        QStringList inputs;
        for (const QVariant& input : Inputs()) {
            inputs << input.toString();
        }
        FCalls << ProcedureName() + u' ' + inputs.join(u',');
        if (FBehaviour == FailsToRun) {
            throw EProviderError(QStringLiteral("procedure failed"));
        }
        setReturnValue(ProcedureName() == QStringLiteral("sp_NEXTRANGE") ? 7000 : 500);
    }

private:
    Behaviour FBehaviour;
    QStringList& FCalls;
};

}  // namespace

TEST(Database, KeysComeFromTheProceduresOrElseFromTheTable) {
    const struct {
        FakeProcedure::Behaviour behaviour;
        bool kept;
        int value;  // GetNextValue
        int range;  // GetNextRange of 20
        QStringList calls;
        QStringList logged;
    } cases[] = {
        {FakeProcedure::Works,
         true,
         500,
         7000,
         {"sp_NextValue TEAMS", "sp_NEXTRANGE EVENTDATA,20"},
         {}},
        {FakeProcedure::FailsToRun,
         true,
         1,
         1,
         {"sp_NextValue TEAMS", "sp_NEXTRANGE EVENTDATA,20"},
         {"Stored procedure sp_NextValue failed (procedure failed); keys come from the table "
          "SEQUENCES"}},
        {FakeProcedure::CannotBeRead, false, 1, 1, {}, {}},
        {FakeProcedure::IsMissing, false, 1, 1, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.behaviour));
        qel::test::TempFolder folder;
        TestDatabaseManager manager;
        TqelDatabase database(&manager);
        QStringList calls;
        database.setProcedureFactory([&](TqelDatabaseConnection* aConnection) {
            return std::make_unique<FakeProcedure>(aConnection, c.behaviour, calls);
        });
        ASSERT_TRUE(database.Initialize(SqliteString(folder.file(QStringLiteral("qel.db")))));
        EXPECT_EQ(database.HasNextValueProcedure(), c.kept);
        EXPECT_EQ(database.HasNextRangeProcedure(), c.kept);
        EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), c.value);
        EXPECT_EQ(database.GetNextRange(QStringLiteral("EVENTDATA"), 20), c.range);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(manager.Messages, c.logged) << "a failing procedure is logged once";
        if (c.value == 1) {
            EXPECT_EQ(StoredSequence(database, QStringLiteral("EVENTDATA")).toInt(), 20);
        } else {
            EXPECT_FALSE(StoredSequence(database, QStringLiteral("TEAMS")).isValid());
        }
    }
}

TEST(Database, TransactionThatCannotBeginClosesTheConnection) {
    qel::test::TempFolder folder;
    TqelDatabase database;
    ASSERT_TRUE(database.Initialize(SqliteString(folder.file(QStringLiteral("qel.db")))));
    database.StartTransaction();
    // A second one cannot begin on the same connection.
    EXPECT_THROW(database.StartTransaction(), EProviderError);
    EXPECT_FALSE(database.Connected());
}

TEST(Database, KeyProceduresAreAskedForAndCalledWithTheseStatements) {
    // A SQLite file stands in for the server: the catalogue views come from an attached file and
    // the connection speaks the SQL Server form.
    qel::test::TempFolder folder;
    TqelDatabase database;
    ASSERT_TRUE(database.Initialize(SqliteString(folder.file(QStringLiteral("qel.db")))));
    Exec(database, QStringLiteral("attach database '%1' as INFORMATION_SCHEMA")
                       .arg(folder.file(QStringLiteral("catalogue.db"))));
    Exec(database, QStringLiteral("create table INFORMATION_SCHEMA.ROUTINES (ROUTINE_NAME text, "
                                  "ROUTINE_TYPE text)"));
    Exec(database, QStringLiteral("create table INFORMATION_SCHEMA.PARAMETERS (SPECIFIC_NAME text, "
                                  "PARAMETER_NAME text, PARAMETER_MODE text, ORDINAL_POSITION "
                                  "integer)"));
    Exec(database, QStringLiteral("insert into INFORMATION_SCHEMA.ROUTINES values ('sp_NEXTRANGE', "
                                  "'PROCEDURE'), ('sp_NextValue', 'FUNCTION')"));
    Exec(database, QStringLiteral("insert into INFORMATION_SCHEMA.PARAMETERS values "
                                  "('sp_NEXTRANGE', '@COUNT', 'IN', 2), ('sp_NEXTRANGE', '@SEQ', "
                                  "'IN', 1), ('sp_NEXTRANGE', '@FIRST', 'OUT', 3), ('sp_Other', "
                                  "'@X', 'IN', 1)"));
    TqelDatabaseConnection& connection = *database.Connection();
    connection.setDialect(qel::SqlDialect::SqlServer);
    QStringList sent;
    connection.OnStatement = [&](const QString& aSql) {
        QStringList values;
        for (const QVariant& value : connection.StatementValues()) {
            values << value.toString();
        }
        sent << aSql + QStringLiteral(" <- ") + values.join(u',');
    };
    const QString exists = QStringLiteral(
        "select count(*) from INFORMATION_SCHEMA.ROUTINES where ROUTINE_NAME = ? and ROUTINE_TYPE "
        "= 'PROCEDURE' <- ");

    qel::StoredProcedure nextValue(&connection);
    nextValue.setProcedureName(QStringLiteral("sp_NextValue"));
    nextValue.Refresh();
    EXPECT_EQ(nextValue.ParamCount(), 0) << "a function is not the procedure";
    EXPECT_EQ(sent, QStringList{exists + QStringLiteral("sp_NextValue")});
    EXPECT_THROW(nextValue.ExecProc(), EDatabaseError);

    sent.clear();
    qel::StoredProcedure nextRange(&connection);
    nextRange.setProcedureName(QStringLiteral("sp_NEXTRANGE"));
    nextRange.Refresh();
    EXPECT_EQ(nextRange.ParamNames(),
              (QStringList{QStringLiteral("@RETURN_VALUE"), QStringLiteral("@SEQ"),
                           QStringLiteral("@COUNT")}));
    EXPECT_EQ(sent, (QStringList{exists + QStringLiteral("sp_NEXTRANGE"),
                                 QStringLiteral("select PARAMETER_NAME from "
                                                "INFORMATION_SCHEMA.PARAMETERS where SPECIFIC_NAME "
                                                "= ? and PARAMETER_MODE = 'IN' order by "
                                                "ORDINAL_POSITION <- sp_NEXTRANGE")}));

    sent.clear();
    nextRange.setInput(0, QStringLiteral("EVENTDATA"));
    nextRange.setInput(1, 20);
    // SQLite cannot run the batch; what matters is what the server would get.
    EXPECT_THROW(nextRange.ExecProc(), EProviderError);
    EXPECT_EQ(sent, QStringList{QStringLiteral(
                        "set nocount on; declare @qel_result int; exec @qel_result = "
                        "[sp_NEXTRANGE] ?, ?; select @qel_result <- EVENTDATA,20")});
    connection.OnStatement = nullptr;
}

TEST(Database, AFileMadeBeforeOpensInWriteAheadModeWithItsRows) {
    qel::test::TempFolder folder;
    const QString file = folder.file(QStringLiteral("qel.db"));
    {
        TqelDatabase database;
        ASSERT_TRUE(database.Initialize(SqliteString(file)));
        EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), 1);
    }
    {
        // As the files of earlier versions are: a rollback journal.
        QSqlDatabase before = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                        QStringLiteral("file-made-before"));
        before.setDatabaseName(file);
        ASSERT_TRUE(before.open());
        QSqlQuery query(before);
        ASSERT_TRUE(query.exec(QStringLiteral("pragma journal_mode = delete")));
        ASSERT_TRUE(query.next());
        ASSERT_EQ(query.value(0).toString(), QStringLiteral("delete"));
        ASSERT_TRUE(query.exec(
            QStringLiteral("create table OLD_ROWS (ID integer primary key, NAME text)")));
        ASSERT_TRUE(query.exec(QStringLiteral("insert into OLD_ROWS values (1, 'kept')")));
        query.finish();
        before.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("file-made-before"));

    TqelDatabase database;
    ASSERT_TRUE(database.Initialize(SqliteString(file)));
    const auto pragma = [&](const char* aName) {
        QSqlQuery query = database.Connection()->Execute(
            QStringLiteral("pragma %1").arg(QString::fromLatin1(aName)), {});
        const QString value = query.next() ? query.value(0).toString() : QString();
        query.finish();
        return value;
    };
    EXPECT_EQ(pragma("journal_mode"), QStringLiteral("wal"));
    EXPECT_EQ(pragma("synchronous"), QStringLiteral("2")) << "FULL";
    EXPECT_EQ(pragma("busy_timeout"), QStringLiteral("15000"));
    TqelQuery old(database.Connection());
    old.setText(QStringLiteral("select NAME from OLD_ROWS"));
    old.Open();
    EXPECT_EQ(old.GetFieldAsString(QStringLiteral("NAME")), QStringLiteral("kept"));
    old.Close();
    EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), 2);
    EXPECT_TRUE(QFile::exists(file + QStringLiteral("-wal")));
}
