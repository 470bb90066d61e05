#include "database/devices/battery_state.h"

#include <QStringList>
#include <algorithm>

#include "database/schema.h"

namespace {

// No key: a reading is appended and never looked up again.
const qel::SchemaTable kBatteryStateTable(
    "TP_BATTERY_STATE",
    {"create table TP_BATTERY_STATE (TBS_ANTENNA_ID integer, TBS_DATETIME_S integer, "
     "TBS_VOLTAGE_MV integer, TBS_STATE integer)"});

const QString kTBS_ANTENNA_ID = QStringLiteral("TBS_ANTENNA_ID");
const QString kTBS_DATETIME_S = QStringLiteral("TBS_DATETIME_S");
const QString kTBS_VOLTAGE_MV = QStringLiteral("TBS_VOLTAGE_MV");
const QString kTBS_STATE = QStringLiteral("TBS_STATE");

const QStringList kInsertHead = {QStringLiteral("insert into TP_BATTERY_STATE ( "),
                                 QStringLiteral("  TBS_ANTENNA_ID, "),
                                 QStringLiteral("  TBS_DATETIME_S, "),
                                 QStringLiteral("  TBS_VOLTAGE_MV,"),
                                 QStringLiteral("  TBS_STATE"),
                                 QStringLiteral(")"),
                                 QStringLiteral("VALUES")};

}  // namespace

// ---- TqelTPBatteryState ---------------------------------------------------------------------

TqelTPBatteryState::TqelTPBatteryState(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqelTPBatteryState::DataSetToVaruza(TqelQuery& aSQL) {
    FAntennaID = aSQL.GetFieldAsInteger(kTBS_ANTENNA_ID);
    FDateTimeS = aSQL.GetFieldAsInteger(kTBS_DATETIME_S);
    FVoltage_mV = aSQL.GetFieldAsInteger(kTBS_VOLTAGE_MV);
    FState = aSQL.GetFieldAsInteger(kTBS_STATE);
}

void TqelTPBatteryState::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kTBS_ANTENNA_ID, FAntennaID);
    aSQL.SetFieldAsInteger(kTBS_DATETIME_S, FDateTimeS);
    aSQL.SetFieldAsIntegerReq(kTBS_VOLTAGE_MV, FVoltage_mV);
    aSQL.SetFieldAsIntegerReq(kTBS_STATE, FState);
}

QString TqelTPBatteryState::ToValues() const {
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(FAntennaID)
        .arg(FDateTimeS)
        .arg(FVoltage_mV)
        .arg(FState);
}

// ---- TqelDBTPBatteryState -------------------------------------------------------------------

void TqelDBTPBatteryState::Add(std::unique_ptr<TqelTPBatteryState> aTBS) {
    qel::Assert(aTBS != nullptr, QStringLiteral("Add needs a battery reading."));
    VaruzaList().push_back(std::move(aTBS));
}

void TqelDBTPBatteryState::SaveAll() {
    TVaruzaList& rows = VaruzaList();
    TqelQuery& query = SQL();
    while (!rows.empty()) {
        const int count = std::min(kRowsPerStatement, static_cast<int>(rows.size()));
        // The values are bound, one group of four parameters per row.
        QStringList lines = kInsertHead;
        for (int i = 0; i < count; ++i) {
            lines << QStringLiteral("%1(:ANTENNA%2, :TIME%2, :VOLTAGE%2, :STATE%2)")
                         .arg(i == 0 ? QString() : QStringLiteral(","))
                         .arg(i);
        }
        query.setText(lines.join(u'\n'));
        for (int i = 0; i < count; ++i) {
            const TqelTPBatteryState& row = *rows[static_cast<size_t>(i)];
            const QString index = QString::number(i);
            query.SetParamAsInteger(QStringLiteral("ANTENNA") + index, row.AntennaID());
            query.SetParamAsInteger(QStringLiteral("TIME") + index, row.DateTimeS());
            query.SetParamAsInteger(QStringLiteral("VOLTAGE") + index, row.Voltage_mV());
            query.SetParamAsInteger(QStringLiteral("STATE") + index, row.State());
        }
        query.ExecSQL();
        rows.erase(rows.begin(), rows.begin() + count);
        query.Clear();
    }
}
