#pragma once

#include <QBuffer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <span>

#include "foundation/protocol/client_protocol_types.h"
#include "foundation/position_records.h"
#include "foundation/shared_enums.h"
#include "platform/exception.h"

// A datagram that does not match its frame or runs past its end.
QEL_DECLARE_EXCEPTION(EqelProtocolError, Exception);

// Codec of the binary TCP protocol between the server and the client programs. Every datagram
// is a memory stream: a frame (type int32, total length int32, little-endian) and the payload.
// Encoders fill the caller's stream from its start; decoders check the frame first and read from
// the stream that the socket layer delivers.
//
// Encoders always write the current layout (version 19; the camera settings follow the
// receiver's version). Decoders read by one process-wide version value: 0 at start, set by
// encoding (19) or decoding message 99. Main thread only.
//
// Bad input raises EqelProtocolError (a GUID text that does not parse raises EConvertError);
// every count is checked against the bytes left before anything is read or allocated.
class TqelProtocol {
public:
    static constexpr int32_t kProtocolVersion = 19;
    // Format version of the game and transponder blocks in messages 71 and 72.
    static constexpr uint8_t kStreamVersion = 151;
    static constexpr int32_t kHeaderSize = 8;
    // Longest datagram a connection accepts; a length field above it means a corrupt stream.
    static constexpr int32_t kMaxDatagramSize = 64 * 1024 * 1024;

    TqelProtocol() = delete;

    // The version the decoders follow.
    static int32_t Version() { return FVersion.load(std::memory_order_relaxed); }

    // Framing.
    // The socket layer's boundary check: aLength = the first datagram's length once it is
    // complete within aDatagramSize bytes, else -1. A length field below 8 or above
    // kMaxDatagramSize raises EqelProtocolError: the stream cannot be framed any more.
    static void BoundaryCheck(const char* aDatagram, int32_t aDatagramSize, int32_t& aLength);
    // Low byte of the type field; 0 when the stream holds 4 bytes or fewer.
    static uint8_t DatagramType(const QBuffer& aDatagram);
    // Leaves the position at the first payload byte.
    static void checkDatagramFormat(QBuffer& aDatagram, int32_t aType);
    static void InitDatagram(QBuffer& aDatagram);
    // Type at offset 0, the position as the length at offset 4; the position stays.
    static void formatDatagram(QBuffer& aDatagram, int32_t aType);

    // Primitives: a 16-bit count of UTF-16 code units, an 8-bit count of 16-bit values. Longer
    // values go out with the count cut to its width and that many elements.
    static void WriteString(QBuffer& aDatagram, const QString& aValue);
    static QString ReadString(QBuffer& aDatagram);
    static void WriteArrayOfWord(QBuffer& aDatagram, const TqelArrayOfWord& aValue);
    static TqelArrayOfWord ReadArrayOfWord(QBuffer& aDatagram);

