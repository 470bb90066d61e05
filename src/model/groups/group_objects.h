#pragma once

#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/groups/visualisation.h"

// The dataset's events and markers (the game clock: time_on_ice.h; the match information:
// match_info.h). They hold nothing yet; the dataset already owns them in the order it creates
// and frees them.

class TqelMarker {};
class TqelEvent {};
