#include "database/datasets/clock_intervals.h"

#include "database/schema.h"

namespace {

const qel::SchemaTable kClockTable(
    "CLOCK", {"create table CLOCK (DTS_ID integer not null, CLK_ID integer not null, CLK_PERIOD "
              "integer, CLK_DTSTIME_START_MS integer, CLK_DTSTIME_END_MS integer, "
              "CLK_GAMETIME_START_SEC integer, CLK_GAMETIME_END_SEC integer, CLK_RUNNING bit, "
              "CLK_HOME_SCORE integer, CLK_GUEST_SCORE integer, primary key (DTS_ID, CLK_ID))"});

const QString kDTS_ID = QStringLiteral("DTS_ID");
const QString kCLK_ID = QStringLiteral("CLK_ID");
const QString kCLK_PERIOD = QStringLiteral("CLK_PERIOD");
const QString kCLK_DTSTIME_START_MS = QStringLiteral("CLK_DTSTIME_START_MS");
const QString kCLK_DTSTIME_END_MS = QStringLiteral("CLK_DTSTIME_END_MS");
const QString kCLK_GAMETIME_START_SEC = QStringLiteral("CLK_GAMETIME_START_SEC");
const QString kCLK_GAMETIME_END_SEC = QStringLiteral("CLK_GAMETIME_END_SEC");
const QString kCLK_RUNNING = QStringLiteral("CLK_RUNNING");
const QString kCLK_HOME_SCORE = QStringLiteral("CLK_HOME_SCORE");
const QString kCLK_GUEST_SCORE = QStringLiteral("CLK_GUEST_SCORE");

}  // namespace

// ---- TqeldbClockData ------------------------------------------------------------------------

TqeldbClockData::TqeldbClockData(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqeldbClockData::DataSetToVaruza(TqelQuery& aSQL) {
    setDtsID(aSQL.GetFieldAsInteger(kDTS_ID));
    setClkID(aSQL.GetFieldAsInteger(kCLK_ID));
    setPeriod(aSQL.GetFieldAsInteger(kCLK_PERIOD));
    setDtsTimeStartMS(aSQL.GetFieldAsInteger(kCLK_DTSTIME_START_MS));
    setDtsTimeEndMS(aSQL.GetFieldAsInteger(kCLK_DTSTIME_END_MS));
    setGameTimeStartSec(aSQL.GetFieldAsInteger(kCLK_GAMETIME_START_SEC));
    setGameTimeEndSec(aSQL.GetFieldAsInteger(kCLK_GAMETIME_END_SEC));
    setRunning(aSQL.GetFieldAsBoolean(kCLK_RUNNING));
    setHomeScore(aSQL.GetFieldAsInteger(kCLK_HOME_SCORE));
    setGuestScore(aSQL.GetFieldAsInteger(kCLK_GUEST_SCORE));
}

void TqeldbClockData::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kDTS_ID, FDtsID);
    aSQL.SetFieldAsInteger(kCLK_ID, FClkID);
    aSQL.SetFieldAsIntegerReq(kCLK_PERIOD, FPeriod);
    aSQL.SetFieldAsIntegerReq(kCLK_DTSTIME_START_MS, FDtsTimeStartMS);
    aSQL.SetFieldAsIntegerReq(kCLK_DTSTIME_END_MS, FDtsTimeEndMS);
    aSQL.SetFieldAsIntegerReq(kCLK_GAMETIME_START_SEC, FGameTimeStartSec);
    aSQL.SetFieldAsIntegerReq(kCLK_GAMETIME_END_SEC, FGameTimeEndSec);
    aSQL.SetFieldAsBoolean(kCLK_RUNNING, FRunning);
    aSQL.SetFieldAsIntegerReq(kCLK_HOME_SCORE, FHomeScore);
    aSQL.SetFieldAsIntegerReq(kCLK_GUEST_SCORE, FGuestScore);
}

// ---- TqeldbClock ----------------------------------------------------------------------------

TqeldbClock::TqeldbClock(TqelDatabase* AOwner, int32_t aDtsID)
    : TqelGenericDatabaseVaruza<TqeldbClockData>(AOwner), FDtsID(aDtsID) {}

void TqeldbClock::DeleteClockData(int32_t aDtsID) {
    if (aDtsID != 0) {
        FDtsID = aDtsID;
    }
    SQL().setText(QStringLiteral("delete from CLOCK where DTS_ID = :DTS_ID"));
    SQL().SetParamAsInteger(kDTS_ID, FDtsID);
    SQL().ExecSQL();
    FLastClkID = 0;
    ClearList();
}

TqeldbClockData* TqeldbClock::NewClockData() {
    try {
        TqeldbClockData* interval = AddVaruza();
        interval->setClkID(++FLastClkID);
        interval->setDtsID(FDtsID);
        return interval;
    } catch (...) {
        return nullptr;
    }
}

void TqeldbClock::SaveClockData(TqeldbClockData* aValue) {
    if (!aValue || aValue->DtsID() == 0 || aValue->Period() == 0) {
        return;
    }
    SQL().setText(
        QStringLiteral("select * from CLOCK where DTS_ID = :DTS_ID and CLK_ID = :CLK_ID"));
    SQL().SetParamAsInteger(kDTS_ID, aValue->DtsID());
    SQL().SetParamAsInteger(kCLK_ID, aValue->ClkID());
    qel::SaveRow(SQL(), *aValue, true);
}
