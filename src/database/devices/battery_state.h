#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "database/db_component.h"
#include "database/generic_list.h"

// One battery reading of a transponder (a row of TP_BATTERY_STATE). The table has no key: rows
// are only ever appended.
class TqelTPBatteryState : public TqelDBComponent {
public:
    explicit TqelTPBatteryState(TqelDatabase* AOwner);

    int32_t AntennaID() const { return FAntennaID; }
    void setAntennaID(int32_t aValue) { FAntennaID = aValue; }
    // Seconds, as the caller gives them.
    int32_t DateTimeS() const { return FDateTimeS; }
    void setDateTimeS(int32_t aValue) { FDateTimeS = aValue; }
    int32_t Voltage_mV() const { return FVoltage_mV; }
    void setVoltage_mV(int32_t aValue) { FVoltage_mV = aValue; }
    // The transponder's battery state code, as the caller gives it.
    int32_t State() const { return FState; }
    void setState(int32_t aValue) { FState = aValue; }

    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;
    // "(antenna, time, voltage, state)": the row as text, for log lines.
    QString ToValues() const;

private:
    int32_t FDateTimeS = 0;
    int32_t FState = 0;
    int32_t FAntennaID = 0;
    int32_t FVoltage_mV = 0;
};

// Writes battery readings to TP_BATTERY_STATE in multi-row inserts.
class TqelDBTPBatteryState : public TqelGenericDatabaseVaruza<TqelTPBatteryState> {
public:
    // Rows per insert statement.
    static constexpr int kRowsPerStatement = 250;

    using TqelGenericDatabaseVaruza<TqelTPBatteryState>::TqelGenericDatabaseVaruza;

    // Appends the row to the list, which owns it from then on.
    void Add(std::unique_ptr<TqelTPBatteryState> aTBS);
    // Writes the listed rows from the front, at most kRowsPerStatement per statement. A
    // statement's rows leave the list only once it succeeded, so after a failure (which is
    // raised) the rows not yet written are still listed, in order.
    virtual void SaveAll();
};
