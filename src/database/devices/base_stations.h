#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "database/generic_list.h"
#include "database/tracked_row.h"
#include "platform/date_time.h"

// The status of one base station on one day (a row of BS_VALUES, keyed by BS_ID and the day
// number of Date): a station keeps one row per day, the day's last status.
class TqelBaseStationStatus : public qel::TrackedRow {
public:
    explicit TqelBaseStationStatus(TqelDatabase* AOwner);

    int32_t BSid() const { return FBSid; }
    void setBSid(int32_t aValue) { Store(FBSid, aValue); }
    TDateTime Date() const { return FDate; }
    void setDate(TDateTime aValue) { Store(FDate, aValue); }
    // Signal level in dB.
    int32_t DBValue() const { return FDBValue; }
    void setDBValue(int32_t aValue) { Store(FDBValue, aValue); }
    bool Failed() const { return FFailed; }
    void setFailed(bool aValue) { Store(FFailed, aValue); }
    // BSV_ID: the whole day number of Date.
    int32_t DayNumber() const;

    void PrepareSave(TqelQuery& aSQL) override;
    void PrepareParams(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FBSid = 0;
    TDateTime FDate = 0;
    int32_t FDBValue = 0;
    bool FFailed = false;
};

// A base station of a measurement pitch (a row of BASESTATIONS): where it stands, how it is
// reached, its norm signal level, and its current status, which it owns.
class TqelBaseStation : public qel::TrackedRow {
public:
    explicit TqelBaseStation(TqelDatabase* AOwner);

    int32_t BSid() const { return FBSid; }
    // Also the status row's station.
    void setBSid(int32_t aValue);
    // The measurement pitch (MPT_ID).
    int32_t PitchID() const { return FPitchID; }
    void setPitchID(int32_t aValue) { Store(FPitchID, aValue); }
    int32_t HUBid() const { return FHUBid; }
    void setHUBid(int32_t aValue) { Store(FHUBid, aValue); }
    int32_t PortID() const { return FPortID; }
    void setPortID(int32_t aValue) { Store(FPortID, aValue); }
    const QString& IPAddress() const { return FIPAddress; }
    void setIPAddress(const QString& aValue) { Store(FIPAddress, aValue); }
    int32_t XinMM() const { return FXinMM; }
    void setXinMM(int32_t aValue) { Store(FXinMM, aValue); }
    int32_t YinMM() const { return FYinMM; }
    void setYinMM(int32_t aValue) { Store(FYinMM, aValue); }
    int32_t ZinMM() const { return FZinMM; }
    void setZinMM(int32_t aValue) { Store(FZinMM, aValue); }
    // The norm signal level in dB and the day it was taken (0: no norm yet).
    int32_t NormValue() const { return FNormValue; }
    void setNormValue(int32_t aValue) { Store(FNormValue, aValue); }
    TDateTime NormDate() const { return FNormDate; }
    void setNormDate(TDateTime aValue) { Store(FNormDate, aValue); }
    TqelBaseStationStatus* State() const { return FState.get(); }

    // Records the current status. Until a norm date is set, a level above the norm becomes
    // the norm, dated aDate; once it is set, the norm stays.
    void SetState(TDateTime aDate, int32_t aDBValue, bool aFailed);
    // The order of (level, failed, date) would convert silently, a date being a number.
    void SetState(int32_t aDBValue, bool aFailed, TDateTime aDate) = delete;

    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;
    // Draws BS_ID from the sequence "BASESTATIONS".
    void AfterInsert(TqelQuery& aSQL) override;

private:
    int32_t FBSid = 0;
    int32_t FPitchID = 0;
    int32_t FHUBid = 0;
    int32_t FPortID = 0;
    QString FIPAddress;
    int32_t FXinMM = 0;
    int32_t FYinMM = 0;
    int32_t FZinMM = 0;
    std::unique_ptr<TqelBaseStationStatus> FState;
    TDateTime FNormDate = 0;
    int32_t FNormValue = 0;
};

// The base stations of one pitch at a time, with their daily status rows.
class TqelDBBaseStation : public TqelGenericDatabaseVaruza<TqelBaseStation> {
public:
    using TqelGenericDatabaseVaruza<TqelBaseStation>::TqelGenericDatabaseVaruza;

    // Replaces the list with the base stations of the pitch.
    void GetBS(int32_t aPitchID);
    // The listed station of that pitch, hub and port, or a new one appended to the list; its
    // address and position are set either way.
    TqelBaseStation* AddBS(int32_t aPitchID, int32_t aHUBid, int32_t aPortID,
                           const QString& aIPAddress, int32_t aXinMM, int32_t aYinMM,
                           int32_t aZinMM);
    // Writes every listed station to the pitch's rows (a new one draws its key), each followed
    // by its status row of the status's day. A failure cancels the record in progress and is
    // raised; the stations after it are not written.
    void SaveAll(int32_t aPitchID);
};

// Saves status rows (through the generic Save).
class TqelDBBaseStationStatus : public TqelGenericDatabaseVaruza<TqelBaseStationStatus> {
public:
    using TqelGenericDatabaseVaruza<TqelBaseStationStatus>::TqelGenericDatabaseVaruza;
};
