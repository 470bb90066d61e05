#pragma once

#include <cstdint>

#include "foundation/position_records.h"

class TqelField;

// Placing a position on the field's oval track. Positions come in metres and are taken as whole
// millimetres rounded down; squares are summed in 64 bits. A vertical track has the upper bend
// centre in TrackCorner1; a horizontal one is handled as that vertical track turned a quarter
// counter-clockwise ((x, y) -> (-y, x)), so its left bend centre is TrackCorner1 and its finish
// line lies at TrackFinishLeft.X. Any other orientation gives segment 0 and 0 m.

// 0 right straight (running upward on a vertical track, rightward on a horizontal one), 1 the
// following bend, 2 the opposite straight, 3 the other bend.
int32_t TrackSegmentOfPosition(const TqelField& aField, double aXinM, double aYinM);
// Metres from the track line, negative inside it.
double DistanceToTrackLine(const TqelField& aField, double aXinM, double aYinM);
// Metres along the track from the finish line, in the running direction.
double TrackPositionInM(const TqelField& aField, double aXinM, double aYinM);
// Metres run between two positions: along the straight, or the arc around the bend's centre. A
// position on a bend centre gives 0.
double TrackBendAngleDistance(const TqelField& aField, const RqelCalculatedPosition& aPos1,
                              const RqelCalculatedPosition& aPos2);
