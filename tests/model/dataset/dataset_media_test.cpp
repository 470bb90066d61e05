#include <gtest/gtest.h>

#include <QFile>

#include "database/datasets/live_position.h"
#include "foundation/position_records.h"
#include "model/blocks/camera.h"
#include "model/blocks/video_stream.h"
#include "model/dataset/dataset.h"
#include "model/dataset/dataset_signals_adapter.h"
#include "model/dataset/lpm_clock.h"
#include "model/dataset/signal_log.h"
#include "model/field/field.h"
#include "model/transponder/transponder_data.h"
#include "platform/exception.h"
#include "support/temp_folder.h"

namespace {

using qel::test::LoggingSubscriber;
using qel::test::SignalLog;

RqelLPMSample Sample(int64_t aLPMTimeMS, uint16_t anAntennaID = 7) {
    RqelLPMSample sample;
    sample.setTimestamp(static_cast<uint32_t>(aLPMTimeMS * 10));
    sample.setAntennaID(anAntennaID);
    return sample;
}

RqelCamPosCommunication CamSample(uint8_t aCameraIndex, uint32_t aTimeMS,
                                  TqelArrayOfWord anAntennas = {}) {
    RqelCamPosCommunication sample;
    sample.CameraIndex = aCameraIndex;
    sample.TimeStampInMS = aTimeMS;
    sample.PanInRad = 1000;
    sample.Tilt = 200;
    sample.Zoom = 300;
    sample.Antennas = std::move(anAntennas);
    return sample;
}

// Writes down every stage the live path calls, with its span.
class StageLog : public qel::LiveStages {
public:
    void updateLiveIndex(TqelTransponderData& aTp) override { Add("index", aTp); }
    void updateLapsAndSectors(TqelTransponderData& aTp) override { Add("laps", aTp); }
    void updatePartsRestTime(TqelDataset&) override { calls << QStringLiteral("rest"); }
    void UpdateClock(TqelTimeOnIce&) override { calls << QStringLiteral("clock"); }
    void FinalizeProcess(TqelTimeOnIce&) override { calls << QStringLiteral("finalize"); }
    void Finish(TqelTimeRecorder&) override { calls << QStringLiteral("finish"); }
    std::unique_ptr<TqeldbPosition> CalcLiveData(TqelTransponderData& aTp, int32_t aBegin,
                                                 int32_t anEnd, int32_t aFrame, bool aUseIndexes,
                                                 bool aTeamInfo) override {
        calls << QStringLiteral("live %1 %2..%3 frame %4 %5 %6")
                     .arg(aTp.TPid())
                     .arg(aBegin)
                     .arg(anEnd)
                     .arg(aFrame)
                     .arg(aUseIndexes)
                     .arg(aTeamInfo);
        return LiveStages::CalcLiveData(aTp, aBegin, anEnd, aFrame, aUseIndexes, aTeamInfo);
    }
    RqelCalculatedPosition CalcLongAvgPos(TqelTransponderData& aTp, int32_t aStart,
                                          int32_t aStop) override {
        calls << QStringLiteral("avg %1 %2..%3").arg(aTp.TPid()).arg(aStart).arg(aStop);
        return LiveStages::CalcLongAvgPos(aTp, aStart, aStop);
    }

    QStringList calls;

private:
    void Add(const char* aStage, TqelTransponderData& aTp) {
        calls << QStringLiteral("%1 %2").arg(QLatin1String(aStage)).arg(aTp.TPid());
    }
};

class LiveMedia : public ::testing::Test {
protected:
    LiveMedia() { dataset.setLiveStages(&stages); }
    // Two transponders, TPids 1 and 2, and the first tick at 100,000 ms.
    void TwoTransponders() {
        dataset.recordLPMSample(Sample(100000, 7));
        dataset.recordLPMSample(Sample(100000, 9));
        ASSERT_EQ(dataset.TransponderCount(), 2);
    }

