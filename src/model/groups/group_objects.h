#pragma once

#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/groups/visualisation.h"

// The dataset's events, markers and match information (the game clock: time_on_ice.h). They hold nothing yet; the
// dataset already owns them in the order it creates and frees them.

class TqelMarker {};
class TqelEvent {};
class TqelMatchInfo {};
