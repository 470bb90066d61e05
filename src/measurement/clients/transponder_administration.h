#pragma once

#include <QString>
#include <cstdint>

class TqelLPMServer;

namespace qel {

// The client server's operations on the transponders of its antenna list: switching them on
// and off, moving an athlete to another vest, and storing the MAC addresses a measurement
// system reports in the transponder inventory. Enable states are 0 off, 1 on, 2 paused; each
// change goes through the transponder, which tells the measurement control.
//
// Part of TqelLPMServer, main thread only; no lock.
class TransponderAdministration {
public:
    explicit TransponderAdministration(TqelLPMServer& aServer) : FServer(aServer) {}
    TransponderAdministration(const TransponderAdministration&) = delete;
    TransponderAdministration& operator=(const TransponderAdministration&) = delete;

    // Nothing for an antenna that is not registered.
    void TransponderEnable(uint16_t anAntennaID, int32_t aState);
    // Switched-off transponders on; paused ones stay paused.
    void TransponderEnableAll();
    void TransponderDisableAll();
    // Off: every transponder whose reception quality is below 10 %.
    void TransponderDisableOffField();
    // The old vest goes off and hands its athlete name to the new one, which goes on; then the
    // recording and the live clients are told (message 44).
    void ChangeAthletesVest(const QString& anOldVestID, const QString& aNewVestID);
    // Each registered transponder's MAC address goes to the inventory row of its first antenna
    // id, or to a new row. An existing row changes only through the active preparation.
    // Database errors reach the caller.
    void SaveTranspondersMacAddress();

private:
    TqelLPMServer& FServer;
};

}  // namespace qel
