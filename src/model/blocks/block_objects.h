#pragma once

// The dataset's viewer option sets, cameras, video streams, stitch files, playlists, paths and
// time recorder. They hold nothing yet; the dataset already owns them in the order it creates
// and frees them.

class TqelViewerOptionSet {};
class TqelVideoStream {};
class TqelStitchFile {};
class TqelCamera {};
class TqelPlayList {};
class TqelPath {};
class TqelTimeRecorder {};
