#include <gtest/gtest.h>

#include <QFile>
#include <QSqlQuery>
#include <cmath>
#include <functional>
#include <limits>

#include "database/query.h"
#include "database_test_support.h"
#include "support/temp_folder.h"

using qel::DataSetState;
using qel::test::DatabaseRoad;

namespace {

const char* const kSchema[] = {
    "create table PLAYER (PLR_ID integer not null primary key, PLR_NAME varchar(30) collate "
    "nocase, PLR_NICK nvarchar(10), PLR_BIRTH datetime, PLR_WEIGHT float, PLR_ACTIVE bit, "
    "PLR_SCORE integer, PLR_PICTURE blob, PLR_REMARK text)",
    "create table TEAM_PLR (TEAM_ID integer not null, PLR_ID integer not null, TP_START_DATE "
    "datetime, TP_END_DATE datetime, primary key (TEAM_ID, PLR_ID))",
};

}  // namespace

class QueryTest : public ::testing::TestWithParam<DatabaseRoad> {
protected:
    void SetUp() override {
        if (GetParam() == DatabaseRoad::Odbc) {
            ASSERT_TRUE(QFile::exists(qel::test::SqliteOdbcDriver()))
                << "the SQLite ODBC driver (libsqliteodbc) is not installed";
        }
        connection.setServerType(adostOLEDB);
        connection.setServerName(
            qel::test::ConnectionStringFor(GetParam(), folder.file(QStringLiteral("qel.db"))));
        connection.Connect();
        for (const char* statement : kSchema) {
            Exec(QString::fromUtf8(statement));
        }
        connection.OnStatement = [this](const QString& aSql) { sent << aSql; };
    }

    int Exec(const QString& aSql) {
        TqelQuery query(&connection);
        query.setText(aSql);
        return query.ExecSQL();
    }

    void OpenPlayer(TqelQuery& aQuery, int aPlayerId) {
        aQuery.setText(QStringLiteral("select * from PLAYER where PLR_ID = :PLR_ID"));
        aQuery.SetParamAsInteger(QStringLiteral("PLR_ID"), aPlayerId);
        aQuery.Open();
    }

    // The stored value as the database has it, read by a fresh query.
    QVariant Stored(int aPlayerId, const QString& aColumn) {
        TqelQuery query(&connection);
        OpenPlayer(query, aPlayerId);
        return query.GetFieldAsVariant(aColumn);
    }

    qel::test::TempFolder folder;
    TqelDatabaseConnection connection;
    QStringList sent;
};

INSTANTIATE_TEST_SUITE_P(Roads, QueryTest,
                         ::testing::Values(DatabaseRoad::SQLite, DatabaseRoad::Odbc),
                         [](const auto& anInfo) {
                             return anInfo.param == DatabaseRoad::SQLite ? "SQLite" : "Odbc";
                         });

