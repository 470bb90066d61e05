#include "model/transponder/metabolic_power.h"

#include <cmath>
#include <numbers>

namespace qel {

double MetabolicPower(double aSpeed, double anAccel, double aECCRF, double aPowerFactor) {
    constexpr double g = 9.81;
    double a = anAccel;
    if (!(a <= 6.2)) {
        a = 6.2;
    } else if (a < -4.8) {
        a = -4.8;
    }
    const double mass = std::sqrt(a * a + 96.2361) / g;
    // Computed through the angle, as the energy tables were: not exactly a / g.
    const double slope = a == 0 ? 0 : std::tan(std::numbers::pi / 2 - std::atan(g / a));
    const double s2 = slope * slope;
    const double s3 = s2 * slope;
    const double s4 = s3 * slope;
    const double s5 = s4 * slope;
    const double cost = 155.4 * s5 - 30.4 * s4 - 43.3 * s3 + 46.3 * s2 + 19.5 * slope + aECCRF;
    return cost * mass * aPowerFactor * aSpeed;
}

}  // namespace qel
