#include <gtest/gtest.h>

#include <QSqlQuery>

#include "database/database.h"
#include "database/schema.h"
#include "database_test_support.h"
#include "support/temp_folder.h"

namespace {

QStringList Names(TqelDatabaseConnection& aConnection, const QString& aType) {
    QStringList names;
    QSqlQuery query = aConnection.Execute(
        QStringLiteral("select name from sqlite_master where type = :TYPE and name not like "
                       "'sqlite_%' order by name"),
        {{QStringLiteral("TYPE"), aType}});
    while (query.next()) {
        names << query.value(0).toString();
    }
    return names;
}

QStringList Columns(TqelDatabaseConnection& aConnection, const QString& aTable) {
    QStringList names;
    QSqlQuery query =
        aConnection.Execute(QStringLiteral("select name from pragma_table_info(:TABLE)"),
                            {{QStringLiteral("TABLE"), aTable}});
    while (query.next()) {
        names << query.value(0).toString();
    }
    return names;
}

int Version(TqelDatabaseConnection& aConnection) {
    QSqlQuery query =
        aConnection.Execute(QStringLiteral("select SV_VERSION from SCHEMA_VERSION"), {});
    return query.next() ? query.value(0).toInt() : 0;
}

void OpenFile(TqelDatabaseConnection& aConnection, const QString& aFile) {
    aConnection.setServerType(adostOLEDB);
    aConnection.setServerName(
        qel::test::ConnectionStringFor(qel::test::DatabaseRoad::SQLite, aFile));
    aConnection.Connect();
}

const QString kAlphaV1 = QStringLiteral(
    "create table ALPHA (A_ID integer not null primary key, A_NAME varchar(20) collate nocase)");
const QString kAlphaV2 = QStringLiteral(
    "create table ALPHA (A_ID integer not null primary key, A_NAME varchar(20) collate nocase, "
    "A_CODE integer)");
const QString kAlphaIndex = QStringLiteral("create index ALPHA_NAME on ALPHA (A_NAME)");
const QString kBeta = QStringLiteral("create table BETA (B_ID integer not null primary key)");

}  // namespace

TEST(Schema, ANewFileGetsEveryKnownTableAndTheVersion) {
    qel::test::TempFolder folder;
    TqelDatabase database;
    ASSERT_TRUE(database.Initialize(qel::test::ConnectionStringFor(
        qel::test::DatabaseRoad::SQLite, folder.file(QStringLiteral("new.db")))));
    TqelDatabaseConnection& connection = *database.Connection();

    const QStringList tables = Names(connection, QStringLiteral("table"));
    EXPECT_TRUE(tables.contains(QStringLiteral("SCHEMA_VERSION")));
    EXPECT_TRUE(tables.contains(QStringLiteral("SEQUENCES")));
    for (const QString& table : qel::SchemaRegistry::Global().TableNames()) {
        EXPECT_TRUE(tables.contains(table, Qt::CaseInsensitive)) << table.toStdString();
    }
    EXPECT_EQ(Version(connection), qel::SchemaRegistry::Global().CurrentVersion());
    EXPECT_EQ(Columns(connection, QStringLiteral("SEQUENCES")),
              (QStringList{QStringLiteral("SQ_TABLE"), QStringLiteral("SQ_VALUE")}));
    EXPECT_FALSE(qel::SchemaRegistry::Global().Apply(connection)) << "nothing left to do";

    // Sequence names compare without case, as on SQL Server.
    EXPECT_EQ(database.GetNextValue(QStringLiteral("TEAMS")), 1);
    EXPECT_EQ(database.GetNextValue(QStringLiteral("teams")), 2);
}

TEST(Schema, OlderFilesMigrateAndEveryFileGetsTheTablesItLacks) {
    qel::test::TempFolder folder;

    qel::SchemaRegistry first;
    first.AddTable(QStringLiteral("ALPHA"), {kAlphaV1, kAlphaIndex});
    EXPECT_EQ(first.CurrentVersion(), 1);

    qel::SchemaRegistry second;
    second.AddTable(QStringLiteral("ALPHA"), {kAlphaV2, kAlphaIndex});
    second.AddTable(QStringLiteral("BETA"), {kBeta});
    second.AddMigration(2, {QStringLiteral("alter table ALPHA add column A_CODE integer")});
    EXPECT_EQ(second.CurrentVersion(), 2);
    EXPECT_THROW(second.AddTable(QStringLiteral("beta"), {kBeta}), EAssertionFailed);

    {
        SCOPED_TRACE("a version-1 file is migrated and completed");
        TqelDatabaseConnection connection;
        OpenFile(connection, folder.file(QStringLiteral("old.db")));
        EXPECT_TRUE(first.Apply(connection));
        EXPECT_FALSE(first.Apply(connection));
        EXPECT_EQ(Version(connection), 1);
        EXPECT_EQ(Names(connection, QStringLiteral("index")),
                  QStringList{QStringLiteral("ALPHA_NAME")});

        EXPECT_TRUE(second.Apply(connection));
        EXPECT_EQ(Version(connection), 2);
        EXPECT_EQ(Columns(connection, QStringLiteral("ALPHA")),
                  (QStringList{QStringLiteral("A_ID"), QStringLiteral("A_NAME"),
                               QStringLiteral("A_CODE")}));
        EXPECT_TRUE(Names(connection, QStringLiteral("table")).contains(QStringLiteral("BETA")));
    }
    {
        SCOPED_TRACE("a new file gets the latest form and no migration");
        TqelDatabaseConnection connection;
        OpenFile(connection, folder.file(QStringLiteral("new.db")));
        EXPECT_TRUE(second.Apply(connection));  // the migration would fail on A_CODE
        EXPECT_EQ(Version(connection), 2);
        EXPECT_EQ(Columns(connection, QStringLiteral("ALPHA")).size(), 3);
    }
    {
        SCOPED_TRACE("a newer file keeps its version but still gets missing tables");
        TqelDatabaseConnection connection;
        OpenFile(connection, folder.file(QStringLiteral("newer.db")));
        connection.Execute(QStringLiteral("create table SCHEMA_VERSION (SV_VERSION integer)"), {});
        connection.Execute(QStringLiteral("insert into SCHEMA_VERSION values (5)"), {});
        EXPECT_TRUE(second.Apply(connection));
        EXPECT_EQ(Version(connection), 5);
        EXPECT_EQ(Names(connection, QStringLiteral("table")),
                  (QStringList{QStringLiteral("ALPHA"), QStringLiteral("BETA"),
                               QStringLiteral("SCHEMA_VERSION")}));
    }
    {
        SCOPED_TRACE("a failing statement changes nothing");
        qel::SchemaRegistry broken;
        broken.AddTable(QStringLiteral("DELTA"),
                        {QStringLiteral("create table DELTA (D integer)")});
        broken.AddTable(QStringLiteral("GAMMA"),
                        {QStringLiteral("create tabel GAMMA (G integer)")});
        TqelDatabaseConnection connection;
        OpenFile(connection, folder.file(QStringLiteral("broken.db")));
        EXPECT_THROW(broken.Apply(connection), EProviderError);
        EXPECT_TRUE(Names(connection, QStringLiteral("table")).isEmpty());
    }
}