    qel::FakeClock clock{EncodeDateTime(2026, 5, 4, 15, 30, 10, 0)};
    qel::ScopedClock scopedClock{clock};
    TqelDataset dataset;
    StageLog stages;
};

TEST_F(LiveMedia, CameraSamplesTakeThePositionTimeBase) {
    dataset.recordCamPosition(CamSample(2, 100500));
    EXPECT_EQ(dataset.CameraCount(), 0) << "before the first position sample";

    TwoTransponders();
    dataset.recordCamPosition(CamSample(2, 0));
    EXPECT_EQ(dataset.CameraCount(), 0) << "time 0";

    dataset.recordCamPosition(CamSample(2, 100500, {7, 9, 8}));
    TqelCamera* camera = dataset.GetCameraByIndex(2);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->ID(), 0);
    ASSERT_EQ(camera->RawDataCount(), 1);
    const TqelCameraPosition record = camera->GetRawData(0);
    EXPECT_EQ(record.Timestamp, 500);
    EXPECT_EQ(record.PanInRad, 1000);
    EXPECT_EQ(record.Tilt, 200);
    EXPECT_EQ(record.Zoom, 300);
    // Antenna 8 has no transponder.
    EXPECT_EQ(record.Transponders, TqelTransponderSet({1, 2}));

    // Just before the first tick: early, not 4.97 days late.
    dataset.recordCamPosition(CamSample(2, 99990));
    EXPECT_EQ(camera->RawDataCount(), 1);
    EXPECT_EQ(dataset.CameraCount(), 1);
}

TEST_F(LiveMedia, CameraSamplesAcrossTheWrapOfTheLPMClock) {
    const int64_t first = qel::LPMClockWrapMS - 1000;
    dataset.recordLPMSample(Sample(first));
    dataset.recordCamPosition(CamSample(0, 500));
    ASSERT_EQ(dataset.CameraCount(), 1);
    ASSERT_EQ(dataset.GetCamera(0)->RawDataCount(), 1);
    EXPECT_EQ(dataset.GetCamera(0)->GetRawData(0).Timestamp, 1500);
}

TEST_F(LiveMedia, TransponderSetLeavesOutTPidsBeyond103) {
    TwoTransponders();
    dataset.GetTransponderByAtenna(9)->setTPid(104);
    dataset.recordCamPosition(CamSample(1, 100040, {7, 9}));
    EXPECT_EQ(dataset.GetCameraByIndex(1)->GetRawData(0).Transponders, TqelTransponderSet({1}));
}

TEST_F(LiveMedia, CameraLookUps) {
    TqelCamera* first = dataset.CameraAdd(3);
    EXPECT_EQ(dataset.CameraAdd(3), first);
    TqelCamera* second = dataset.CameraAdd(0);
    second->setID(5);
    EXPECT_EQ(dataset.CameraCount(), 2);
    EXPECT_EQ(dataset.GetCamera(1), second);
    EXPECT_EQ(dataset.GetCamera(2), nullptr);
    EXPECT_THROW(dataset.GetCamera(-1), EArgumentOutOfRangeException);
    EXPECT_EQ(dataset.GetCameraByID(5), second);
    EXPECT_EQ(dataset.GetCameraByID(6), nullptr);
    EXPECT_EQ(dataset.GetCameraByIndex(0), second);
    EXPECT_EQ(dataset.GetCameraByIndex(7), nullptr);
}

