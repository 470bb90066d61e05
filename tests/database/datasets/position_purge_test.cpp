#include <gtest/gtest.h>

#include <concepts>

#include "database/datasets/position_purge.h"
#include "database/sqlite_file_fixture.h"

namespace {

// The date must come before the truncate-only flag: a call in the other order does not compile.
template <class TDate, class TFlag>
concept PurgeTakes = requires(TqelDatabase* aDatabase, TDate aBeforeDate, TFlag aTruncateOnly) {
    TqeldbRemoveOldPositionData::Execute(aDatabase, aBeforeDate, aTruncateOnly);
};
static_assert(PurgeTakes<TDateTime, bool>);
static_assert(!PurgeTakes<bool, TDateTime>);

class PositionPurgeTest : public qel::test::SqliteFileTest {
protected:
    void SetUp() override {
        SqliteFileTest::SetUp();
        // A finished live-only dataset, one still recording and one stored from a file.
        Exec(
            QStringLiteral("insert into DATASETS (DTS_ID, DTS_LIVEDATA, DTS_RECORDING) values "
                           "(1, 1, 0), (2, 1, 1), (3, 0, 0)"));
        Exec(QStringLiteral("insert into TRANSPONDERS (DTS_ID, TP_ID) values (1, 1), (2, 1)"));
    }

    void AddPositions(std::initializer_list<TDateTime> aDays) {
        for (const TDateTime day : aDays) {
            Exec(QStringLiteral("insert into POSITIONS values (%1)").arg(DateTimeToFileDate(day)));
        }
    }

    QStringList Datasets() {
        return Rows(QStringLiteral("select DTS_ID from DATASETS order by 1"));
    }

    const TDateTime today = EncodeDate(2026, 12, 11);
    const TDateTime yesterday = EncodeDateTime(2026, 12, 10, 23, 59, 58, 0);
    const TDateTime lastWeek = EncodeDateTime(2026, 12, 4, 9, 0, 0, 0);
};

TEST_F(PositionPurgeTest, PurgeCases) {
    const struct {
        const char* Name;
        std::vector<TDateTime> Positions;
        bool TruncateOnly;
        int32_t Result;
        int Left;
    } cases[] = {
        {"empty", {}, true, 0, 0},
        {"empty, delete allowed", {}, false, 0, 0},
        {"a row from today, truncate only", {lastWeek, today + 0.5}, true, 0, 2},
        {"only older rows", {lastWeek, yesterday}, true, 2, 0},
        {"only older rows, delete allowed", {lastWeek, yesterday}, false, 2, 0},
        {"mixed rows, delete allowed", {lastWeek, yesterday, today + 0.5}, false, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Exec(QStringLiteral("delete from POSITIONS"));
        Exec(QStringLiteral("delete from DATASETS where DTS_ID = 1"));
        Exec(
            QStringLiteral("insert into DATASETS (DTS_ID, DTS_LIVEDATA, DTS_RECORDING) values "
                           "(1, 1, 0)"));
        for (const TDateTime day : c.Positions) {
            AddPositions({day});
        }
        ResetWriteCount();
        EXPECT_EQ(TqeldbRemoveOldPositionData::Execute(database.get(), today, c.TruncateOnly),
                  c.Result);
        EXPECT_EQ(Rows(QStringLiteral("select count(*) from POSITIONS")),
                  QStringList{QString::number(c.Left)});
        EXPECT_EQ(Datasets(), (QStringList{"2", "3"})) << "live-only datasets go in every case";
    }
    EXPECT_EQ(Rows(QStringLiteral("select DTS_ID from TRANSPONDERS")), QStringList{"2"});
}

TEST_F(PositionPurgeTest, AFailedTruncateFallsBackToDeleteUnlessTruncateOnly) {
    AddPositions({lastWeek});
    bool failed = false;
    // SQLite runs "truncate table" as a delete: fail its first run as a server without it.
    beforeStatement = [&](const QString& aSql) {
        if (!failed && aSql.trimmed() == QStringLiteral("delete from POSITIONS")) {
            failed = true;
            throw EProviderError(QStringLiteral("Incorrect syntax near 'truncate'"));
        }
    };
    EXPECT_THROW(TqeldbRemoveOldPositionData::Execute(database.get(), today, true), EProviderError);
    EXPECT_EQ(Datasets(), (QStringList{"1", "2", "3"})) << "stopped before the datasets";

    failed = false;
    EXPECT_EQ(TqeldbRemoveOldPositionData::Execute(database.get(), today, false), 1);
    EXPECT_TRUE(failed);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from POSITIONS")), QStringList{"0"});
    EXPECT_EQ(Datasets(), (QStringList{"2", "3"}));
}

}  // namespace