    // Measurement and live data.
    static void encodeActivateMeasurement(QBuffer& aDatagram, int32_t aFieldID, int32_t aPrepID);
    // FieldID is 0 when the message carries no field; aPrepID then keeps its value.
    static void decodeActivateMeasurement(QBuffer& aDatagram, int32_t& aFieldID, int32_t& aPrepID);
    static void encodeActivateMeasurementResponse(QBuffer& aDatagram,
                                                  TqelMeasurementStatus aMeasurementState);
    // A value outside the enumeration is imsNone.
    static void decodeActivateMeasurementResponse(QBuffer& aDatagram,
                                                  TqelMeasurementStatus& aMeasurementState);
    static void encodeLogout(QBuffer& aDatagram);
    static void decodeLogout(QBuffer& aDatagram);
    static void encodeCurrenctStatus(QBuffer& aDatagram, int32_t aFieldID,
                                     int32_t aPrepareRecordingID,
                                     TqelMeasurementStatus aMeasurementState,
                                     int32_t aRecordingTimeRemaining, const QString& aLastLPMError);
    // Values that an older layout does not carry keep theirs.
    static void decodeCurrentStatus(QBuffer& aDatagram, int32_t& aFieldID,
                                    int32_t& aPrepareRecordingID,
                                    TqelMeasurementStatus& aMeasurementState,
                                    int32_t& aRecordingTimeRemaining, QString& aLastLPMError);
    static void encodeMeasurementStateChanged(QBuffer& aDatagram, TqelMeasurementStatus aState,
                                              int32_t aRemainingRecordTimeInMS);
    static void decodeMeasurementStateChanged(QBuffer& aDatagram, TqelMeasurementStatus& aState,
                                              int32_t& aRemainingRecordTimeInMS);
    static void encodeAuthenticatedUser(QBuffer& aDatagram, const QString& aUsername);
    static void decodeAuthenticatedUser(QBuffer& aDatagram, QString& aUsername,
                                        int32_t& aProtocolVersion);
    static void encodeReconnected(QBuffer& aDatagram, uint32_t aLastLPMTimestamp);
    static void decodeReconnected(QBuffer& aDatagram, uint32_t& aLastLPMTimestamp);
    static void encodeGetLastSendLPMTimestamp(QBuffer& aDatagram);
    static void decodeGetLastSendLPMTimestamp(QBuffer& aDatagram);
    static void encodeLastSendLPMTimestamp(QBuffer& aDatagram, uint32_t aLPMTimestamp);
    static void decodeLastSendLPMTimestamp(QBuffer& aDatagram, uint32_t& aLPMTimestamp);
    // The frame alone: the sender appends the count and the samples and frames again (see
    // qel::EncodeUpdateSamples).
    static void encodeUpdate(QBuffer& aDatagram);
    // Leaves the position at the first sample; aNumSamples samples of 32 bytes are there.
    static void decodeUpdate(QBuffer& aDatagram, int32_t& aNumSamples);
    static void encodeLiveData(QBuffer& aDatagram, int32_t aState);
    static void decodeLiveData(QBuffer& aDatagram, int32_t& aState);
    static void encodeStartRecording(QBuffer& aDatagram, int32_t aLenghtInMin,
                                     bool aRecBallTrackingVideo);
    // Before version 16 aRecBallTrackingVideo keeps its value.
    static void decodeStartRecording(QBuffer& aDatagram, int32_t& aLenghtInMin,
                                     bool& aRecBallTrackingVideo);
    static void encodeStopRecording(QBuffer& aDatagram);
    static void decodeStopRecording(QBuffer& aDatagram);
    static void encodeVideoRecording(QBuffer& aDatagram, bool VideoRecordingOn);
    static void decodeVideoRecording(QBuffer& aDatagram, bool& VideoRecordingOn);
    static void encodeMainClientRequest(QBuffer& aDatagram);
    static void decodeMainClientRequest(QBuffer& aDatagram);
    static void encodeMainClientReply(QBuffer& aDatagram, bool aAccepted);
    static void decodeMainClientReply(QBuffer& aDatagram, bool& aAccepted);
    static void encodeEventMessageText(QBuffer& aDatagram, TqelEventMessageType aEventMessageType,
                                       const QString& aMessage);
    static void decodeEventMessageText(QBuffer& aDatagram, TqelEventMessageType& aEventMessageType,
                                       QString& aMessage);
    // Sets the decoders' version to 19 and sends it.
    static void encodeProtocolVersion(QBuffer& aDatagram);
    // The decoders follow the received version from now on.
    static void decodeProtocolVersion(QBuffer& aDatagram);

    // Cameras.
    static void encodeCamPositon(QBuffer& aDatagram, const RqelCamPosCommunication& aCamPos);
    static void decodeCamPosition(QBuffer& aDatagram, RqelCamPosCommunication& aCamPos);
    static void encodeCameraGetCount(QBuffer& aDatagram);
    static void decodeCameraGetCount(QBuffer& aDatagram);
    // aProtocolVersion is the receiving client's: from 17 on the RTSP stream and GameOn id go.
    static void encodeCameraSettings(QBuffer& aDatagram, const TqelArrayOfCamSetting& aCameraIDs,
                                     int32_t aProtocolVersion);
    static void decodeCameraSettings(QBuffer& aDatagram, TqelArrayOfCamSetting& aCameraIDs);
    static void encodeCameraFollow(QBuffer& aDatagram, uint8_t aCameraIndex,
                                   const TqelArrayOfWord& aAntennaIDs);
    static void decodeCameraFollow(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                   TqelArrayOfWord& aAntennaIDs);
    static void encodeCameraFollowing(QBuffer& aDatagram, uint8_t aCameraIndex,
                                      const TqelArrayOfWord& aAntennaIDs,
                                      TqelTrackingMode aTrackMode);
    static void decodeCameraFollowing(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                      TqelArrayOfWord& aAntennaIDs, TqelTrackingMode& aTrackMode);
    static void encodeCameraZoom(QBuffer& aDatagram, uint8_t aCamera, uint8_t aRelativeZoom);
    static void decodeCameraZoom(QBuffer& aDatagram, uint8_t& aCamera, uint8_t& aRelativeZoom);
    static void encodeCameraGetPositions(QBuffer& aDatagram);
    static void decodeCameraGetPositions(QBuffer& aDatagram);
    static void encodeCameraPositions(QBuffer& aDatagram, uint8_t lCameraID,
                                      const TqelArrayOfString& aPositions);
    static void decodeCameraPositions(QBuffer& aDatagram, uint8_t& lCameraID,
                                      TqelArrayOfString& aPositions);
    static void encodeCameraGotoPosition(QBuffer& aDatagram, uint8_t aCameraIndex,
                                         const QString& aPosition);
    static void decodeCameraGotoPosition(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                         QString& aPosition);
    static void encodeCameraManuel(QBuffer& aDatagram, uint8_t aCamera);
    static void decodeCameraManuel(QBuffer& aDatagram, uint8_t& aCamera);
    static void encodeCameraZoomed(QBuffer& aDatagram, uint8_t aCameraIndex, uint8_t aRelativeZoom);
    static void decodeCameraZoomed(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                   uint8_t& aRelativeZoom);
    static void encodeCameraPTZSpeed(QBuffer& aDatagram, uint8_t aCameraIndex, int32_t aPanSpeed,
                                     int32_t aTiltSpeed, int32_t aZoomSpeed);
    static void decodeCameraPTZSpeed(QBuffer& aDatagram, uint8_t& aCameraIndex, int32_t& aPanSpeed,
                                     int32_t& aTiltSpeed, int32_t& aZoomSpeed);
    static void encodeCamRecording(QBuffer& aDatagram, uint8_t aCameraIndex,
                                   TqelCamConnection aCamState, const QString& aFilename,
                                   int32_t aLPMStartTime);
    static void decodeCamRecording(QBuffer& aDatagram, uint8_t& aCameraID,
                                   TqelCamConnection& aCamState, QString& aFilename,
                                   int32_t& aLPMStartTime);

