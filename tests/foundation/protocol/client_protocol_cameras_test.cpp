#include <gtest/gtest.h>

#include <QBuffer>
#include <QUuid>
#include <functional>
#include <vector>

#include "client_protocol_test_support.h"
#include "foundation/protocol/client_protocol.h"

namespace {

using qel::test::Encoded;
using qel::test::ExpectMessages;
using qel::test::Hex;
using qel::test::Message;
using qel::test::Received;
using qel::test::SetDecoderVersion;

using ClientProtocolCamerasTest = qel::test::ClientProtocolFixture;

const char* const kGuidText = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
// The GUID above as a protocol string.
#define GUID_HEX                                                                                 \
    "2600 7B00 3000 3100 3200 3300 3400 3500 3600 3700 2D00 3800 3900 4100 4200 2D00 4300 4400 " \
    "4500 4600 2D00 3000 3100 3200 3300 2D00 3400 3500 3600 3700 3800 3900 4100 4200 4300 4400 " \
    "4500 4600 7D00"

TqelCamSetting Camera() {
    TqelCamSetting camera;
    camera.CameraID = 3;
    camera.FollowingAntennaIDs = {7};
    camera.ZoomLevel = 4;
    camera.IPAddress = QStringLiteral("ip");
    camera.CamState = comConnected;
    camera.TrackingMode = trkTransponder;
    camera.Presets = {QStringLiteral("p")};
    camera.Manufacturer = QStringLiteral("m");
    camera.LineIndex = 9;
    camera.Username = QStringLiteral("u");
    camera.Password = QStringLiteral("w");
    camera.RTSPStream = QStringLiteral("r");
    camera.GameOnID = QStringLiteral("g");
    // Not sent.
    camera.RecordingType = QStringLiteral("rt");
    camera.Filename = QStringLiteral("file");
    camera.LPMStartTime = 55;
    return camera;
}

void ExpectSameCamera(const TqelCamSetting& anActual, const TqelCamSetting& anExpected) {
    EXPECT_EQ(anActual.CameraID, anExpected.CameraID);
    EXPECT_EQ(anActual.FollowingAntennaIDs, anExpected.FollowingAntennaIDs);
    EXPECT_EQ(anActual.ZoomLevel, anExpected.ZoomLevel);
    EXPECT_EQ(anActual.IPAddress, anExpected.IPAddress);
    EXPECT_EQ(anActual.CamState, anExpected.CamState);
    EXPECT_EQ(anActual.TrackingMode, anExpected.TrackingMode);
    EXPECT_EQ(anActual.Presets, anExpected.Presets);
    EXPECT_EQ(anActual.Manufacturer, anExpected.Manufacturer);
    EXPECT_EQ(anActual.LineIndex, anExpected.LineIndex);
    EXPECT_EQ(anActual.Username, anExpected.Username);
    EXPECT_EQ(anActual.Password, anExpected.Password);
    EXPECT_EQ(anActual.RTSPStream, anExpected.RTSPStream);
    EXPECT_EQ(anActual.GameOnID, anExpected.GameOnID);
    EXPECT_EQ(anActual.RecordingType, anExpected.RecordingType);
    EXPECT_EQ(anActual.Filename, anExpected.Filename);
    EXPECT_EQ(anActual.LPMStartTime, anExpected.LPMStartTime);
}

RqelEventFromWeb Event() {
    RqelEventFromWeb event;
    event.EventType = 7;
    event.EventTime = 1.5;
    event.EventText = QStringLiteral("x");
    event.EventLPMTime = 0x10;
    event.EventGUID = QUuid::fromString(QLatin1String(kGuidText));
    return event;
}

void ExpectSameEvent(const RqelEventFromWeb& anActual, const RqelEventFromWeb& anExpected) {
    EXPECT_EQ(anActual.EventType, anExpected.EventType);
    EXPECT_EQ(anActual.EventTime, anExpected.EventTime);
    EXPECT_EQ(anActual.EventText, anExpected.EventText);
    EXPECT_EQ(anActual.EventLPMTime, anExpected.EventLPMTime);
    EXPECT_EQ(anActual.EventGUID, anExpected.EventGUID);
}

TEST_F(ClientProtocolCamerasTest, CameraMessagesEncodeToTheirBytesAndDecodeBack) {
    ExpectMessages({
        {"12 CamPosition",
         [](QBuffer& d) {
             RqelCamPosCommunication position;
             position.CameraIndex = 2;
             position.TimeStampInMS = 0x01020304;
             position.PanInRad = 1000;
             position.Tilt = 2000;
             position.Zoom = 300;
             position.Antennas = {5, 0x0102};
             TqelProtocol::encodeCamPositon(d, position);
         },
         "0C000000 1E000000 02 04030201 E803D007 D0072C01 2C010000 02 0500 0201",
         [](QBuffer& d) {
             RqelCamPosCommunication position;
             TqelProtocol::decodeCamPosition(d, position);
             EXPECT_EQ(position.CameraIndex, 2);
             EXPECT_EQ(position.TimeStampInMS, 0x01020304u);
             EXPECT_EQ(position.PanInRad, 1000);
             EXPECT_EQ(position.Tilt, 2000);
             EXPECT_EQ(position.Zoom, 300);
             EXPECT_EQ(position.Antennas, TqelArrayOfWord({5, 0x0102}));
         }},
        {"18 CameraGetCount", [](QBuffer& d) { TqelProtocol::encodeCameraGetCount(d); },
         "12000000 08000000", [](QBuffer& d) { TqelProtocol::decodeCameraGetCount(d); }},
        {"19 CameraSettings",
         [](QBuffer& d) { TqelProtocol::encodeCameraSettings(d, {Camera()}, 17); },
         "13000000 33000000 01 03 01 0700 04 0200 6900 7000 01 02 01 0100 7000 0100 6D00 "
         "09000000 0100 7500 0100 7700 0100 7200 0100 6700",
         [](QBuffer& d) {
             TqelArrayOfCamSetting cameras;
             TqelProtocol::decodeCameraSettings(d, cameras);
             ASSERT_EQ(cameras.size(), 1);
             TqelCamSetting expected = Camera();
             expected.RecordingType.clear();
             expected.Filename.clear();
             expected.LPMStartTime = 0;
             ExpectSameCamera(cameras[0], expected);
         }},
        {"20 CameraFollow",
         [](QBuffer& d) {
             TqelProtocol::encodeCameraFollow(d, 1, {3, 4});
         },
         "14000000 0E000000 01 02 0300 0400",
         [](QBuffer& d) {
             uint8_t camera = 0;
             TqelArrayOfWord antennas;
             TqelProtocol::decodeCameraFollow(d, camera, antennas);
             EXPECT_EQ(camera, 1);
             EXPECT_EQ(antennas, TqelArrayOfWord({3, 4}));
         }},
        {"21 CameraFollowing",
         [](QBuffer& d) { TqelProtocol::encodeCameraFollowing(d, 1, {3}, trkPosition); },
         "15000000 0D000000 01 01 0300 03",
         [](QBuffer& d) {
             uint8_t camera = 0;
             TqelArrayOfWord antennas;
             TqelTrackingMode mode = trkNone;
             TqelProtocol::decodeCameraFollowing(d, camera, antennas, mode);
             EXPECT_EQ(camera, 1);
             EXPECT_EQ(antennas, TqelArrayOfWord({3}));
             EXPECT_EQ(mode, trkPosition);
         }},
        {"22 CameraZoom", [](QBuffer& d) { TqelProtocol::encodeCameraZoom(d, 2, 0xFE); },
         "16000000 0A000000 02 FE",
         [](QBuffer& d) {
             uint8_t camera = 0, zoom = 0;
             TqelProtocol::decodeCameraZoom(d, camera, zoom);
             EXPECT_EQ(camera, 2);
             EXPECT_EQ(zoom, 0xFE);
         }},
        {"23 CameraGetPositions", [](QBuffer& d) { TqelProtocol::encodeCameraGetPositions(d); },
         "17000000 08000000", [](QBuffer& d) { TqelProtocol::decodeCameraGetPositions(d); }},
        {"24 CameraPositions",
         [](QBuffer& d) {
             TqelProtocol::encodeCameraPositions(
                 d, 5, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
         },
         "18000000 16000000 05 03 0100 4100 0100 4200 0100 4300",
         [](QBuffer& d) {
             uint8_t camera = 0;
             TqelArrayOfString names;
             TqelProtocol::decodeCameraPositions(d, camera, names);
             EXPECT_EQ(camera, 5);
             EXPECT_EQ(names, TqelArrayOfString({"A", "B", "C"}));
         }},
        {"24 CameraPositions without names",
         [](QBuffer& d) { TqelProtocol::encodeCameraPositions(d, 5, {}); },
         "18000000 0A000000 05 00",
         [](QBuffer& d) {
             uint8_t camera = 0;
             TqelArrayOfString names = {QStringLiteral("old")};
             TqelProtocol::decodeCameraPositions(d, camera, names);
             EXPECT_TRUE(names.isEmpty());
         }},
        {"25 CameraGotoPosition",
         [](QBuffer& d) { TqelProtocol::encodeCameraGotoPosition(d, 1, QStringLiteral("Home")); },
         "19000000 13000000 01 0400 4800 6F00 6D00 6500",
         [](QBuffer& d) {
             uint8_t camera = 0;
             QString position;
             TqelProtocol::decodeCameraGotoPosition(d, camera, position);
             EXPECT_EQ(camera, 1);
             EXPECT_EQ(position, QStringLiteral("Home"));
         }},
        {"26 CameraManuel", [](QBuffer& d) { TqelProtocol::encodeCameraManuel(d, 4); },
         "1A000000 09000000 04",
         [](QBuffer& d) {
             uint8_t camera = 0;
             TqelProtocol::decodeCameraManuel(d, camera);
             EXPECT_EQ(camera, 4);
         }},
        {"27 CameraZoomed", [](QBuffer& d) { TqelProtocol::encodeCameraZoomed(d, 1, 3); },
         "1B000000 0A000000 01 03",
         [](QBuffer& d) {
             uint8_t camera = 0, zoom = 0;
             TqelProtocol::decodeCameraZoomed(d, camera, zoom);
             EXPECT_EQ(camera, 1);
             EXPECT_EQ(zoom, 3);
         }},
        {"28 CameraPTZSpeed",
         [](QBuffer& d) { TqelProtocol::encodeCameraPTZSpeed(d, 2, -1, 100, 0x01020304); },
         "1C000000 15000000 02 FFFFFFFF 64000000 04030201",
         [](QBuffer& d) {
             uint8_t camera = 0;
             int32_t pan = 0, tilt = 0, zoom = 0;
             TqelProtocol::decodeCameraPTZSpeed(d, camera, pan, tilt, zoom);
             EXPECT_EQ(camera, 2);
             EXPECT_EQ(pan, -1);
             EXPECT_EQ(tilt, 100);
             EXPECT_EQ(zoom, 0x01020304);
         }},
        {"29 CamRecording",
         [](QBuffer& d) {
             TqelProtocol::encodeCamRecording(d, 1, comRecording, QStringLiteral("f"), 5000);
         },
         "1D000000 12000000 01 04 0100 6600 88130000",
         [](QBuffer& d) {
             uint8_t camera = 0;
             TqelCamConnection state = comNA;
             QString file;
             int32_t start = 0;
             TqelProtocol::decodeCamRecording(d, camera, state, file, start);
             EXPECT_EQ(camera, 1);
             EXPECT_EQ(state, comRecording);
             EXPECT_EQ(file, QStringLiteral("f"));
             EXPECT_EQ(start, 5000);
         }},
    });
}

TEST_F(ClientProtocolCamerasTest, EventClipAndFileMessagesEncodeToTheirBytesAndDecodeBack) {
    ExpectMessages({
        {"40 EventFromWeb", [](QBuffer& d) { TqelProtocol::encodeEventFromWeb(d, Event()); },
         "28000000 6A000000 07000000 000000000000F83F 0100 7800 10000000 " GUID_HEX,
         [](QBuffer& d) {
             RqelEventFromWeb event;
             TqelProtocol::decodeEventFromWeb(d, event);
             ExpectSameEvent(event, Event());
         }},
        {"41 EventToClient", [](QBuffer& d) { TqelProtocol::encodeEventToClient(d, Event()); },
         "29000000 6A000000 07000000 000000000000F83F 0100 7800 10000000 " GUID_HEX,
         [](QBuffer& d) {
             RqelEventFromWeb event;
             TqelProtocol::decodeEventToClient(d, event);
             ExpectSameEvent(event, Event());
         }},
        {"42 PlayListItem",
         [](QBuffer& d) { TqelProtocol::encodePlayListItem(d, 1, 0x0203, 10, 20, 3, 4, 5); },
         "2A000000 1F000000 01 0302 0A000000 14000000 03000000 04000000 05000000",
         [](QBuffer& d) {
             uint8_t camera = 0;
             uint16_t antenna = 0;
             int32_t start = 0, end = 0, run = 0, section = 0, order = 0;
             TqelProtocol::decodePlayListItem(d, camera, antenna, start, end, run, section, order);
             EXPECT_EQ(camera, 1);
             EXPECT_EQ(antenna, 0x0203);
             EXPECT_EQ(start, 10);
             EXPECT_EQ(end, 20);
             EXPECT_EQ(run, 3);
             EXPECT_EQ(section, 4);
             EXPECT_EQ(order, 5);
         }},
        {"43 ClipCreated",
         [](QBuffer& d) { TqelProtocol::encodeClipCreated(d, QStringLiteral("c"), 7, 100, 2, 3); },
         "2B000000 1A000000 0100 6300 0700 64000000 02000000 03000000",
         [](QBuffer& d) {
             QString file;
             uint16_t antenna = 0;
             int32_t start = 0, run = 0, section = 0;
             TqelProtocol::decodeClipCreated(d, file, antenna, start, run, section);
             EXPECT_EQ(file, QStringLiteral("c"));
             EXPECT_EQ(antenna, 7);
             EXPECT_EQ(start, 100);
             EXPECT_EQ(run, 2);
             EXPECT_EQ(section, 3);
         }},
        {"44 ChangeAthletesVest",
         [](QBuffer& d) {
             TqelProtocol::encodeChangeAthletesVest(d, QStringLiteral("A1"), QStringLiteral("B2"));
         },
         "2C000000 14000000 0200 4100 3100 0200 4200 3200",
         [](QBuffer& d) {
             QString oldID, newID;
             TqelProtocol::decodeChangeAthletesVest(d, oldID, newID);
             EXPECT_EQ(oldID, QStringLiteral("A1"));
             EXPECT_EQ(newID, QStringLiteral("B2"));
         }},
        {"50 BalltrackingPostProcessFile",
         [](QBuffer& d) {
             TqelProtocol::encodeBalltrackingPostProcessFile(d, QStringLiteral("f.bt"));
         },
         "32000000 12000000 0400 6600 2E00 6200 7400",
         [](QBuffer& d) {
             QString file;
             TqelProtocol::decodeBalltrackingPostProcessFile(d, file);
             EXPECT_EQ(file, QStringLiteral("f.bt"));
         }},
    });
}

// --- Cameras by version ------------------------------------------------------------------------

TEST_F(ClientProtocolCamerasTest, CameraSettingsFollowTheReceiversVersion) {
    const TqelArrayOfCamSetting two = {Camera(), Camera()};
    const QByteArray v16 =
        Encoded([&](QBuffer& d) { TqelProtocol::encodeCameraSettings(d, two, 16); });
    const QByteArray v17 =
        Encoded([&](QBuffer& d) { TqelProtocol::encodeCameraSettings(d, two, 17); });
    const QByteArray entry16 =
        Hex("03 01 0700 04 0200 6900 7000 01 02 01 0100 7000 0100 6D00 09000000 0100 7500 0100 "
            "7700");
    const QByteArray strings17 = Hex("0100 7200 0100 6700");
    EXPECT_EQ(v16.mid(8).toHex(' '), (Hex("02") + entry16 + entry16).toHex(' '));
    EXPECT_EQ(v17.mid(8).toHex(' '),
              (Hex("02") + entry16 + strings17 + entry16 + strings17).toHex(' '));
}

TEST_F(ClientProtocolCamerasTest, CameraSettingsDecodeByVersion) {
    // The fields each version adds, in their order.
    struct Gate {
        int32_t version;
        const char* hex;
        std::function<void(TqelCamSetting&, const TqelCamSetting&)> take;
    };
    const std::vector<Gate> gates = {
        {0, "03 01 0700 04",
         [](TqelCamSetting& c, const TqelCamSetting& s) {
             c.CameraID = s.CameraID;
             c.FollowingAntennaIDs = s.FollowingAntennaIDs;
             c.ZoomLevel = s.ZoomLevel;
         }},
        {1, "0200 6900 7000",
         [](TqelCamSetting& c, const TqelCamSetting& s) { c.IPAddress = s.IPAddress; }},
        {7, "01 02",
         [](TqelCamSetting& c, const TqelCamSetting& s) {
             c.CamState = s.CamState;
             c.TrackingMode = s.TrackingMode;
         }},
        {8, "01 0100 7000",
         [](TqelCamSetting& c, const TqelCamSetting& s) { c.Presets = s.Presets; }},
        {9, "0100 6D00",
         [](TqelCamSetting& c, const TqelCamSetting& s) { c.Manufacturer = s.Manufacturer; }},
        {10, "09000000",
         [](TqelCamSetting& c, const TqelCamSetting& s) { c.LineIndex = s.LineIndex; }},
        {12, "0100 7500 0100 7700",
         [](TqelCamSetting& c, const TqelCamSetting& s) {
             c.Username = s.Username;
             c.Password = s.Password;
         }},
        {17, "0100 7200 0100 6700",
         [](TqelCamSetting& c, const TqelCamSetting& s) {
             c.RTSPStream = s.RTSPStream;
             c.GameOnID = s.GameOnID;
         }},
    };
    // Each gate's version and the one below it.
    for (int32_t version : {0, 1, 6, 7, 8, 9, 10, 11, 12, 16, 17, 19}) {
        SCOPED_TRACE(version);
        QByteArray entry;
        // What a caller's entry keeps: Clear leaves audio, RTSP stream and GameOn id alone.
        TqelCamSetting expected;
        expected.EnableAudio = true;
        expected.RTSPStream = QStringLiteral("old rtsp");
        expected.GameOnID = QStringLiteral("old id");
        for (const Gate& gate : gates) {
            if (gate.version <= version) {
                entry += Hex(gate.hex);
                gate.take(expected, Camera());
            }
        }
        SetDecoderVersion(version);
        Received datagram(Message(19, ("02 " + entry.toHex() + entry.toHex()).constData()));
        TqelArrayOfCamSetting cameras(1);
        cameras[0].EnableAudio = true;
        cameras[0].RTSPStream = QStringLiteral("old rtsp");
        cameras[0].GameOnID = QStringLiteral("old id");
        cameras[0].LPMStartTime = 12;
        TqelProtocol::decodeCameraSettings(*datagram, cameras);
        ASSERT_EQ(cameras.size(), 2);
        ExpectSameCamera(cameras[0], expected);
        EXPECT_EQ(cameras[0].EnableAudio, true);
        EXPECT_EQ(cameras[1].CameraID, 3);
        EXPECT_EQ(datagram.unread(), 0);
    }
}

TEST_F(ClientProtocolCamerasTest, OlderCameraLayouts) {
    // CamPosition before 7: nothing read, the antennas emptied.
    SetDecoderVersion(6);
    RqelCamPosCommunication position;
    position.CameraIndex = 9;
    position.Antennas = {1};
    TqelProtocol::decodeCamPosition(*Received("0C000000 08000000"), position);
    EXPECT_EQ(position.CameraIndex, 9);
    EXPECT_TRUE(position.Antennas.isEmpty());

    // CameraFollowing before 7: the mode follows from the antennas.
    struct Following {
        int32_t version;
        const char* bytes;
        TqelTrackingMode mode;
    };
    for (const Following& c : std::vector<Following>{
             {6, "15000000 0A000000 01 00", trkJoystick},
             {6, "15000000 0C000000 01 01 0300", trkTransponder},
             {7, "15000000 0B000000 01 00 04", trkAuto},
         }) {
        SCOPED_TRACE(c.bytes);
        SetDecoderVersion(c.version);
        Received datagram(c.bytes);
        uint8_t camera = 0;
        TqelArrayOfWord antennas;
        TqelTrackingMode mode = trkNone;
        TqelProtocol::decodeCameraFollowing(*datagram, camera, antennas, mode);
        EXPECT_EQ(mode, c.mode);
        EXPECT_EQ(datagram.unread(), 0);
    }

    // CamRecording: state from 7, file name from 10, start time from 11. Callers preset
    // comUnknown, "old" and 77.
    struct Recording {
        int32_t version;
        const char* payload;
        TqelCamConnection state;
        const char* file;
        int32_t start;
    };
    for (const Recording& c : std::vector<Recording>{
             {6, "01", comUnknown, "", 77},
             {7, "01 04", comRecording, "", 77},
             {9, "01 04", comRecording, "", 77},
             {10, "01 04 0100 6600", comRecording, "f", 77},
             {11, "01 04 0100 6600 88130000", comRecording, "f", 5000},
         }) {
        SCOPED_TRACE(c.version);
        SetDecoderVersion(c.version);
        Received datagram(Message(29, c.payload));
        uint8_t camera = 0;
        TqelCamConnection state = comUnknown;
        QString file = QStringLiteral("old");
        int32_t start = 77;
        TqelProtocol::decodeCamRecording(*datagram, camera, state, file, start);
        EXPECT_EQ(camera, 1);
        EXPECT_EQ(state, c.state);
        EXPECT_EQ(file, QString::fromLatin1(c.file));
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(datagram.unread(), 0);
    }
}

TEST_F(ClientProtocolCamerasTest, CameraValuesOutOfRangeAndCountsPastTheEnd) {
    std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"tracking mode 5",
         [] {
             uint8_t camera;
             TqelArrayOfWord antennas;
             TqelTrackingMode mode;
             TqelProtocol::decodeCameraFollowing(*Received(Message(21, "01 00 05")), camera,
                                                 antennas, mode);
         }},
        {"camera state 6",
         [] {
             uint8_t camera;
             TqelCamConnection state;
             QString file;
             int32_t start;
             TqelProtocol::decodeCamRecording(*Received(Message(29, "01 06 0000 00000000")), camera,
                                              state, file, start);
         }},
        {"camera state 6 in the settings",
         [] {
             TqelArrayOfCamSetting cameras;
             TqelProtocol::decodeCameraSettings(
                 *Received(
                     Message(19, "01 03 00 04 0000 06 00 00 0000 00000000 0000 0000 0000 0000")),
                 cameras);
         }},
        {"more cameras than bytes",
         [] {
             TqelArrayOfCamSetting cameras;
             TqelProtocol::decodeCameraSettings(*Received(Message(19, "FF 03 00 04")), cameras);
         }},
        {"more presets than bytes",
         [] {
             TqelArrayOfCamSetting cameras;
             TqelProtocol::decodeCameraSettings(
                 *Received(
                     Message(19, "01 03 00 04 0000 01 00 09 0000 00000000 0000 0000 0000 0000")),
                 cameras);
         }},
        {"more position names than bytes",
         [] {
             uint8_t camera;
             TqelArrayOfString names;
             TqelProtocol::decodeCameraPositions(*Received(Message(24, "05 03 0100 4100")), camera,
                                                 names);
         }},
        {"a cut-off camera position",
         [] {
             RqelCamPosCommunication position;
             TqelProtocol::decodeCamPosition(*Received(Message(12, "02 04030201 E803D007")),
                                             position);
         }},
    };
    for (const auto& [name, decode] : cases) {
        SCOPED_TRACE(name);
        EXPECT_THROW(decode(), EqelProtocolError);
    }
}

