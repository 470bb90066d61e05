#pragma once

#include "model/groups/event.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/groups/marker.h"
#include "model/groups/visualisation.h"

