#include <gtest/gtest.h>

#include <QFile>
#include <QSqlQuery>
#include <memory>
#include <thread>
#include <vector>

#include "database/database_connection.h"
#include "database_test_support.h"
#include "support/temp_folder.h"

TEST(DatabaseConnection, ServerTypesChooseTheirProvider) {
    TqelDatabaseConnection connection;
    EXPECT_EQ(connection.ConnectionState(), idbcsNotInitialized);
    connection.setServerType(adostSQLServer);
    EXPECT_EQ(connection.Provider(), QStringLiteral("SQLOLEDB"));
    connection.setServerType(adostMSAccess);
    EXPECT_EQ(connection.Provider(), QStringLiteral("SQLite"));

    for (TADOServerType type : {adostNone, adostSQLServer, adostMSAccess, adostOLEDB}) {
        EXPECT_EQ(
            TqelDatabaseConnection::StrToServerType(TqelDatabaseConnection::ServerTypeToStr(type)),
            type);
    }
    EXPECT_EQ(TqelDatabaseConnection::ServerTypeToStr(adostMSAccess), QStringLiteral("MSAccess"));
    EXPECT_EQ(TqelDatabaseConnection::StrToServerType(QStringLiteral("Oracle")), adostNone);
}

TEST(DatabaseConnection, WholeStringModeReadsThePartsBack) {
    const struct {
        QString text;
        TADOServerType type;
        QString catalogus;
    } cases[] = {
        {"Provider=SQLOLEDB.1;Password=\"a;b\";User ID=sa;Initial Catalog=QEL;Data Source=SRV",
         adostSQLServer, "SRV:QEL"},
        {"Provider=SQLite;Data Source=/var/qel.db", adostMSAccess, "/var/qel.db"},
        {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\qel.accdb", adostMSAccess,
         "C:\\qel.accdb"},
    };
    for (const auto& c : cases) {
        TqelDatabaseConnection connection;
        connection.setServerType(adostOLEDB);
        connection.setProvider(QString());
        connection.setServerName(c.text);
        EXPECT_TRUE(connection.Catalogus().isEmpty()) << "nothing built yet";
        EXPECT_EQ(connection.ConnectionString(), c.text);
        EXPECT_EQ(connection.Catalogus(), c.catalogus);
        EXPECT_EQ(connection.ServerType(), c.type) << c.text.toStdString();
    }
}

TEST(DatabaseConnection, PartsBuildTheStringAndAnyChangeInvalidatesIt) {
    TqelDatabaseConnection connection;
    connection.setServerType(adostSQLServer);
    connection.setServerName(QStringLiteral("10.0.0.7"));
    connection.setDatabaseName(QStringLiteral("QEL"));
    connection.setTrusted(true);
    EXPECT_EQ(connection.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB;Integrated Security=SSPI;Persist Security "
                             "Info=False;Initial Catalog=QEL;Data Source=10.0.0.7"));
    connection.setTrusted(false);
    EXPECT_EQ(connection.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB;Persist Security Info=False;Data Source=10.0.0.7"));
    connection.setUserName(QStringLiteral("sa"));
    connection.setPassword(QStringLiteral("p\"w"));
    EXPECT_EQ(connection.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB;Password=\"p\"\"w\";Persist Security Info=True;"
                             "User ID=sa;Initial Catalog=QEL;Data Source=10.0.0.7"));
}

TEST(DatabaseConnection, HostNamesBecomeAddressesButFilesAndUnknownNamesStay) {
    TqelDatabaseConnection connection;
    connection.setServerType(adostSQLServer);
    connection.setServerName(QStringLiteral("localhost"));
    EXPECT_EQ(connection.ServerName(), QStringLiteral("127.0.0.1"));
    connection.setServerName(QStringLiteral("no-such-host.invalid"));
    EXPECT_EQ(connection.ServerName(), QStringLiteral("no-such-host.invalid"));

    TqelDatabaseConnection file;
    file.setServerType(adostMSAccess);
    file.setServerName(QStringLiteral("localhost"));
    EXPECT_EQ(file.ServerName(), QStringLiteral("localhost"));
}

