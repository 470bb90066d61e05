#pragma once

#include <QString>
#include <cstdint>

#include "database/generic_list.h"

// A time mark of a recorded session (MARKERS): an operator marker (type 0) or the begin (1) or
// end (2) of a game part. Identified by its GUID. The setters only store.
class TqeldbMarker : public TqelDBComponent {
public:
    explicit TqeldbMarker(TqelDatabase* AOwner);

    int32_t DtsID() const { return FDtsID; }
    void setDtsID(int32_t aValue) { FDtsID = aValue; }
    // The game, 0 for none.
    int32_t ExrID() const { return FExrID; }
    void setExrID(int32_t aValue) { FExrID = aValue; }
    // The part, 0 for none.
    int32_t PrtID() const { return FPrtID; }
    void setPrtID(int32_t aValue) { FPrtID = aValue; }
    // Dataset time: ms since the dataset's first sample.
    int32_t TimestampMS() const { return FTimestampMS; }
    void setTimestampMS(int32_t aValue) { FTimestampMS = aValue; }
    // The same moment in measurement-system time.
    int32_t LPMTimeMS() const { return FLPMTimeMS; }
    void setLPMTimeMS(int32_t aValue) { FLPMTimeMS = aValue; }
    int32_t MarkerType() const { return FMarkerType; }
    void setMarkerType(int32_t aValue) { FMarkerType = aValue; }
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { FDescription = aValue; }

    void PrepareSave(TqelQuery& aSQL) override;
    static void PrepareOpen(TqelQuery& aSQL);
    void Delete(TqelQuery& aSQL) override;
    void PrepareParams(TqelQuery& aSQL) override;
    // A stored GUID that is no GUID raises EConvertError.
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FDtsID = 0;
    int32_t FExrID = 0;
    int32_t FPrtID = 0;
    int32_t FTimestampMS = 0;
    int32_t FLPMTimeMS = 0;
    int32_t FMarkerType = 0;
    QString FDescription;
};

// The MARKERS accessor.
class TqeldbMarkers : public TqelGenericDatabaseVaruza<TqeldbMarker> {
public:
    using TqelGenericDatabaseVaruza<TqeldbMarker>::TqelGenericDatabaseVaruza;

    // The list becomes the markers of a dataset in time order.
    void GetMarkers(int32_t aDtsID);
    // Inserts or updates the row of the marker's GUID.
    void SaveMarker(TqeldbMarker* aMarker);
    // Inserts or updates the one row of the marker's dataset, game, part and type, GUID
    // included, so that each part has at most one begin and one end marker.
    void SaveGameMarker(TqeldbMarker* aMarker);
};
