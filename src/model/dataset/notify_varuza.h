#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

// Base of every model object that reports its changes to its dataset: a change flag, the
// nesting of BeginUpdate/EndUpdate and an initialized flag.
//
// Thread use: the cadence thread changes laps, sectors and game parts while the main thread
// reads them, so the two flags are atomic. Update brackets belong to one thread at a time.
class TNotifyVaruza {
public:
    TNotifyVaruza();
    virtual ~TNotifyVaruza();
    TNotifyVaruza(const TNotifyVaruza&) = delete;
    TNotifyVaruza& operator=(const TNotifyVaruza&) = delete;

    // Opens an update bracket; the change flag starts clean only at the outermost one, so that
    // changes made before a nested bracket are still reported at the last EndUpdate.
    void BeginUpdate();
    // Closes a bracket; the outermost one hands the accumulated change to the Changed setter.
    void EndUpdate();
    int32_t UpdateCount() const { return FUpdateCount.load(); }

    bool Changed() const { return FChanged.load(); }
    // Derived classes report the change here; the base only stores it.
    virtual void setChanged(bool aValue);
    bool Initialized() const { return FInitialized.load(); }
    // True also clears the change flag: a complete object starts unchanged.
    void setInitialized(bool aValue);

    // Expires when the object is destroyed: a notice queued to the main thread checks it
    // before it hands the object on.
    std::weak_ptr<void> AliveToken() const { return FAliveToken; }

private:
    std::atomic<bool> FChanged{false};
    std::atomic<bool> FInitialized{false};
    std::atomic<int32_t> FUpdateCount{0};
    std::shared_ptr<void> FAliveToken;
};
