#pragma once

#include <cstdint>

// What a transponder's enable state is mirrored to: the measurement control, which passes the
// change on to its measurement systems. Held as a non-owning reference; called on the main
// thread.
class IqelMeasurementControl {
public:
    virtual ~IqelMeasurementControl() = default;

    virtual void ActivateTransponder(uint16_t anAntennaID) = 0;
    virtual void DeactivateTransponder(uint16_t anAntennaID) = 0;
};
