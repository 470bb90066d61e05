#pragma once

// The dataset's viewer option sets, stitch files, playlists, paths and time recorder. They hold
// nothing yet; the dataset already owns them in the order it creates and frees them. Cameras
// and video streams have their own units (camera.h, video_stream.h).

class TqelViewerOptionSet {};
class TqelStitchFile {};
class TqelPlayList {};
class TqelPath {};
class TqelTimeRecorder {};
