#include <gtest/gtest.h>

#include "database/connection_string.h"

namespace {

struct Parts {
    QString Provider, DataSource, Catalog, UserName, Password;
    bool Trusted = false;
    bool Result = false;
};

Parts Parse(const QString& aConnectionString) {
    Parts parts;
    parts.Result =
        ParseConnectionString(aConnectionString, parts.Provider, parts.DataSource, parts.Catalog,
                              parts.UserName, parts.Password, parts.Trusted);
    return parts;
}

}  // namespace

TEST(ConnectionString, BuildsEachLoginForm) {
    const struct {
        const char* name;
        QString provider, source, catalog, user, password;
        bool trusted;
        QString expected;
    } cases[] = {
        {"trusted", "SQLOLEDB", "SRV", "DB", "", "", true,
         "Provider=SQLOLEDB;Integrated Security=SSPI;Persist Security Info=False;"
         "Initial Catalog=DB;Data Source=SRV"},
        {"file database leaves the catalog out", "SQLite", "/data/qel.db", "DB", "", "", false,
         "Provider=SQLite;Persist Security Info=False;Data Source=/data/qel.db"},
        {"password quoted with ; and doubled quotes", "SQLOLEDB", "SRV", "DB", "sa", "pa;ss\"wd",
         false,
         "Provider=SQLOLEDB;Password=\"pa;ss\"\"wd\";Persist Security Info=True;User ID=sa;"
         "Initial Catalog=DB;Data Source=SRV"},
        {"user without password", "SQLOLEDB", "SRV", "", "guest", "", true,
         "Provider=SQLOLEDB;Persist Security Info=False;User ID=guest;Data Source=SRV"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            BuildConnectionString(c.provider, c.source, c.catalog, c.user, c.password, c.trusted),
            c.expected)
            << c.name;
    }
}

TEST(ConnectionString, ParsesWhatTheSystemWrites) {
    const struct {
        const char* name;
        QString text;
        Parts expected;
    } cases[] = {
        {"versioned provider, quoted password with ; and quote",
         "Provider=SQLOLEDB.1;Password=\"pa;ss\"\"wd\";Persist Security Info=True;User ID=sa;"
         "Initial Catalog=DB;Data Source=SRV",
         {"SQLOLEDB", "SRV", "DB", "sa", "pa;ss\"wd", false, true}},
        {"password last",
         "Provider=SQLOLEDB;User ID=sa;Data Source=SRV;Password=\"x;y\"",
         {"SQLOLEDB", "SRV", "", "sa", "x;y", false, true}},
        {"password holding a key",
         "Provider=SQLOLEDB;Password=\"a;User ID=evil\";User ID=sa;Data Source=S",
         {"SQLOLEDB", "S", "", "sa", "a;User ID=evil", false, true}},
        {"empty user written as two quotes",
         "Provider=SQLOLEDB;User ID=\"\";Integrated Security=SSPI;Data Source=SRV",
         {"SQLOLEDB", "SRV", "", "", "", true, true}},
        {"Access provider stays whole, no catalog",
         "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\data\\qel.accdb",
         {"Microsoft.ACE.OLEDB.12.0", "C:\\data\\qel.accdb", "", "", "", false, true}},
        {"SQLite file",
         "Provider=SQLite;Persist Security Info=False;Data Source=/var/qel.db",
         {"SQLite", "/var/qel.db", "", "", "", false, true}},
        {"no data source",
         "Provider=SQLOLEDB;Initial Catalog=DB",
         {"SQLOLEDB", "", "DB", "", "", false, false}},
        {"unclosed quote runs to the end",
         "Provider=SQLite;Data Source=x;Password=\"ab;c",
         {"SQLite", "x", "", "", "\"ab;c", false, true}},
    };
    for (const auto& c : cases) {
        const Parts parts = Parse(c.text);
        EXPECT_EQ(parts.Provider, c.expected.Provider) << c.name;
        EXPECT_EQ(parts.DataSource, c.expected.DataSource) << c.name;
        EXPECT_EQ(parts.Catalog, c.expected.Catalog) << c.name;
        EXPECT_EQ(parts.UserName, c.expected.UserName) << c.name;
        EXPECT_EQ(parts.Password, c.expected.Password) << c.name;
        EXPECT_EQ(parts.Trusted, c.expected.Trusted) << c.name;
        EXPECT_EQ(parts.Result, c.expected.Result) << c.name;
    }
}