TEST_P(QueryTest, SettersStoreNullForEmptyValuesAndSkipUnchangedOnes) {
    using Setter = std::function<void(TqelQuery&)>;
    const TDateTime birth = EncodeDateTime(1990, 5, 17, 13, 45, 30, 250);
    const struct {
        const char* name;
        const char* column;
        const char* initial;  // SQL literal stored before the setter runs
        Setter setter;
        bool changes;
        QVariant expected;  // invalid: NULL
    } cases[] = {
        {"integer 0 on 5", "PLR_SCORE", "5",
         [](TqelQuery& q) { q.SetFieldAsInteger("PLR_SCORE", 0); }, true, QVariant()},
        {"integer 0 on NULL", "PLR_SCORE", "null",
         [](TqelQuery& q) { q.SetFieldAsInteger("PLR_SCORE", 0); }, false, QVariant()},
        {"integer same value", "PLR_SCORE", "7",
         [](TqelQuery& q) { q.SetFieldAsInteger("PLR_SCORE", 7); }, false, 7},
        {"required integer 0 on NULL", "PLR_SCORE", "null",
         [](TqelQuery& q) { q.SetFieldAsIntegerReq("PLR_SCORE", 0); }, true, 0},
        {"required integer 0 on 0", "PLR_SCORE", "0",
         [](TqelQuery& q) { q.SetFieldAsIntegerReq("PLR_SCORE", 0); }, false, 0},
        {"float NaN on 2.5", "PLR_WEIGHT", "2.5",
         [](TqelQuery& q) { q.SetFieldAsFloat("PLR_WEIGHT", std::nan("")); }, true, QVariant()},
        {"float 0 on NULL", "PLR_WEIGHT", "null",
         [](TqelQuery& q) { q.SetFieldAsFloat("PLR_WEIGHT", 0); }, false, QVariant()},
        {"float new value", "PLR_WEIGHT", "2.5",
         [](TqelQuery& q) { q.SetFieldAsFloat("PLR_WEIGHT", 81.25); }, true, 81.25},
        {"required float NaN on NULL", "PLR_WEIGHT", "null",
         [](TqelQuery& q) { q.SetFieldAsFloatReq("PLR_WEIGHT", std::nan("")); }, true, 0.0},
        {"negative date on a date", "PLR_BIRTH", "'1990-05-17 13:45:30.250'",
         [](TqelQuery& q) { q.SetFieldAsDateTime("PLR_BIRTH", -3); }, true, QVariant()},
        {"same date", "PLR_BIRTH", "'1990-05-17 13:45:30.250'",
         [&](TqelQuery& q) { q.SetFieldAsDateTime("PLR_BIRTH", birth); }, false, birth},
        {"date on NULL", "PLR_BIRTH", "null",
         [&](TqelQuery& q) { q.SetFieldAsDateTime("PLR_BIRTH", birth); }, true, birth},
        {"empty text on text", "PLR_NAME", "'Ann'",
         [](TqelQuery& q) { q.SetFieldAsString("PLR_NAME", ""); }, true, QVariant()},
        {"empty text on NULL", "PLR_NAME", "null",
         [](TqelQuery& q) { q.SetFieldAsString("PLR_NAME", ""); }, false, QVariant()},
        {"same text", "PLR_NAME", "'Ann'",
         [](TqelQuery& q) { q.SetFieldAsString("PLR_NAME", "Ann"); }, false, "Ann"},
        {"other case is a change", "PLR_NAME", "'Ann'",
         [](TqelQuery& q) { q.SetFieldAsString("PLR_NAME", "ANN"); }, true, "ANN"},
        {"false on NULL", "PLR_ACTIVE", "null",
         [](TqelQuery& q) { q.SetFieldAsBoolean("PLR_ACTIVE", false); }, true, 0},
        {"true on 1", "PLR_ACTIVE", "1",
         [](TqelQuery& q) { q.SetFieldAsBoolean("PLR_ACTIVE", true); }, false, 1},
        {"variant NULL on 5", "PLR_SCORE", "5",
         [](TqelQuery& q) { q.SetFieldAsVariant("PLR_SCORE", QVariant()); }, true, QVariant()},
        {"missing field", "PLR_SCORE", "5", [](TqelQuery& q) { q.SetFieldAsInteger("NO_SUCH", 9); },
         false, 5},
    };
    int id = 0;
    for (const auto& c : cases) {
        ++id;
        Exec(QStringLiteral("insert into PLAYER (PLR_ID, %1) values (%2, %3)")
                 .arg(QString::fromUtf8(c.column))
                 .arg(id)
                 .arg(QString::fromUtf8(c.initial)));
        TqelQuery query(&connection);
        OpenPlayer(query, id);
        const int64_t before = connection.StatementCount();
        c.setter(query);
        EXPECT_EQ(query.State(), c.changes ? DataSetState::Edit : DataSetState::Browse) << c.name;
        query.Post();
        EXPECT_EQ(connection.StatementCount() - before, c.changes ? 1 : 0) << c.name;
        query.Close();

        const QVariant stored = Stored(id, QString::fromUtf8(c.column));
        if (!c.expected.isValid()) {
            EXPECT_FALSE(stored.isValid()) << c.name << ": " << stored.toString().toStdString();
        } else if (c.expected.typeId() == QMetaType::Double) {
            EXPECT_DOUBLE_EQ(stored.toDouble(), c.expected.toDouble()) << c.name;
        } else {
            EXPECT_EQ(stored.toString(), c.expected.toString()) << c.name;
        }
    }
}

