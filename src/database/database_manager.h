#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "database/database_connection.h"

class TqelDatabase;

namespace qel {

// A non-owning reference that becomes empty when its target goes away. The target keeps a
// std::shared_ptr<void> alive token and hands it out through Alive(); the reference holds a
// weak copy of it. Both belong to one thread (the target's).
template <class T>
class GuardedRef {
public:
    GuardedRef() = default;
    GuardedRef(T* aTarget) { *this = aTarget; }  // NOLINT: stands in for a plain pointer
    GuardedRef& operator=(T* aTarget) {
        FTarget = aTarget;
        FAlive = aTarget ? aTarget->Alive() : std::weak_ptr<void>();
        return *this;
    }

    T* get() const { return FTarget && !FAlive.expired() ? FTarget : nullptr; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    void reset() { *this = nullptr; }

private:
    T* FTarget = nullptr;
    std::weak_ptr<void> FAlive;
};

}  // namespace qel

// What the database layer tells the program's main window and asks of it. The implementing
// object must outlive no reference to it: references to it are cleared when it is destroyed.
class IqelDatabaseManager {
public:
    IqelDatabaseManager() : FAlive(std::make_shared<char>()) {}
    virtual ~IqelDatabaseManager() = default;
    IqelDatabaseManager(const IqelDatabaseManager&) = delete;
    IqelDatabaseManager& operator=(const IqelDatabaseManager&) = delete;

    // The manager's own database; none before it has made one.
    virtual TqelDatabase* GetDatabase() = 0;
    virtual void LogMessage(int32_t EventID, int32_t MessageID, const QString& sMessage) = 0;
    virtual void ConnectionStateChanged(TqelDBConnectionState aState) = 0;

    std::weak_ptr<void> Alive() const { return FAlive; }

protected:
    // An implementation that must stop being reached before its own members go (its database,
    // its widgets) calls this first thing in its destructor.
    void ReleaseReferences() { FAlive.reset(); }

private:
    std::shared_ptr<void> FAlive;
};

// The main window, once it has published itself; empty before and after. Set, read and cleared
// on the main thread only.
extern qel::GuardedRef<IqelDatabaseManager> DatabaseManager;
