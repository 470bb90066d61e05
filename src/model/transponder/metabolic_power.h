#pragma once

namespace qel {

// The power factor of a dataset without a field.
constexpr double kDefaultPowerFactor = 1.05;

// Metabolic power in W/kg of a runner at aSpeed (m/s) and anAccel (m/s²), by the equivalent
// slope and mass of the acceleration. anAccel is limited to -4.8 .. 6.2 (not a number counts as
// 6.2); aECCRF is the athlete's energy cost of flat running, aPowerFactor the field's factor.
double MetabolicPower(double aSpeed, double anAccel, double aECCRF, double aPowerFactor);

}  // namespace qel
