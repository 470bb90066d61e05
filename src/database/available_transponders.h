#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/db_component.h"
#include "database/tracked_row.h"

// One transponder of the inventory (AVAILABLE_TRANSPONDERS): the vest that carries it, its one
// to four antenna ids and how it is used. Prepared transponders refer to it by ATP_ID.
class TqelAvailableTransponder : public qel::TrackedRow {
public:
    explicit TqelAvailableTransponder(TqelDatabase* AOwner);

    int32_t ATPid() const { return FATPid; }
    void setATPid(int32_t aValue) { Store(FATPid, aValue); }
    int32_t SetId() const { return FSetId; }
    void setSetId(int32_t aValue) { Store(FSetId, aValue); }
    // The label printed on the vest.
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { Store(FDescription, aValue); }
    // Antenna ids; 0 for none.
    int32_t Antenna1ID() const { return FAntenna1ID; }
    void setAntenna1ID(int32_t aValue) { Store(FAntenna1ID, aValue); }
    int32_t Antenna2ID() const { return FAntenna2ID; }
    void setAntenna2ID(int32_t aValue) { Store(FAntenna2ID, aValue); }
    int32_t Antenna3ID() const { return FAntenna3ID; }
    void setAntenna3ID(int32_t aValue) { Store(FAntenna3ID, aValue); }
    int32_t Antenna4ID() const { return FAntenna4ID; }
    void setAntenna4ID(int32_t aValue) { Store(FAntenna4ID, aValue); }
    // The four antennas form one transponder.
    bool Combined() const { return FCombined; }
    void setCombined(bool aValue) { Store(FCombined, aValue); }
    const QString& AntennasVisible() const { return FAntennasVisible; }
    void setAntennasVisible(const QString& aValue) { Store(FAntennasVisible, aValue); }
    // Ordinal of TqelTransponderRole, kept as stored.
    int32_t TPRole() const { return FTPRole; }
    void setTPRole(int32_t aValue) { Store(FTPRole, aValue); }
    bool ForceHosand() const { return FForceHosand; }
    void setForceHosand(bool aValue) { Store(FForceHosand, aValue); }
    int32_t NMEAPort() const { return FNMEAPort; }
    void setNMEAPort(int32_t aValue) { Store(FNMEAPort, aValue); }
    const QString& NMEAIP() const { return FNMEAIP; }
    void setNMEAIP(const QString& aValue) { Store(FNMEAIP, aValue); }
    const QString& MACAddress() const { return FMACAddress; }
    void setMACAddress(const QString& aValue) { Store(FMACAddress, aValue); }
    // Not stored.
    int32_t Color() const { return FColor; }
    void setColor(int32_t aValue) { Store(FColor, aValue); }
    // The hundreds of the first antenna id.
    int32_t AntennaTP() const { return FAntenna1ID / 100; }

    static void PrepareOpen(TqelQuery& aSQL);
    static void OrderBy(TqelQuery& aSQL);
    void PrepareSave(TqelQuery& aSQL) override;
    // Selects by ATP_ID, 0 included.
    void PrepareParams(TqelQuery& aSQL) override;
    void AfterInsert(TqelQuery& aSQL) override;
    // The vest leaves every preparation, then the inventory.
    void Delete(TqelQuery& aSQL) override;
    // Clears Modified after reading.
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FATPid = 0;
    int32_t FSetId = 0;
    QString FDescription;
    int32_t FAntenna1ID = 0;
    int32_t FAntenna2ID = 0;
    int32_t FAntenna3ID = 0;
    int32_t FAntenna4ID = 0;
    bool FCombined = false;
    QString FAntennasVisible;
    int32_t FTPRole = 0;
    bool FForceHosand = false;
    int32_t FNMEAPort = 0;
    QString FNMEAIP;
    QString FMACAddress;
    int32_t FColor = 0;
};

// The inventory, loaded into a list it owns, ordered by vest label.
class TqeldbAvailableTransponders : public TqelDatabaseVaruza {
public:
    using TAvailableList = std::vector<std::unique_ptr<TqelAvailableTransponder>>;

    explicit TqeldbAvailableTransponders(TqelDatabase* aDatabase);

    // Replaces the list with every row. The query is closed afterwards, also on failure.
    void GetAll();
    void Clear() { FAvailableTPs.clear(); }
    int Count() const { return static_cast<int>(FAvailableTPs.size()); }
    const TAvailableList& AvailableTPs() const { return FAvailableTPs; }
    // A new row with ATPid 0, marked modified.
    TqelAvailableTransponder* AddAvailableTP();
    // Raises EArgumentOutOfRangeException outside the list.
    TqelAvailableTransponder* GetAvailableTP(int aIndex) const;
    TqelAvailableTransponder* GetATPByID(int32_t aATPID) const;
    // The label exactly as stored (case-sensitive).
    TqelAvailableTransponder* GetATPByDescription(const QString& aDescription) const;
    // Only the first antenna id is compared.
    TqelAvailableTransponder* GetATPByAntenna1ID(int32_t aAntennaID) const;
    // The first index from aFromIndex on whose AntennaTP is aTP; -1 when there is none or
    // aFromIndex is past the end. A negative start raises EArgumentOutOfRangeException.
    int ATPindexByTP(int32_t aTP, int aFromIndex) const;
    // Deletes the row (and its prepared transponders) and frees it; nothing when not listed.
    void DeleteATPByID(int32_t aATPID);
    // Writes the MAC address of one inventory row at once.
    void SaveATPMacAddress(int32_t aATPID, const QString& aMacAddress);

private:
    TAvailableList FAvailableTPs;
};
