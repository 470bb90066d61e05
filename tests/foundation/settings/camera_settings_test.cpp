#include <gtest/gtest.h>

#include <QFile>
#include <memory>

#include "foundation/settings/camera_settings.h"
#include "foundation/settings/server_config.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

namespace {

const QString kDome = QStringLiteral("Dome 1");

void WriteText(const QString& aFileName, const QByteArray& aText) {
    QFile file(aFileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(aText), aText.size());
}

class CameraSettingsTest : public ::testing::Test {
protected:
    CameraSettingsTest() { config.setDecimalSeparator(u','); }

    // The section text as the only camera of a file, read by a new settings object: a load
    // keeps a camera list that already has the file's count.
    std::shared_ptr<TqelCameraSettings> loadDome(const QByteArray& aSectionText,
                                                 QChar aSeparator = u',') {
        WriteText(iniName,
                  "[General]\r\nServer IniFile Version=1\r\nCamera Count=1\r\n"
                  "[Dome 1]\r\n" +
                      aSectionText);
        loaded = std::make_unique<TqelServerConfig>();
        loaded->setDecimalSeparator(aSeparator);
        loaded->load(iniName);
        return loaded->GetCamera(0);
    }

    qel::test::TempFolder folder;
    QString iniName = folder.file(QStringLiteral("qelServer.ini"));
    TqelServerConfig config;
    std::unique_ptr<TqelServerConfig> loaded;
};

TEST_F(CameraSettingsTest, DomeSectionIsWrittenAsTheFixtureAndReadBack) {
    TqelCameraSettings camera(&config);
    camera.setPort(QStringLiteral("/dev/ttyS0"));
    camera.setCameraNumber(3);
    camera.setPosXinMM(-1500);
    camera.setPosYinMM(2500);
    camera.setPosZinMM(8000);
    camera.setPanOffset(1.25);
    camera.setMinPanSpeed(2);
    camera.setTiltOffset(-0.5);
    camera.setMinTiltSpeed(3);
    camera.setMinPosOffset(0.025);
    camera.setMinZoomAtInMM(500);
    camera.setMaxZoomAtInMM(60000);
    camera.setMaxZoomLength(1000);
    camera.setMinZoomLength(40);
    camera.setMaxZoomSpeed(5);
    camera.setZoomTPSpeedFactor(1.5);
    camera.setZoomCamSpeedFactor(2);
    camera.setVertAngleX(10);
    camera.setVertAngleY(-10);
    camera.setPanTPSpeedFactor(4.25);
    camera.setPanCamSpeedFactor(0.75);
    camera.setPositionFactor(0.125);
    camera.setIPAddress(QStringLiteral("10.0.0.20"));
    camera.setIsIPCamera(true);
    camera.setPTZCamera(true);
    camera.setInversePicture(true);
    camera.setFollowOnlyOneTP(true);
    camera.setMaxPan(340);
    camera.setMinPan(20);
    camera.setTiltTPSpeedFactor(1.25);
    camera.setTiltCamSpeedFactor(3);
    camera.setPredictTimeInMS(120);
    camera.setDailyHomingAtFirstStart(true);
    camera.setCalibrateTime(true);
    camera.setAutoFollowMode(true);
    camera.setStartLine(QStringLiteral("Start"));
    camera.setStartLineDirection(2);
    camera.setStartLineHeightInMM(1000);
    camera.setFinishLine(QStringLiteral("Finish"));
    camera.setFinishLineDirection(255);
    camera.setFinishLineHeightInMM(1100);
    camera.setCamAreaName(QStringLiteral("Box"));
    camera.setManufacturer(QStringLiteral("Bosch"));
    camera.setRecordingType(QStringLiteral("vlc"));
    camera.setMuxer(QStringLiteral("ts"));
    camera.setRTSPUsername(QStringLiteral("viewer"));
    camera.setRTSPPassword(QStringLiteral("pw"));
    camera.setStreamIndex(2);
    camera.setLineIndex(3);
    camera.setEnableAudio(true);
    camera.setIDSIndex(1);
    camera.setIDSFPS(25);
    camera.setIDSExposureTime(4000);
    camera.setIDSUndistortEnabled(true);
    camera.setVLCEnableTranscoding(true);
    camera.setVLCTranscodeVideoCodec(QStringLiteral("h265"));
    camera.setVLCTranscodeAudioCodec(QStringLiteral("aac"));
    camera.setVLCTranscodeBitrate(5000);
    camera.setVLCTranscodeResolution(QStringLiteral("1920x1080"));
    camera.setVLCTranscodeFPS(50);
    camera.setFFMpegTransport(QStringLiteral("udp"));
    camera.setFFMpegTimeoutMS(5000);
    camera.setFFMpegFragKeyFrame(true);
    camera.setFFMpegMinFragDurSec(2);
    camera.setVideoBufferInCam(200);
    camera.setGameOnID(QStringLiteral("cam-a"));
    camera.setBoschPTZEnabled(true);
    camera.setRecordingServerID(7);
    camera.setDoRecord(true);
    camera.setDoShow(true);
    camera.AddPreset(QStringLiteral("Goal left"), 0.5, -0.25, 40);
    camera.AddPreset(QString(), -1.5, 0, 32);

    qel::IniFile ini(folder.file(QStringLiteral("cameras.ini")));
    camera.writeToIni(ini, kDome, config);
    // The password is Base64 of the scrambled text ("pw" scrambles to "oh").
    const QString expected =
        "[Dome 1]\r\n"
        "Port=/dev/ttyS0\r\n"
        "Camera Number=3\r\n"
        "X=-1500\r\n"
        "Y=2500\r\n"
        "Height=8000\r\n"
        "Pan offset=1,2\r\n"
        "Min Pan Speed=2\r\n"
        "Tilt offset=-0,5\r\n"
        "Min Tilt Speed=3\r\n"
        "Min Position offset=25\r\n"
        "Min zoom at=500\r\n"
        "Max zoom at=60000\r\n"
        "Max zoom Lenght=1000\r\n"
        "Min zoom Length=40\r\n"
        "Max zoom speed=5\r\n"
        "Zoom Speed Factor=1,5\r\n"
        "Zoom Cam Speed Factor=2\r\n"
        "Vertical angle X=10\r\n"
        "Vertical angle Y=-10\r\n"
        "Pan TP Speed Factor=4,25\r\n"
        "Pan Cam Speed Factor=0,75\r\n"
        "Position Factor=0,125\r\n"
        "IP Address=10.0.0.20\r\n"
        "Is IP Camera=1\r\n"
        "PTZ Camera=1\r\n"
        "Inverse picture=1\r\n"
        "Follow only 1 TP=1\r\n"
        "Max Pan Position=340\r\n"
        "Min Pan Position=20\r\n"
        "Tilt TP Speed Factor=1,25\r\n"
        "Tilt Cam Speed Factor=3\r\n"
        "Predict time in msec=120\r\n"
        "Daily Find Home At Start=1\r\n"
        "Calibrate time=1\r\n"
        "Preset count=2\r\n"
        "Auto Follow Mode=1\r\n"
        "Startline=Start\r\n"
        "StartLineDirection=2\r\n"
        "StartLineHeight=1000\r\n"
        "Finishline=Finish\r\n"
        "FinishLineDirection=255\r\n"
        "FinishLineHeight=1100\r\n"
        "Area=Box\r\n"
        "Manufacturer=Bosch\r\n"
        "CameraType=2\r\n"
        "RecordingType=vlc\r\n"
        "Muxer=ts\r\n"
        "RTSPUsername=viewer\r\n"
        "RTSPPassword=b2g=\r\n"
        "StreamIndex=2\r\n"
        "LineIndex=3\r\n"
        "Enable Audio=1\r\n"
        "IDS Index=1\r\n"
        "IDS FPS=25\r\n"
        "IDS ExposureTime=4000\r\n"
        "IDS Undistort Enabled=1\r\n"
        "VLC enable Transcode=1\r\n"
        "VLC Transcode video codec=h265\r\n"
        "VLC Transcode audio codec=aac\r\n"
        "VLC Transcode Bitrate=5000\r\n"
        "VLC Transcode Resolution=1920x1080\r\n"
        "VLC Transcode FPS=50\r\n"
        "FFMpeg Transport=udp\r\n"
        "FFMpeg Timeout=5000\r\n"
        "FFMpeg Frag Keyframe=1\r\n"
        "FFMpeg Min frag duration=2\r\n"
        "Videobuffer in Camera=200\r\n"
        "GameOn ID=cam-a\r\n"
        "Bosch PTZ Enabled=1\r\n"
        "Recorder Server ID=7\r\n"
        "Do Record=1\r\n"
        "Do Show=1\r\n"
        "\r\n"
        "[Dome 1 Preset 1]\r\n"
        "Description=Goal left\r\n"
        "Pan=0,5\r\n"
        "Tilt=-0,25\r\n"
        "Zoom=40\r\n"
        "\r\n"
        "[Dome 1 Preset 2]\r\n"
        "Description=\r\n"
        "Pan=-1,5\r\n"
        "Tilt=0\r\n"
        "Zoom=32\r\n";
    EXPECT_EQ(ini.Text().toStdString(), expected.toStdString());

    // Read back under the other separator: the same text comes out, except the two fragment
    // keys, which are never read.
    TqelServerConfig other;
    other.setDecimalSeparator(u'.');
    TqelCameraSettings reread(&other);
    // Passwords are read by the version of the file the owner loaded last.
    WriteText(iniName, "[General]\r\nServer IniFile Version=1\r\n");
    other.load(iniName);
    reread.readFromIni(ini, kDome, other);
    EXPECT_EQ(reread.CameraType(), ctBoschIP);
    EXPECT_EQ(reread.RTSPPassword(), QStringLiteral("pw"));
    EXPECT_DOUBLE_EQ(reread.MinPosOffset(), 0.025);
    ASSERT_EQ(reread.PresetCount(), 2);
    EXPECT_EQ(reread.GetPreset(0)->Description(), QStringLiteral("Goal left"));
    EXPECT_EQ(reread.GetPreset(0)->Tilt(), -0.25);
    EXPECT_EQ(reread.GetPreset(1)->Pan(), -1.5);
    EXPECT_FALSE(reread.FFMpegFragKeyFrame());
    EXPECT_EQ(reread.FFMpegMinFragDurSec(), 0);
    qel::IniFile again(folder.file(QStringLiteral("again.ini")));
    reread.writeToIni(again, kDome, config);
    QString withoutFragments = expected;
    withoutFragments.replace(QStringLiteral("FFMpeg Frag Keyframe=1"),
                             QStringLiteral("FFMpeg Frag Keyframe=0"));
    withoutFragments.replace(QStringLiteral("FFMpeg Min frag duration=2"),
                             QStringLiteral("FFMpeg Min frag duration=0"));
    EXPECT_EQ(again.Text().toStdString(), withoutFragments.toStdString());
}

TEST_F(CameraSettingsTest, MissingSectionGivesTheLoadDefaults) {
    WriteText(iniName, "[General]\r\nCamera Count=1\r\n");
    config.load(iniName);
    const auto c = config.GetCamera(0);
    EXPECT_EQ(c->CameraNumber(), 1);
    EXPECT_EQ(c->MinPanSpeed(), 1);
    EXPECT_DOUBLE_EQ(c->MinPosOffset(), 0.01);
    EXPECT_EQ(c->MaxZoomAtInMM(), 100000);
    EXPECT_EQ(c->MaxZoomLength(), 1224);
    EXPECT_EQ(c->MinZoomLength(), 34);
    EXPECT_EQ(c->MaxZoomSpeed(), 3);
    EXPECT_EQ(c->PanTPSpeedFactor(), 4);
    EXPECT_EQ(c->TiltCamSpeedFactor(), 1);
    EXPECT_TRUE(c->PTZCamera());
    EXPECT_EQ(c->PredictTimeInMS(), 100);
    EXPECT_EQ(c->Manufacturer(), QStringLiteral("Bosch"));
    EXPECT_EQ(c->CameraType(), ctBoschSD);
    EXPECT_EQ(c->RecordingType(), QStringLiteral("ffmpeg"));
    EXPECT_EQ(c->Muxer(), QStringLiteral("mp4"));
    EXPECT_EQ(c->StreamIndex(), 1);
    EXPECT_EQ(c->IDSFPS(), 30);
    EXPECT_EQ(c->VLCTranscodeVideoCodec(), QStringLiteral("H264"));
    EXPECT_EQ(c->VLCTranscodeResolution(), QStringLiteral("1280x720"));
    EXPECT_EQ(c->FFMpegTransport(), QStringLiteral("tcp"));
    EXPECT_EQ(c->VideoBufferInCam(), 330);
    EXPECT_EQ(c->RecordingServerID(), -1);
    EXPECT_TRUE(c->DoRecord());
    EXPECT_TRUE(c->DoShow());
    EXPECT_EQ(c->TrackingMethod(), trmSpeed);
    EXPECT_EQ(c->PresetCount(), 0);

    config.Save();
    EXPECT_EQ(qel::IniFile(iniName).ReadString(kDome, QStringLiteral("Min Position offset"), {}),
              QStringLiteral("10"));
}

TEST_F(CameraSettingsTest, FloatsReadWithEitherSeparator) {
    const struct {
        const char* text;  // nullptr: key missing
        double panOffset;  // rounded to one decimal, halves to even
        double factor;     // default 4
        double presetPan;  // default 0
    } cases[] = {
        {"1,25", 1.2, 1.25, 1.25}, {"1.25", 1.2, 1.25, 1.25},
        {"abc", 0, 4, 0},          {"", 0, 4, 0},
        {nullptr, 0, 4, 0},        {"1,234.5", 0, 4, 0},
        {"1e400", 0, 4, 0},        {"2E1", 20, 20, 20},
        {" 3,5 ", 3.5, 3.5, 3.5},
    };
    for (QChar separator : {QChar(u','), QChar(u'.')}) {
        for (const auto& c : cases) {
            QByteArray section;
            if (c.text) {
                section = QByteArray("Pan offset=") + c.text + "\r\nPan TP Speed Factor=" + c.text +
                          "\r\nPreset count=1\r\n[Dome 1 Preset 1]\r\nPan=" + c.text + "\r\n";
            } else {
                section = "Preset count=1\r\n";
            }
            const auto camera = loadDome(section, separator);
            const std::string label = std::string(c.text ? c.text : "(missing)") + " under " +
                                      QString(separator).toStdString();
            EXPECT_DOUBLE_EQ(camera->PanOffset(), c.panOffset) << label;
            EXPECT_DOUBLE_EQ(camera->PanTPSpeedFactor(), c.factor) << label;
            ASSERT_EQ(camera->PresetCount(), 1) << label;
            EXPECT_DOUBLE_EQ(camera->GetPreset(0)->Pan(), c.presetPan) << label;
            EXPECT_EQ(camera->GetPreset(0)->Zoom(), 32) << label;
        }
    }
}

TEST_F(CameraSettingsTest, ZoomDistancesAreFixedUp) {
    const struct {
        const char* keys;
        int32_t minAt;
        int32_t maxAt;
    } cases[] = {
        {"", 0, 100000},
        {"Max zoom at=0\r\n", 0, 100000},
        {"Min zoom at=5000\r\nMax zoom at=4000\r\n", 0, 100000},
        {"Min zoom at=4000\r\nMax zoom at=4000\r\n", 0, 100000},
        {"Min zoom at=100000\r\n", 0, 100000},
        {"Min zoom at=200\r\nMax zoom at=0\r\n", 200, 100000},
        {"Min zoom at=100\r\nMax zoom at=4000\r\n", 100, 4000},
        {"Min zoom at=-50\r\nMax zoom at=-20\r\n", -50, -20},
    };
    for (const auto& c : cases) {
        const auto camera = loadDome(c.keys);
        EXPECT_EQ(camera->MinZoomAtInMM(), c.minAt) << c.keys;
        EXPECT_EQ(camera->MaxZoomAtInMM(), c.maxAt) << c.keys;
    }
}

TEST_F(CameraSettingsTest, CameraTypeFollowsTheManufacturer) {
    const struct {
        const char* keys;
        TqelCameraType type;
    } cases[] = {
        {"", ctBoschSD},
        {"Is IP Camera=1\r\n", ctBoschIP},
        {"Manufacturer=Bosch\r\nIs IP Camera=1\r\n", ctBoschIP},
        {"Manufacturer=bosch\r\n", ctNone},
        {"Manufacturer=Hikvision\r\nIs IP Camera=1\r\n", ctHikvision},
        {"Manufacturer=Pixellot\r\n", ctPixellot},
        {"Manufacturer=\r\n", ctNone},
        {"Manufacturer=Other\r\nCameraType=2\r\n", ctNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loadDome(c.keys)->CameraType(), c.type) << c.keys;
    }

    const auto camera = loadDome("Manufacturer=Bosch\r\n");
    EXPECT_FALSE(loaded->Modified());
    camera->setIsIPCamera(true);
    EXPECT_EQ(camera->CameraType(), ctBoschIP);
    EXPECT_TRUE(loaded->Modified());
    camera->setManufacturer(QStringLiteral("Hikvision"));
    EXPECT_EQ(camera->CameraType(), ctHikvision);
}

TEST_F(CameraSettingsTest, OldAndUnreadKeys) {
    const auto camera = loadDome(
        "Pan Kalman Velo=1\r\nFFMpeg Frag Keyframe=1\r\nFFMpeg Min frag duration=5\r\n"
        "Camera Number=70000\r\nStartLineDirection=256\r\nFinishLineDirection=7\r\n"
        "Preset count=-3\r\n");
    EXPECT_TRUE(camera->FollowOnlyOneTP());
    EXPECT_FALSE(camera->FFMpegFragKeyFrame());
    EXPECT_EQ(camera->FFMpegMinFragDurSec(), 0);
    // Numbers outside their types give the defaults.
    EXPECT_EQ(camera->CameraNumber(), 1);
    EXPECT_EQ(camera->StartLineDirection(), 0);
    EXPECT_EQ(camera->FinishLineDirection(), 7);
    EXPECT_EQ(camera->PresetCount(), 0);

    EXPECT_FALSE(loadDome("Pan Kalman Velo=1\r\nFollow only 1 TP=0\r\n")->FollowOnlyOneTP());
    EXPECT_EQ(loadDome("Preset count=2147483647\r\n")->PresetCount(), qel::kMaxPresetCount);
}

TEST_F(CameraSettingsTest, LoadCamerasRebuildsOnlyForAnotherCount) {
    WriteText(iniName,
              "[General]\r\nCamera Count=2\r\n[Dome 1]\r\nX=100\r\n[Dome 2]\r\nX=200\r\n"
              "[Dome 3]\r\nX=300\r\n");
    config.load(iniName);
    const auto first = config.GetCamera(0);
    first->setPosXinMM(111);
    first->AddPreset(QStringLiteral("unsaved"), 0, 0, 32);
    config.setModified(false);

    config.LoadCameras(2, nullptr);
    EXPECT_EQ(config.GetCamera(0), first);
    EXPECT_EQ(first->PosXinMM(), 111);
    EXPECT_FALSE(config.Modified());

    config.LoadCameras(3, nullptr);
    EXPECT_TRUE(config.Modified());
    ASSERT_EQ(config.CamCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(config.GetCamera(i)->PosXinMM(), 100 * (i + 1));
        EXPECT_EQ(config.GetCamera(i)->CameraIndex(), i);
        EXPECT_EQ(config.GetCamera(i)->PresetCount(), 0);
    }
}

TEST_F(CameraSettingsTest, SettersMarkTheOwnerOnlyOnChange) {
    TqelCameraSettings camera(&config);
    camera.setPanOffset(1.25);
    EXPECT_EQ(camera.PanOffset(), 1.2);
    EXPECT_TRUE(config.Modified());

    config.setModified(false);
    camera.setPanOffset(1.24);  // rounds to the held value
    camera.setCameraNumber(9);  // never marks
    camera.setTrackingMethod(trmSpeed);
    camera.setTiltOffset(0);
    EXPECT_FALSE(config.Modified());
    EXPECT_EQ(camera.CameraNumber(), 9);

    camera.setStartLineDirection(4);
    EXPECT_TRUE(config.Modified());

    TqelCameraSettings orphan(nullptr);
    orphan.setPosXinMM(5);
    EXPECT_EQ(orphan.PosXinMM(), 5);
}

TEST_F(CameraSettingsTest, PositionValuesComeFromTheOwner) {
    config.setPositionIntervalCOM(40);
    config.setPositionIntervalIP(100);
    config.setPositionOffsetCOM(45);
    config.setPositionOffsetIP(500);
    TqelCameraSettings camera(&config);
    EXPECT_EQ(camera.PositionInterval(), 40);
    EXPECT_EQ(camera.PositionOffset(), 45);
    camera.setIsIPCamera(true);
    EXPECT_EQ(camera.PositionInterval(), 100);
    EXPECT_EQ(camera.PositionOffset(), 500);
    const TqelCameraSettings orphan(nullptr);
    EXPECT_EQ(orphan.PositionInterval(), 1000);
    EXPECT_EQ(orphan.PositionOffset(), 1000);
}

TEST_F(CameraSettingsTest, AssignCopiesPresetsDeeply) {
    auto source = std::make_unique<TqelCameraSettings>(nullptr);
    source->setCameraIndex(4);
    source->setCameraNumber(12);
    source->setManufacturer(QStringLiteral("Pixellot"));
    source->setTrackingMethod(trmPosition);
    source->setRTSPPassword(QStringLiteral("secret"));
    source->AddPreset(QStringLiteral("Centre"), 0.1, 0.2, 50);
    source->AddPreset(QStringLiteral("Corner"), -0.3, 0.4, 60);

    TqelCameraSettings copy(&config);
    copy.AddPreset(QStringLiteral("old"), 9, 9, 9);
    config.setModified(false);
    copy.Assign(*source);
    source.reset();

    EXPECT_FALSE(config.Modified());
    EXPECT_EQ(copy.Config(), &config);
    EXPECT_EQ(copy.CameraIndex(), 4);
    EXPECT_EQ(copy.CameraNumber(), 12);
    EXPECT_EQ(copy.CameraType(), ctPixellot);
    EXPECT_EQ(copy.TrackingMethod(), trmPosition);
    EXPECT_EQ(copy.RTSPPassword(), QStringLiteral("secret"));
    ASSERT_EQ(copy.PresetCount(), 2);
    EXPECT_EQ(copy.GetPreset(1)->Description(), QStringLiteral("Corner"));
    const TqelPTZRad ptz = copy.GetPreset(0)->PTZ();
    EXPECT_EQ(ptz.Pan, 0.1);
    EXPECT_EQ(ptz.Tilt, 0.2);
    EXPECT_EQ(ptz.Zoom, 50);
    EXPECT_THROW(copy.GetPreset(2), EArgumentOutOfRangeException);
    EXPECT_THROW(copy.GetPreset(-1), EArgumentOutOfRangeException);

    copy.Assign(copy);
    EXPECT_EQ(copy.PresetCount(), 2);
}

}  // namespace