TEST(ConnectionString, LongValuesAndOddPasswordsSurviveARoundTrip) {
    const QString path = QStringLiteral("/srv/") + QString(400, u'd') + QStringLiteral("/qel.db");
    for (const QString& password :
         {QStringLiteral("\"quoted\""), QStringLiteral("a=b;c"), QStringLiteral(" lead"),
          QStringLiteral("User ID=root;Data Source=evil")}) {
        const Parts parts =
            Parse(BuildConnectionString(QStringLiteral("SQLOLEDB"), path, QStringLiteral("DB"),
                                        QStringLiteral("sa"), password, false));
        EXPECT_EQ(parts.Password, password);
        EXPECT_EQ(parts.UserName, QStringLiteral("sa"));
        EXPECT_EQ(parts.DataSource, path);
    }
}

TEST(ConnectionString, ResolvesToTheDriversOfThisPlatform) {
    const qel::QtConnectionTarget sqlite =
        qel::ResolveConnectionString(QStringLiteral("Provider=SQLite;Data Source=/tmp/a b.db"), 15);
    EXPECT_EQ(sqlite.Driver, QStringLiteral("QSQLITE"));
    EXPECT_EQ(sqlite.DatabaseName, QStringLiteral("/tmp/a b.db"));
    EXPECT_EQ(sqlite.Options, QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));

    const qel::QtConnectionTarget server = qel::ResolveConnectionString(
        QStringLiteral("Provider=SQLNCLI11;Password=\"p;w}\";User ID=sa;Initial Catalog=QEL;"
                       "Data Source=tcp:db1,1433"),
        5);
    EXPECT_EQ(server.Driver, QStringLiteral("QODBC"));
    EXPECT_TRUE(
        server.DatabaseName.contains(QStringLiteral(";SERVER=db1,1433;DATABASE=QEL;UID=sa;"
                                                    "PWD={p;w}}};")))
        << server.DatabaseName.toStdString();
    EXPECT_TRUE(server.DatabaseName.contains(QStringLiteral("tdsodbc")) ||
                server.DatabaseName.contains(QStringLiteral("FreeTDS")));
    EXPECT_EQ(server.Options, QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=5"));

    const qel::QtConnectionTarget odbc = qel::ResolveConnectionString(
        QStringLiteral("Provider=MSDASQL;Extended Properties=\"DRIVER=/x.so;Database=/y.db\""), 15);
    EXPECT_EQ(odbc.Driver, QStringLiteral("QODBC"));
    EXPECT_EQ(odbc.DatabaseName, QStringLiteral("DRIVER=/x.so;Database=/y.db"));

    const qel::QtConnectionTarget access = qel::ResolveConnectionString(
        QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\qel.accdb"), 15);
    EXPECT_TRUE(access.Driver.isEmpty());
    EXPECT_TRUE(access.Error.contains(QStringLiteral("Provider=SQLite;Data Source=<file>")))
        << access.Error.toStdString();

    const qel::QtConnectionTarget sspi = qel::ResolveConnectionString(
        QStringLiteral("Provider=SQLOLEDB;Integrated Security=SSPI;Data Source=SRV"), 15);
    EXPECT_TRUE(sspi.Error.contains(QStringLiteral("Integrated security")))
        << sspi.Error.toStdString();

    EXPECT_FALSE(qel::ResolveConnectionString(QStringLiteral("Provider=Other;Data Source=x"), 15)
                     .Error.isEmpty());
}
