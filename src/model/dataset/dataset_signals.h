#pragma once

#include <cstdint>

#include "model/dataset/dataset_item_type.h"

class TNotifyVaruza;

// A listener of one dataset's changes. Called on the main thread, except the agility changed
// and deleting notices and the field notice, which run on the thread that raises them.
// The dataset holds its subscribers without owning them: a subscriber unsubscribes before it
// dies (unsubscribeToSignals waits until no other thread is inside one of its calls).
class IqelDatasetSignals {
public:
    virtual ~IqelDatasetSignals() = default;

    virtual void ItemAdded(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                           int32_t anID) = 0;
    virtual void ItemChanged(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                             int32_t anID) = 0;
    virtual void ItemDeleting(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                              int32_t anID) = 0;
    virtual void ItemDeleted(TqelDatasetItemType anItemType, int32_t anID) = 0;
    virtual void ItemsCleared(TqelDatasetItemType anItemType) = 0;
    virtual void ItemSelected(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                              int32_t anID) = 0;
};

// What an owner of a dataset may receive from it. This server never assigns one.
class IqelDataSetCallBack {
public:
    virtual ~IqelDataSetCallBack() = default;

    // One transponder's live summary: the database dataset id, the player id, the summary
    // values (heart rate and distance in m are sent, the others 0) and the transponder id.
    virtual void SendSummaryData(int32_t aDtsID, int32_t aPlrID, int32_t aHeartRate,
                                 double aDistanceM, int32_t aTPID) = 0;
    // An event report for every client: one byte and five values, passed on unchanged.
    virtual void ReportEventToAllClients(uint8_t aKind, int32_t aValue1, int32_t aValue2,
                                         int32_t aValue3, int32_t aValue4, int32_t aValue5) = 0;
};
