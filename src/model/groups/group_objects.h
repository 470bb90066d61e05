#pragma once

#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/groups/visualisation.h"

// The dataset's events, markers, game clock and match information. They hold nothing yet; the
// dataset already owns them in the order it creates and frees them.

class TqelMarker {};
class TqelEvent {};
class TqelTimeOnIce {};
class TqelMatchInfo {};
