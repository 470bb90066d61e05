#include <gtest/gtest.h>

#include "database/sql_dialect.h"

using qel::SqlDialect;

TEST(SqlDialect, TranslatesForSQLite) {
    const struct {
        const char* sql;
        const char* sqlite;
    } cases[] = {
        {"select top 1 * from DATASETS where DTS_LIVEDATA<>0 order by DTS_ID desc",
         "select * from DATASETS where DTS_LIVEDATA<>0 order by DTS_ID desc limit 1"},
        {"select *, (select top 1 TEAM_ID from TEAM_PLR where PLR_ID = PLAYER.PLR_ID and "
         "TP_END_DATE is null order by TP_START_DATE desc) as TEAM_ID from PLAYER where PLR_ID "
         "= :PLR_ID",
         "select *, (select TEAM_ID from TEAM_PLR where PLR_ID = PLAYER.PLR_ID and TP_END_DATE "
         "is null order by TP_START_DATE desc limit 1) as TEAM_ID from PLAYER where PLR_ID = ?"},
        {"select top 1 a, (select top 2 b from T order by b) as c from U -- newest\r\n",
         "select a, (select b from T order by b limit 2) as c from U limit 1 -- newest\r\n"},
        {"select distinct top (5) NAME from T", "select distinct NAME from T limit 5"},
        {"select NAME from T where NAME = 'select top 1' and X = :X",
         "select NAME from T where NAME = 'select top 1' and X = ?"},
        {"select top 10 percent * from T", "select top 10 percent * from T"},
        {"truncate table POSITIONS", "delete from POSITIONS"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qel::PrepareStatement(QString::fromUtf8(c.sql), SqlDialect::SQLite).Text,
                  QString::fromUtf8(c.sqlite))
            << c.sql;
    }
    const QString sql = QStringLiteral("select top 1 * from T; truncate table T");
    EXPECT_EQ(qel::PrepareStatement(sql, SqlDialect::SqlServer).Text, sql);
}

TEST(SqlDialect, FindsParametersOutsideQuotesAndComments) {
    const QString sql = QStringLiteral(
        "select ':A', [x:B], \"y:C\" from T /* :D */ where X = :X and Y = :y and Z = :x "
        "and W = a::int -- :E");
    EXPECT_EQ(qel::ParseParamNames(sql), QStringList({"X", "y"}));
    const qel::PreparedStatement prepared = qel::PrepareStatement(sql, SqlDialect::SqlServer);
    EXPECT_EQ(prepared.ParamNames, QStringList({"X", "y", "x"}));
    EXPECT_EQ(prepared.Text.count(u'?'), 3);
    EXPECT_TRUE(prepared.Text.contains(QStringLiteral("a::int")));
}

TEST(SqlDialect, FindsTheOneTableASelectCanChange) {
    const struct {
        const char* sql;
        const char* table;
    } cases[] = {
        {"select * from TEAMS where TEAM_ID = :TEAM_ID", "TEAMS"},
        {"select * from EVENT_QUALIFIERS where 0=1", "EVENT_QUALIFIERS"},
        {"select t.* from [TEAM PLAYERS] as t order by 1", "TEAM PLAYERS"},
        {"select * from dbo.DATASETS d with (nolock) where d.DTS_ID = 1", "DATASETS"},
        {"select *, (select top 1 TEAM_ID from TEAM_PLR where PLR_ID = PLAYER.PLR_ID) as "
         "TEAM_ID from PLAYER where PLR_ID = :PLR_ID",
         "PLAYER"},
        {"select plr.*, pei.DSC_ID from PLAYER plr join PLAYER_EXTERNAL_IDS pei on "
         "plr.PLR_ID = pei.PLR_ID",
         ""},
        {"select * from A, B", ""},
        {"select TEAM_ID, count(*) from TEAM_PLR group by TEAM_ID", ""},
        {"select distinct TEAM_ID from TEAM_PLR", ""},
        {"select A from T union select A from U", ""},
        {"select * from (select * from T) x", ""},
        {"delete from T", ""},
    };
    for (const auto& c : cases) {
        const qel::SelectTable found = qel::FindSelectTable(QString::fromUtf8(c.sql));
        EXPECT_EQ(found.Table, QString::fromUtf8(c.table)) << c.sql;
        EXPECT_EQ(found.Reason.isEmpty(), found.Table.isEmpty() == false) << c.sql;
    }
}

TEST(SqlDialect, DateTimeTextKeepsEveryMillisecond) {
    const struct {
        TDateTime value;
        const char* text;
    } cases[] = {
        {EncodeDateTime(2024, 3, 31, 2, 30, 15, 7), "2024-03-31 02:30:15.007"},
        {EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), "1899-12-30 00:00:00.000"},
        {EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), "1899-12-29 06:00:00.000"},
        {EncodeDateTime(9999, 12, 31, 23, 59, 59, 999), "9999-12-31 23:59:59.999"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qel::DateTimeToSqlText(c.value), QString::fromUtf8(c.text));
        TDateTime back = -1;
        ASSERT_TRUE(qel::SqlTextToDateTime(QString::fromUtf8(c.text), back)) << c.text;
        EXPECT_EQ(qel::DateTimeToMs(back), qel::DateTimeToMs(c.value)) << c.text;
    }
    TDateTime value = 0;
    EXPECT_TRUE(qel::SqlTextToDateTime(QStringLiteral("2024-01-02T03:04"), value));
    EXPECT_EQ(value, EncodeDateTime(2024, 1, 2, 3, 4, 0, 0));
    EXPECT_TRUE(qel::SqlTextToDateTime(QStringLiteral("2024-01-02 03:04:05.1234567"), value));
    EXPECT_EQ(qel::DateTimeToMs(value),
              qel::DateTimeToMs(EncodeDateTime(2024, 1, 2, 3, 4, 5, 123)));
    for (const char* bad : {"", "2024-13-01", "2024-01-02 25:00", "2024-01-02x", "abc",
                            "2024-01-02 03:04:05.", "２０２４-01-02"}) {
        EXPECT_FALSE(qel::SqlTextToDateTime(QString::fromUtf8(bad), value)) << bad;
    }
}
