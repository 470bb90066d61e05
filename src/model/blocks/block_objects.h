#pragma once

#include "model/blocks/stitch_file.h"

// The dataset's viewer option sets, playlists and paths. They hold nothing yet; the dataset
// already owns them in the order it creates and frees them. Cameras, video streams, stitch files
// and the time recorder have their own units.

class TqelViewerOptionSet {};
class TqelPlayList {};
class TqelPath {};
