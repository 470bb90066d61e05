#include "foundation/protocol/client_protocol.h"

#include <QtEndian>
#include <algorithm>

#include "foundation/protocol/client_protocol_io.h"
#include "platform/guid_text.h"

using qel::BinaryReader;
using qel::BinaryWriter;
using qel::DecodeDatagram;
using qel::EncodeDatagram;
namespace msg = qel::msg;

std::atomic<int32_t> TqelProtocol::FVersion{0};

namespace {

void EnsureOpen(QBuffer& aDatagram) {
    if (!aDatagram.isOpen()) {
        aDatagram.open(QIODevice::ReadWrite);
    }
}

// The state of messages 4 and 5 is the low byte of its 32-bit field.
TqelMeasurementStatus MeasurementStatusOf(int32_t aField) {
    return static_cast<TqelMeasurementStatus>(qel::CheckProtocolOrdinal(
        static_cast<uint32_t>(aField) & 0xFF, qel::kLastMeasurementStatus, "measurement state"));
}

}  // namespace

// Framing -------------------------------------------------------------------------------------

void TqelProtocol::BoundaryCheck(const char* aDatagram, int32_t aDatagramSize, int32_t& aLength) {
    aLength = -1;
    if (aDatagramSize < kHeaderSize) {
        return;
    }
    const auto length = qFromLittleEndian<int32_t>(aDatagram + 4);
    // Such a length can never be framed: waiting for more bytes would wait for ever.
    if (length < kHeaderSize || length > kMaxDatagramSize) {
        throw EqelProtocolError(
            QStringLiteral("Received datagram header contains length %1, allowed are %2 to %3")
                .arg(length)
                .arg(kHeaderSize)
                .arg(kMaxDatagramSize));
    }
    if (length <= aDatagramSize) {
        aLength = length;
    }
}

uint8_t TqelProtocol::DatagramType(const QBuffer& aDatagram) {
    const QByteArray& bytes = aDatagram.data();
    if (bytes.size() <= 4) {
        return 0;
    }
    return static_cast<uint8_t>(bytes[0]);
}

void TqelProtocol::checkDatagramFormat(QBuffer& aDatagram, int32_t aType) {
    EnsureOpen(aDatagram);
    const qint64 size = aDatagram.size();
    if (size < kHeaderSize) {
        throw EqelProtocolError(
            QStringLiteral("Received datagram of length %1 has no complete header").arg(size));
    }
    BinaryReader reader(aDatagram);
    reader.seek(0);
    const int32_t type = reader.readI32();
    const int32_t length = reader.readI32();
    if (type != aType) {
        throw EqelProtocolError(
            QStringLiteral("Received datagram has incorrect type %1, should be %2")
                .arg(type)
                .arg(aType));
    }
    if (size != length) {
        throw EqelProtocolError(QStringLiteral("Received datagram of length %1, contains length %2")
                                    .arg(size)
                                    .arg(length));
    }
}

void TqelProtocol::InitDatagram(QBuffer& aDatagram) {
    EnsureOpen(aDatagram);
    // Keeps the capacity of a reused stream.
    aDatagram.buffer().fill('\0', kHeaderSize);
    aDatagram.seek(kHeaderSize);
}

void TqelProtocol::formatDatagram(QBuffer& aDatagram, int32_t aType) {
    const qint64 end = aDatagram.pos();
    if (end > kMaxDatagramSize) {
        throw EAssertionFailed(
            QStringLiteral("A datagram of %1 bytes is longer than the protocol allows").arg(end));
    }
    BinaryWriter writer(aDatagram);
    aDatagram.seek(0);
    writer.writeI32(aType);
    writer.writeI32(static_cast<int32_t>(end));
    aDatagram.seek(end);
}

// Primitives ----------------------------------------------------------------------------------

void TqelProtocol::WriteString(QBuffer& aDatagram, const QString& aValue) {
    BinaryWriter writer(aDatagram);
    qel::WriteProtocolString(writer, aValue);
}

QString TqelProtocol::ReadString(QBuffer& aDatagram) {
    BinaryReader reader(aDatagram);
    try {
        return qel::ReadProtocolString(reader);
    } catch (const EReadError& e) {
        qel::RaiseTruncated(DatagramType(aDatagram), e);
    }
}

void TqelProtocol::WriteArrayOfWord(QBuffer& aDatagram, const TqelArrayOfWord& aValue) {
    BinaryWriter writer(aDatagram);
    qel::WriteProtocolWords(writer, aValue);
}

TqelArrayOfWord TqelProtocol::ReadArrayOfWord(QBuffer& aDatagram) {
    BinaryReader reader(aDatagram);
    try {
        return qel::ReadProtocolWords(reader);
    } catch (const EReadError& e) {
        qel::RaiseTruncated(DatagramType(aDatagram), e);
    }
}

// Measurement and live data -------------------------------------------------------------------

void TqelProtocol::encodeActivateMeasurement(QBuffer& aDatagram, int32_t aFieldID,
                                             int32_t aPrepID) {
    EncodeDatagram(aDatagram, msg::ActivateMeasurement, [&](BinaryWriter& w) {
        if (aFieldID != 0) {
            w.writeI32(aFieldID);
            w.writeI32(aPrepID);
        }
    });
}

