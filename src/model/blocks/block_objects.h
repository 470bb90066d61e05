#pragma once

// The dataset's viewer option sets, stitch files, playlists and paths. They hold
// nothing yet; the dataset already owns them in the order it creates and frees them. Cameras,
// video streams and the time recorder have their own units (camera.h, video_stream.h,
// time_recorder.h).

class TqelViewerOptionSet {};
class TqelStitchFile {};
class TqelPlayList {};
class TqelPath {};
