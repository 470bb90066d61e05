#pragma once

#include "model/blocks/stitch_file.h"

// The dataset's viewer option sets, stitch files, playlists, paths and time recorder. Those
// declared here hold nothing yet; the dataset already owns them in the order it creates and frees
// them. Cameras, video streams and stitch files have their own units.

class TqelViewerOptionSet {};
class TqelPlayList {};
class TqelPath {};
class TqelTimeRecorder {};