void TqelProtocol::decodeActivateMeasurement(QBuffer& aDatagram, int32_t& aFieldID,
                                             int32_t& aPrepID) {
    DecodeDatagram(aDatagram, msg::ActivateMeasurement, [&](BinaryReader& r) {
        const int32_t version = Version();
        if (version < 4) {
            qel::ReadProtocolString(r);
            qel::ReadProtocolString(r);
        }
        if (r.atEnd()) {
            aFieldID = 0;
            return;
        }
        if (version >= 3) {
            const int32_t fieldID = r.readI32();
            aPrepID = r.readI32();
            aFieldID = fieldID;
        } else {
            qel::ReadProtocolString(r);
        }
    });
}

void TqelProtocol::encodeActivateMeasurementResponse(QBuffer& aDatagram,
                                                     TqelMeasurementStatus aMeasurementState) {
    EncodeDatagram(aDatagram, msg::ActivateMeasurementResponse,
                   [&](BinaryWriter& w) { w.writeU32(aMeasurementState); });
}

void TqelProtocol::decodeActivateMeasurementResponse(QBuffer& aDatagram,
                                                     TqelMeasurementStatus& aMeasurementState) {
    DecodeDatagram(aDatagram, msg::ActivateMeasurementResponse, [&](BinaryReader& r) {
        const int32_t value = r.readI32();
        aMeasurementState = value >= 0 && value <= qel::kLastMeasurementStatus
                                ? static_cast<TqelMeasurementStatus>(value)
                                : imsNone;
    });
}

void TqelProtocol::encodeLogout(QBuffer& aDatagram) {
    EncodeDatagram(aDatagram, msg::Logout, [](BinaryWriter&) {});
}

void TqelProtocol::decodeLogout(QBuffer& aDatagram) {
    DecodeDatagram(aDatagram, msg::Logout, [](BinaryReader&) {});
}

void TqelProtocol::encodeCurrenctStatus(QBuffer& aDatagram, int32_t aFieldID,
                                        int32_t aPrepareRecordingID,
                                        TqelMeasurementStatus aMeasurementState,
                                        int32_t aRecordingTimeRemaining,
                                        const QString& aLastLPMError) {
    EncodeDatagram(aDatagram, msg::CurrentStatus, [&](BinaryWriter& w) {
        w.writeI32(aFieldID);
        w.writeI32(aPrepareRecordingID);
        w.writeU32(aMeasurementState);
        w.writeI32(aRecordingTimeRemaining);
        qel::WriteProtocolString(w, aLastLPMError);
    });
}

void TqelProtocol::decodeCurrentStatus(QBuffer& aDatagram, int32_t& aFieldID,
                                       int32_t& aPrepareRecordingID,
                                       TqelMeasurementStatus& aMeasurementState,
                                       int32_t& aRecordingTimeRemaining, QString& aLastLPMError) {
    DecodeDatagram(aDatagram, msg::CurrentStatus, [&](BinaryReader& r) {
        const int32_t version = Version();
        if (version <= 2) {
            qel::ReadProtocolString(r);
            return;
        }
        const int32_t fieldID = r.readI32();
        const int32_t prepareRecordingID = r.readI32();
        const TqelMeasurementStatus state = MeasurementStatusOf(r.readI32());
        if (version == 3) {
            r.readI32();
            r.readI32();
        } else {
            const int32_t remaining = r.readI32();
            aLastLPMError = qel::ReadProtocolString(r);
            aRecordingTimeRemaining = remaining;
        }
        aFieldID = fieldID;
        aPrepareRecordingID = prepareRecordingID;
        aMeasurementState = state;
    });
}

void TqelProtocol::encodeMeasurementStateChanged(QBuffer& aDatagram, TqelMeasurementStatus aState,
                                                 int32_t aRemainingRecordTimeInMS) {
    EncodeDatagram(aDatagram, msg::MeasurementStateChanged, [&](BinaryWriter& w) {
        w.writeU32(aState);
        w.writeI32(aRemainingRecordTimeInMS);
    });
}

void TqelProtocol::decodeMeasurementStateChanged(QBuffer& aDatagram, TqelMeasurementStatus& aState,
                                                 int32_t& aRemainingRecordTimeInMS) {
    DecodeDatagram(aDatagram, msg::MeasurementStateChanged, [&](BinaryReader& r) {
        const TqelMeasurementStatus state = MeasurementStatusOf(r.readI32());
        aRemainingRecordTimeInMS = r.readI32();
        aState = state;
    });
}

void TqelProtocol::encodeAuthenticatedUser(QBuffer& aDatagram, const QString& aUsername) {
    EncodeDatagram(aDatagram, msg::AuthenticatedUser, [&](BinaryWriter& w) {
        qel::WriteProtocolString(w, aUsername);
        w.writeI32(kProtocolVersion);
    });
}

void TqelProtocol::decodeAuthenticatedUser(QBuffer& aDatagram, QString& aUsername,
                                           int32_t& aProtocolVersion) {
    DecodeDatagram(aDatagram, msg::AuthenticatedUser, [&](BinaryReader& r) {
        QString username = qel::ReadProtocolString(r);
        aProtocolVersion = r.readI32();
        aUsername = std::move(username);
    });
}

void TqelProtocol::encodeReconnected(QBuffer& aDatagram, uint32_t aLastLPMTimestamp) {
    EncodeDatagram(aDatagram, msg::Reconnected,
                   [&](BinaryWriter& w) { w.writeU32(aLastLPMTimestamp); });
}

