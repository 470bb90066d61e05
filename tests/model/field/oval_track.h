#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

#include "model/field/field.h"

namespace qel::test {

// The oval of the track tests: bend centres (0, 50) and (0, -50) m, radius 36 m, length
// 426.194 m (a bend of 113.097 m), the finish line at the lower bend centre's height on the right
// straight. Turned a quarter clockwise it becomes a horizontal track whose left bend centre is
// TrackCorner1 and whose finish line lies at X = -50 m.
inline void SetOvalTrack(TqelField& aField, bool aHorizontal = false) {
    RqelTrackDefinition definition;
    if (aHorizontal) {
        definition.TrackCorner1 = {-50000, 0};
        definition.TrackCorner2 = {50000, 0};
        aField.setTrackFinishLeft({-50000, 0});
    } else {
        definition.TrackCorner1 = {0, 50000};
        definition.TrackCorner2 = {0, -50000};
        aField.setTrackFinishLeft({36000, -50000});
    }
    aField.setHasTrack(true);
    aField.setTrackOrientation(aHorizontal ? trackHorizontal : trackVertical);
    aField.setTrackDefinition(definition);
    aField.setTrackLeftRightRadius(36000);
    aField.setTrackLengthInMM(426194);
}

constexpr double kOvalLengthInM = 426.194;
constexpr double kOvalBendInM = 113.097;
constexpr double kOvalRadiusInM = 36;

// The point of the oval's track line (vertical) at aDistanceInM from the finish line, running
// counter-clockwise.
inline RqelFieldPosition OvalPoint(double aDistanceInM) {
    double s = std::fmod(aDistanceInM, kOvalLengthInM);
    if (s < 0) {
        s += kOvalLengthInM;
    }
    double x = 0;
    double y = 0;
    if (s < 100) {
        x = kOvalRadiusInM;
        y = -50 + s;
    } else if (s < 100 + kOvalBendInM) {
        const double angle = (s - 100) / kOvalBendInM * std::numbers::pi;
        x = kOvalRadiusInM * std::cos(angle);
        y = 50 + kOvalRadiusInM * std::sin(angle);
    } else if (s < 200 + kOvalBendInM) {
        x = -kOvalRadiusInM;
        y = 50 - (s - 100 - kOvalBendInM);
    } else {
        const double angle = (s - 200 - kOvalBendInM) / kOvalBendInM * std::numbers::pi;
        x = -kOvalRadiusInM * std::cos(angle);
        y = -50 - kOvalRadiusInM * std::sin(angle);
    }
    return {static_cast<int32_t>(std::lround(x * 1000)),
            static_cast<int32_t>(std::lround(y * 1000))};
}

// Four track sectors on the oval: the right straight, the upper bend, the left straight and the
// lower bend.
inline void AddOvalSectors(TqelField& aField) {
    const int32_t bounds[] = {0, 100000, 213097, 313097, 426194};
    for (int32_t i = 0; i < 4; ++i) {
        aField.addSectorDef({i + 1, bounds[i], bounds[i + 1] - 1, QString()});
    }
}

}  // namespace qel::test
