#include "analysis/intensity/reference_snapshot.h"

#include <QCoreApplication>
#include <QThread>
#include <map>
#include <mutex>

#include "database/database_manager.h"
#include "database/datasets/game_speed_references.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"

namespace qel {

namespace {

// Snapshots by run key. Guarded by InstalledLock(); held only to install, remove or copy one.
std::map<const void*, std::shared_ptr<const GameSpeedReferenceSnapshot>>& Installed() {
    static std::map<const void*, std::shared_ptr<const GameSpeedReferenceSnapshot>> installed;
    return installed;
}

std::mutex& InstalledLock() {
    static std::mutex lock;
    return lock;
}

bool OnMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

TqelDatabase* ManagerDatabase() {
    return DatabaseManager ? DatabaseManager->GetDatabase() : nullptr;
}

}  // namespace

void GameSpeedReferenceSnapshot::Add(int32_t aPlayerID, const GameSpeedReference& aValues) {
    FRows[aPlayerID] = aValues;
}

GameSpeedReference GameSpeedReferenceSnapshot::Find(int32_t aPlayerID) const {
    const auto row = FRows.find(aPlayerID);
    return row == FRows.end() ? std::nullopt : row->second;
}

GameSpeedReference LoadGameSpeedReference(TqelDatabase* aDatabase, int32_t aPlayerID) {
    if (!aDatabase || !aDatabase->Connected() || aPlayerID == 0) {
        return std::nullopt;
    }
    TqeldbMIPPlayer rows(aDatabase);
    rows.GetMIPPlayer(aPlayerID, gstDistance);
    if (rows.Count() == 0) {
        return std::nullopt;
    }
    const TqelGameSpeedValues& values = rows.Varuzas(0)->MIPValues();
    std::array<double, kMIPWindowCount> result{};
    for (int32_t i = 0; i < kMIPWindowCount; ++i) {
        result[i] = values.GetValues(i);
    }
    return result;
}

std::shared_ptr<const GameSpeedReferenceSnapshot> LoadGameSpeedReferenceSnapshot(
    const TqelDataset& aDataset) {
    auto snapshot = std::make_shared<GameSpeedReferenceSnapshot>();
    TqelDatabase* database = ManagerDatabase();
    for (int32_t i = 0; i < aDataset.TransponderCount(); ++i) {
        TqelTransponderData* transponder = aDataset.getTransponder(i);
        const int32_t playerID = transponder ? transponder->PlayerID() : 0;
        if (playerID != 0 && !snapshot->Find(playerID)) {
            snapshot->Add(playerID, LoadGameSpeedReference(database, playerID));
        }
    }
    return snapshot;
}

std::shared_ptr<const GameSpeedReferenceSnapshot> InstalledGameSpeedReferences(
    const void* aRunKey) {
    std::lock_guard lock(InstalledLock());
    const auto entry = Installed().find(aRunKey);
    return entry == Installed().end() ? nullptr : entry->second;
}

ScopedGameSpeedReferences::ScopedGameSpeedReferences(
    const void* aRunKey, std::shared_ptr<const GameSpeedReferenceSnapshot> aSnapshot)
    : FRunKey(aRunKey) {
    std::lock_guard lock(InstalledLock());
    auto& slot = Installed()[aRunKey];
    FPrevious = std::move(slot);
    slot = std::move(aSnapshot);
}

ScopedGameSpeedReferences::~ScopedGameSpeedReferences() {
    std::lock_guard lock(InstalledLock());
    if (FPrevious) {
        Installed()[FRunKey] = std::move(FPrevious);
    } else {
        Installed().erase(FRunKey);
    }
}

GameSpeedReference LookUpGameSpeedReference(const void* aRunKey, int32_t aPlayerID) {
    if (const auto snapshot = InstalledGameSpeedReferences(aRunKey)) {
        return snapshot->Find(aPlayerID);
    }
    // A connection belongs to the thread that opened it: other threads never open one.
    if (!OnMainThread()) {
        return std::nullopt;
    }
    return LoadGameSpeedReference(ManagerDatabase(), aPlayerID);
}

}  // namespace qel