void TqelProtocol::decodeReconnected(QBuffer& aDatagram, uint32_t& aLastLPMTimestamp) {
    DecodeDatagram(aDatagram, msg::Reconnected,
                   [&](BinaryReader& r) { aLastLPMTimestamp = r.readU32(); });
}

void TqelProtocol::encodeGetLastSendLPMTimestamp(QBuffer& aDatagram) {
    EncodeDatagram(aDatagram, msg::GetLastSendLPMTimestamp, [](BinaryWriter&) {});
}

void TqelProtocol::decodeGetLastSendLPMTimestamp(QBuffer& aDatagram) {
    DecodeDatagram(aDatagram, msg::GetLastSendLPMTimestamp, [](BinaryReader&) {});
}

void TqelProtocol::encodeLastSendLPMTimestamp(QBuffer& aDatagram, uint32_t aLPMTimestamp) {
    EncodeDatagram(aDatagram, msg::LastSendLPMTimestamp,
                   [&](BinaryWriter& w) { w.writeU32(aLPMTimestamp); });
}

void TqelProtocol::decodeLastSendLPMTimestamp(QBuffer& aDatagram, uint32_t& aLPMTimestamp) {
    DecodeDatagram(aDatagram, msg::LastSendLPMTimestamp,
                   [&](BinaryReader& r) { aLPMTimestamp = r.readU32(); });
}

void TqelProtocol::encodeUpdate(QBuffer& aDatagram) {
    EncodeDatagram(aDatagram, msg::Update, [](BinaryWriter&) {});
}

void TqelProtocol::decodeUpdate(QBuffer& aDatagram, int32_t& aNumSamples) {
    DecodeDatagram(aDatagram, msg::Update, [&](BinaryReader& r) {
        const int32_t count = r.readI32();
        qel::CheckProtocolCount(r, count, sizeof(RqelLPMSample));
        aNumSamples = count;
    });
}

void TqelProtocol::encodeLiveData(QBuffer& aDatagram, int32_t aState) {
    EncodeDatagram(aDatagram, msg::LiveData, [&](BinaryWriter& w) { w.writeI32(aState); });
}

void TqelProtocol::decodeLiveData(QBuffer& aDatagram, int32_t& aState) {
    DecodeDatagram(aDatagram, msg::LiveData, [&](BinaryReader& r) { aState = r.readI32(); });
}

void TqelProtocol::encodeStartRecording(QBuffer& aDatagram, int32_t aLenghtInMin,
                                        bool aRecBallTrackingVideo) {
    EncodeDatagram(aDatagram, msg::StartRecording, [&](BinaryWriter& w) {
        w.writeI32(aLenghtInMin);
        // The Boolean takes a 4-byte field; only its first byte carries it.
        w.writeU32(aRecBallTrackingVideo ? 1 : 0);
    });
}

void TqelProtocol::decodeStartRecording(QBuffer& aDatagram, int32_t& aLenghtInMin,
                                        bool& aRecBallTrackingVideo) {
    DecodeDatagram(aDatagram, msg::StartRecording, [&](BinaryReader& r) {
        const int32_t length = r.readI32();
        if (Version() >= 16) {
            aRecBallTrackingVideo = r.readBool();
        }
        aLenghtInMin = length;
    });
}

void TqelProtocol::encodeStopRecording(QBuffer& aDatagram) {
    EncodeDatagram(aDatagram, msg::StopRecording, [](BinaryWriter&) {});
}

void TqelProtocol::decodeStopRecording(QBuffer& aDatagram) {
    DecodeDatagram(aDatagram, msg::StopRecording, [](BinaryReader&) {});
}

void TqelProtocol::encodeVideoRecording(QBuffer& aDatagram, bool VideoRecordingOn) {
    EncodeDatagram(aDatagram, msg::VideoRecording,
                   [&](BinaryWriter& w) { w.writeBool(VideoRecordingOn); });
}

void TqelProtocol::decodeVideoRecording(QBuffer& aDatagram, bool& VideoRecordingOn) {
    DecodeDatagram(aDatagram, msg::VideoRecording,
                   [&](BinaryReader& r) { VideoRecordingOn = r.readBool(); });
}

void TqelProtocol::encodeMainClientRequest(QBuffer& aDatagram) {
    EncodeDatagram(aDatagram, msg::MainClientRequest, [](BinaryWriter&) {});
}

void TqelProtocol::decodeMainClientRequest(QBuffer& aDatagram) {
    DecodeDatagram(aDatagram, msg::MainClientRequest, [](BinaryReader&) {});
}

void TqelProtocol::encodeMainClientReply(QBuffer& aDatagram, bool aAccepted) {
    EncodeDatagram(aDatagram, msg::MainClientReply,
                   [&](BinaryWriter& w) { w.writeBool(aAccepted); });
}

void TqelProtocol::decodeMainClientReply(QBuffer& aDatagram, bool& aAccepted) {
    DecodeDatagram(aDatagram, msg::MainClientReply,
                   [&](BinaryReader& r) { aAccepted = r.readBool(); });
}

void TqelProtocol::encodeEventMessageText(QBuffer& aDatagram,
                                          TqelEventMessageType aEventMessageType,
                                          const QString& aMessage) {
    EncodeDatagram(aDatagram, msg::EventMessageText, [&](BinaryWriter& w) {
        w.writeU32(aEventMessageType);
        qel::WriteProtocolString(w, aMessage);
    });
}

