#include "foundation/protocol/client_protocol.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <array>
#include <functional>
#include <vector>

#include "client_protocol_test_support.h"

namespace {

using qel::test::Encoded;
using qel::test::ExpectMessages;
using qel::test::Hex;
using qel::test::Received;
using qel::test::SetDecoderVersion;

using ClientProtocolTest = qel::test::ClientProtocolFixture;

TEST_F(ClientProtocolTest, MeasurementMessagesEncodeToTheirBytesAndDecodeBack) {
    ExpectMessages({
        {"1 ActivateMeasurement",
         [](QBuffer& d) { TqelProtocol::encodeActivateMeasurement(d, 7, 42); },
         "01000000 10000000 07000000 2A000000",
         [](QBuffer& d) {
             int32_t field = 0, prep = 0;
             TqelProtocol::decodeActivateMeasurement(d, field, prep);
             EXPECT_EQ(field, 7);
             EXPECT_EQ(prep, 42);
         }},
        {"1 ActivateMeasurement without a field",
         [](QBuffer& d) { TqelProtocol::encodeActivateMeasurement(d, 0, 42); }, "01000000 08000000",
         [](QBuffer& d) {
             int32_t field = 5, prep = 9;
             TqelProtocol::decodeActivateMeasurement(d, field, prep);
             EXPECT_EQ(field, 0);
             EXPECT_EQ(prep, 9);
         }},
        {"2 ActivateMeasurementResponse",
         [](QBuffer& d) { TqelProtocol::encodeActivateMeasurementResponse(d, imsRecording); },
         "02000000 0C000000 03000000",
         [](QBuffer& d) {
             TqelMeasurementStatus state = imsNone;
             TqelProtocol::decodeActivateMeasurementResponse(d, state);
             EXPECT_EQ(state, imsRecording);
         }},
        {"3 Logout", [](QBuffer& d) { TqelProtocol::encodeLogout(d); }, "03000000 08000000",
         [](QBuffer& d) { TqelProtocol::decodeLogout(d); }},
        {"4 CurrentStatus",
         [](QBuffer& d) {
             TqelProtocol::encodeCurrenctStatus(d, 5, 6, imsActivated, 1000, QStringLiteral("ab"));
         },
         "04000000 1E000000 05000000 06000000 02000000 E8030000 0200 6100 6200",
         [](QBuffer& d) {
             int32_t field = 0, prep = 0, remaining = 0;
             TqelMeasurementStatus state = imsNone;
             QString error;
             TqelProtocol::decodeCurrentStatus(d, field, prep, state, remaining, error);
             EXPECT_EQ(field, 5);
             EXPECT_EQ(prep, 6);
             EXPECT_EQ(state, imsActivated);
             EXPECT_EQ(remaining, 1000);
             EXPECT_EQ(error, QStringLiteral("ab"));
         }},
        {"5 MeasurementStateChanged",
         [](QBuffer& d) { TqelProtocol::encodeMeasurementStateChanged(d, imsIdle, 60000); },
         "05000000 10000000 01000000 60EA0000",
         [](QBuffer& d) {
             TqelMeasurementStatus state = imsNone;
             int32_t remaining = 0;
             TqelProtocol::decodeMeasurementStateChanged(d, state, remaining);
             EXPECT_EQ(state, imsIdle);
             EXPECT_EQ(remaining, 60000);
         }},
        {"6 AuthenticatedUser",
         [](QBuffer& d) { TqelProtocol::encodeAuthenticatedUser(d, QStringLiteral("jo")); },
         "06000000 12000000 0200 6A00 6F00 13000000",
         [](QBuffer& d) {
             QString user;
             int32_t version = 0;
             TqelProtocol::decodeAuthenticatedUser(d, user, version);
             EXPECT_EQ(user, QStringLiteral("jo"));
             EXPECT_EQ(version, 19);
         }},
        {"7 Reconnected", [](QBuffer& d) { TqelProtocol::encodeReconnected(d, 0x89ABCDEFu); },
         "07000000 0C000000 EFCDAB89",
         [](QBuffer& d) {
             uint32_t timestamp = 0;
             TqelProtocol::decodeReconnected(d, timestamp);
             EXPECT_EQ(timestamp, 0x89ABCDEFu);
         }},
        {"8 GetLastSendLPMTimestamp",
         [](QBuffer& d) { TqelProtocol::encodeGetLastSendLPMTimestamp(d); }, "08000000 08000000",
         [](QBuffer& d) { TqelProtocol::decodeGetLastSendLPMTimestamp(d); }},
        {"9 LastSendLPMTimestamp",
         [](QBuffer& d) { TqelProtocol::encodeLastSendLPMTimestamp(d, 123456); },
         "09000000 0C000000 40E20100",
         [](QBuffer& d) {
             uint32_t timestamp = 0;
             TqelProtocol::decodeLastSendLPMTimestamp(d, timestamp);
             EXPECT_EQ(timestamp, 123456u);
         }},
        {"11 LiveData", [](QBuffer& d) { TqelProtocol::encodeLiveData(d, 1); },
         "0B000000 0C000000 01000000",
         [](QBuffer& d) {
             int32_t state = 0;
             TqelProtocol::decodeLiveData(d, state);
             EXPECT_EQ(state, 1);
         }},
        {"15 StartRecording", [](QBuffer& d) { TqelProtocol::encodeStartRecording(d, 90, true); },
         "0F000000 10000000 5A000000 01000000",
         [](QBuffer& d) {
             int32_t minutes = 0;
             bool video = false;
             TqelProtocol::decodeStartRecording(d, minutes, video);
             EXPECT_EQ(minutes, 90);
             EXPECT_TRUE(video);
             // The three bytes after the Boolean carry nothing and stay unread.
             EXPECT_EQ(d.size() - d.pos(), 3);
             d.seek(d.size());
         }},
        {"16 StopRecording", [](QBuffer& d) { TqelProtocol::encodeStopRecording(d); },
         "10000000 08000000", [](QBuffer& d) { TqelProtocol::decodeStopRecording(d); }},
        {"17 VideoRecording", [](QBuffer& d) { TqelProtocol::encodeVideoRecording(d, true); },
         "11000000 09000000 01",
         [](QBuffer& d) {
             bool on = false;
             TqelProtocol::decodeVideoRecording(d, on);
             EXPECT_TRUE(on);
         }},
        {"60 MainClientRequest", [](QBuffer& d) { TqelProtocol::encodeMainClientRequest(d); },
         "3C000000 08000000", [](QBuffer& d) { TqelProtocol::decodeMainClientRequest(d); }},
        {"61 MainClientReply", [](QBuffer& d) { TqelProtocol::encodeMainClientReply(d, true); },
         "3D000000 09000000 01",
         [](QBuffer& d) {
             bool accepted = false;
             TqelProtocol::decodeMainClientReply(d, accepted);
             EXPECT_TRUE(accepted);
         }},
        {"98 EventMessageText",
         [](QBuffer& d) {
             TqelProtocol::encodeEventMessageText(d, emtWarning, QStringLiteral("hi"));
         },
         "62000000 12000000 02000000 0200 6800 6900",
         [](QBuffer& d) {
             TqelEventMessageType type = emtNone;
             QString text;
             TqelProtocol::decodeEventMessageText(d, type, text);
             EXPECT_EQ(type, emtWarning);
             EXPECT_EQ(text, QStringLiteral("hi"));
         }},
        {"99 ProtocolVersion", [](QBuffer& d) { TqelProtocol::encodeProtocolVersion(d); },
         "63000000 0C000000 13000000", [](QBuffer& d) { TqelProtocol::decodeProtocolVersion(d); }},
    });
}

// --- Framing -----------------------------------------------------------------------------------

TEST_F(ClientProtocolTest, BoundaryCheckFramesCompleteDatagramsOnly) {
    struct Case {
        const char* bytes;
        int32_t expected;
    };
    const std::vector<Case> cases = {
        {"01000000 100000", -1},                               // 7 bytes: no header yet
        {"01000000 10000000 00000000", -1},                    // 12 of 16 bytes
        {"01000000 10000000 00000000 00000000", 16},           // exactly one datagram
        {"01000000 10000000 00000000 00000000 03000000", 16},  // and the next begins
        {"03000000 08000000", 8},                              // no payload
        {"0A000000 00000004 00", -1},                          // 64 MiB announced, not there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const QByteArray bytes = Hex(c.bytes);
        int32_t length = 12345;
        TqelProtocol::BoundaryCheck(bytes.constData(), static_cast<int32_t>(bytes.size()), length);
        EXPECT_EQ(length, c.expected);
    }
}

TEST_F(ClientProtocolTest, BoundaryCheckRejectsLengthsThatCanNeverBeFramed) {
    // Below the header (a runt; 0 and negative would wait for ever) and above the cap.
    for (const char* header : {"01000000 00000000", "01000000 07000000", "01000000 FFFFFFFF",
                               "01000000 00000080", "01000000 01000004"}) {
        SCOPED_TRACE(header);
        const QByteArray bytes = Hex(header) + QByteArray(16, '\0');
        int32_t length = 0;
        EXPECT_THROW(TqelProtocol::BoundaryCheck(bytes.constData(),
                                                 static_cast<int32_t>(bytes.size()), length),
                     EqelProtocolError);
    }
}

TEST_F(ClientProtocolTest, DatagramTypeIsTheLowByteOfTheTypeField) {
    EXPECT_EQ(TqelProtocol::DatagramType(*Received("0C010000 08000000")), 12);
    EXPECT_EQ(TqelProtocol::DatagramType(*Received("63000000 0C")), 99);
    EXPECT_EQ(TqelProtocol::DatagramType(*Received("63000000")), 0);
    EXPECT_EQ(TqelProtocol::DatagramType(*Received("")), 0);
}

TEST_F(ClientProtocolTest, CheckDatagramFormatNamesWhatDoesNotMatch) {
    Received longer("07000000 18000000 00000000 00000000 00000000");  // 20 bytes, says 24
    try {
        TqelProtocol::checkDatagramFormat(*longer, 7);
        FAIL() << "no error";
    } catch (const EqelProtocolError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Received datagram of length 20, contains length 24"));
    }
    Received wrongType("0C010000 08000000");
    try {
        TqelProtocol::checkDatagramFormat(*wrongType, 12);
        FAIL() << "no error";
    } catch (const EqelProtocolError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Received datagram has incorrect type 268, should be 12"));
    }
    Received good("07000000 0C000000 01020304");
    TqelProtocol::checkDatagramFormat(*good, 7);
    EXPECT_EQ((*good).pos(), 8);
    EXPECT_THROW(TqelProtocol::checkDatagramFormat(*Received("070000"), 7), EqelProtocolError);
}

TEST_F(ClientProtocolTest, AReusedStreamHoldsOnlyTheNewDatagram) {
    QBuffer datagram;
    datagram.open(QIODevice::ReadWrite);
    TqelProtocol::encodeCurrenctStatus(datagram, 1, 2, imsIdle, 3, QStringLiteral("long text"));
    TqelProtocol::encodeLogout(datagram);
    EXPECT_EQ(datagram.data().toHex(' '), Hex("03000000 08000000").toHex(' '));
    EXPECT_EQ(datagram.pos(), 8);
}

// --- Primitives --------------------------------------------------------------------------------

TEST_F(ClientProtocolTest, StringsAndWordArraysHaveTheirCountsFirst) {
    struct Case {
        std::function<void(QBuffer&)> write;
        const char* bytes;
    };
    const QString tooLong = QString(65536, QChar(u'x')) + QStringLiteral("yz");
    TqelArrayOfWord manyWords(257, 7);
    manyWords[0] = 0x0201;
    const std::vector<Case> cases = {
        {[](QBuffer& d) { TqelProtocol::WriteString(d, QStringLiteral("abc")); },
         "0300 6100 6200 6300"},
        {[](QBuffer& d) { TqelProtocol::WriteString(d, QString()); }, "0000"},
        {[](QBuffer& d) { TqelProtocol::WriteString(d, QString::fromUtf16(u"\u00e9\u20ac")); },
         "0200 E900 AC20"},
        // The count is cut to 16 bits, and only that many units follow.
        {[&](QBuffer& d) { TqelProtocol::WriteString(d, tooLong); }, "0200 7800 7800"},
        {[](QBuffer& d) {
             TqelProtocol::WriteArrayOfWord(d, {1, 513});
         },
         "02 0100 0102"},
        {[](QBuffer& d) { TqelProtocol::WriteArrayOfWord(d, {}); }, "00"},
        {[&](QBuffer& d) { TqelProtocol::WriteArrayOfWord(d, manyWords); }, "01 0102"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        QBuffer datagram;
        datagram.open(QIODevice::ReadWrite);
        c.write(datagram);
        EXPECT_EQ(datagram.data().toHex(' '), Hex(c.bytes).toHex(' '));
    }

    Received text("0300 6100 6200 6300 0200 E900 AC20");
    (*text).seek(0);
    EXPECT_EQ(TqelProtocol::ReadString(*text), QStringLiteral("abc"));
    EXPECT_EQ(TqelProtocol::ReadString(*text), QString::fromUtf16(u"\u00e9\u20ac"));
    Received words("02 0100 0102 00");
    (*words).seek(0);
    EXPECT_EQ(TqelProtocol::ReadArrayOfWord(*words), TqelArrayOfWord({1, 513}));
    EXPECT_EQ(TqelProtocol::ReadArrayOfWord(*words), TqelArrayOfWord());
}

TEST_F(ClientProtocolTest, CountsThatRunPastTheDatagramAreRejected) {
    struct Case {
        const char* name;
        QByteArray hex;
        std::function<void(QBuffer&)> decode;
    };
    QString text;
    int32_t number = 0;
    const std::vector<Case> cases = {
        {"string", "62000000 12000000 02000000 0500 6800 6900",
         [&](QBuffer& d) {
             TqelEventMessageType type;
             TqelProtocol::decodeEventMessageText(d, type, text);
         }},
        {"largest string count", "06000000 0E000000 FFFF 6A00 6F00",
         [&](QBuffer& d) { TqelProtocol::decodeAuthenticatedUser(d, text, number); }},
        {"word array", "14000000 0E000000 01 03 0300 0400",
         [](QBuffer& d) {
             uint8_t camera;
             TqelArrayOfWord antennas;
             TqelProtocol::decodeCameraFollow(d, camera, antennas);
         }},
        {"samples of an update", QByteArray("0A000000 4C000000 03000000") + QByteArray(64 * 2, '0'),
         [&](QBuffer& d) { TqelProtocol::decodeUpdate(d, number); }},
        {"negative sample count", "0A000000 0C000000 FFFFFFFF",
         [&](QBuffer& d) { TqelProtocol::decodeUpdate(d, number); }},
        {"largest sample count", "0A000000 0C000000 FFFFFF7F",
         [&](QBuffer& d) { TqelProtocol::decodeUpdate(d, number); }},
        {"a field missing", "04000000 14000000 05000000 06000000 02000000",
         [&](QBuffer& d) {
             int32_t a, b, c;
             TqelMeasurementStatus state;
             TqelProtocol::decodeCurrentStatus(d, a, b, state, c, text);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(c.decode(*Received(c.hex.constData())), EqelProtocolError);
    }
}

TEST_F(ClientProtocolTest, EnumerationsOutOfRange) {
    struct Case {
        const char* bytes;
        TqelMeasurementStatus expected;
    };
    // Message 2 falls back to imsNone.
    for (const Case& c : std::vector<Case>{{"02000000 0C000000 0B000000", imsRecordingServerFailed},
                                           {"02000000 0C000000 0C000000", imsNone},
                                           {"02000000 0C000000 FFFFFFFF", imsNone},
                                           {"02000000 0C000000 03010000", imsNone}}) {
        SCOPED_TRACE(c.bytes);
        TqelMeasurementStatus state = imsIdle;
        TqelProtocol::decodeActivateMeasurementResponse(*Received(c.bytes), state);
        EXPECT_EQ(state, c.expected);
    }

    // Elsewhere the state is the field's low byte, and a byte beyond the values is an error.
    TqelMeasurementStatus state = imsNone;
    int32_t remaining = 0;
    TqelProtocol::decodeMeasurementStateChanged(*Received("05000000 10000000 03010000 00000000"),
                                                state, remaining);
    EXPECT_EQ(state, imsRecording);
    EXPECT_THROW(TqelProtocol::decodeMeasurementStateChanged(
                     *Received("05000000 10000000 0C000000 00000000"), state, remaining),
                 EqelProtocolError);
    int32_t a = 0, b = 0;
    QString text;
    EXPECT_THROW(TqelProtocol::decodeCurrentStatus(
                     *Received("04000000 1A000000 05000000 06000000 FF000000 00000000 0000"), a, b,
                     state, remaining, text),
                 EqelProtocolError);
    TqelEventMessageType type = emtNone;
    EXPECT_THROW(TqelProtocol::decodeEventMessageText(*Received("62000000 0E000000 05000000 0000"),
                                                      type, text),
                 EqelProtocolError);
}

// --- Version gates -----------------------------------------------------------------------------

TEST_F(ClientProtocolTest, ProtocolVersionMessagesSetTheDecodersVersion) {
    SetDecoderVersion(12);
    EXPECT_EQ(TqelProtocol::Version(), 12);
    // Version 12 has no Boolean in message 15.
    int32_t minutes = 0;
    bool video = false;
    TqelProtocol::decodeStartRecording(*Received("0F000000 10000000 5A000000 01000000"), minutes,
                                       video);
    EXPECT_FALSE(video);
    EXPECT_EQ(TqelProtocol::Version(), 12);

    QBuffer greeting;
    TqelProtocol::encodeProtocolVersion(greeting);
    EXPECT_EQ(TqelProtocol::Version(), 19);
}

TEST_F(ClientProtocolTest, ActivateMeasurementLayoutsByVersion) {
    struct Case {
        int32_t version;
        const char* bytes;
        int32_t field;
        int32_t prep;
    };
    // Callers preset FieldID 5 and PrepID 9.
    const std::vector<Case> cases = {
        {4, "01000000 10000000 07000000 2A000000", 7, 42},
        {4, "01000000 08000000", 0, 9},
        // Before 4: two strings first.
        {3, "01000000 18000000 0100 6100 0100 6200 07000000 2A000000", 7, 42},
        {3, "01000000 10000000 0100 6100 0100 6200", 0, 9},
        // Before 3: one more string instead of the values.
        {2, "01000000 14000000 0100 6100 0100 6200 0100 6300", 5, 9},
        {2, "01000000 10000000 0100 6100 0100 6200", 0, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        SetDecoderVersion(c.version);
        Received datagram(c.bytes);
        int32_t field = 5, prep = 9;
        TqelProtocol::decodeActivateMeasurement(*datagram, field, prep);
        EXPECT_EQ(field, c.field);
        EXPECT_EQ(prep, c.prep);
        EXPECT_EQ(datagram.unread(), 0);
    }
}

TEST_F(ClientProtocolTest, CurrentStatusLayoutsByVersion) {
    struct Case {
        int32_t version;
        const char* bytes;
        int32_t field, prep;
        TqelMeasurementStatus state;
        int32_t remaining;
        const char* error;
    };
    // Callers preset 1, 2, imsIdle, 3, "old".
    const std::vector<Case> cases = {
        {2, "04000000 0E000000 0200 6100 6200", 1, 2, imsIdle, 3, "old"},
        {3, "04000000 1C000000 05000000 06000000 02000000 E8030000 07000000", 5, 6, imsActivated, 3,
         "old"},
        {4, "04000000 1E000000 05000000 06000000 02010000 E8030000 0200 6100 6200", 5, 6,
         imsActivated, 1000, "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        SetDecoderVersion(c.version);
        Received datagram(c.bytes);
        int32_t field = 1, prep = 2, remaining = 3;
        TqelMeasurementStatus state = imsIdle;
        QString error = QStringLiteral("old");
        TqelProtocol::decodeCurrentStatus(*datagram, field, prep, state, remaining, error);
        EXPECT_EQ(field, c.field);
        EXPECT_EQ(prep, c.prep);
        EXPECT_EQ(state, c.state);
        EXPECT_EQ(remaining, c.remaining);
        EXPECT_EQ(error, QString::fromLatin1(c.error));
        EXPECT_EQ(datagram.unread(), 0);
    }
}

TEST_F(ClientProtocolTest, StartRecordingReadsTheBooleanFromVersion16) {
    QByteArray bytes = Encoded([](QBuffer& d) { TqelProtocol::encodeStartRecording(d, 30, true); });
    EXPECT_EQ(bytes.size(), 16);
    for (int32_t version : {15, 16}) {
        SCOPED_TRACE(version);
        SetDecoderVersion(version);
        int32_t minutes = 0;
        bool video = false;
        Received datagram(bytes);
        TqelProtocol::decodeStartRecording(*datagram, minutes, video);
        EXPECT_EQ(minutes, 30);
        EXPECT_EQ(video, version >= 16);
        EXPECT_EQ(datagram.unread(), version >= 16 ? 3 : 4);
    }
}

// --- Live samples ------------------------------------------------------------------------------

RqelLPMSample Sample(uint32_t aTimestamp, uint16_t anAntenna, int32_t anX) {
    RqelLPMSample sample;
    sample.setTimestamp(aTimestamp);
    sample.setAntennaID(anAntenna);
    sample.setQuality(7);
    sample.setXinMM(anX);
    sample.setYinMM(-1);
    return sample;
}

TEST_F(ClientProtocolTest, UpdateCarriesTheCountAndTheSamples) {
    const std::array<RqelLPMSample, 3> samples = {Sample(0x01020304, 0x0506, 1000), Sample(2, 3, 4),
                                                  Sample(5, 6, 7)};
    const QByteArray bytes = Encoded([&](QBuffer& d) { qel::EncodeUpdateSamples(d, samples); });
    ASSERT_EQ(bytes.size(), 108);
    EXPECT_EQ(bytes.left(44).toHex(' '),
              Hex("0A000000 6C000000 03000000"
                  "04030201 0605 0700 E8030000 FFFFFFFF 00000000 00000000 0000 0000 00 00 0000")
                  .toHex(' '));

    // A ring that wraps gives the same message in two pieces.
    const QByteArray wrapped = Encoded([&](QBuffer& d) {
        qel::EncodeUpdateSamples(d, std::span(samples).first(1), std::span(samples).subspan(1));
    });
    EXPECT_EQ(wrapped, bytes);

    Received datagram(bytes);
    int32_t count = 0;
    TqelProtocol::decodeUpdate(*datagram, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ((*datagram).pos(), 12);
    for (const RqelLPMSample& expected : samples) {
        RqelLPMSample sample;
        ASSERT_EQ((*datagram).read(reinterpret_cast<char*>(sample.bytes), 32), 32);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sample.bytes), 32),
                  QByteArray(reinterpret_cast<const char*>(expected.bytes), 32));
    }

    // The frame alone, for senders that append the samples themselves.
    EXPECT_EQ(Encoded([](QBuffer& d) { TqelProtocol::encodeUpdate(d); }), Hex("0A000000 08000000"));
}

}  // namespace
