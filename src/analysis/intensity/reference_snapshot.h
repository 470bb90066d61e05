#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "analysis/intensity/mip_windows.h"

class TqelDatabase;
class TqelDataset;

namespace qel {

// The distance reference values of a run's athletes, read on one thread before the run so that
// calculations made on any thread answer alike without a database connection of their own.
// Read-only once installed.
class GameSpeedReferenceSnapshot {
public:
    void Add(int32_t aPlayerID, const GameSpeedReference& aValues);
    // None for an athlete the snapshot does not hold.
    GameSpeedReference Find(int32_t aPlayerID) const;
    int32_t Count() const { return static_cast<int32_t>(FRows.size()); }

private:
    std::unordered_map<int32_t, GameSpeedReference> FRows;
};

// The athlete's latest distance row in aDatabase; none without a database, a connection or a
// row, or for athlete 0. Must run on the thread that owns the connection.
GameSpeedReference LoadGameSpeedReference(TqelDatabase* aDatabase, int32_t aPlayerID);

// Every transponder athlete's row, read from the global database manager's database on the
// calling thread (each athlete once). Empty without a database.
std::shared_ptr<const GameSpeedReferenceSnapshot> LoadGameSpeedReferenceSnapshot(
    const TqelDataset& aDataset);

// The snapshot installed for aRunKey (a dataset), or null.
std::shared_ptr<const GameSpeedReferenceSnapshot> InstalledGameSpeedReferences(const void* aRunKey);

// Installs a snapshot for aRunKey while the object lives: calculations of that dataset answer
// from it alone, on every thread. Made and destroyed on the thread that runs the rebuild.
class ScopedGameSpeedReferences {
public:
    ScopedGameSpeedReferences(const void* aRunKey,
                              std::shared_ptr<const GameSpeedReferenceSnapshot> aSnapshot);
    ~ScopedGameSpeedReferences();
    ScopedGameSpeedReferences(const ScopedGameSpeedReferences&) = delete;
    ScopedGameSpeedReferences& operator=(const ScopedGameSpeedReferences&) = delete;

private:
    const void* FRunKey;
    std::shared_ptr<const GameSpeedReferenceSnapshot> FPrevious;
};

// The look-up of a calculation context: the installed snapshot while there is one, else on the
// main thread the global database manager's database, else none.
GameSpeedReference LookUpGameSpeedReference(const void* aRunKey, int32_t aPlayerID);

}  // namespace qel
