#include "model/dataset/dataset_signals_adapter.h"

#include "model/dataset/dataset.h"

namespace {

bool IsGameItem(TqelDatasetItemType anItemType) {
    return anItemType == itemGame || anItemType == itemGamePart;
}

}  // namespace

TqelDatasetSignals::TqelDatasetSignals(TqelDataset* aDataset) : FDataSet(aDataset) {
    if (FDataSet) {
        FDataSet->subscribeToSignals(this);
    }
}

TqelDatasetSignals::~TqelDatasetSignals() {
    setDataset(nullptr);
}

void TqelDatasetSignals::setDataset(TqelDataset* aValue) {
    if (aValue == FDataSet) {
        return;
    }
    if (FDataSet) {
        FDataSet->unsubscribeToSignals(this);
    }
    FDataSet = aValue;
    if (FDataSet) {
        FDataSet->subscribeToSignals(this);
    }
}

void TqelDatasetSignals::Fire(const TNotifyEvent& anEvent, TNotifyVaruza* aSender) {
    if (anEvent) {
        anEvent(aSender);
    }
}

void TqelDatasetSignals::ItemAdded(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                                   int32_t anID) {
    if (IsGameItem(anItemType)) {
        Fire(FOnGameChanged, aVaruza);
    }
}

void TqelDatasetSignals::ItemChanged(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                                     int32_t anID) {
    if (IsGameItem(anItemType)) {
        Fire(FOnGameChanged, aVaruza);
    } else if (anItemType == itemRecording && anID == 0) {
        Fire(FOnStopRecording, aVaruza);
    }
}

void TqelDatasetSignals::ItemDeleting(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                                      int32_t anID) {
    // The type is checked first: agility notices arrive here on other threads and must not
    // touch the dataset link.
    if (anItemType == itemDataSet) {
        if (FDataSet && aVaruza == FDataSet) {
            Fire(FOnDeleting, aVaruza);
            setDataset(nullptr);
        }
    } else if (IsGameItem(anItemType)) {
        Fire(FOnGameChanged, aVaruza);
    }
}

void TqelDatasetSignals::ItemSelected(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                                      int32_t anID) {
    if (anItemType == itemTransponder) {
        Fire(FOnSelectedTransponderChanged, aVaruza);
    }
}
