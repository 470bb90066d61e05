#pragma once

#include <cstdint>

// The state of a client socket as the server clients report it (video, recording and
// ball-tracking servers), in the numbering their messages carry.
enum TSocketState : uint8_t {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsSocksConnected,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed,
    wsDnsLookup,
};