// --- Events ------------------------------------------------------------------------------------

TEST_F(ClientProtocolCamerasTest, EventLayoutsByVersion) {
    struct Case {
        int32_t version;
        const char* payload;
        uint32_t lpmTime;
        bool guid;
    };
    // The upper three bytes of the event code carry nothing.
    const std::vector<Case> cases = {
        {1, "07FFFFFF 000000000000F83F 0100 7800", 0, false},
        {2, "07FFFFFF 000000000000F83F 0100 7800 10000000", 0x10, false},
        {14, "07FFFFFF 000000000000F83F 0100 7800 10000000", 0x10, false},
        {15, "07FFFFFF 000000000000F83F 0100 7800 10000000 " GUID_HEX, 0x10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        SetDecoderVersion(c.version);
        Received datagram(Message(40, c.payload));
        RqelEventFromWeb event = Event();
        event.EventText = QStringLiteral("old");
        TqelProtocol::decodeEventFromWeb(*datagram, event);
        RqelEventFromWeb expected = Event();
        expected.EventLPMTime = c.lpmTime;
        if (!c.guid) {
            expected.EventGUID = QUuid();
        }
        ExpectSameEvent(event, expected);
        EXPECT_EQ(datagram.unread(), 0);
    }
}

TEST_F(ClientProtocolCamerasTest, EventGuidTextMustBeAGuid) {
    const auto decode = [](const QString& aText) {
        QBuffer datagram;
        datagram.open(QIODevice::ReadWrite);
        TqelProtocol::InitDatagram(datagram);
        datagram.write(Hex("07000000 000000000000F83F 0000 00000000"));
        TqelProtocol::WriteString(datagram, aText);
        TqelProtocol::formatDatagram(datagram, 41);
        RqelEventFromWeb event;
        TqelProtocol::decodeEventToClient(datagram, event);
        return event.EventGUID;
    };
    EXPECT_EQ(decode(QStringLiteral("{01234567-89ab-cdef-0123-456789abcdef}")),
              QUuid::fromString(QLatin1String(kGuidText)));
    for (const char* text :
         {"", "01234567-89AB-CDEF-0123-456789ABCDEF", "{01234567-89AB-CDEF-0123-456789ABCDEG}",
          "{01234567-89AB-CDEF-0123+456789ABCDEF}", "{01234567-89AB-CDEF-0123-456789ABCDEF} ",
          "{}"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(decode(QString::fromLatin1(text)), EConvertError);
    }
}

// --- Games and transponders --------------------------------------------------------------------

// A game block: its id, then the two flags it was written with.
class FakeGame : public qel::IGameBlock {
public:
    void writeToStream(qel::BinaryWriter& aStream, bool aWriteCompleteTeams,
                       bool aWriteCalculations) override {
        aStream.writeI32(Id);
        aStream.writeBool(aWriteCompleteTeams);
        aStream.writeBool(aWriteCalculations);
    }
    void readFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override {
        ReadVersion = aVersion;
        Id = aStream.readI32();
        CompleteTeams = aStream.readBool();
        Calculations = aStream.readBool();
    }
    int32_t DatasetFirstLPMtime() const override { return FirstLPMtime; }
    void SetDatasetFirstLPMtime(int32_t aValue) override { FirstLPMtime = aValue; }

    int32_t Id = 0;
    int32_t FirstLPMtime = 0;
    int ReadVersion = -1;
    bool CompleteTeams = false;
    bool Calculations = true;
};

// A transponder block: its id, then the properties-only flag and whether progress was given.
class FakeTransponder : public qel::ITransponderBlock {
public:
    void writeToStream(qel::BinaryWriter& aStream, IlpmProgress* aProgressCallback,
                       bool aPropertiesOnly) override {
        aStream.writeI32(Id);
        aStream.writeBool(aPropertiesOnly);
        aStream.writeBool(aProgressCallback != nullptr);
    }
    void readFromStream(qel::BinaryReader& aStream, uint8_t aVersion,
                        IlpmProgress* aProgressCallback) override {
        ReadVersion = aVersion;
        Id = aStream.readI32();
        PropertiesOnly = aStream.readBool();
        WithProgress = aStream.readBool() || aProgressCallback != nullptr;
    }

    int32_t Id = 0;
    int ReadVersion = -1;
    bool PropertiesOnly = false;
    bool WithProgress = true;
};

TEST_F(ClientProtocolCamerasTest, GameAndTransponderBlocksTravelInTheirFrames) {
    FakeGame game;
    game.Id = 42;
    game.FirstLPMtime = 0x11223344;
    FakeTransponder transponder;
    transponder.Id = 5;
    ExpectMessages({
        {"71 GameInfoToClients",
         [&](QBuffer& d) { TqelProtocol::encodeGameInfoToClients(d, &game); },
         "47000000 14000000 97 01 44332211 2A000000 01 00",
         [](QBuffer& d) {
             FakeGame received;
             TqelProtocol::decodeGameInfoToClients(d, &received);
             EXPECT_EQ(received.FirstLPMtime, 0x11223344);
             EXPECT_EQ(received.Id, 42);
             EXPECT_EQ(received.ReadVersion, 151);
             EXPECT_TRUE(received.CompleteTeams);
             EXPECT_FALSE(received.Calculations);
         }},
        {"71 GameInfoToClients without a game",
         [](QBuffer& d) { TqelProtocol::encodeGameInfoToClients(d, nullptr); },
         "47000000 0A000000 97 00",
         [](QBuffer& d) {
             FakeGame received;
             TqelProtocol::decodeGameInfoToClients(d, &received);
             EXPECT_EQ(received.ReadVersion, -1);
         }},
        {"72 TransponderToClients",
         [&](QBuffer& d) { TqelProtocol::encodeTransponderToClients(d, &transponder); },
         "48000000 10000000 97 01 05000000 01 00",
         [](QBuffer& d) {
             FakeTransponder received;
             TqelProtocol::decodeTransponderToClients(d, &received);
             EXPECT_EQ(received.Id, 5);
             EXPECT_EQ(received.ReadVersion, 151);
             EXPECT_TRUE(received.PropertiesOnly);
             EXPECT_FALSE(received.WithProgress);
         }},
        {"72 TransponderToClients without a transponder",
         [](QBuffer& d) { TqelProtocol::encodeTransponderToClients(d, nullptr); },
         "48000000 0A000000 97 00",
         [](QBuffer& d) {
             FakeTransponder received;
             TqelProtocol::decodeTransponderToClients(d, &received);
             EXPECT_EQ(received.ReadVersion, -1);
         }},
    });
}

TEST_F(ClientProtocolCamerasTest, GameAndTransponderDecodersActAtVersion19Only) {
    // Not even the frame is checked at another version.
    for (int32_t version : {18, 20}) {
        SCOPED_TRACE(version);
        SetDecoderVersion(version);
        FakeGame game;
        FakeTransponder transponder;
        EXPECT_NO_THROW(TqelProtocol::decodeGameInfoToClients(*Received("47000000 FF"), &game));
        EXPECT_NO_THROW(
            TqelProtocol::decodeTransponderToClients(*Received("48000000 FF"), &transponder));
        EXPECT_EQ(game.ReadVersion, -1);
        EXPECT_EQ(game.FirstLPMtime, 0);
        EXPECT_EQ(transponder.ReadVersion, -1);
    }
}

TEST_F(ClientProtocolCamerasTest, GameAndTransponderBlocksReadWithTheReceivedVersion) {
    FakeGame game;
    Received gameDatagram(Message(71, "96 01 01000000 07000000 01 01"));
    TqelProtocol::decodeGameInfoToClients(*gameDatagram, &game);
    EXPECT_EQ(game.ReadVersion, 150);
    EXPECT_EQ(game.FirstLPMtime, 1);

    // No target: the frame is read, nothing else happens.
    EXPECT_NO_THROW(TqelProtocol::decodeGameInfoToClients(
        *Received(Message(71, "97 01 01000000 07")), nullptr));
    EXPECT_NO_THROW(
        TqelProtocol::decodeTransponderToClients(*Received(Message(72, "97 01 07")), nullptr));

    // A block the object cannot read raises the object's own error.
    FakeTransponder transponder;
    EXPECT_THROW(TqelProtocol::decodeTransponderToClients(*Received(Message(72, "97 01 0500")),
                                                          &transponder),
                 EReadError);
    // A frame cut before the first measurement time is the codec's error.
    EXPECT_THROW(TqelProtocol::decodeGameInfoToClients(*Received(Message(71, "97 01 0100")), &game),
                 EqelProtocolError);
}

}  // namespace
