#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "foundation/settings/client_config.h"
#include "model/dataset/dataset_item_type.h"
#include "model/dataset/dataset_subscribers.h"
#include "model/dataset/notify_varuza.h"

class IqelDatasetSignals;
class IqelDataSetCallBack;
class TqeldbAgilityTest;
class TqelField;

// Transponder store
class TqeldbAnalyzeDef;
class TqelGame;
class TqelLap;
class TqelSector;
class TqelTransponderData;
enum TqelPositionAlgorithm : uint8_t;

namespace qel {
// An antenna's entry in the dataset's antenna table: the transponder's position in the
// transponder list and which of its four antennas this is (1..4; 0 for none).
struct AntennaEntry {
    int16_t TransponderIndex = 0;
    uint8_t Slot = 0;
};
}  // namespace qel
// End of transponder store

// One recording, or one dataset read from its file, in memory.
//
// Threads: a dataset is created and destroyed on the main thread. Notifications may be raised
// on any thread; their subscribers are called on the main thread (queued there when raised
// elsewhere), except the agility changed and deleting notices and the field notice, which run
// on the raising thread. The flags below are atomic because the cadence thread raises notices;
// the subscriber list guards itself.
class TqelDataset : public TNotifyVaruza {
public:
    TqelDataset();
    // Must run on the main thread: the deleting notice is delivered at once there, and the
    // queued notices still pending for this dataset are dropped with it.
    ~TqelDataset() override;

    // Inside an update bracket a change is only remembered; outside it (or at the last
    // EndUpdate) the dataset is marked modified and one ItemChanged(dataset, itemDataSet, -1)
    // goes out.
    void setChanged(bool aValue) override;

    bool Modified() const { return FModified_.load(); }
    bool EventsModified() const { return FEventsModified.load(); }
    void SetEventsModified(bool aValue) { FEventsModified = aValue; }
    // Set by the file reader while it reads: added, changed, deleted and cleared notices are
    // dropped meanwhile.
    bool Loading() const { return FLoading.load(); }
    void setLoading(bool aValue) { FLoading = aValue; }
    IqelDataSetCallBack* CallBack() const { return FCallBack; }
    void setCallBack(IqelDataSetCallBack* aValue) { FCallBack = aValue; }

    void subscribeToSignals(IqelDatasetSignals* aSubscriber);
    // Removes the subscriber's first entry and waits until no other thread is inside one of
    // its calls, so that the caller may free it.
    void unsubscribeToSignals(IqelDatasetSignals* aSubscriber);

    void NotifyItemAdded(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID);
    void NotifyItemChanged(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID);
    void NotifyItemDeleting(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID);
    void NotifyItemDeleted(TqelDatasetItemType anItemType, int32_t anID);
    void NotifyItemsCleared(TqelDatasetItemType anItemType);
    void NotifyItemSelected(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType, int32_t anID);

    // The agility runs are database rows, not model objects: their notices carry no object,
    // only the run's TgID. Added reaches the main thread; changed and deleting run at once on
    // the caller's thread.
    void NotifyAgilityTestAdded(const TqeldbAgilityTest& aAgilityTest);
    void NotifyAgilityTestChanged(const TqeldbAgilityTest& aAgilityTest);
    void NotifyAgilityTestDeleting(const TqeldbAgilityTest& aAgilityTest);

    // Marks the dataset changed and calls every subscriber's ItemChanged(dataset, itemField, 0)
    // at once on the caller's thread, first subscriber first.
    void NotifyFieldChanged();

    // Field
    // Owned; made with the dataset as its owner, so it reports its changes here.
    TqelField* Field() const { return FField.get(); }
    // Reads the field from a field definition file and then remembers the file. A missing file
    // leaves the field as it was; reading while recording raises EFieldDefinitionError.
    void LoadFieldDefinition(const QString& aFieldDefinition);
    const QString& FieldDefinitionFile() const { return FFieldDefinitionFile; }
    // The sport of the recording; the field shares it.
    TqelSports SportType() const { return FSportType.load(); }
    void setSportType(TqelSports aValue) { FSportType = aValue; }
    // While recording, the cadence thread reads the field without a lock: it may not be read
    // from a stream then. The recorder switches it.
    bool Recording() const { return FRecording.load(); }
    void setRecording(bool aValue) { FRecording = aValue; }