TEST_P(QueryTest, AnUnchangedSaveSendsNothingAndAChangeSendsOnlyItsColumn) {
    Exec(
        QStringLiteral("insert into PLAYER (PLR_ID, PLR_NAME, PLR_BIRTH, PLR_WEIGHT, PLR_ACTIVE, "
                       "PLR_SCORE) values (1, 'Ann', '2001-02-03 04:05:06.789', 60.5, 1, 12)"));
    auto writeRow = [](TqelQuery& q, int aScore) {
        q.SetFieldAsString("PLR_NAME", "Ann");
        q.SetFieldAsDateTime("PLR_BIRTH", EncodeDateTime(2001, 2, 3, 4, 5, 6, 789));
        q.SetFieldAsFloat("PLR_WEIGHT", 60.5);
        q.SetFieldAsBoolean("PLR_ACTIVE", true);
        q.SetFieldAsInteger("PLR_SCORE", aScore);
        q.SetFieldAsString("PLR_NICK", "");
        q.SetFieldAsFloat("PLR_PICTURE", 0);
    };
    TqelQuery query(&connection);
    OpenPlayer(query, 1);
    sent.clear();
    writeRow(query, 12);
    EXPECT_EQ(query.State(), DataSetState::Browse);
    query.Post();
    EXPECT_TRUE(sent.isEmpty()) << sent.join(u'\n').toStdString();

    writeRow(query, 13);
    query.Post();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(
        sent[0].startsWith(QStringLiteral("update \"PLAYER\" set \"PLR_SCORE\" = ? where ")))
        << sent[0].toStdString();
    EXPECT_EQ(Stored(1, "PLR_SCORE").toInt(), 13);
    EXPECT_EQ(Stored(1, "PLR_NAME").toString(), QStringLiteral("Ann"));
}

TEST_P(QueryTest, TextIsCutToItsColumnSize) {
    TqelQuery query(&connection);
    query.setText(QStringLiteral("select * from PLAYER where 0=1"));
    query.Open();
    query.Insert();
    query.SetFieldAsIntegerReq("PLR_ID", 1);
    query.SetFieldAsString("PLR_NAME", QString(40, u'x'));
    query.SetFieldAsString("PLR_NICK", QStringLiteral("Ölçü-Ärger-Überlänge"));
    query.SetFieldAsString("PLR_REMARK", QString(300, u'r'));
    EXPECT_EQ(query.FieldByName("PLR_NAME")->Size(), 30);
    query.Post();
    EXPECT_EQ(Stored(1, "PLR_NAME").toString(), QString(30, u'x'));
    EXPECT_EQ(Stored(1, "PLR_NICK").toString(), QStringLiteral("Ölçü-Ärger"));
    EXPECT_EQ(Stored(1, "PLR_REMARK").toString().size(), 300);

    // Writing the long text again is no change: it would be cut to what is stored.
    OpenPlayer(query, 1);
    query.SetFieldAsString("PLR_NAME", QString(40, u'x'));
    EXPECT_EQ(query.State(), DataSetState::Browse);
}