class DatabaseConnectionOpen : public ::testing::TestWithParam<qel::test::DatabaseRoad> {
protected:
    void SetUp() override {
        if (GetParam() == qel::test::DatabaseRoad::Odbc) {
            ASSERT_TRUE(QFile::exists(qel::test::SqliteOdbcDriver()))
                << "the SQLite ODBC driver (libsqliteodbc) is not installed";
        }
        connection.OnConnectionStateChanged = [this](TqelDBConnectionState aState) {
            states.push_back(aState);
        };
        connection.setServerType(adostOLEDB);
        connection.setServerName(
            qel::test::ConnectionStringFor(GetParam(), folder.file(QStringLiteral("qel.db"))));
    }

    qel::test::TempFolder folder;
    TqelDatabaseConnection connection;
    std::vector<TqelDBConnectionState> states;
};

TEST_P(DatabaseConnectionOpen, ReportsEveryOpenAndClose) {
    connection.Connect();
    EXPECT_TRUE(connection.Active());
    EXPECT_EQ(connection.Dialect(), qel::SqlDialect::SQLite);
    connection.Connect();
    // A changed setting closes the connection.
    connection.setUserName(QStringLiteral("someone"));
    EXPECT_FALSE(connection.Active());
    connection.Disconnect();
    EXPECT_EQ(states, std::vector<TqelDBConnectionState>({idbcsConnected, idbcsDisconnected}));
    EXPECT_EQ(connection.ConnectionState(), idbcsDisconnected);
}

TEST_P(DatabaseConnectionOpen, CheckSettingsSaysWhatIsWrong) {
    QString error;
    EXPECT_EQ(connection.CheckSettings(error), 0);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(connection.Active());
}

INSTANTIATE_TEST_SUITE_P(Roads, DatabaseConnectionOpen,
                         ::testing::Values(qel::test::DatabaseRoad::SQLite,
                                           qel::test::DatabaseRoad::Odbc),
                         [](const auto& anInfo) {
                             return anInfo.param == qel::test::DatabaseRoad::SQLite ? "SQLite"
                                                                                    : "Odbc";
                         });

TEST(DatabaseConnection, RefusesWhatThisPlatformCannotOpen) {
    const struct {
        QString text;
        QString says;
    } cases[] = {
        {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\qel.accdb",
         "Provider=SQLite;Data Source=<file>"},
        {"Provider=SQLOLEDB;Integrated Security=SSPI;Initial Catalog=QEL;Data Source=SRV",
         "Integrated security (SSPI)"},
        {"Provider=SQLite;Data Source=/no/such/folder/qel.db", ""},
    };
    for (const auto& c : cases) {
        TqelDatabaseConnection connection;
        std::vector<TqelDBConnectionState> states;
        connection.OnConnectionStateChanged = [&](TqelDBConnectionState aState) {
            states.push_back(aState);
        };
        connection.setServerType(adostOLEDB);
        connection.setServerName(c.text);
        try {
            connection.Connect();
            ADD_FAILURE() << "opened " << c.text.toStdString();
        } catch (const EProviderError& e) {
            EXPECT_TRUE(e.Message().contains(c.says)) << e.Message().toStdString();
        }
        EXPECT_FALSE(connection.Active());
        EXPECT_TRUE(states.empty());
    }
}

TEST(DatabaseConnection, CheckSettingsWantsAServerAndADatabase) {
    TqelDatabaseConnection connection;
    connection.setSectionName(QStringLiteral("DB"));
    connection.setServerType(adostSQLServer);
    QString error;
    EXPECT_EQ(connection.CheckSettings(error), 1);
    EXPECT_EQ(error,
              QStringLiteral("Servername is not specified. Check section 'DB' key 'SERVERNAME'"));
    connection.setServerName(QStringLiteral("10.1.2.3"));
    EXPECT_EQ(connection.CheckSettings(error), 2);
    EXPECT_EQ(error, QStringLiteral(
                         "Databasename is not specified. Check section 'DB' key 'DATABASENAME'"));
}