void TqelProtocol::decodeEventMessageText(QBuffer& aDatagram,
                                          TqelEventMessageType& aEventMessageType,
                                          QString& aMessage) {
    DecodeDatagram(aDatagram, msg::EventMessageText, [&](BinaryReader& r) {
        const auto type = static_cast<TqelEventMessageType>(qel::CheckProtocolOrdinal(
            r.readU32() & 0xFF, qel::kLastEventMessageType, "event message type"));
        aMessage = qel::ReadProtocolString(r);
        aEventMessageType = type;
    });
}

void TqelProtocol::encodeProtocolVersion(QBuffer& aDatagram) {
    FVersion.store(kProtocolVersion, std::memory_order_relaxed);
    EncodeDatagram(aDatagram, msg::ProtocolVersion,
                   [](BinaryWriter& w) { w.writeI32(kProtocolVersion); });
}

void TqelProtocol::decodeProtocolVersion(QBuffer& aDatagram) {
    DecodeDatagram(aDatagram, msg::ProtocolVersion,
                   [](BinaryReader& r) { FVersion.store(r.readI32(), std::memory_order_relaxed); });
}

// Cameras -------------------------------------------------------------------------------------

namespace {

// Smallest camera entry of message 19 at a decoder version: every count 0, every string empty.
qint64 MinCamSettingSize(int32_t aVersion) {
    qint64 size = 3;  // CameraID, antenna count, ZoomLevel
    if (aVersion >= 1)
        size += 2;
    if (aVersion >= 7)
        size += 2;
    if (aVersion >= 8)
        size += 1;
    if (aVersion >= 9)
        size += 2;
    if (aVersion >= 10)
        size += 4;
    if (aVersion >= 12)
        size += 4;
    if (aVersion >= 17)
        size += 4;
    return size;
}

TqelCamConnection CamConnectionOf(uint8_t aValue) {
    return static_cast<TqelCamConnection>(
        qel::CheckProtocolOrdinal(aValue, comNotRecording, "camera state"));
}

TqelTrackingMode TrackingModeOf(uint8_t aValue) {
    return static_cast<TqelTrackingMode>(
        qel::CheckProtocolOrdinal(aValue, trkAuto, "tracking mode"));
}

// A count byte followed by that many strings; longer lists go out cut to 255.
void WriteStringList(BinaryWriter& aWriter, const TqelArrayOfString& aValue) {
    const auto count = static_cast<uint8_t>(std::min<qsizetype>(aValue.size(), 255));
    aWriter.writeU8(count);
    for (int i = 0; i < count; ++i) {
        qel::WriteProtocolString(aWriter, aValue[i]);
    }
}

TqelArrayOfString ReadStringList(BinaryReader& aReader) {
    const uint8_t count = aReader.readU8();
    qel::CheckProtocolCount(aReader, count, 2);
    TqelArrayOfString result;
    result.reserve(count);
    for (int i = 0; i < count; ++i) {
        result.append(qel::ReadProtocolString(aReader));
    }
    return result;
}

}  // namespace

void TqelProtocol::encodeCamPositon(QBuffer& aDatagram, const RqelCamPosCommunication& aCamPos) {
    EncodeDatagram(aDatagram, msg::CamPosition, [&](BinaryWriter& w) {
        w.writeU8(aCamPos.CameraIndex);
        w.writeU32(aCamPos.TimeStampInMS);
        // Three 4-byte fields, each carrying its value in the first two bytes; the rest holds the
        // next value, as the clients have always received it.
        w.writeU16(aCamPos.PanInRad);
        w.writeU16(aCamPos.Tilt);
        w.writeU16(aCamPos.Tilt);
        w.writeU16(aCamPos.Zoom);
        w.writeU16(aCamPos.Zoom);
        w.writeU16(0);
        qel::WriteProtocolWords(w, aCamPos.Antennas);
    });
}

void TqelProtocol::decodeCamPosition(QBuffer& aDatagram, RqelCamPosCommunication& aCamPos) {
    DecodeDatagram(aDatagram, msg::CamPosition, [&](BinaryReader& r) {
        if (Version() < 7) {
            aCamPos.Antennas.clear();
            return;
        }
        RqelCamPosCommunication result;
        result.CameraIndex = r.readU8();
        result.TimeStampInMS = r.readU32();
        result.PanInRad = static_cast<uint16_t>(r.readU32());
        result.Tilt = static_cast<uint16_t>(r.readU32());
        result.Zoom = static_cast<uint16_t>(r.readU32());
        result.Antennas = qel::ReadProtocolWords(r);
        aCamPos = std::move(result);
    });
}

void TqelProtocol::encodeCameraGetCount(QBuffer& aDatagram) {
    EncodeDatagram(aDatagram, msg::CameraGetCount, [](BinaryWriter&) {});
}

void TqelProtocol::decodeCameraGetCount(QBuffer& aDatagram) {
    DecodeDatagram(aDatagram, msg::CameraGetCount, [](BinaryReader&) {});
}