TEST_P(QueryTest, SaveByKeyInsertsWhenNothingIsFoundAndAppendCursorsKeepTheirRows) {
    TqelQuery save(&connection);
    OpenPlayer(save, 4);
    ASSERT_TRUE(save.IsEmpty());
    save.SetFieldAsIntegerReq("PLR_ID", 4);  // no current record: inserts
    EXPECT_EQ(save.State(), DataSetState::Insert);
    save.SetFieldAsString("PLR_NAME", "Bo");
    save.Post();
    EXPECT_EQ(Stored(4, "PLR_NAME").toString(), QStringLiteral("Bo"));
    EXPECT_FALSE(save.Locate("PLR_NAME", "b"));
    EXPECT_FALSE(save.Locate("PLR_NAME", "bo"));
    EXPECT_TRUE(save.Locate("PLR_NAME", "bo", {.CaseInsensitive = true}));
    EXPECT_TRUE(save.Locate("PLR_NAME", "B", {.PartialKey = true}));

    TqelQuery team(&connection);
    team.setText(QStringLiteral("select * from TEAM_PLR where 0=1"));
    team.Open();
    const TDateTime start = EncodeDateTime(2020, 1, 1, 0, 0, 0, 0);
    for (int player : {1, 2, 3}) {
        ASSERT_FALSE(team.Locate("TEAM_ID;PLR_ID", QVariantList{7, player}));
        team.Insert();
        team.SetFieldAsIntegerReq("TEAM_ID", 7);
        team.SetFieldAsIntegerReq("PLR_ID", player);
        team.SetFieldAsDateTime("TP_START_DATE", start + player);
        team.Post();
    }
    EXPECT_EQ(team.RecordCount(), 3);
    // Inserted rows are found again and are updated by their key.
    ASSERT_TRUE(team.Locate("TEAM_ID;PLR_ID", QVariantList{7, 2}));
    EXPECT_EQ(team.GetFieldAsDateTime("TP_START_DATE"), start + 2);
    team.SetFieldAsDateTime("TP_END_DATE", start + 10);
    team.Post();
    ASSERT_TRUE(team.Locate("PLR_ID", 3));
    team.Delete();
    EXPECT_EQ(team.RecordCount(), 2);

    TqelQuery check(&connection);
    check.setText(QStringLiteral("select PLR_ID, TP_END_DATE from TEAM_PLR order by PLR_ID"));
    check.Open();
    ASSERT_EQ(check.RecordCount(), 2);
    EXPECT_EQ(check.GetFieldAsInteger("PLR_ID"), 1);
    EXPECT_TRUE(check.FindField("TP_END_DATE")->IsNull());
    check.Next();
    EXPECT_EQ(check.GetFieldAsDateTime("TP_END_DATE"), start + 10);
    check.Next();
    EXPECT_TRUE(check.Eof());
}

TEST_P(QueryTest, DateTimesAreStoredAsTextWithMilliseconds) {
    const TDateTime value = EncodeDateTime(2024, 3, 31, 2, 30, 0, 7);
    TqelQuery query(&connection);
    OpenPlayer(query, 1);
    query.SetFieldAsIntegerReq("PLR_ID", 1);
    query.SetFieldAsDateTime("PLR_BIRTH", value + 0.1 / qel::kMSecsPerDay);
    query.Post();
    query.setText(
        QStringLiteral("select cast(PLR_BIRTH as text) as T from PLAYER where PLR_BIRTH = :D"));
    query.SetParamAsDatetime("D", value);
    query.Open();
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.GetFieldAsString("T"), QStringLiteral("2024-03-31 02:30:00.007"));
    EXPECT_EQ(Stored(1, "PLR_BIRTH").toDouble(), value);
}

TEST_P(QueryTest, OpenRetriesOnceAfterAProviderFailure) {
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_NAME) values (1, 'Ann')"));
    std::vector<TqelDBConnectionState> states;
    connection.OnConnectionStateChanged = [&](TqelDBConnectionState aState) {
        states.push_back(aState);
    };
    int failures = 1;
    connection.OnStatement = [&](const QString&) {
        if (failures-- > 0) {
            throw EProviderError(QStringLiteral("Communication link failure"));
        }
    };
    TqelQuery query(&connection);
    OpenPlayer(query, 1);
    EXPECT_TRUE(query.Active());
    EXPECT_EQ(query.GetFieldAsString("PLR_NAME"), QStringLiteral("Ann"));
    EXPECT_EQ(states, std::vector<TqelDBConnectionState>({idbcsDisconnected, idbcsConnected}));
    EXPECT_TRUE(query.InErrorState());
    EXPECT_EQ(query.LastError(), QStringLiteral("Communication link failure"));
    EXPECT_FALSE(query.InErrorState());

    // A second failure is raised: an empty result would read as "no rows".
    query.Close();
    failures = 2;
    EXPECT_THROW(query.Open(), EProviderError);
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.LastError(), QStringLiteral("Communication link failure"));

    // A statement the server refuses fails both times as well.
    connection.OnStatement = nullptr;
    query.setText(QStringLiteral("select * from NO_SUCH_TABLE"));
    EXPECT_THROW(query.Open(), EProviderError);
    EXPECT_TRUE(query.LastError().contains(QStringLiteral("NO_SUCH_TABLE")));
}

