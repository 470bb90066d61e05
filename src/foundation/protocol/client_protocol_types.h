#pragma once

#include <cstdint>

#include "foundation/model_interfaces.h"
#include "platform/binary_stream.h"

// Enumerations and message numbers of the client protocol. Ordinals go over the wire: the order
// of the values must not change.

// Measurement state reported to the clients.
enum TqelMeasurementStatus : uint8_t {
    imsNone,
    imsIdle,
    imsActivated,
    imsRecording,
    imsInitializing,
    imsFieldRequired,
    imsFieldNotFound,
    imsPreparationNotFound,
    imsCannotChangeFieldWhileRecording,
    imsLPMServerFailed,
    imsVideoServerFailed,
    imsRecordingServerFailed
};

// Kind of a text message to the clients.
enum TqelEventMessageType : uint8_t { emtNone, emtInformation, emtWarning, emtError, emtDebug };

namespace qel {

constexpr uint8_t kLastMeasurementStatus = imsRecordingServerFailed;
constexpr uint8_t kLastEventMessageType = emtDebug;

// Message types (the type field of the frame).
namespace msg {
constexpr int32_t ActivateMeasurement = 1;
constexpr int32_t ActivateMeasurementResponse = 2;
constexpr int32_t Logout = 3;
constexpr int32_t CurrentStatus = 4;
constexpr int32_t MeasurementStateChanged = 5;
constexpr int32_t AuthenticatedUser = 6;
constexpr int32_t Reconnected = 7;
constexpr int32_t GetLastSendLPMTimestamp = 8;
constexpr int32_t LastSendLPMTimestamp = 9;
constexpr int32_t Update = 10;
constexpr int32_t LiveData = 11;
constexpr int32_t CamPosition = 12;
constexpr int32_t StartRecording = 15;
constexpr int32_t StopRecording = 16;
constexpr int32_t VideoRecording = 17;
constexpr int32_t CameraGetCount = 18;
constexpr int32_t CameraSettings = 19;
constexpr int32_t CameraFollow = 20;
constexpr int32_t CameraFollowing = 21;
constexpr int32_t CameraZoom = 22;
constexpr int32_t CameraGetPositions = 23;
constexpr int32_t CameraPositions = 24;
constexpr int32_t CameraGotoPosition = 25;
constexpr int32_t CameraManuel = 26;
constexpr int32_t CameraZoomed = 27;
constexpr int32_t CameraPTZSpeed = 28;
constexpr int32_t CamRecording = 29;
constexpr int32_t EventFromWeb = 40;
constexpr int32_t EventToClient = 41;
constexpr int32_t PlayListItem = 42;
constexpr int32_t ClipCreated = 43;
constexpr int32_t ChangeAthletesVest = 44;
constexpr int32_t BalltrackingPostProcessFile = 50;
constexpr int32_t MainClientRequest = 60;
constexpr int32_t MainClientReply = 61;
constexpr int32_t GameInfoToClients = 71;
constexpr int32_t TransponderToClients = 72;
constexpr int32_t EventMessageText = 98;
constexpr int32_t ProtocolVersion = 99;
}  // namespace msg

// A game as message 71 carries it: the data model's game writes and reads its own block, the
// codec only frames it.
class IGameBlock {
public:
    virtual ~IGameBlock() = default;

    // Appends the block at the stream's position, as the dataset file holds it.
    virtual void writeToStream(BinaryWriter& aStream, bool aWriteCompleteTeams,
                               bool aWriteCalculations) = 0;
    // Reads a block written by writeToStream; aVersion is the stream format's version.
    virtual void readFromStream(BinaryReader& aStream, uint8_t aVersion) = 0;
    // Measurement-system time (ms) of the dataset's first sample.
    virtual int32_t DatasetFirstLPMtime() const = 0;
    virtual void SetDatasetFirstLPMtime(int32_t aValue) = 0;
};

// A transponder's data as message 72 carries it (properties only).
class ITransponderBlock {
public:
    virtual ~ITransponderBlock() = default;

    virtual void writeToStream(BinaryWriter& aStream, IlpmProgress* aProgressCallback,
                               bool aPropertiesOnly) = 0;
    virtual void readFromStream(BinaryReader& aStream, uint8_t aVersion,
                                IlpmProgress* aProgressCallback) = 0;
};

}  // namespace qel