void TqelProtocol::encodeCameraSettings(QBuffer& aDatagram, const TqelArrayOfCamSetting& aCameraIDs,
                                        int32_t aProtocolVersion) {
    EncodeDatagram(aDatagram, msg::CameraSettings, [&](BinaryWriter& w) {
        // The count is a byte: a longer list goes out cut, with only the entries counted.
        const auto count = static_cast<uint8_t>(std::min<qsizetype>(aCameraIDs.size(), 255));
        w.writeU8(count);
        for (int i = 0; i < count; ++i) {
            const TqelCamSetting& camera = aCameraIDs[i];
            w.writeU8(camera.CameraID);
            qel::WriteProtocolWords(w, camera.FollowingAntennaIDs);
            w.writeU8(camera.ZoomLevel);
            qel::WriteProtocolString(w, camera.IPAddress);
            w.writeU8(camera.CamState);
            w.writeU8(camera.TrackingMode);
            WriteStringList(w, camera.Presets);
            qel::WriteProtocolString(w, camera.Manufacturer);
            w.writeI32(camera.LineIndex);
            qel::WriteProtocolString(w, camera.Username);
            qel::WriteProtocolString(w, camera.Password);
            if (aProtocolVersion >= 17) {
                qel::WriteProtocolString(w, camera.RTSPStream);
                qel::WriteProtocolString(w, camera.GameOnID);
            }
        }
    });
}

void TqelProtocol::decodeCameraSettings(QBuffer& aDatagram, TqelArrayOfCamSetting& aCameraIDs) {
    DecodeDatagram(aDatagram, msg::CameraSettings, [&](BinaryReader& r) {
        const int32_t version = Version();
        const uint8_t count = r.readU8();
        qel::CheckProtocolCount(r, count, MinCamSettingSize(version));
        // Entries the caller had keep what Clear keeps (audio, RTSP stream, GameOn id).
        TqelArrayOfCamSetting result = aCameraIDs;
        result.resize(count);
        for (TqelCamSetting& camera : result) {
            camera.Clear();
            camera.CameraID = r.readU8();
            camera.FollowingAntennaIDs = qel::ReadProtocolWords(r);
            camera.ZoomLevel = r.readU8();
            if (version >= 1) {
                camera.IPAddress = qel::ReadProtocolString(r);
            }
            if (version >= 7) {
                camera.CamState = CamConnectionOf(r.readU8());
                camera.TrackingMode = TrackingModeOf(r.readU8());
            }
            if (version >= 8) {
                camera.Presets = ReadStringList(r);
            }
            if (version >= 9) {
                camera.Manufacturer = qel::ReadProtocolString(r);
            }
            if (version >= 10) {
                camera.LineIndex = r.readI32();
            }
            if (version >= 12) {
                camera.Username = qel::ReadProtocolString(r);
                camera.Password = qel::ReadProtocolString(r);
            }
            if (version >= 17) {
                camera.RTSPStream = qel::ReadProtocolString(r);
                camera.GameOnID = qel::ReadProtocolString(r);
            }
            camera.LPMStartTime = 0;
        }
        aCameraIDs = std::move(result);
    });
}

void TqelProtocol::encodeCameraFollow(QBuffer& aDatagram, uint8_t aCameraIndex,
                                      const TqelArrayOfWord& aAntennaIDs) {
    EncodeDatagram(aDatagram, msg::CameraFollow, [&](BinaryWriter& w) {
        w.writeU8(aCameraIndex);
        qel::WriteProtocolWords(w, aAntennaIDs);
    });
}

void TqelProtocol::decodeCameraFollow(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                      TqelArrayOfWord& aAntennaIDs) {
    DecodeDatagram(aDatagram, msg::CameraFollow, [&](BinaryReader& r) {
        const uint8_t index = r.readU8();
        aAntennaIDs = qel::ReadProtocolWords(r);
        aCameraIndex = index;
    });
}

void TqelProtocol::encodeCameraFollowing(QBuffer& aDatagram, uint8_t aCameraIndex,
                                         const TqelArrayOfWord& aAntennaIDs,
                                         TqelTrackingMode aTrackMode) {
    EncodeDatagram(aDatagram, msg::CameraFollowing, [&](BinaryWriter& w) {
        w.writeU8(aCameraIndex);
        qel::WriteProtocolWords(w, aAntennaIDs);
        w.writeU8(aTrackMode);
    });
}

void TqelProtocol::decodeCameraFollowing(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                         TqelArrayOfWord& aAntennaIDs,
                                         TqelTrackingMode& aTrackMode) {
    DecodeDatagram(aDatagram, msg::CameraFollowing, [&](BinaryReader& r) {
        const uint8_t index = r.readU8();
        TqelArrayOfWord antennas = qel::ReadProtocolWords(r);
        TqelTrackingMode mode;
        if (Version() >= 7) {
            mode = TrackingModeOf(r.readU8());
        } else {
            mode = antennas.isEmpty() ? trkJoystick : trkTransponder;
        }
        aCameraIndex = index;
        aAntennaIDs = std::move(antennas);
        aTrackMode = mode;
    });
}

void TqelProtocol::encodeCameraZoom(QBuffer& aDatagram, uint8_t aCamera, uint8_t aRelativeZoom) {
    EncodeDatagram(aDatagram, msg::CameraZoom, [&](BinaryWriter& w) {
        w.writeU8(aCamera);
        w.writeU8(aRelativeZoom);
    });
}

