#include "model/dataset/dataset.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include "database/agility/agility_definitions.h"
#include "database/agility/agility_runs.h"
#include "database/analysis/analyze_definitions.h"
#include "database/athletes.h"
#include "database/database.h"
#include "database/database_manager.h"
#include "database/datasets/dataset_rows.h"
#include "database/datasets/exercise_names.h"
#include "database/datasets/transponder_rows.h"
#include "database/prepare_recording.h"
#include "database/teams.h"
#include "model/blocks/block_objects.h"
#include "model/blocks/camera.h"
#include "model/blocks/match_info.h"
#include "model/blocks/time_on_ice.h"
#include "model/blocks/time_recorder.h"
#include "model/blocks/video_stream.h"
#include "model/dataset/dataset_signals.h"
#include "model/field/field.h"
#include "model/groups/group_objects.h"
#include "model/transponder/laps_sectors.h"
#include "model/transponder/transponder_data.h"
#include "platform/crash_reporter.h"
#include "platform/exception.h"
#include "platform/queued_call.h"

namespace {

using Order = qel::DatasetSubscribers::Order;

bool OnMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

}  // namespace

TqelDataset::TqelDataset(TqelDatabase* aDatabase) : FQueueContext(std::make_unique<QObject>()) {
    if (const QCoreApplication* app = QCoreApplication::instance()) {
        FQueueContext->moveToThread(app->thread());
    }
    FDatabase = aDatabase;
    if (!FDatabase && DatabaseManager) {
        FDatabase = DatabaseManager->GetDatabase();
    }
    FDBDataset = std::make_unique<TqeldbDataset>();
    CreateDatabaseObjects();
    FField = std::make_unique<TqelField>(this);
    FPlayListRoot = std::make_unique<TqelPlayList>(this, 0, -1);
    FTimeOnIce = std::make_unique<TqelTimeOnIce>(this);
    FTimer = std::make_unique<TqelTimeRecorder>(this);

    FTimestamp = Now();
    // The packed file date is a signed 32-bit value: its sign carries into the 64-bit key.
    FDatabaseID = static_cast<int64_t>(DateTimeToFileDate(FTimestamp));
    FDatasetGUID = QUuid::createUuid();
    FSynchronisationLPMTimestamp = 0;
    FSynchronisationNTPTimestamp = FTimestamp;
    FRecordingStartedAt = Now();
    CopyClientSettings();
    FFilename = QStringLiteral("new.qel");
    BuildPositionWeights();
    BuildHeartbeatWeights();
    FMaxSpeed = qel::MaxSpeedOfSport(FSportType);

    NotifyItemAdded(this, itemDataSet, 0);
    FMatchInfo = std::make_unique<TqelMatchInfo>();
    setInitialized(true);
}

TqelDataset::~TqelDataset() {
    // Ends the program: freed elsewhere, queued notices could still reach the freed dataset.
    qel::Assert(OnMainThread(), QStringLiteral("A dataset must be freed on the main thread"));
    // Nothing may leave a destructor: a failing listener is reported like a queued one.
    try {
        NotifyItemDeleting(this, itemDataSet, 0);
    } catch (const std::exception& e) {
        qel::CrashReporter::Report(e, QStringLiteral("Dataset deleting notice"));
    } catch (...) {
        qel::CrashReporter::ReportUnknown(QStringLiteral("Dataset deleting notice"));
    }
    FSelectedTransponder = nullptr;
    FTransponders.Clear();
    FMatchInfo.reset();
    FMarkers.clear();
    FEvents.clear();
    FGroups.clear();
    FGames.clear();
    FVideoStreams.clear();
    FStitchFiles.clear();
    FField.reset();
    FCameras.clear();
    FDBDataset.reset();
    FTimeOnIce.reset();
    FTimer.reset();
    FSelectedPlayListItem = nullptr;
    FSelectedPlayList = nullptr;
    FPlaylists.clear();
    FPlayListRoot.reset();
    FViewerOptionSets.clear();
    FPaths.clear();
    FExtrenalClock.reset();
    FExerciseNames.reset();
    FPrepareRec.reset();
    FDBPrepareRecordings.reset();
    FDBPlayers.reset();
    FDBTransponders.reset();
    FDBDts.reset();
    FAgilityDefs.reset();
    FAnalyzeDef = nullptr;
    FDBAnalyzeDefinitions.reset();
    FDBTeams.reset();
    FQueueContext.reset();
}