TEST_P(QueryTest, ComputedAndJoinedColumnsAreReadOnlyAndQualifiedNamesAreFound) {
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_NAME) values (1, 'Ann')"));
    Exec(
        QStringLiteral("insert into TEAM_PLR (TEAM_ID, PLR_ID, TP_START_DATE) values "
                       "(3, 1, '2020-01-01 00:00:00.000'), (4, 1, '2021-01-01 00:00:00.000')"));
    TqelQuery query(&connection);
    query.AddLine(QStringLiteral("select *, "));
    query.AddLine(QStringLiteral(
        "  (select top 1 TEAM_ID from TEAM_PLR where PLR_ID = PLAYER.PLR_ID and TP_END_DATE is "
        "null order by TP_START_DATE desc) as TEAM_ID"));
    query.AddLine(QStringLiteral("from PLAYER where PLR_ID = :PLR_ID"));
    query.SetParamAsInteger("PLR_ID", 1);
    query.Open();
    EXPECT_EQ(query.GetFieldAsInteger("TEAM_ID"), 4);
    EXPECT_TRUE(query.FieldByName("TEAM_ID")->ReadOnly());
    // The row of the single table stays editable; the computed column is not sent.
    query.SetFieldAsString("PLR_NAME", "Anna");
    query.Post();
    EXPECT_EQ(Stored(1, "PLR_NAME").toString(), QStringLiteral("Anna"));

    query.setText(
        QStringLiteral("select p.PLR_ID as \"tei.DSC_ID\", t.TEAM_ID from PLAYER p "
                       "join TEAM_PLR t on t.PLR_ID = p.PLR_ID order by t.TEAM_ID"));
    query.Open();
    ASSERT_NE(query.FindField("DSC_ID"), nullptr);
    EXPECT_EQ(query.GetFieldAsInteger("DSC_ID"), 1);
    EXPECT_EQ(query.FindField("EI.DSC_ID"), nullptr);
    EXPECT_THROW(query.Edit(), EDatabaseError);
    EXPECT_THROW(query.SetFieldAsInteger("TEAM_ID", 9), EDatabaseError);
    EXPECT_NO_THROW(query.SetFieldAsInteger("TEAM_ID", 3));  // unchanged: nothing to do
}

TEST_P(QueryTest, MissingFieldsReadNeutralAndMissingParametersRaise) {
    TqelQuery query(&connection);
    EXPECT_EQ(query.GetFieldAsString("PLR_NAME"), QString());  // closed: no fields
    OpenPlayer(query, 1);
    EXPECT_EQ(query.GetFieldAsInteger("NOPE"), 0);
    EXPECT_EQ(query.GetFieldAsDateTime("NOPE"), 0);
    EXPECT_FALSE(query.GetFieldAsVariant("NOPE").isValid());
    EXPECT_EQ(query.CreateBlobStream("NOPE", qel::BlobStreamMode::Read), nullptr);
    EXPECT_THROW(query.FieldByName("NOPE"), EDatabaseError);
    EXPECT_THROW(query.GetParamAsInteger("NOPE"), EDatabaseError);
    EXPECT_NO_THROW(query.SetParamAsInteger("NOPE", 1));
    EXPECT_EQ(query.GetParamAsInteger("plr_id"), 1);
}

TEST_P(QueryTest, BlobsGoThroughStreams) {
    QByteArray picture(70000, '\0');
    for (int i = 0; i < picture.size(); ++i) {
        picture[i] = static_cast<char>(i * 7);
    }
    TqelQuery query(&connection);
    OpenPlayer(query, 2);
    query.SetFieldAsIntegerReq("PLR_ID", 2);
    {
        auto stream = query.CreateBlobStream("PLR_PICTURE", qel::BlobStreamMode::Write);
        ASSERT_TRUE(stream);
        stream->write(picture);
    }
    query.Post();
    OpenPlayer(query, 2);
    auto stream = query.CreateBlobStream("PLR_PICTURE", qel::BlobStreamMode::Read);
    EXPECT_EQ(stream->readAll(), picture);
    EXPECT_EQ(query.State(), DataSetState::Browse);
}

TEST_P(QueryTest, ExecSqlCountsRowsAndTruncates) {
    for (int id : {1, 2, 3}) {
        Exec(QStringLiteral("insert into PLAYER (PLR_ID) values (%1)").arg(id));
    }
    TqelQuery query(&connection);
    query.setText(QStringLiteral("update PLAYER set PLR_SCORE = :S where PLR_ID > :ID"));
    query.SetParamAsInteger("S", 5);
    query.SetParamAsInteger("ID", 1);
    EXPECT_EQ(query.ExecSQL(), 2);
    query.setText(QStringLiteral("truncate table PLAYER"));
    query.ExecSQL();
    query.setText(QStringLiteral("select * from PLAYER"));
    query.Open();
    EXPECT_TRUE(query.IsEmpty());
    EXPECT_TRUE(query.Eof());
}

