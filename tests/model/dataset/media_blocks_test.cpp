#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include "foundation/stream_strings.h"
#include "model/blocks/camera.h"
#include "model/blocks/stitch_file.h"
#include "model/blocks/video_stream.h"
#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "model/field/field_bytes.h"
#include "model/transponder/transponder_data.h"
#include "platform/exception.h"
#include "support/temp_folder.h"

namespace {

using qel::test::LoggingSubscriber;
using qel::test::SignalLog;

constexpr uint16_t CurrentVersion = 151;

template <class T>
void ReadBlock(T& anObject, const QByteArray& aBytes, uint16_t aVersion) {
    QByteArray copy = aBytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    anObject.readFromStream(reader, aVersion);
    EXPECT_TRUE(reader.atEnd()) << "version " << aVersion;
}

// Camera 2 with one record at 40 ms of transponders 1 and 9.
const QByteArray CameraFixture = QByteArray::fromHex(
    "02"  // CameraIndex
    "01000000"
    "ffffffff"
    "2c010000"
    "05000000"  // CamPosX 1, Y -1, Z 300, PanOffset 5
    "01000080"
    "4100"      // AutoFollowStartLine "A"
    "00000080"  // AutoFollowFinishLine ""
    "03000000"
    "07000000"  // FollowOrder 3, SectionID 7
    "01000000"  // one record
    "28000000"
    "e803"
    "c800"
    "2c01"                          // 40 ms, pan 1000, tilt 200, zoom 300
    "02020000000000000000000000");  // TPids 1 and 9

TEST(MediaBlocks, CameraFixtureReadsAndWritesBackByteForByte) {
    TqelCamera camera(nullptr, 255);
    ReadBlock(camera, CameraFixture, CurrentVersion);
    EXPECT_EQ(camera.CameraIndex(), 2);
    EXPECT_EQ(camera.CamPosX(), 1);
    EXPECT_EQ(camera.CamPosY(), -1);
    EXPECT_EQ(camera.CamPosZ(), 300);
    EXPECT_EQ(camera.PanOffset(), 5);
    EXPECT_EQ(camera.AutoFollowStartLine(), QStringLiteral("A"));
    EXPECT_EQ(camera.AutoFollowFinishLine(), QString());
    EXPECT_EQ(camera.FollowOrder(), 3);
    EXPECT_EQ(camera.SectionID(), 7);
    ASSERT_EQ(camera.RawDataCount(), 1);
    const TqelCameraPosition record = camera.GetRawData(0);
    EXPECT_EQ(record.Timestamp, 40);
    EXPECT_EQ(record.PanInRad, 1000);
    EXPECT_EQ(record.Tilt, 200);
    EXPECT_EQ(record.Zoom, 300);
    EXPECT_EQ(record.Transponders, TqelTransponderSet({1, 9}));
    EXPECT_EQ(WriteBytes(camera), CameraFixture);
}

TEST(MediaBlocks, CameraWritingTrimsTheRecordsToTheCount) {
    TqelCamera camera(nullptr, 4);
    camera.AddRecord(10, RqelCamPosCommunication());
    ASSERT_EQ(camera.RawDataCapacity(), TqelCamera::PositionStep);
    const QByteArray bytes = WriteBytes(camera);
    EXPECT_EQ(camera.RawDataCapacity(), 1);
    EXPECT_EQ(bytes.size(), 1 + 16 + 8 + 8 + 4 + TqelCamera::RecordSize);
}

// A camera block as the writer of aVersion laid it out: index 3, mounting 10..13, lines "S"
// and "F", follow order 4, section 6, one record at 80 ms with pan 11, tilt 12, zoom 13 and
// the transponder bits aOldBits (list positions + 1) or TPid 5.
QByteArray OldCamera(uint16_t aVersion, int anOldBit) {
    FieldBytes b;
    if (aVersion >= 83) {
        b.u8(3);
    } else {
        b.i32(0x7703);  // only the low byte is the index
    }
    b.i32(10).i32(11).i32(12).i32(13);
    if (aVersion >= 92) {
        b.str("S").str("F").i32(4).i32(6);
    }
    b.i32(1);
    if (aVersion >= 82) {
        uint8_t set[13] = {};
        set[0] = 1 << 5;
        b.i32(80).u16(11).u16(12).u16(13);
        b.raw(set, 13);
    } else {
        QByteArray record(TqelCamera::OldRecordSize, '\0');
        qToLittleEndian<int32_t>(80, record.data() + 1);
        qToLittleEndian<int32_t>(0x10000 + 11, record.data() + 13);
        qToLittleEndian<int32_t>(12, record.data() + 17);
        qToLittleEndian<int32_t>(13, record.data() + 21);
        record[37 + anOldBit / 8] = char(1 << (anOldBit % 8));
        b.raw(record);
    }
    return b.data();
}

TEST(MediaBlocks, CameraBlocksOfEveryVersionReadAndWriteAsCurrent) {
    TqelDataset dataset;
    // List positions 0, 1, 2 with TPids 1, 2, 5.
    for (const int antenna : {7, 8, 9}) {
        dataset.AddTransponder(antenna, nullptr, 0);
    }
    dataset.getTransponder(2)->setTPid(5);
    for (uint16_t version = 1; version <= CurrentVersion; ++version) {
        TqelCamera camera(&dataset, 255);
        // Bit 3: the third transponder.
        ReadBlock(camera, OldCamera(version, 3), version);
        const bool follow = version >= 92;
        for (int pass = 0; pass < 2; ++pass) {
            EXPECT_EQ(camera.CameraIndex(), 3) << version;
            EXPECT_EQ(camera.CamPosX(), 10);
            EXPECT_EQ(camera.PanOffset(), 13);
            EXPECT_EQ(camera.AutoFollowStartLine(), follow ? "S" : "");
            EXPECT_EQ(camera.AutoFollowFinishLine(), follow ? "F" : "");
            EXPECT_EQ(camera.FollowOrder(), follow ? 4 : 0);
            EXPECT_EQ(camera.SectionID(), follow ? 6 : 0);
            ASSERT_EQ(camera.RawDataCount(), 1) << version;
            const TqelCameraPosition r = camera.GetRawData(0);
            EXPECT_EQ(r.Timestamp, 80) << version;
            EXPECT_EQ(r.PanInRad, 11) << version;
            EXPECT_EQ(r.Tilt, 12);
            EXPECT_EQ(r.Zoom, 13);
            EXPECT_EQ(r.Transponders, TqelTransponderSet({5})) << version;
            const QByteArray current = WriteBytes(camera);
            camera = TqelCamera(&dataset, 255);
            ReadBlock(camera, current, CurrentVersion);
        }
    }
}

TEST(MediaBlocks, OldCameraBitsOfMissingTransponders) {
    TqelDataset dataset;
    dataset.AddTransponder(7, nullptr, 0);
    TqelCamera camera(&dataset, 255);
    // Bit 2 is the second transponder, which does not exist; bit 0 names nobody.
    QByteArray block = OldCamera(81, 2);
    block[block.size() - TqelCamera::OldRecordSize + 37] = char(block[block.size() - 32] | 1 | 4);
    ReadBlock(camera, block, 81);
    EXPECT_EQ(camera.GetRawData(0).Transponders, TqelTransponderSet());
}

TEST(MediaBlocks, CameraCountsThatCannotHoldAreRefusedBeforeAllocating) {
    for (const int32_t count : {std::numeric_limits<int32_t>::max(), -1, 2}) {
        for (const uint16_t version : {uint16_t(81), CurrentVersion}) {
            QByteArray block = OldCamera(version, 1);
            const int at = version >= 92 ? 1 + 16 + 6 + 6 + 8 : 4 + 16;
            qToLittleEndian<int32_t>(count, block.data() + at);
            TqelCamera camera(nullptr, 255);
            QBuffer buffer(&block);
            buffer.open(QIODevice::ReadOnly);
            qel::BinaryReader reader(buffer);
            EXPECT_THROW(camera.readFromStream(reader, version), EReadError)
                << count << " v" << version;
            EXPECT_EQ(camera.RawDataCapacity(), 0);
        }
    }
}

// ID 5, "a_dome2.mp4", "cam", offset -40, start 1000, duration 60000, camera 1.
QByteArray VideoStreamBlock() {
    return QByteArray::fromHex(
        "05000000"  // ID
        "0b000080"
        "61005f0064006f006d00650032002e006d0070003400"  // "a_dome2.mp4"
        "03000080"
        "630061006d00"      // "cam"
        "d8ffffff"          // offset -40
        "e8030000"          // start 1000
        "60ea000000000000"  // duration 60000
        "01");              // camera 1
}

TEST(MediaBlocks, VideoStreamFixtureReadsAndWritesBackByteForByte) {
    TqelVideoStream stream(nullptr, 0);
    const QByteArray fixture = VideoStreamBlock();
    ReadBlock(stream, fixture, CurrentVersion);
    EXPECT_EQ(stream.ID(), 5);
    EXPECT_EQ(stream.Filename(), QStringLiteral("a_dome2.mp4"));
    EXPECT_EQ(stream.Description(), QStringLiteral("cam"));
    EXPECT_EQ(stream.OffsetInMS(), -40);
    EXPECT_EQ(stream.StartLPMtimeInMS(), 1000);
    EXPECT_EQ(stream.DurationInMS(), 60000);
    EXPECT_EQ(stream.CameraIndex(), 1);
    EXPECT_TRUE(stream.Initialized());
    EXPECT_EQ(WriteBytes(stream), fixture);
}

QByteArray OldVideoStream(uint16_t aVersion, const QString& aName) {
    FieldBytes b;
    if (aVersion >= 20) {
        b.i32(8);
    }
    b.str(aName).str("d").i32(30);
    if (aVersion >= 53) {
        b.i32(700);
    }
    if (aVersion == 83) {
        b.u8(0xee);
    }
    if (aVersion >= 89) {
        b.u32(5000).u32(0);
    }
    if (aVersion >= 90) {
        b.u8(6);
    }
    return b.data();
}

TEST(MediaBlocks, VideoStreamBlocksOfEveryVersionReadAndWriteAsCurrent) {
    for (uint16_t version = 1; version <= CurrentVersion; ++version) {
        auto read = std::make_unique<TqelVideoStream>(nullptr, 0);
        ReadBlock(*read, OldVideoStream(version, "x_dome3.mp4"), version);
        for (int pass = 0; pass < 2; ++pass) {
            const TqelVideoStream& stream = *read;
            EXPECT_EQ(stream.ID(), version >= 20 ? 8 : -1) << version;
            EXPECT_EQ(stream.Filename(), QStringLiteral("x_dome3.mp4"));
            EXPECT_EQ(stream.Description(), QStringLiteral("d"));
            EXPECT_EQ(stream.OffsetInMS(), 30);
            EXPECT_EQ(stream.StartLPMtimeInMS(), version >= 53 ? 700 : 0) << version;
            EXPECT_EQ(stream.DurationInMS(), version >= 89 ? 5000 : 0) << version;
            EXPECT_EQ(stream.CameraIndex(), version >= 90 ? 6 : 2) << version;
            const QByteArray current = WriteBytes(*read);
            read = std::make_unique<TqelVideoStream>(nullptr, 0);
            ReadBlock(*read, current, CurrentVersion);
        }
    }
}

TEST(MediaBlocks, OldVideoStreamsTakeTheCameraFromTheirName) {
    const struct {
        const char* name;
        uint8_t index;
    } cases[] = {
        {"x_dome3", 2},      {"x_DOME12.mp4", 11}, {"dome0", 255}, {"domeX.mp4", 255},
        {"abc04xyz.mp4", 3}, {"abcd", 255},        {"ab", 255},    {"", 255},
    };
    for (const auto& c : cases) {
        TqelVideoStream stream(nullptr, 0);
        ReadBlock(stream, OldVideoStream(89, c.name), 89);
        EXPECT_EQ(stream.CameraIndex(), c.index) << c.name;
    }
}

TEST(MediaBlocks, StitchFileFixtureReadsAndWritesBackByteForByte) {
    const QByteArray fixture = QByteArray::fromHex(
        "02000000"  // ID 2
        "03000080"
        "73002e006d00"  // "s.m"
        "00000080"      // ""
        "f4010000"      // offset 500
        "9cffffff");    // start -100
    TqelStitchFile file(nullptr, 0);
    ReadBlock(file, fixture, CurrentVersion);
    EXPECT_EQ(file.ID(), 2);
    EXPECT_EQ(file.Filename(), QStringLiteral("s.m"));
    EXPECT_EQ(file.Description(), QString());
    EXPECT_EQ(file.OffsetInMS(), 500);
    EXPECT_EQ(file.StartInMS(), -100);
    EXPECT_TRUE(file.Initialized());
    EXPECT_EQ(WriteBytes(file), fixture);
}

class MediaDataset : public ::testing::Test {
protected:
    MediaDataset() { dataset.subscribeToSignals(&subscriber); }
    ~MediaDataset() override { dataset.unsubscribeToSignals(&subscriber); }