void TqelDataset::CreateDatabaseObjects() {
    if (!FDatabase) {
        FAgilityDefs = std::make_unique<TqeldbAgilityDefinitions>(nullptr);
        return;
    }
    TqelDatabaseConnection* connection = FDatabase->Connection();
    FExerciseNames = std::make_unique<TqeldbExerciseNames>(connection);
    FDBPlayers = std::make_unique<TqeldbPlayers>(FDatabase);
    FDBTransponders = std::make_unique<TqeldbTransponders>(FDatabase);
    FDBAnalyzeDefinitions = std::make_unique<TqeldbAnalyzeDefinitions>(FDatabase);
    FDBAnalyzeDefinitions->Open(false);
    if (FDBAnalyzeDefinitions->Count() > 0) {
        FAnalyzeDef = FDBAnalyzeDefinitions->GetVaruzas(0);
    }
    FDBTeams = std::make_unique<TqeldbTeams>(FDatabase);
    FAgilityDefs = std::make_unique<TqeldbAgilityDefinitions>(connection);
    FDBDts = std::make_unique<TqeldbDatasets>(FDatabase);
}

void TqelDataset::CopyClientSettings() {
    TqelClientConfig* config = ClientConfig();
    FUseTelemetryIDs = config->UseAccelerometer();
    FSportType = config->Sport();
    FPositionAlgorithm = static_cast<uint8_t>(config->PositionAlgorithm());
    FPositionSensitivity = config->PositionSensitivity();
    FMaxPower = config->MaxPower();
    FHeartbeatInterval = config->CalcHeartbeatInterval();
    FHeartbeatSensitivity = config->HeartbeatSensitivity();
    FSpeedFrameInterval = config->CalcSpeedFrameInterval();
    FNameRepresenting = config->NameRepresenting();
}

// Position algorithms

std::shared_ptr<const qel::SmoothingKernels> TqelDataset::Kernels() const {
    std::lock_guard lock(FKernelLock);
    return FKernels;
}

void TqelDataset::PublishKernels(std::shared_ptr<const qel::SmoothingKernels> aKernels) {
    std::lock_guard lock(FKernelLock);
    FKernels.swap(aKernels);
    // The replaced set leaves with aKernels once the lock is released: freed then, unless a
    // computation still holds it.
}

void TqelDataset::BuildPositionWeights() {
    std::lock_guard lock(FKernelBuildLock);
    PublishKernels(qel::SmoothingKernels::WithPositionKernels(Kernels().get(), PositionAlgorithm(),
                                                              PositionSensitivity()));
}

void TqelDataset::BuildHeartbeatWeights() {
    std::lock_guard lock(FKernelBuildLock);
    PublishKernels(qel::SmoothingKernels::WithHeartbeatKernel(Kernels().get(), HeartbeatInterval(),
                                                              HeartbeatSensitivity()));
}

double TqelDataset::getPositionWeight(int32_t aTimePos) const {
    return Kernels()->PositionWeight(aTimePos);
}

double TqelDataset::getAccelerometerWeight(int32_t aTimePos) const {
    return Kernels()->AccelerometerWeight(aTimePos);
}

double TqelDataset::getHeartbeatWeight(int32_t aTimePos) const {
    return Kernels()->HeartbeatWeight(aTimePos);
}

void TqelDataset::resetGaussianStats() {
    FGaussianCalculationCount.store(0, std::memory_order_relaxed);
    FGaussianUsedSamplesCount.store(0, std::memory_order_relaxed);
}

// End of position algorithms

QString TqelDataset::ToString() const {
    return QFileInfo(FFilename).fileName();
}

int32_t TqelDataset::AnalyzeDefID() const {
    return FAnalyzeDef ? FAnalyzeDef->ID() : 0;
}

void TqelDataset::LogMessage(const QString& aMessage) {
    // A log line must never break what the dataset was doing.
    try {
        if (OnLogMessage) {
            OnLogMessage(aMessage);
        }
    } catch (...) {
    }
}

void TqelDataset::setDBPrepareRecordings(std::unique_ptr<TqeldbPrepareRecordings> aValue) {
    FDBPrepareRecordings = std::move(aValue);
}

void TqelDataset::setPrepareRec(std::unique_ptr<TqelPrepareRecording> aValue) {
    FPrepareRec = std::move(aValue);
}

