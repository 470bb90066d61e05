#pragma once

#include <functional>
#include <memory>

class TqelFieldSettings;
class TqelMeasurementSystem;

namespace qel {

// Makes the driver of a field's measurement system. A roaming driver leaves the prepared
// transponder file to the base field's. None for a system type without a driver.
using MeasurementSystemFactory = std::function<std::unique_ptr<TqelMeasurementSystem>(
    const TqelFieldSettings& aField, bool aRoaming)>;

// The program's drivers by system type: LPM for both LPM types, on the process-wide server
// settings. ZXY and STSP get none until their drivers exist.
std::unique_ptr<TqelMeasurementSystem> CreateMeasurementSystem(const TqelFieldSettings& aField,
                                                               bool aRoaming);

}  // namespace qel
