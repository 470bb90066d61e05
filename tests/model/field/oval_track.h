#pragma once

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

}  // namespace qel::test