void TqelDataset::setChanged(bool aValue) {
    if (UpdateCount() > 0) {
        if (aValue) {
            SetModified(true);
            TNotifyVaruza::setChanged(true);
        }
        return;
    }
    if (aValue || Changed()) {
        SetModified(true);
        NotifyItemChanged(this, itemDataSet, -1);
        TNotifyVaruza::setChanged(false);
    }
}

void TqelDataset::subscribeToSignals(IqelDatasetSignals* aSubscriber) {
    FSubscribers.Subscribe(aSubscriber);
}

void TqelDataset::unsubscribeToSignals(IqelDatasetSignals* aSubscriber) {
    FSubscribers.Unsubscribe(aSubscriber);
}

void TqelDataset::NotifyItemAdded(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                                  int32_t anID) {
    if (FLoading) {
        return;
    }
    SetModified(true);
    if (anItemType == itemEvent) {
        SetEventsModified(true);
    }
    if (aVaruza) {
        aVaruza->setInitialized(true);
    }
    if (!FSubscribers.Empty()) {
        Post({dtssAdded, aVaruza, anItemType, anID});
    }
}

void TqelDataset::NotifyItemChanged(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                                    int32_t anID) {
    if (FLoading || (aVaruza && !aVaruza->Initialized())) {
        return;
    }
    if (anItemType == itemEvent) {
        SetEventsModified(true);
    }
    const bool keepsModified = anItemType == itemPlayPos ||
                               (anItemType == itemDataSet && anID == -1) ||
                               (anItemType == itemRecording && anID != 0);
    if (!keepsModified) {
        SetModified(true);
    }
    if (!FSubscribers.Empty()) {
        Post({dtssChanged, aVaruza, anItemType, anID});
    }
}

void TqelDataset::NotifyItemDeleting(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                                     int32_t anID) {
    if (!FSubscribers.Empty()) {
        Post({dtssDeleting, aVaruza, anItemType, anID});
    }
}

void TqelDataset::NotifyItemDeleted(TqelDatasetItemType anItemType, int32_t anID) {
    if (FLoading) {
        return;
    }
    SetModified(anItemType != itemDataSet);
    if (anItemType == itemEvent) {
        SetEventsModified(true);
    }
    if (!FSubscribers.Empty()) {
        Post({dtssDeleted, nullptr, anItemType, anID});
    }
}

void TqelDataset::NotifyItemsCleared(TqelDatasetItemType anItemType) {
    if (FLoading) {
        return;
    }
    SetModified(true);
    if (anItemType == itemEvent) {
        SetEventsModified(true);
    }
    if (!FSubscribers.Empty()) {
        Post({dtssCleared, nullptr, anItemType, 0});
    }
}

void TqelDataset::NotifyItemSelected(TNotifyVaruza* aVaruza, TqelDatasetItemType anItemType,
                                     int32_t anID) {
    if (!FSubscribers.Empty()) {
        Post({dtssSelected, aVaruza, anItemType, anID});
    }
}

void TqelDataset::NotifyAgilityTestAdded(const TqeldbAgilityTest& aAgilityTest) {
    // Neither the loading state nor the modified flag play a part here.
    const int32_t id = aAgilityTest.TgID();
    auto deliver = [this, id] {
        FSubscribers.Deliver(Order::LastToFirst, [id](IqelDatasetSignals* subscriber) {
            subscriber->ItemAdded(nullptr, itemAgilityTest, id);
        });
    };
    if (OnMainThread()) {
        deliver();
    } else {
        qel::QueueCall(FQueueContext.get(), std::move(deliver));
    }
}

void TqelDataset::NotifyAgilityTestChanged(const TqeldbAgilityTest& aAgilityTest) {
    const int32_t id = aAgilityTest.TgID();
    FSubscribers.Deliver(Order::LastToFirst, [id](IqelDatasetSignals* subscriber) {
        subscriber->ItemChanged(nullptr, itemAgilityTest, id);
    });
}

void TqelDataset::NotifyAgilityTestDeleting(const TqeldbAgilityTest& aAgilityTest) {
    const int32_t id = aAgilityTest.TgID();
    FSubscribers.Deliver(Order::LastToFirst, [id](IqelDatasetSignals* subscriber) {
        subscriber->ItemDeleting(nullptr, itemAgilityTest, id);
    });
}

void TqelDataset::NotifyFieldChanged() {
    setChanged(true);
    FSubscribers.Deliver(Order::FirstToLast, [this](IqelDatasetSignals* subscriber) {
        subscriber->ItemChanged(this, itemField, 0);
    });
}

