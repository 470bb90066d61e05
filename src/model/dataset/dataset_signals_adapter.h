#pragma once

#include <functional>

#include "model/dataset/dataset_signals.h"

class TqelDataset;

// A method taking the object that raised it.
using TNotifyEvent = std::function<void(TNotifyVaruza* aSender)>;

// Ready-made subscriber of one dataset that turns its notices into four events. The partner
// live feeds hold one each.
//
// Threads: created, moved between datasets and freed on the main thread; its events fire there
// (the agility notices that run on other threads fire none).
class TqelDatasetSignals : public IqelDatasetSignals {
public:
    explicit TqelDatasetSignals(TqelDataset* aDataset);
    ~TqelDatasetSignals() override;
    TqelDatasetSignals(const TqelDatasetSignals&) = delete;
    TqelDatasetSignals& operator=(const TqelDatasetSignals&) = delete;

    TqelDataset* Dataset() const { return FDataSet; }
    // Moves the subscription; nullptr unsubscribes.
    void setDataset(TqelDataset* aValue);

    // The dataset is being destroyed; the adapter lets go of it afterwards in any case.
    void setOnDeleting(TNotifyEvent aValue) { FOnDeleting = std::move(aValue); }
    // Recording stopped.
    void setOnStopRecording(TNotifyEvent aValue) { FOnStopRecording = std::move(aValue); }
    void setOnSelectedTransponderChanged(TNotifyEvent aValue) {
        FOnSelectedTransponderChanged = std::move(aValue);
    }
    // A game or game part was added, changed or is being deleted.
    void setOnGameChanged(TNotifyEvent aValue) { FOnGameChanged = std::move(aValue); }

    void ItemAdded(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID) override;
    void ItemChanged(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID) override;
    void ItemDeleting(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                      int32_t anID) override;
    void ItemDeleted(TqelDatasetItemType anItemType, int32_t anID) override {}
    void ItemsCleared(TqelDatasetItemType anItemType) override {}
    void ItemSelected(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                      int32_t anID) override;

private:
    static void Fire(const TNotifyEvent& anEvent, TNotifyVaruza* aSender);

    TqelDataset* FDataSet = nullptr;
    TNotifyEvent FOnDeleting;
    TNotifyEvent FOnStopRecording;
    TNotifyEvent FOnSelectedTransponderChanged;
    TNotifyEvent FOnGameChanged;
};