void TqelProtocol::decodeCameraZoom(QBuffer& aDatagram, uint8_t& aCamera, uint8_t& aRelativeZoom) {
    DecodeDatagram(aDatagram, msg::CameraZoom, [&](BinaryReader& r) {
        const uint8_t camera = r.readU8();
        aRelativeZoom = r.readU8();
        aCamera = camera;
    });
}

void TqelProtocol::encodeCameraGetPositions(QBuffer& aDatagram) {
    EncodeDatagram(aDatagram, msg::CameraGetPositions, [](BinaryWriter&) {});
}

void TqelProtocol::decodeCameraGetPositions(QBuffer& aDatagram) {
    DecodeDatagram(aDatagram, msg::CameraGetPositions, [](BinaryReader&) {});
}

void TqelProtocol::encodeCameraPositions(QBuffer& aDatagram, uint8_t lCameraID,
                                         const TqelArrayOfString& aPositions) {
    EncodeDatagram(aDatagram, msg::CameraPositions, [&](BinaryWriter& w) {
        w.writeU8(lCameraID);
        WriteStringList(w, aPositions);
    });
}

void TqelProtocol::decodeCameraPositions(QBuffer& aDatagram, uint8_t& lCameraID,
                                         TqelArrayOfString& aPositions) {
    DecodeDatagram(aDatagram, msg::CameraPositions, [&](BinaryReader& r) {
        const uint8_t camera = r.readU8();
        aPositions = ReadStringList(r);
        lCameraID = camera;
    });
}

void TqelProtocol::encodeCameraGotoPosition(QBuffer& aDatagram, uint8_t aCameraIndex,
                                            const QString& aPosition) {
    EncodeDatagram(aDatagram, msg::CameraGotoPosition, [&](BinaryWriter& w) {
        w.writeU8(aCameraIndex);
        qel::WriteProtocolString(w, aPosition);
    });
}

void TqelProtocol::decodeCameraGotoPosition(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                            QString& aPosition) {
    DecodeDatagram(aDatagram, msg::CameraGotoPosition, [&](BinaryReader& r) {
        const uint8_t index = r.readU8();
        aPosition = qel::ReadProtocolString(r);
        aCameraIndex = index;
    });
}

void TqelProtocol::encodeCameraManuel(QBuffer& aDatagram, uint8_t aCamera) {
    EncodeDatagram(aDatagram, msg::CameraManuel, [&](BinaryWriter& w) { w.writeU8(aCamera); });
}

void TqelProtocol::decodeCameraManuel(QBuffer& aDatagram, uint8_t& aCamera) {
    DecodeDatagram(aDatagram, msg::CameraManuel, [&](BinaryReader& r) { aCamera = r.readU8(); });
}

void TqelProtocol::encodeCameraZoomed(QBuffer& aDatagram, uint8_t aCameraIndex,
                                      uint8_t aRelativeZoom) {
    EncodeDatagram(aDatagram, msg::CameraZoomed, [&](BinaryWriter& w) {
        w.writeU8(aCameraIndex);
        w.writeU8(aRelativeZoom);
    });
}

void TqelProtocol::decodeCameraZoomed(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                      uint8_t& aRelativeZoom) {
    DecodeDatagram(aDatagram, msg::CameraZoomed, [&](BinaryReader& r) {
        const uint8_t index = r.readU8();
        aRelativeZoom = r.readU8();
        aCameraIndex = index;
    });
}

void TqelProtocol::encodeCameraPTZSpeed(QBuffer& aDatagram, uint8_t aCameraIndex, int32_t aPanSpeed,
                                        int32_t aTiltSpeed, int32_t aZoomSpeed) {
    EncodeDatagram(aDatagram, msg::CameraPTZSpeed, [&](BinaryWriter& w) {
        w.writeU8(aCameraIndex);
        w.writeI32(aPanSpeed);
        w.writeI32(aTiltSpeed);
        w.writeI32(aZoomSpeed);
    });
}

void TqelProtocol::decodeCameraPTZSpeed(QBuffer& aDatagram, uint8_t& aCameraIndex,
                                        int32_t& aPanSpeed, int32_t& aTiltSpeed,
                                        int32_t& aZoomSpeed) {
    DecodeDatagram(aDatagram, msg::CameraPTZSpeed, [&](BinaryReader& r) {
        const uint8_t index = r.readU8();
        const int32_t pan = r.readI32();
        const int32_t tilt = r.readI32();
        aZoomSpeed = r.readI32();
        aCameraIndex = index;
        aPanSpeed = pan;
        aTiltSpeed = tilt;
    });
}

void TqelProtocol::encodeCamRecording(QBuffer& aDatagram, uint8_t aCameraIndex,
                                      TqelCamConnection aCamState, const QString& aFilename,
                                      int32_t aLPMStartTime) {
    EncodeDatagram(aDatagram, msg::CamRecording, [&](BinaryWriter& w) {
        w.writeU8(aCameraIndex);
        w.writeU8(aCamState);
        qel::WriteProtocolString(w, aFilename);
        w.writeI32(aLPMStartTime);
    });
}