void TqelDataset::LoadFieldDefinition(const QString& aFieldDefinition) {
    if (!QFileInfo(aFieldDefinition).isFile()) {
        return;
    }
    // Remembered once read: a refused or broken file is not the field's definition.
    FField->LoadFromFile(aFieldDefinition);
    FFieldDefinitionFile = aFieldDefinition;
}

void TqelDataset::Post(const TqelDataSetSignalMessage& aMessage) {
    if (OnMainThread()) {
        Deliver(aMessage);
        return;
    }
    // The object may be freed before the main thread gets to the notice (a lap of the cadence
    // thread, say): its token tells.
    std::weak_ptr<void> alive;
    if (aMessage.SignalVaruza) {
        alive = aMessage.SignalVaruza->AliveToken();
    }
    qel::QueueCall(FQueueContext.get(), [this, aMessage, alive] {
        if (aMessage.SignalVaruza && alive.expired()) {
            return;
        }
        Deliver(aMessage);
    });
}

void TqelDataset::Deliver(const TqelDataSetSignalMessage& aMessage) {
    TNotifyVaruza* const item = aMessage.SignalVaruza;
    const TqelDatasetItemType type = aMessage.ItemType;
    const int32_t id = aMessage.ID;
    switch (aMessage.SignalType) {
        case dtssAdded:
            if (!FLoading) {
                FSubscribers.Deliver(Order::LastToFirst, [&](IqelDatasetSignals* subscriber) {
                    subscriber->ItemAdded(item, type, id);
                });
            }
            break;
        case dtssChanged:
            if (!FLoading) {
                FSubscribers.Deliver(Order::LastToFirst, [&](IqelDatasetSignals* subscriber) {
                    subscriber->ItemChanged(item, type, id);
                });
            }
            break;
        case dtssDeleting:
            FSubscribers.Deliver(Order::LastToFirst, [&](IqelDatasetSignals* subscriber) {
                subscriber->ItemDeleting(item, type, id);
            });
            break;
        case dtssDeleted:
            if (!FLoading) {
                FSubscribers.Deliver(Order::LastToFirst, [&](IqelDatasetSignals* subscriber) {
                    subscriber->ItemDeleted(type, id);
                });
            }
            break;
        case dtssCleared:
            FSubscribers.Deliver(Order::LastToFirst, [&](IqelDatasetSignals* subscriber) {
                subscriber->ItemsCleared(type);
            });
            break;
        case dtssSelected:
            FSubscribers.Deliver(Order::FirstToLast, [&](IqelDatasetSignals* subscriber) {
                subscriber->ItemSelected(item, type, id);
            });
            break;
        case dtssNone:
            break;
    }
}

// Transponder store

void TqelDataset::notifyTransponderChanged(TqelTransponderData* aTransponder) {
    NotifyItemChanged(aTransponder, itemTransponder, aTransponder->TPid());
}

void TqelDataset::notifyLapAdded(TqelLap* aLap) {
    NotifyItemAdded(aLap, itemLap, -1);
}

void TqelDataset::notifySectorAdded(TqelSector* aSector) {
    NotifyItemAdded(aSector, itemSector, -1);
}

// Laps and sectors

void TqelDataset::notifyLapChanged(TqelLap* aLap) {
    NotifyItemChanged(aLap, itemLap, -1);
}

void TqelDataset::notifySectorChanged(TqelSector* aSector) {
    NotifyItemChanged(aSector, itemSector, -1);
}

void TqelDataset::clearLapsAndSectors() {
    if (FSelectedLap) {
        setSelectedLap(nullptr);
    }
    for (int32_t i = 0; i < TransponderCount(); ++i) {
        FTransponders.At(i)->clearLapsAndSectors();
    }
    NotifyItemsCleared(itemLap);
}

void TqelDataset::RecalculateLapsAndSectors() {
    if (FSelectedLap) {
        setSelectedLap(nullptr);
    }
    for (int32_t i = 0; i < TransponderCount(); ++i) {
        FTransponders.At(i)->ResetLapsAndSectors();
    }
}

void TqelDataset::updateLapsAndSectorsFilterd() {
    for (int32_t i = 0; i < TransponderCount(); ++i) {
        FTransponders.At(i)->updateLapsAndSectors();
    }
}

// End of laps and sectors

// End of transponder store