TEST(QueryText, WhereAndOrderByBuildTheirLines) {
    TqelDatabaseConnection connection;
    TqelQuery query(&connection);
    query.setText(QStringLiteral("select * from PLAYER"));
    query.Where("PLR_NAME", "", true, false);  // empty and not required: nothing
    query.Where("PLR_ACTIVE", false, true);    // false: nothing
    EXPECT_EQ(query.WhereCount(), 0);
    query.Where("PLR_NAME", "An", true, false);
    query.Where("PLR_SCORE", 0, true, true);
    query.Where("PLR_BIRTH", TDateTime{1.5}, false, false);
    query.WhereIsNull("PLR_NICK", true, true);
    query.Where("PLR_ACTIVE", true, true);
    query.OrderBy("PLR_NAME", true);
    query.OrderBy("PLR_ID", false);
    EXPECT_EQ(query.Text(), QStringLiteral("select * from PLAYER\r\n"
                                           " where \r\nPLR_NAME like :PLR_NAME\r\n"
                                           " and \r\nPLR_SCORE = :PLR_SCORE\r\n"
                                           " or \r\nPLR_BIRTH = :PLR_BIRTH\r\n"
                                           " and \r\nnot (PLR_NICK is null)\r\n"
                                           " and \r\nPLR_ACTIVE = :PLR_ACTIVE\r\n"
                                           "order by\r\nPLR_NAME\r\n, PLR_ID desc\r\n"));
    EXPECT_EQ(query.WhereCount(), 5);
    EXPECT_EQ(query.OrderByCount(), 2);
    EXPECT_EQ(query.GetParamAsString("PLR_NAME"), QStringLiteral("An%"));
    EXPECT_EQ(query.GetParamAsInteger("PLR_SCORE"), 0);
    EXPECT_EQ(query.GetParamAsDatetime("PLR_BIRTH"), 1.5);
    EXPECT_EQ(query.GetParamAsInteger("PLR_ACTIVE"), 1);

    // An existing parameter only gets its value, without "%".
    query.Where("PLR_NAME", "Bo", true, false);
    query.Where("PLR_ACTIVE", false, true);
    EXPECT_EQ(query.GetParamAsString("PLR_NAME"), QStringLiteral("Bo"));
    EXPECT_EQ(query.GetParamAsInteger("PLR_ACTIVE"), 0);
    EXPECT_EQ(query.WhereCount(), 5);

    // Lines added by hand do not count: the next condition still begins with " where ".
    query.setText(QStringLiteral("select * from PLAYER where PLR_ID > 0"));
    query.Where("PLR_NAME", "", true, true);
    EXPECT_EQ(query.Text(),
              QStringLiteral("select * from PLAYER where PLR_ID > 0\r\n where \r\nPLR_NAME like "
                             ":PLR_NAME\r\n"));
    EXPECT_EQ(query.GetParamAsString("PLR_NAME"), QStringLiteral("%"));
}

TEST_P(QueryTest, AStatementSentAgainBindsWhatChangedEvenInTheLeast) {
    // Values stay bound between runs: the next run must still tell NULL from empty text and a
    // number from its text.
    const QString insert = QStringLiteral(
        "insert into PLAYER (PLR_ID, PLR_NAME, PLR_SCORE) values (:PLR_ID, :PLR_NAME, :PLR_SCORE)");
    const std::vector<std::pair<QVariant, QVariant>> values = {
        {QStringLiteral(""), qlonglong{5}},
        {QString(), qlonglong{5}},
        {QString(), qlonglong{5}},
        {QStringLiteral("Ann"), QStringLiteral("5")},
        {QStringLiteral("Ann"), QVariant(QMetaType::fromType<qlonglong>())},
        {QStringLiteral(""), qlonglong{6}},
    };
    int id = 0;
    for (const auto& [name, score] : values) {
        connection.Execute(insert, {{QStringLiteral("PLR_ID"), qlonglong{++id}},
                                    {QStringLiteral("PLR_NAME"), name},
                                    {QStringLiteral("PLR_SCORE"), score}});
    }
    QSqlQuery stored = connection.Execute(
        QStringLiteral("select coalesce(PLR_NAME, '-'), coalesce(typeof(PLR_SCORE) || ' ' || "
                       "PLR_SCORE, '-') from PLAYER order by PLR_ID"),
        {});
    QStringList rows;
    while (stored.next()) {
        rows << stored.value(0).toString() + u'|' + stored.value(1).toString();
    }
    EXPECT_EQ(rows, (QStringList{QStringLiteral("|integer 5"), QStringLiteral("-|integer 5"),
                                 QStringLiteral("-|integer 5"), QStringLiteral("Ann|integer 5"),
                                 QStringLiteral("Ann|-"), QStringLiteral("|integer 6")}));
}

