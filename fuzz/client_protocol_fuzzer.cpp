// Feeds arbitrary bytes to the client protocol's boundary check and decoders. The first input
// byte steers: its low five bits are the decoders' version, bit 7 makes the length field agree
// with the datagram's size (so that mutations reach the payloads), the rest is the datagram.
// The codec may raise its own exceptions; anything else, a crash or a sanitizer report is a
// finding.

#include <QBuffer>
#include <QByteArray>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "foundation/protocol/client_protocol.h"

namespace {

// Reads a block the way the data model's objects do: an id, then counted bytes.
void ReadBlock(qel::BinaryReader& aStream) {
    aStream.readI32();
    const uint32_t count = aStream.readU32();
    aStream.checkCount(count, 1);
    aStream.skip(count);
}

class FuzzGame : public qel::IGameBlock {
public:
    void writeToStream(qel::BinaryWriter&, bool, bool) override {}
    void readFromStream(qel::BinaryReader& aStream, uint8_t) override { ReadBlock(aStream); }
    int32_t DatasetFirstLPMtime() const override { return FFirst; }
    void SetDatasetFirstLPMtime(int32_t aValue) override { FFirst = aValue; }

private:
    int32_t FFirst = 0;
};

class FuzzTransponder : public qel::ITransponderBlock {
public:
    void writeToStream(qel::BinaryWriter&, IlpmProgress*, bool) override {}
    void readFromStream(qel::BinaryReader& aStream, uint8_t, IlpmProgress*) override {
        ReadBlock(aStream);
    }
};

void SetVersion(int32_t aVersion) {
    QByteArray bytes(12, '\0');
    bytes[0] = 99;
    bytes[4] = 12;
    std::memcpy(bytes.data() + 8, &aVersion, 4);
    QBuffer datagram(&bytes);
    datagram.open(QIODevice::ReadOnly);
    TqelProtocol::decodeProtocolVersion(datagram);
}

void Check(bool aCondition) {
    if (!aCondition) {
        std::abort();
    }
}

void Decode(QBuffer& d) {
    int32_t i1 = 0, i2 = 0, i3 = 0, i4 = 0, i5 = 0;
    uint32_t u1 = 0;
    uint16_t w1 = 0;
    uint8_t b1 = 0, b2 = 0;
    bool flag = false;
    QString s1, s2;
    TqelMeasurementStatus state = imsNone;
    switch (TqelProtocol::DatagramType(d)) {
        case 1:
            TqelProtocol::decodeActivateMeasurement(d, i1, i2);
            break;
        case 2:
            TqelProtocol::decodeActivateMeasurementResponse(d, state);
            break;
        case 3:
            TqelProtocol::decodeLogout(d);
            break;
        case 4:
            TqelProtocol::decodeCurrentStatus(d, i1, i2, state, i3, s1);
            break;
        case 5:
            TqelProtocol::decodeMeasurementStateChanged(d, state, i1);
            break;
        case 6:
            TqelProtocol::decodeAuthenticatedUser(d, s1, i1);
            break;
        case 7:
            TqelProtocol::decodeReconnected(d, u1);
            break;
        case 8:
            TqelProtocol::decodeGetLastSendLPMTimestamp(d);
            break;
        case 9:
            TqelProtocol::decodeLastSendLPMTimestamp(d, u1);
            break;
        case 10: {
            TqelProtocol::decodeUpdate(d, i1);
            Check(i1 >= 0 && d.size() - d.pos() >= qint64{i1} * 32);
            RqelLPMSample sample;
            for (int32_t i = 0; i < i1; ++i) {
                Check(d.read(reinterpret_cast<char*>(sample.bytes), 32) == 32);
            }
            break;
        }
        case 11:
            TqelProtocol::decodeLiveData(d, i1);
            break;
        case 12: {
            RqelCamPosCommunication position;
            TqelProtocol::decodeCamPosition(d, position);
            break;
        }
        case 15:
            TqelProtocol::decodeStartRecording(d, i1, flag);
            break;
        case 16:
            TqelProtocol::decodeStopRecording(d);
            break;
        case 17:
            TqelProtocol::decodeVideoRecording(d, flag);
            break;
        case 18:
            TqelProtocol::decodeCameraGetCount(d);
            break;
        case 19: {
            TqelArrayOfCamSetting cameras(2);
            TqelProtocol::decodeCameraSettings(d, cameras);
            for (const TqelCamSetting& camera : cameras) {
                Check(camera.CamState <= comNotRecording && camera.TrackingMode <= trkAuto);
            }
            break;
        }
        case 20: {
            TqelArrayOfWord antennas;
            TqelProtocol::decodeCameraFollow(d, b1, antennas);
            break;
        }
        case 21: {
            TqelArrayOfWord antennas;
            TqelTrackingMode mode = trkNone;
            TqelProtocol::decodeCameraFollowing(d, b1, antennas, mode);
            Check(mode <= trkAuto);
            break;
        }
        case 22:
            TqelProtocol::decodeCameraZoom(d, b1, b2);
            break;
        case 23:
            TqelProtocol::decodeCameraGetPositions(d);
            break;
        case 24: {
            TqelArrayOfString names;
            TqelProtocol::decodeCameraPositions(d, b1, names);
            break;
        }
        case 25:
            TqelProtocol::decodeCameraGotoPosition(d, b1, s1);
            break;
        case 26:
            TqelProtocol::decodeCameraManuel(d, b1);
            break;
        case 27:
            TqelProtocol::decodeCameraZoomed(d, b1, b2);
            break;
        case 28:
            TqelProtocol::decodeCameraPTZSpeed(d, b1, i1, i2, i3);
            break;
        case 29: {
            TqelCamConnection camState = comNA;
            TqelProtocol::decodeCamRecording(d, b1, camState, s1, i1);
            Check(camState <= comNotRecording);
            break;
        }
        case 40:
        case 41: {
            RqelEventFromWeb event;
            if (TqelProtocol::DatagramType(d) == 40) {
                TqelProtocol::decodeEventFromWeb(d, event);
            } else {
                TqelProtocol::decodeEventToClient(d, event);
            }
            break;
        }
        case 42:
            TqelProtocol::decodePlayListItem(d, b1, w1, i1, i2, i3, i4, i5);
            break;
        case 43:
            TqelProtocol::decodeClipCreated(d, s1, w1, i1, i2, i3);
            break;
        case 44:
            TqelProtocol::decodeChangeAthletesVest(d, s1, s2);
            break;
        case 50:
            TqelProtocol::decodeBalltrackingPostProcessFile(d, s1);
            break;
        case 60:
            TqelProtocol::decodeMainClientRequest(d);
            break;
        case 61:
            TqelProtocol::decodeMainClientReply(d, flag);
            break;
        case 71: {
            FuzzGame game;
            TqelProtocol::decodeGameInfoToClients(d, &game);
            break;
        }
        case 72: {
            FuzzTransponder transponder;
            TqelProtocol::decodeTransponderToClients(d, &transponder);
            break;
        }
        case 98: {
            TqelEventMessageType type = emtNone;
            TqelProtocol::decodeEventMessageText(d, type, s1);
            Check(type <= emtDebug);
            break;
        }
        case 99:
            TqelProtocol::decodeProtocolVersion(d);
            break;
        default:
            break;
    }
    Check(state <= imsRecordingServerFailed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
    if (aSize < 1 || aSize > 1 << 20) {
        return 0;
    }
    const uint8_t control = aData[0];
    QByteArray bytes(reinterpret_cast<const char*>(aData + 1), static_cast<qsizetype>(aSize - 1));
    const auto size = static_cast<int32_t>(bytes.size());

    int32_t length = -1;
    try {
        TqelProtocol::BoundaryCheck(bytes.constData(), size, length);
        Check(length == -1 || (length >= 8 && length <= size));
    } catch (const EqelProtocolError&) {
    }

    if ((control & 0x80) != 0 && size >= 8) {
        std::memcpy(bytes.data() + 4, &size, 4);
    }
    SetVersion(control & 0x1F);
    QBuffer datagram(&bytes);
    datagram.open(QIODevice::ReadWrite);
    datagram.seek(size);
    try {
        Decode(datagram);
    } catch (const Exception&) {
        // The codec's errors, the stream's, and conversion errors: all expected for bad input.
    }
    return 0;
}
