#pragma once

#include "model/groups/event.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/groups/marker.h"
#include "model/groups/visualisation.h"

// The dataset's match information (the game clock: time_on_ice.h). It holds nothing yet; the
// dataset already owns it in the order it creates and frees it.

class TqelMatchInfo {};
