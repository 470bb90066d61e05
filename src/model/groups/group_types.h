#pragma once

#include <QString>
#include <cstdint>

#include "foundation/small_set.h"

// The kinds of group: a free group, the team of an exercise or of a match, the players of one
// game part.
enum TqelGroupType : uint8_t { gtNone, gtGroup, gtExercise, gtGame, gtPart };

// What a viewer draws over a group.
enum TqelVisualisationType : uint8_t {
    grpTeam,
    grpLine,
    grpHorAvgLine,
    grpVerAvgLine,
    grpLeftLine,
    grpRightLine,
    grpBox,
    grpAvgCircle,
    grpArea,
    grpSoccerLines,
    grpAngleToGoal,
    grpTrajectory,
    grpOffSideLine,
    grpUncoveredArea,
    grpDefenseCounter,
    grpSlagPotCarrier,
};
constexpr int VisualisationTypeCount = grpSlagPotCarrier + 1;
using TqelVisualisationSet = qel::SmallSet<VisualisationTypeCount>;

enum TqelGroupToStringType : uint8_t { gtsName, gtsGameAndName };

enum TqelGameType : uint8_t { gameNone, gameExercise, gameMatch };

// The translated caption of a visualisation type; any other value raises Exception
// "Not defined GroupType: <value>".
QString VisualisationTypeCaption(int32_t aVisualisationType);
