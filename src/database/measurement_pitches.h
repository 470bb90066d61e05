#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/db_component.h"

// The MEASUREMENT_PITCH row of a pitch of the server settings: the id that preparations and
// device-status rows refer to, with a description and whether the pitch is active.
class TqelMeasurementPitch : public TqelDBComponent {
public:
    explicit TqelMeasurementPitch(TqelDatabase* AOwner);

    // The id is stored without marking the row modified: the main window renumbers pitches.
    int32_t MPTid() const { return FMPTid; }
    void setMPTid(int32_t aValue) { FMPTid = aValue; }
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue);
    bool Active() const { return FActive; }
    void setActive(bool aValue);
    // The index of the pitch's field in the server settings; not stored.
    int32_t ConfigFieldIndex() const { return FConfigFieldIndex; }
    void setConfigFieldIndex(int32_t aValue) { FConfigFieldIndex = aValue; }

    void PrepareSave(TqelQuery& aSQL) override;
    static void PrepareOpen(TqelQuery& aSQL);
    void Delete(TqelQuery& aSQL) override;
    // Id 0 is the default pitch and is stored as 0; any other id is replaced by a new key.
    void AfterInsert(TqelQuery& aSQL) override;
    // A pending pitch with id 0 is still found by it: there is one default pitch.
    bool InsertPending() const override;
    void PrepareParams(TqelQuery& aSQL) override;
    // Goes through the setters and leaves Modified set when a value differed.
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FMPTid = -1;
    QString FDescription;
    bool FActive = true;
    int32_t FConfigFieldIndex = -1;
};

// A server computer of the site (MEASUREMENT_SERVER), found by its IP address.
class TqelMeasurementServer : public TqelDBComponent {
public:
    explicit TqelMeasurementServer(TqelDatabase* AOwner);

    int32_t MSRid() const { return FMSRid; }
    void setMSRid(int32_t aValue);
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue);
    const QString& IPAddress() const { return FIPAddress; }
    void setIPAddress(const QString& aValue);
    int32_t PortNumber() const { return FPortNumber; }
    void setPortNumber(int32_t aValue);
    int32_t DefaultPitchID() const { return FDefaultPitchID; }
    void setDefaultPitchID(int32_t aValue);

    void PrepareSave(TqelQuery& aSQL) override;
    static void PrepareOpen(TqelQuery& aSQL);
    // Removes the server's MEASUREMENT_SRV_PITCH rows first.
    void Delete(TqelQuery& aSQL) override;
    void AfterInsert(TqelQuery& aSQL) override;
    void PrepareParams(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FMSRid = -1;
    QString FDescription;
    QString FIPAddress;
    int32_t FPortNumber = 2378;
    int32_t FDefaultPitchID = 0;
};

// The pitch rows with a local numbering for pitches that are not stored yet: after GetAll the
// next local id is one above the highest stored id.
class TqelDBMeasurementPitches : public TqelDatabaseVaruza {
public:
    explicit TqelDBMeasurementPitches(TqelDatabase* aDatabase);

    // Every pitch (or only the active ones), ordered by description. The query is closed
    // afterwards, also on failure.
    void GetAll(bool aActiveOnly);
    // The pitches a server serves. Keeps the local numbering going.
    void GetByServer(int32_t aMSRID);
    // A new pitch numbered with the next local id. That id is a placeholder: the pitch's first
    // save inserts it under a key of its own, even when another pitch has that key by then.
    TqelMeasurementPitch* AddMeasurementPitch();
    void Clear();
    int Count() const { return static_cast<int>(FPitches.size()); }
    // Raise EArgumentOutOfRangeException outside the list (before anything is deleted).
    TqelMeasurementPitch* GetMPT(int aIndex) const;
    void DeleteByIndex(int aIndex);
    TqelMeasurementPitch* PitchByID(int32_t aMPTid) const;
    // Case is ignored for every letter, as the operator types descriptions in the settings.
    TqelMeasurementPitch* PitchByDescription(const QString& aDescription) const;
    int32_t NextLocalID() const { return FNextLocalID; }

private:
    void ReadPitches();

    std::vector<std::unique_ptr<TqelMeasurementPitch>> FPitches;
    int32_t FNextLocalID = 1;
};

class TqelDBMeasurementServers : public TqelDatabaseVaruza {
public:
    explicit TqelDBMeasurementServers(TqelDatabase* aDatabase);

    // Every server, in the table's order. The query is closed afterwards, also on failure.
    void GetAll();
    // Servers are not assigned to users: every server is loaded.
    void GetByUser(int32_t aUserID);
    TqelMeasurementServer* AddMeasurementServer();
    void Clear() { FServers.clear(); }
    int Count() const { return static_cast<int>(FServers.size()); }
    TqelMeasurementServer* GetMSR(int aIndex) const;
    void DeleteByIndex(int aIndex);
    TqelMeasurementServer* ServerByID(int32_t aMSRid) const;
    // The address exactly as stored: no case folding, no normalisation.
    TqelMeasurementServer* ServerByIP(const QString& aIP) const;

private:
    std::vector<std::unique_ptr<TqelMeasurementServer>> FServers;
};