void TqelProtocol::decodeCamRecording(QBuffer& aDatagram, uint8_t& aCameraID,
                                      TqelCamConnection& aCamState, QString& aFilename,
                                      int32_t& aLPMStartTime) {
    DecodeDatagram(aDatagram, msg::CamRecording, [&](BinaryReader& r) {
        const int32_t version = Version();
        const uint8_t camera = r.readU8();
        TqelCamConnection state = aCamState;
        QString filename;
        int32_t startTime = aLPMStartTime;
        if (version >= 7) {
            state = CamConnectionOf(r.readU8());
        }
        if (version >= 10) {
            filename = qel::ReadProtocolString(r);
        }
        if (version >= 11) {
            startTime = r.readI32();
        }
        aCameraID = camera;
        aCamState = state;
        aFilename = std::move(filename);
        aLPMStartTime = startTime;
    });
}

// Events, clips, files ------------------------------------------------------------------------

namespace {

void WriteEvent(BinaryWriter& aWriter, const RqelEventFromWeb& anEvent) {
    // The event code takes a 4-byte field; only its first byte carries it.
    aWriter.writeU32(anEvent.EventType);
    aWriter.writeDouble(anEvent.EventTime);
    qel::WriteProtocolString(aWriter, anEvent.EventText);
    aWriter.writeU32(anEvent.EventLPMTime);
    qel::WriteProtocolString(aWriter, qel::GuidToString(anEvent.EventGUID));
}

void ReadEvent(BinaryReader& aReader, RqelEventFromWeb& anEvent) {
    const int32_t version = TqelProtocol::Version();
    RqelEventFromWeb result;
    result.EventType = static_cast<uint8_t>(aReader.readU32());
    result.EventTime = aReader.readDouble();
    result.EventText = qel::ReadProtocolString(aReader);
    if (version >= 2) {
        result.EventLPMTime = aReader.readU32();
    }
    if (version >= 15) {
        result.EventGUID = qel::StringToGuid(qel::ReadProtocolString(aReader));
    }
    anEvent = std::move(result);
}

}  // namespace

void TqelProtocol::encodeEventFromWeb(QBuffer& aDatagram, const RqelEventFromWeb& aEventFromWeb) {
    EncodeDatagram(aDatagram, msg::EventFromWeb,
                   [&](BinaryWriter& w) { WriteEvent(w, aEventFromWeb); });
}

void TqelProtocol::decodeEventFromWeb(QBuffer& aDatagram, RqelEventFromWeb& aEventFromWeb) {
    DecodeDatagram(aDatagram, msg::EventFromWeb,
                   [&](BinaryReader& r) { ReadEvent(r, aEventFromWeb); });
}

void TqelProtocol::encodeEventToClient(QBuffer& aDatagram, const RqelEventFromWeb& aEventFromWeb) {
    EncodeDatagram(aDatagram, msg::EventToClient,
                   [&](BinaryWriter& w) { WriteEvent(w, aEventFromWeb); });
}

void TqelProtocol::decodeEventToClient(QBuffer& aDatagram, RqelEventFromWeb& aEventFromWeb) {
    DecodeDatagram(aDatagram, msg::EventToClient,
                   [&](BinaryReader& r) { ReadEvent(r, aEventFromWeb); });
}

void TqelProtocol::encodePlayListItem(QBuffer& aDatagram, uint8_t aCamera, uint16_t aAntennaID,
                                      int32_t aLPMStartTimeMS, int32_t aLPMEndTimeMS,
                                      int32_t aRunNr, int32_t aSectionNr, int32_t aOrder) {
    EncodeDatagram(aDatagram, msg::PlayListItem, [&](BinaryWriter& w) {
        w.writeU8(aCamera);
        w.writeU16(aAntennaID);
        w.writeI32(aLPMStartTimeMS);
        w.writeI32(aLPMEndTimeMS);
        w.writeI32(aRunNr);
        w.writeI32(aSectionNr);
        w.writeI32(aOrder);
    });
}

void TqelProtocol::decodePlayListItem(QBuffer& aDatagram, uint8_t& aCamera, uint16_t& aAntennaID,
                                      int32_t& aLPMStartTimeMS, int32_t& aLPMEndTimeMS,
                                      int32_t& aRunNr, int32_t& aSectionNr, int32_t& aOrder) {
    DecodeDatagram(aDatagram, msg::PlayListItem, [&](BinaryReader& r) {
        r.checkCount(1 + 2 + 5 * 4, 1);
        aCamera = r.readU8();
        aAntennaID = r.readU16();
        aLPMStartTimeMS = r.readI32();
        aLPMEndTimeMS = r.readI32();
        aRunNr = r.readI32();
        aSectionNr = r.readI32();
        aOrder = r.readI32();
    });
}

void TqelProtocol::encodeClipCreated(QBuffer& aDatagram, const QString& aFilename,
                                     uint16_t aAntennaID, int32_t aLPMStartTimeMS, int32_t aRunNr,
                                     int32_t aSectionNr) {
    EncodeDatagram(aDatagram, msg::ClipCreated, [&](BinaryWriter& w) {
        qel::WriteProtocolString(w, aFilename);
        w.writeU16(aAntennaID);
        w.writeI32(aLPMStartTimeMS);
        w.writeI32(aRunNr);
        w.writeI32(aSectionNr);
    });
}

