#pragma once

// The dataset's games, events, markers, groups, game clock and match information. They hold
// nothing yet; the dataset already owns them in the order it creates and frees them.

class TqelMarker {};
class TqelGame {};
class TqelGamePart {};
class TqelEvent {};
class TqelGroup {};
class TqelTimeOnIce {};
class TqelMatchInfo {};