TEST_P(QueryTest, FieldsOfAReopenedTextStartAsTheyDidAtTheFirstOpen) {
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_NAME) values (1, 'Ann')"));
    const QString text =
        QStringLiteral("select PLR_ID, PLR_NAME, PLR_SCORE + 1 as NEXT_SCORE from PLAYER");
    TqelQuery query(&connection);
    query.setText(text);
    query.Open();
    qel::QueryField* computed = query.FieldByName(QStringLiteral("next_score"));
    EXPECT_TRUE(computed->ReadOnly());
    computed->setReadOnly(false);
    query.Close();
    EXPECT_EQ(query.FieldCount(), 0);

    query.setText(text);
    query.Open();
    EXPECT_TRUE(query.FieldByName(QStringLiteral("NEXT_SCORE"))->ReadOnly());
    EXPECT_FALSE(query.FieldByName(QStringLiteral("plr_name"))->ReadOnly());
    EXPECT_EQ(query.GetFieldAsString(QStringLiteral("PLR_NAME")), QStringLiteral("Ann"));
    query.Close();

    // A known text opens empty without a statement; an unknown one does not open.
    sent.clear();
    ASSERT_TRUE(query.OpenEmpty());
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_TRUE(query.IsEmpty());
    EXPECT_EQ(query.FieldCount(), 3);
    query.Insert();
    query.SetFieldAsInteger(QStringLiteral("PLR_ID"), 2);
    query.SetFieldAsString(QStringLiteral("PLR_NAME"), QStringLiteral("Bo"));
    query.Post();
    query.Close();
    EXPECT_EQ(Stored(2, QStringLiteral("PLR_NAME")).toString(), QStringLiteral("Bo"));
    query.setText(QStringLiteral("select PLR_NAME from PLAYER"));
    EXPECT_FALSE(query.OpenEmpty());
    EXPECT_FALSE(query.Active());
}

TEST_P(QueryTest, AStatementSentAgainIsPreparedOnce) {
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_NAME) values (1, 'Ann')"));
    Exec(QStringLiteral("insert into PLAYER (PLR_ID, PLR_NAME) values (2, 'Bo')"));
    TqelQuery query(&connection);
    OpenPlayer(query, 1);
    const int64_t prepared = connection.PrepareCount();
    query.Close();
    OpenPlayer(query, 2);
    EXPECT_EQ(query.GetFieldAsString(QStringLiteral("PLR_NAME")), QStringLiteral("Bo"));
    EXPECT_EQ(connection.PrepareCount(), prepared) << "bound again, not prepared again";

    // A select still being read is left to its reader.
    const QString names = QStringLiteral("select PLR_NAME from PLAYER order by PLR_ID");
    QSqlQuery reading = connection.Execute(names, {});
    ASSERT_TRUE(reading.next());
    QSqlQuery again = connection.Execute(names, {});
    EXPECT_EQ(connection.PrepareCount(), prepared + 2);
    ASSERT_TRUE(reading.next());
    EXPECT_EQ(reading.value(0).toString(), QStringLiteral("Bo"));
    reading.finish();
    again.finish();

    // Prepared statements belong to the open connection.
    connection.Disconnect();
    query.Close();
    OpenPlayer(query, 1);
    EXPECT_EQ(query.GetFieldAsString(QStringLiteral("PLR_NAME")), QStringLiteral("Ann"));
    EXPECT_EQ(connection.PrepareCount(), prepared + 3);
}