void TqelProtocol::decodeClipCreated(QBuffer& aDatagram, QString& aFilename, uint16_t& aAntennaID,
                                     int32_t& aLPMStartTimeMS, int32_t& aRunNr,
                                     int32_t& aSectionNr) {
    DecodeDatagram(aDatagram, msg::ClipCreated, [&](BinaryReader& r) {
        QString filename = qel::ReadProtocolString(r);
        r.checkCount(2 + 3 * 4, 1);
        aFilename = std::move(filename);
        aAntennaID = r.readU16();
        aLPMStartTimeMS = r.readI32();
        aRunNr = r.readI32();
        aSectionNr = r.readI32();
    });
}

void TqelProtocol::encodeChangeAthletesVest(QBuffer& aDatagram, const QString& aOldID,
                                            const QString& aNewID) {
    EncodeDatagram(aDatagram, msg::ChangeAthletesVest, [&](BinaryWriter& w) {
        qel::WriteProtocolString(w, aOldID);
        qel::WriteProtocolString(w, aNewID);
    });
}

void TqelProtocol::decodeChangeAthletesVest(QBuffer& aDatagram, QString& aOldID, QString& aNewID) {
    DecodeDatagram(aDatagram, msg::ChangeAthletesVest, [&](BinaryReader& r) {
        QString oldID = qel::ReadProtocolString(r);
        aNewID = qel::ReadProtocolString(r);
        aOldID = std::move(oldID);
    });
}

void TqelProtocol::encodeBalltrackingPostProcessFile(QBuffer& aDatagram, const QString& aFilename) {
    EncodeDatagram(aDatagram, msg::BalltrackingPostProcessFile,
                   [&](BinaryWriter& w) { qel::WriteProtocolString(w, aFilename); });
}

void TqelProtocol::decodeBalltrackingPostProcessFile(QBuffer& aDatagram, QString& aFilename) {
    DecodeDatagram(aDatagram, msg::BalltrackingPostProcessFile,
                   [&](BinaryReader& r) { aFilename = qel::ReadProtocolString(r); });
}

// Data transfer -------------------------------------------------------------------------------

void TqelProtocol::encodeGameInfoToClients(QBuffer& aDatagram, qel::IGameBlock* aGame) {
    EncodeDatagram(aDatagram, msg::GameInfoToClients, [&](BinaryWriter& w) {
        w.writeU8(kStreamVersion);
        w.writeBool(aGame != nullptr);
        if (aGame != nullptr) {
            w.writeI32(aGame->DatasetFirstLPMtime());
            aGame->writeToStream(w, true, false);
        }
    });
}

void TqelProtocol::decodeGameInfoToClients(QBuffer& aDatagram, qel::IGameBlock* aGame) {
    if (Version() != kProtocolVersion) {
        return;
    }
    uint8_t streamVersion = 0;
    int32_t firstLPMtime = 0;
    bool present = false;
    DecodeDatagram(aDatagram, msg::GameInfoToClients, [&](BinaryReader& r) {
        streamVersion = r.readU8();
        present = r.readBool();
        if (present) {
            firstLPMtime = r.readI32();
        }
    });
    if (!present || aGame == nullptr) {
        return;
    }
    aGame->SetDatasetFirstLPMtime(firstLPMtime);
    // The game's own errors reach the caller as they are.
    BinaryReader reader(aDatagram);
    aGame->readFromStream(reader, streamVersion);
}

void TqelProtocol::encodeTransponderToClients(QBuffer& aDatagram,
                                              qel::ITransponderBlock* aTranponder) {
    EncodeDatagram(aDatagram, msg::TransponderToClients, [&](BinaryWriter& w) {
        w.writeU8(kStreamVersion);
        w.writeBool(aTranponder != nullptr);
        if (aTranponder != nullptr) {
            aTranponder->writeToStream(w, nullptr, true);
        }
    });
}

void TqelProtocol::decodeTransponderToClients(QBuffer& aDatagram,
                                              qel::ITransponderBlock* aTransponder) {
    if (Version() != kProtocolVersion) {
        return;
    }
    uint8_t streamVersion = 0;
    bool present = false;
    DecodeDatagram(aDatagram, msg::TransponderToClients, [&](BinaryReader& r) {
        streamVersion = r.readU8();
        present = r.readBool();
    });
    if (!present || aTransponder == nullptr) {
        return;
    }
    BinaryReader reader(aDatagram);
    aTransponder->readFromStream(reader, streamVersion, nullptr);
}

// Live samples --------------------------------------------------------------------------------

namespace qel {

void EncodeUpdateSamples(QBuffer& aDatagram, std::span<const RqelLPMSample> aFirst,
                         std::span<const RqelLPMSample> aSecond) {
    const qint64 count = static_cast<qint64>(aFirst.size() + aSecond.size());
    const qint64 total = TqelProtocol::kHeaderSize + 4 + count * qint64{sizeof(RqelLPMSample)};
    if (total > TqelProtocol::kMaxDatagramSize) {
        throw EAssertionFailed(QStringLiteral("%1 samples do not fit one datagram").arg(count));
    }
    TqelProtocol::encodeUpdate(aDatagram);
    aDatagram.buffer().reserve(total);
    BinaryWriter writer(aDatagram);
    writer.writeI32(static_cast<int32_t>(count));
    // The samples are their wire bytes already.
    writer.writeBytes(aFirst.data(), static_cast<qint64>(aFirst.size_bytes()));
    writer.writeBytes(aSecond.data(), static_cast<qint64>(aSecond.size_bytes()));
    TqelProtocol::formatDatagram(aDatagram, msg::Update);
}

}  // namespace qel