    SignalLog log;
    LoggingSubscriber subscriber{QStringLiteral("s"), log};
    TqelDataset dataset;
};

TEST_F(MediaDataset, StitchFileIdsKeepCountingAfterAClearAndVideoIdsRestart) {
    dataset.addStitchFile("a", "a.mp4", 1);
    TqelStitchFile* second = dataset.addStitchFile("b", "b.mp4", 2);
    EXPECT_EQ(second->ID(), 2);
    EXPECT_TRUE(second->Initialized());
    EXPECT_EQ(dataset.GetStitchFileByID(2), second);
    EXPECT_EQ(dataset.GetStitchFileByID(3), nullptr);
    EXPECT_THROW(dataset.GetStitchFile(2), EArgumentOutOfRangeException);
    EXPECT_THROW(dataset.DeleteStitchFile(-1), EArgumentOutOfRangeException);
    second->setOffsetInMS(9);
    dataset.DeleteStitchFile(0);
    EXPECT_EQ(dataset.GetStitchFile(0), second);
    dataset.clearStitchFiles();
    EXPECT_EQ(dataset.addStitchFile("c", "c.mp4", 0)->ID(), 3);

    const int stitch = int(itemStitchFile);
    EXPECT_EQ(log.Take(), QStringList({QStringLiteral("s added %1 1").arg(stitch),
                                       QStringLiteral("s added %1 2").arg(stitch),
                                       QStringLiteral("s changed %1 2").arg(stitch),
                                       QStringLiteral("s deleting %1 1").arg(stitch),
                                       QStringLiteral("s deleted %1 1").arg(stitch),
                                       QStringLiteral("s cleared %1 0").arg(stitch),
                                       QStringLiteral("s added %1 3").arg(stitch)}));

    dataset.addVideoStream("v", "v_dome1.mp4", 0);
    dataset.addVideoStream("w", "w_dome2.mp4", 0);
    dataset.DeleteVideoStream(5);
    dataset.DeleteVideoStream(0);
    EXPECT_EQ(dataset.VideoStreamCount(), 1);
    EXPECT_EQ(dataset.GetVideoStreamByID(2), dataset.getVideoStream(0));
    EXPECT_EQ(dataset.GetVideoStreamByCameraIndex(1), dataset.getVideoStream(0));
    EXPECT_EQ(dataset.GetVideoStreamByCameraIndex(0), nullptr);
    dataset.clearVideoStreams();
    EXPECT_EQ(dataset.addVideoStream("x", "x.mp4", 0)->ID(), 1);
}

TEST_F(MediaDataset, FirstVideoStreamByTimeSkipsStreamsNotRunningThen) {
    // Starts 1000 ms late; has ended at dataset time 500; runs from the start, open ended.
    TqelVideoStream* late = dataset.addVideoStream("a", "a", -1000);
    TqelVideoStream* shortOne = dataset.addVideoStream("b", "b", 0);
    shortOne->setDurationInMS(500);
    TqelVideoStream* open = dataset.addVideoStream("c", "c", 0);
    const struct {
        int32_t time;
        TqelVideoStream* stream;
    } cases[] = {{1000, open}, {1001, late}, {500, open}, {499, shortOne}, {0, nullptr}};
    for (const auto& c : cases) {
        EXPECT_EQ(dataset.FirstVideoStreamByTime(c.time), c.stream) << c.time;
    }
}

TEST_F(MediaDataset, RecordingVideoOffset) {
    const TDateTime start = EncodeDateTime(2026, 5, 4, 15, 30, 0, 0);
    dataset.setRecordingStartedAt(start);
    dataset.setTimestamp(start);
    EXPECT_EQ(dataset.RecordingVideoOffsetInMS(), 0);
    dataset.setTimestamp(start - 1.0 / 86400);
    EXPECT_EQ(dataset.RecordingVideoOffsetInMS(), 0);
    dataset.setTimestamp(start + 2.5 / 86400);
    EXPECT_EQ(dataset.RecordingVideoOffsetInMS(), 2500);
}

class VideoFolder : public MediaDataset {
protected:
    void Touch(const QString& aName) {
        QFile file(folder.file(aName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList Attached() const {
        QStringList names;
        for (int i = 0; i < dataset.VideoStreamCount(); ++i) {
            const TqelVideoStream* s = dataset.getVideoStream(i);
            names << QStringLiteral("%1 %2").arg(s->Filename()).arg(s->CameraIndex());
        }
        return names;
    }

    qel::test::TempFolder folder;
};

TEST_F(VideoFolder, AttachesTheRecordingsFilesOnce) {
    dataset.setFilename("/data/20260504 1530-1705.qel");
    for (const char* name :
         {"20260504 1530_dome1.mp4", "20260504 1530_Dome2.ts", "20260504 1530_dome3.asx",
          "20260504 1530_dome4.M3U8", "20260504 1530_dome5", "20260504 1531_dome6.mp4",
          "20260504 1530_cam7.mp4"}) {
        Touch(name);
    }
    QStringList pairs;
    dataset.FindMatchingVideoFiles(coaAttachOnly, folder.path(), &pairs);
    EXPECT_EQ(Attached(), QStringList({"20260504 1530_dome1.mp4 0", "20260504 1530_Dome2.mp4 1",
                                       "20260504 1530_dome5 4"}));
    EXPECT_EQ(pairs, QStringList({"20260504 1530_dome1.mp4=20260504 1530_dome1.mp4",
                                  "20260504 1530_Dome2.ts=20260504 1530_Dome2.mp4",
                                  "20260504 1530_dome5=20260504 1530_dome5"}));
    pairs.clear();
    dataset.FindMatchingVideoFiles(coaAttachOnly, folder.path(), &pairs);
    EXPECT_EQ(dataset.VideoStreamCount(), 3);
    EXPECT_TRUE(pairs.isEmpty());
}

TEST_F(VideoFolder, WithCamerasOnlyTheirFilesAreTaken) {
    dataset.setFilename("/data/20260504 1530-1705.qel");
    dataset.CameraAdd(1);
    for (const char* name :
         {"20260504 1530_dome1.mp4", "20260504 1530_dome2.mp4", "20260504 1530_dome22.mp4"}) {
        Touch(name);
    }
    dataset.FindMatchingVideoFiles(coaAttachOnly, folder.path(), nullptr);
    EXPECT_EQ(Attached(), QStringList({"20260504 1530_dome2.mp4 1"}));
}

TEST_F(VideoFolder, CopyingRenamesAStreamAttachedUnderTheFilesOwnName) {
    dataset.setFilename("/data/20260504 1530-1705.qel");
    Touch("20260504 1530x_dome1.mp4");
    Touch("20260504 1530x_dome2.mp4");
    dataset.addVideoStream("old", "20260504 1530x_dome1.mp4", 0);
    QStringList pairs;
    dataset.FindMatchingVideoFiles(coaCopyFiles, folder.path(), &pairs);
    EXPECT_EQ(Attached(),
              QStringList({"20260504 1530-1705_dome1.mp4 0", "20260504 1530-1705_dome2.mp4 1"}));
    EXPECT_EQ(dataset.getVideoStream(0)->Description(), "20260504 1530-1705_dome1");
    EXPECT_EQ(pairs, QStringList({"20260504 1530x_dome1.mp4=20260504 1530-1705_dome1.mp4",
                                  "20260504 1530x_dome2.mp4=20260504 1530-1705_dome2.mp4"}));
}

}  // namespace