TEST(DatabaseConnection, CheckSettingsReportsAFailedConnection) {
    TqelDatabaseConnection connection;
    connection.setServerType(adostSQLServer);
    connection.setServerName(QStringLiteral("10.1.2.3"));
    connection.setDatabaseName(QStringLiteral("QEL"));
    connection.setTrusted(true);
    QString error;
    EXPECT_EQ(connection.CheckSettings(error), 4);
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("Could not connect to database [\\\\10.1.2.3\\QEL], "
                                        "Integrated security")))
        << error.toStdString();
}

TEST(DatabaseConnection, ReadsItsSettingsFromAnIniSection) {
    qel::test::TempFolder folder;
    const QString ini = folder.file(QStringLiteral("server.ini"));
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[Other]\r\nSERVERNAME=wrong\r\n"
        "[Database]\r\nservertype=SQLServer\r\nSERVERNAME=10.0.0.5\r\nDATABASENAME=QEL\r\n"
        "USERNAME=sa\r\nPASSWORD=p;w\r\n"
        "[File]\r\nSERVERTYPE=MSAccess\r\nSERVERNAME=/var/lib/qel/qel.db\r\n"
        "DATABASENAME=ignored\r\n");
    file.close();

    TqelDatabaseConnection server;
    server.ReadDatabaseSettings(ini, QStringLiteral("Database"));
    EXPECT_EQ(server.SectionName(), QStringLiteral("Database"));
    EXPECT_EQ(server.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB;Password=\"p;w\";Persist Security Info=True;"
                             "User ID=sa;Initial Catalog=QEL;Data Source=10.0.0.5"));

    TqelDatabaseConnection local;
    local.ReadDatabaseSettings(ini, QStringLiteral("File"));
    EXPECT_EQ(local.ServerType(), adostMSAccess);
    EXPECT_EQ(local.ConnectionString(),
              QStringLiteral("Provider=SQLite;Persist Security Info=False;"
                             "Data Source=/var/lib/qel/qel.db"));
}

TEST(DatabaseConnection, BelongsToTheThreadThatOpensIt) {
    qel::test::TempFolder folder;
    auto connection = std::make_unique<TqelDatabaseConnection>();
    connection->setServerType(adostOLEDB);
    connection->setServerName(qel::test::ConnectionStringFor(
        qel::test::DatabaseRoad::SQLite, folder.file(QStringLiteral("qel.db"))));
    bool opened = false;
    std::thread worker([&] {
        connection->Connect();
        opened = connection->Active();
        connection->Execute(QStringLiteral("create table T (A integer)"), {});
    });
    worker.join();
    EXPECT_TRUE(opened);
    // Not this thread's connection; a query here sets up one of its own.
    EXPECT_FALSE(connection->Active());
    connection->Execute(QStringLiteral("insert into T (A) values (1)"), {});
    EXPECT_TRUE(connection->Active());
    connection.reset();
}

TEST(DatabaseConnection, NameIndexFindsNamesAsTheComparisonWithoutCaseDoes) {
    qel::NameIndex index;
    const QStringList names = {QStringLiteral("PLR_ID"),      QStringLiteral("plr_id"),
                               QStringLiteral("PLR_NAME"),    QStringLiteral("\u00C4RGER"),
                               QStringLiteral("\u212Aelvin"), QStringLiteral("TEAM.PLR_ID")};
    for (int i = 0; i < names.size(); ++i) {
        index.Add(names[i], i);
    }
    const struct {
        QString Name;
        int Index;
    } cases[] = {
        {QStringLiteral("Plr_Id"), 0},  // the first of two same names
        {QStringLiteral("PLR_NAME"), 2},    {QStringLiteral("\u00E4rger"), 3},
        {QStringLiteral("kELVIN"), 4},  // the Kelvin sign folds to k
        {QStringLiteral("team.plr_id"), 5}, {QStringLiteral("PLR_NAM"), -1},
        {QStringLiteral("PLR_NAMF"), -1},   {QString(), -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(index.Find(c.Name), c.Index) << qPrintable(c.Name);
        if (c.Index >= 0) {
            EXPECT_TRUE(qel::SameName(names[c.Index], c.Name)) << qPrintable(c.Name);
        }
    }
}