TEST(Camera, PositionInForceAtATimeWithAnOffset) {
    TqelCamera camera(nullptr, 0);
    EXPECT_EQ(camera.GetPosition(50, 0).Timestamp, 0);
    for (const int32_t t : {0, 40, 80}) {
        RqelCamPosCommunication sample;
        sample.PanInRad = static_cast<uint16_t>(t + 1);
        camera.AddRecord(t, sample);
    }
    struct Case {
        int32_t time, offset;
        uint16_t pan;  // record time + 1; 0 for none
    };
    const Case cases[] = {
        {50, 0, 41}, {50, -20, 1}, {-1, 0, 0},    {0, 0, 1},
        {39, 0, 1},  {80, 0, 81},  {9999, 0, 81}, {19, -20, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(camera.GetPosition(c.time, c.offset).PanInRad, c.pan)
            << c.time << " offset " << c.offset;
    }
    EXPECT_THROW(camera.GetRawData(3), EArgumentOutOfRangeException);
}

TEST(Camera, RecordsGrowInStepsOfAThousand) {
    TqelCamera camera(nullptr, 0);
    for (int32_t i = 0; i < 1000; ++i) {
        camera.AddRecord(i, RqelCamPosCommunication());
    }
    EXPECT_EQ(camera.RawDataCapacity(), 1000);
    camera.AddRecord(1000, RqelCamPosCommunication());
    EXPECT_EQ(camera.RawDataCount(), 1001);
    EXPECT_EQ(camera.RawDataCapacity(), 2000);
    EXPECT_EQ(camera.GetPosition(1500, 0).Timestamp, 1000);
}

TEST_F(LiveMedia, VideoStreamsAreNumberedAndTellTheirChanges) {
    SignalLog log;
    LoggingSubscriber subscriber(QStringLiteral("s"), log);
    dataset.subscribeToSignals(&subscriber);
    // The camera comes from the stream's own name, not the dataset's minute digit.
    dataset.setFilename(QStringLiteral("/data/20260504 1530-1705.qel"));
    TqelVideoStream* stream =
        dataset.addVideoStream(QStringLiteral("d"), QStringLiteral("/v/x_dome3.mp4"), 40);
    EXPECT_EQ(stream->ID(), 1);
    EXPECT_EQ(stream->CameraIndex(), 2);
    EXPECT_EQ(stream->OffsetInMS(), 40);
    EXPECT_EQ(dataset.addVideoStream(QString(), QStringLiteral("x_domeA.mp4"), 0)->CameraIndex(),
              255);
    EXPECT_EQ(dataset.VideoStreamCount(), 2);
    EXPECT_EQ(dataset.getVideoStream(1)->ID(), 2);
    EXPECT_EQ(dataset.getVideoStream(2), nullptr);
    EXPECT_EQ(dataset.getVideoStream(-1), nullptr);

    const int added = int(itemVideoStream);
    EXPECT_EQ(log.Take(), QStringList({QStringLiteral("s added %1 1").arg(added),
                                       QStringLiteral("s added %1 2").arg(added)}));
    stream->setDescription(QStringLiteral("d"));
    stream->setRecordingFile(QStringLiteral("r.mp4"));
    stream->setZoomLevel(3);
    stream->setCamState(comRecording);
    EXPECT_EQ(log.Take(), QStringList({QStringLiteral("s changed %1 1").arg(added),
                                       QStringLiteral("s changed %1 1").arg(added)}));
    dataset.unsubscribeToSignals(&subscriber);
}

TEST_F(LiveMedia, VideoOffsetsFollowTheFirstSample) {
    TqelVideoStream* stream = dataset.addVideoStream(QString(), QString(), 0);
    stream->setStartLPMtimeInMS(99000);
    EXPECT_EQ(stream->OffsetInMS(), 0) << "no first sample yet";
    TwoTransponders();
    EXPECT_EQ(stream->OffsetInMS(), 1000);
    stream->setStartLPMtimeInMS(100250);
    EXPECT_EQ(stream->StartLPMtimeInMS(), 100250);
    EXPECT_EQ(stream->OffsetInMS(), -250);
}

TEST_F(LiveMedia, StoppingTheRecordingSettlesTheVideoStreamsInItsOrder) {
    qel::test::TempFolder folder;
    const QString videoDir = ClientConfig()->VideoDir();
    ClientConfig()->setVideoDir(folder.path());
    QFile file(folder.file(QStringLiteral("dome1.mp4")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QStringList recordingFiles = {QStringLiteral("dome1.mp4"), QStringLiteral("gone.mp4"),
                                        QString()};
    for (const QString& name : recordingFiles) {
        dataset.addVideoStream(QStringLiteral("live"), QStringLiteral("live.mp4"), 0)
            ->setRecordingFile(name);
    }
    TqelDatasetSignals adapter(&dataset);
    adapter.setOnStopRecording([this](TNotifyVaruza*) {
        stages.calls << QStringLiteral("stop with %1 streams").arg(dataset.VideoStreamCount());
    });
    const QString before = dataset.Filename();
    stages.calls.clear();
    dataset.setRecording(true);
    dataset.setRecording(false);

    EXPECT_EQ(stages.calls, QStringList({QStringLiteral("finalize"), QStringLiteral("finish"),
                                         QStringLiteral("stop with 3 streams")}));
    EXPECT_NE(dataset.Filename(), before);
    ASSERT_EQ(dataset.VideoStreamCount(), 1);
    const TqelVideoStream* kept = dataset.getVideoStream(0);
    EXPECT_EQ(kept->ID(), 1);
    EXPECT_EQ(kept->Filename(), QStringLiteral("dome1.mp4"));
    EXPECT_EQ(kept->Description(), QStringLiteral("dome1"));
    ClientConfig()->setVideoDir(videoDir);
}

TEST_F(LiveMedia, LiveUpdateRunsTheStagesInOrder) {
    TwoTransponders();
    dataset.updateLiveData();
    EXPECT_EQ(stages.calls, QStringList({"index 1", "index 2", "rest", "clock"}));

    stages.calls.clear();
    dataset.Field()->setHasTrack(true);
    dataset.updateLiveData();
    EXPECT_EQ(stages.calls,
              QStringList({"index 1", "laps 1", "index 2", "laps 2", "rest", "clock"}));
}

TEST_F(LiveMedia, LivePositionsStayBehindTheNewestSample) {
    TwoTransponders();
    dataset.setRecording(true);
    struct Case {
        int32_t duration, begin, end;
        QString span;
    };
    const Case cases[] = {
        {10000, 0, 0, "0..9000"},
        {10000, -5, 4000, "0..4000"},
        {10000, 9500, 9800, "9000..9000"},
        {10000, 100, -1, "100..9000"},
        // Less than a second recorded: nothing before dataset time 0.
        {500, 200, 300, "0..0"},
    };
    for (const Case& c : cases) {
        dataset.setDurationInMS(c.duration);
        stages.calls.clear();
        std::vector<std::unique_ptr<TqeldbPosition>> positions;
        dataset.GetPositions(c.begin, c.end, &positions);
        EXPECT_EQ(stages.calls,
                  QStringList({QStringLiteral("live 1 %1 frame 100 1 0").arg(c.span),
                               QStringLiteral("live 2 %1 frame 100 1 0").arg(c.span)}))
            << c.duration << " " << c.begin << " " << c.end;
        ASSERT_EQ(positions.size(), 2u);
        EXPECT_EQ(positions[1]->TpID(), 2);
    }
    dataset.GetPositions(0, 0, nullptr);

    // Not recording: the play position is the limit.
    dataset.setRecording(false);
    stages.calls.clear();
    std::vector<std::unique_ptr<TqeldbPosition>> positions;
    dataset.GetPositions(0, 0, &positions);
    EXPECT_EQ(stages.calls.value(0), QStringLiteral("live 1 0..0 frame 100 1 0"));
}

TEST_F(LiveMedia, LongAveragePositionsPerTransponderInListOrder) {
    TwoTransponders();
    TqelCalculatedPositionArray positions;
    dataset.GetLongAvaragePositions(1000, 61000, positions);
    EXPECT_EQ(stages.calls, QStringList({"avg 1 1000..61000", "avg 2 1000..61000"}));
    ASSERT_EQ(positions.size(), 2);
    EXPECT_EQ(positions[0].TransponderID, 1);
    EXPECT_EQ(positions[1].TransponderID, 2);
}

}  // namespace
