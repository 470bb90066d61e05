#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "foundation/protocol/client_protocol_types.h"
#include "foundation/shared_enums.h"
#include "shared/socket_state.h"

namespace qel {

// What the supervision of a starting measurement looks at: the measurement systems' start-up
// state and the connections the recording needs.
struct ActivationConditions {
    bool RemoteControl = false;
    TqelStartupSequence LPMState = startNone;
    bool VideoServerEnabled = false;
    bool VideoServerConnected = false;
    // Cameras record through ffmpeg, not the video server.
    bool FFmpegRecording = false;
    bool RecordingServerUsed = false;
    bool RecordingServerConnected = false;

    bool LPMFailed() const { return RemoteControl && LPMState != startRunning; }
    bool VideoServerMissing() const {
        return VideoServerEnabled && !VideoServerConnected && !FFmpegRecording;
    }
    bool RecordingServerMissing() const {
        return RecordingServerUsed && !RecordingServerConnected && FFmpegRecording;
    }
};

// Everything the activation needs is up.
bool ActivationReady(const ActivationConditions& aConditions);

// The answers for the waiting clients when the supervision gives up, in order. When no failure
// holds (a connection made but not yet taken over), imsIdle, so that nobody waits for ever.
std::vector<TqelMeasurementStatus> ActivationExpiryAnswers(const ActivationConditions& aConditions);

struct ActivationProgressMessage {
    TqelEventMessageType Type;
    QString Text;
    bool operator==(const ActivationProgressMessage&) const = default;
};

// The progress messages of one supervision tick (translated); aRemaining fills "%d".
std::vector<ActivationProgressMessage> ActivationProgress(const ActivationConditions& aConditions,
                                                          int32_t aRemaining);

// The video-server image for a socket state; aCurrent when the state changes nothing.
int32_t VideoServerImageIndex(TSocketState aState, int32_t aCurrent);

}  // namespace qel