    // Events, clips, files.
    static void encodeEventFromWeb(QBuffer& aDatagram, const RqelEventFromWeb& aEventFromWeb);
    static void decodeEventFromWeb(QBuffer& aDatagram, RqelEventFromWeb& aEventFromWeb);
    static void encodeEventToClient(QBuffer& aDatagram, const RqelEventFromWeb& aEventFromWeb);
    static void decodeEventToClient(QBuffer& aDatagram, RqelEventFromWeb& aEventFromWeb);
    static void encodePlayListItem(QBuffer& aDatagram, uint8_t aCamera, uint16_t aAntennaID,
                                   int32_t aLPMStartTimeMS, int32_t aLPMEndTimeMS, int32_t aRunNr,
                                   int32_t aSectionNr, int32_t aOrder);
    static void decodePlayListItem(QBuffer& aDatagram, uint8_t& aCamera, uint16_t& aAntennaID,
                                   int32_t& aLPMStartTimeMS, int32_t& aLPMEndTimeMS,
                                   int32_t& aRunNr, int32_t& aSectionNr, int32_t& aOrder);
    static void encodeClipCreated(QBuffer& aDatagram, const QString& aFilename, uint16_t aAntennaID,
                                  int32_t aLPMStartTimeMS, int32_t aRunNr, int32_t aSectionNr);
    static void decodeClipCreated(QBuffer& aDatagram, QString& aFilename, uint16_t& aAntennaID,
                                  int32_t& aLPMStartTimeMS, int32_t& aRunNr, int32_t& aSectionNr);
    static void encodeChangeAthletesVest(QBuffer& aDatagram, const QString& aOldID,
                                         const QString& aNewID);
    static void decodeChangeAthletesVest(QBuffer& aDatagram, QString& aOldID, QString& aNewID);
    static void encodeBalltrackingPostProcessFile(QBuffer& aDatagram, const QString& aFilename);
    static void decodeBalltrackingPostProcessFile(QBuffer& aDatagram, QString& aFilename);

    // Data transfer. A null object goes out as "not present". The decoders act only while the
    // version is exactly 19, and touch only a given object; errors of the block propagate.
    static void encodeGameInfoToClients(QBuffer& aDatagram, qel::IGameBlock* aGame);
    static void decodeGameInfoToClients(QBuffer& aDatagram, qel::IGameBlock* aGame);
    static void encodeTransponderToClients(QBuffer& aDatagram, qel::ITransponderBlock* aTranponder);
    static void decodeTransponderToClients(QBuffer& aDatagram,
                                           qel::ITransponderBlock* aTransponder);

private:
    static std::atomic<int32_t> FVersion;
};

namespace qel {

// Message 10 whole: frame, sample count and samples (aFirst, then aSecond, for a ring that
// wraps). The stream grows once at most; nothing is allocated per sample.
void EncodeUpdateSamples(QBuffer& aDatagram, std::span<const RqelLPMSample> aFirst,
                         std::span<const RqelLPMSample> aSecond = {});

}  // namespace qel