    // Transponder store
    // What a transponder reads of its dataset. Atomic: the cadence thread and the rebuild tasks
    // read them while the main thread may change them.
    TqelPositionAlgorithm PositionAlgorithm() const;
    void setPositionAlgorithm(TqelPositionAlgorithm aValue);
    int32_t PositionSensitivity() const { return FPositionSensitivity.load(); }
    void setPositionSensitivity(int32_t aValue) { FPositionSensitivity = aValue; }
    bool UseTelemetryIDs() const { return FUseTelemetryIDs.load(); }
    void setUseTelemetryIDs(bool aValue) { FUseTelemetryIDs = aValue; }
    int32_t DurationInMS() const { return FDurationInMS.load(); }
    void setDurationInMS(int32_t aValue) { FDurationInMS = aValue; }
    int64_t DBDtsID() const { return FDatabaseID.load(); }
    void setDBDtsID(int64_t aValue) { FDatabaseID = aValue; }
    bool IndexesNeedsToRebuild() const { return FIndexesNeedsToRebuild.load(); }
    void setIndexesNeedsToRebuild(bool aValue) { FIndexesNeedsToRebuild = aValue; }
    // The first analysis definition; not owned, may be absent.
    TqeldbAnalyzeDef* AnalyzeDef() const { return FAnalyzeDef; }
    // The field's quarter turns applied to live samples (0..3), in degrees as the field keeps it.
    double FieldTransposeRotationDegrees() const { return FFieldTransposeRotationDegrees.load(); }
    void setFieldTransposeRotationDegrees(double aValue) {
        FFieldTransposeRotationDegrees = aValue;
    }
    // The antenna's slot (1..4) at its transponder; 0 for an id outside 0..16383 or never
    // registered. Main thread.
    int32_t AntennaIndex(int32_t anAntennaID) const;
    void setAntennaEntry(int32_t anAntennaID, const qel::AntennaEntry& anEntry);
    // The game running at that time; null when none.
    TqelGame* GameByTime(int32_t aTimeInMS) const;
    // Receives every sector a transponder adds.
    std::function<void(TqelSector*)> OnNewSector;
    void notifyTransponderChanged(TqelTransponderData* aTransponder);
    void notifyLapAdded(TqelLap* aLap);
    void notifySectorAdded(TqelSector* aSector);

private:
    static constexpr int32_t AntennaIDCount = 16384;
    std::atomic<uint8_t> FPositionAlgorithm{0};
    std::atomic<int32_t> FPositionSensitivity{0};
    std::atomic<bool> FUseTelemetryIDs{false};
    std::atomic<int32_t> FDurationInMS{0};
    std::atomic<int64_t> FDatabaseID{0};
    std::atomic<bool> FIndexesNeedsToRebuild{false};
    TqeldbAnalyzeDef* FAnalyzeDef = nullptr;
    std::atomic<double> FFieldTransposeRotationDegrees{0};
    std::unique_ptr<qel::AntennaEntry[]> FAntennaToTransponderID =
        std::make_unique<qel::AntennaEntry[]>(AntennaIDCount);
    // End of transponder store

private:
    void SetModified(bool aValue) { FModified_ = aValue; }
    // Runs aMessage's delivery at once on the main thread, else queues it there.
    void Post(const TqelDataSetSignalMessage& aMessage);
    void Deliver(const TqelDataSetSignalMessage& aMessage);

    std::atomic<bool> FLoading{false};
    std::atomic<bool> FModified_{false};
    std::atomic<bool> FEventsModified{false};
    IqelDataSetCallBack* FCallBack = nullptr;
    qel::DatasetSubscribers FSubscribers;
    // Lives on the main thread; queued deliveries die with it.
    std::unique_ptr<QObject> FQueueContext;

    // Field
    std::unique_ptr<TqelField> FField;
    QString FFieldDefinitionFile;
    std::atomic<TqelSports> FSportType{sportGeneric};
    std::atomic<bool> FRecording{false};
};
