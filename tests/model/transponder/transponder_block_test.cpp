// The transponder's stream block against fixtures written from its item and layout tables, every
// older version through a small writer that follows the gates, and corrupt blocks.

#include <QBuffer>

#include "analysis/framework/calculation.h"
#include "foundation/protocol/client_protocol.h"
#include "model/field/field_bytes.h"
#include "model/transponder/laps_sectors.h"
#include "platform/binary_stream.h"
#include "transponder_fixture.h"

namespace {

using qel::test::TransponderFixture;

// Raw sample words: time in tenths of a ms above the status nibble, X and Y above bit 12, the
// height in cm split over the low bytes of words 2 and 3.
void RawSample(FieldBytes& b, int32_t aTimeMS, int32_t aX, int32_t aY, int32_t aHeightCM) {
    b.u32(static_cast<uint32_t>(aTimeMS) * 160u);
    b.u32((static_cast<uint32_t>(aX) & 0xFFFFF) << 12 | ((aHeightCM >> 8) & 0xFF));
    b.u32((static_cast<uint32_t>(aY) & 0xFFFFF) << 12 | (aHeightCM & 0xFF));
}

// A current 10 Hz slot: valid, aLast, position, speed, values distinct per field.
void Slot151(FieldBytes& b, int32_t aLast, int32_t aBase) {
    b.u32(1).i32(aLast).i32(aBase + 1).i32(aBase + 2).i32(aBase + 3);
    b.u16(1200).u16(static_cast<uint16_t>(-300)).u16(15000);
    for (int i = 0; i < 9; ++i) {
        b.i32(aBase + 10 + i);
    }
    b.u16(70).u16(80);
}

// Items 1 to 27 of a version-151 block with a distinct value in each.
FieldBytes Properties151(bool aPropertiesOnly) {
    FieldBytes b;
    b.i32(42).str(QStringLiteral("V-7"));
    b.u16(301).u16(302).u16(303).u16(304);
    b.u8(3);  // rolePlayerHome
    b.i32(5);
    b.str(QStringLiteral("Anna")).str(QStringLiteral("U19"));
    b.i32(0x00FF00).u8(0).i32(198);
    b.f64(9.5).f64(4.25).f64(5.75).i32(11);
    b.f64(68.5).f64(1.72).f64(3.5).f64(250.0).i32(600).i32(1);
    b.str(QStringLiteral("SYS")).str(QStringLiteral("EXT")).str(QStringLiteral("note"));
    b.u8(1).u8(0).u8(aPropertiesOnly ? 1 : 0);
    return b;
}

QByteArray CalculationBlock(TqelDataset& aDataset) {
    TqelTransponderData other(&aDataset, false);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    other.Calculation()->writeToStream(writer);
    return data;
}

class TransponderBlock : public TransponderFixture {
protected:
    TransponderBlock() { dataset.setDurationInMS(150); }

    static void Read(TqelTransponderData& aTarget, QByteArray aData, uint8_t aVersion) {
        QBuffer buffer(&aData);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        aTarget.readFromStream(reader, aVersion, nullptr);
        EXPECT_TRUE(buffer.atEnd()) << "version " << int{aVersion};
    }
    static QByteArray Written(TqelTransponderData& aSource, bool aPropertiesOnly) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        qel::BinaryWriter writer(buffer);
        aSource.writeToStream(writer, nullptr, aPropertiesOnly);
        return data;
    }
    std::unique_ptr<TqelTransponderData> Fresh() {
        return std::make_unique<TqelTransponderData>(&dataset, true);
    }

    // The full version-151 fixture of the item and record tables.
    QByteArray FullBlock() {
        FieldBytes b = Properties151(false);
        b.i32(3);
        RawSample(b, 0, 1000, 2000, 150);
        b.u32(0x00640064).u32(25000);
        RawSample(b, 50, 1100, 2100, 151);
        b.u32(0x00C80065).u32(25100);
        RawSample(b, 120, -1200, 2200, 152);
        b.u32(0xFF380066).u32(25200);
        b.i32(2);
        Slot151(b, 0, 100);
        Slot151(b, 2, 200);
        b.i32(1);
        for (int i = 0; i < 10; ++i) {
            b.i32(1000 + i);
        }
        b.u8(1).raw(CalculationBlock(dataset));
        b.i32(2).i32(100).u8(60).u8(0).u16(800).i32(900).u8(60).u8(0).u16(780).u8(1);
        b.i32(2).u8(0);
        b.u32(10).u8(10).u8(20).u8(56);
        b.u32(0x80000000u | 120).u8(0xF6).u8(0).u8(14);
        b.i32(2).i32(1).i32(1);
        b.i32(1).i32(1000).u8(100).u16(3700).u8(9);
        b.i32(1).i32(1).i32(0).i32(120);
        b.i32(1).i32(1).i32(0).i32(2).i32(10).i32(110);
        return b.data();
    }
};

TEST_F(TransponderBlock, PropertiesOnlyBlockAndMessage72ReadAndWriteBackByteForByte) {
    const QByteArray fixture = Properties151(true).data();
    TqelTransponderData received(nullptr, false);
    Read(received, fixture, 151);
    EXPECT_EQ(received.TPid(), 42);
    EXPECT_EQ(received.VestID(), QStringLiteral("V-7"));
    EXPECT_EQ(received.Antenna1ID(), 301);
    EXPECT_EQ(received.Antenna4ID(), 304);
    EXPECT_EQ(received.Role(), rolePlayerHome);
    EXPECT_EQ(received.PlayerRole(), 5);
    EXPECT_EQ(received.AthleteName(), QStringLiteral("Anna"));
    EXPECT_EQ(received.AthleteCategory(), QStringLiteral("U19"));
    EXPECT_EQ(received.AthleteColor(), 0x00FF00u);
    EXPECT_FALSE(received.VisibleIn3D());
    EXPECT_EQ(received.AthleteMaxHeartbeat(), 198);
    EXPECT_DOUBLE_EQ(received.AthleteMaxSpeed(), 9.5);
    EXPECT_DOUBLE_EQ(received.AthleteMaxAcceleration(), 4.25);
    EXPECT_DOUBLE_EQ(received.AthleteMaxDeceleration(), 5.75);
    EXPECT_EQ(received.ShirtNumber(), 11);
    EXPECT_DOUBLE_EQ(received.AthleteWeight(), 68.5);
    EXPECT_DOUBLE_EQ(received.AthleteHeight(), 1.72);
    EXPECT_DOUBLE_EQ(received.AthleteRecon(), 3.5);
    EXPECT_DOUBLE_EQ(received.AthleteFTP(), 250.0);
    EXPECT_EQ(received.AthleteFTPtime(), 600);
    EXPECT_EQ(received.AthletePreferredArm(), 1);
    EXPECT_EQ(received.SystemID(), QStringLiteral("SYS"));
    EXPECT_EQ(received.ExternalID(), QStringLiteral("EXT"));
    EXPECT_EQ(received.Remark(), QStringLiteral("note"));
    EXPECT_TRUE(received.BadData());
    EXPECT_FALSE(received.BadHB());
    EXPECT_TRUE(received.Initialized());
    EXPECT_EQ(received.SampleCount(), 0);
    EXPECT_EQ(Written(received, true), fixture);

    // Message 72: version 151, presence 1, then the block, behind the 8-byte header.
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    TqelProtocol::encodeTransponderToClients(buffer, &received);
    EXPECT_EQ(buffer.data().mid(TqelProtocol::kHeaderSize), QByteArray("\x97\x01", 2) + fixture);
}

TEST_F(TransponderBlock, PropertiesOnlyReadLeavesRecordedDataUntouched) {
    Read(*tp, FullBlock(), 151);
    Read(*tp, Properties151(true).data(), 151);
    EXPECT_EQ(tp->SampleCount(), 3);
    EXPECT_EQ(tp->Sample10HzCount(), 2);
    EXPECT_EQ(tp->LapCount(), 1);
    EXPECT_EQ(tp->SectorCount(), 1);
    EXPECT_TRUE(tp->Initialized());
}

TEST_F(TransponderBlock, FullBlockReadsToItsValuesAndWritesBackByteForByte) {
    const QByteArray fixture = FullBlock();
    Read(*tp, fixture, 151);
    ASSERT_EQ(tp->SampleCount(), 3);
    EXPECT_EQ(tp->SampleCapacity(), 3);
    EXPECT_EQ(tp->GetSampleTimeInMS(1), 50);
    EXPECT_EQ(tp->GetSampleXinMM(2), -1200);
    EXPECT_EQ(tp->GetSampleZinMM(2), 1520);
    EXPECT_EQ(tp->GetSample(1).DistanceInMM(), 25100);
    ASSERT_EQ(tp->Sample10HzCount(), 2);
    EXPECT_EQ(tp->Get10HzSlot(1).LastSampleIndex(), 2);
    EXPECT_EQ(tp->Get10HzSlot(1).CumSpeedIndex(), 213);
    EXPECT_EQ(tp->LiveUpdateTimestamp(), 200);
    EXPECT_EQ(tp->MIPDist1HzCapacity(), 1);
    EXPECT_EQ(tp->MIPDist1Hz(0).Value(9), 1009);
    EXPECT_EQ(tp->HeartbeatCount(), 2);
    EXPECT_TRUE(tp->HeartbeatFiltered());
    EXPECT_EQ(tp->HeartbeatSample(1).TelemetryData(), 780);
    EXPECT_EQ(tp->HeartbeatIdx1Hz(0), 1);
    EXPECT_EQ(tp->AccelerometerCount(), 2);
    EXPECT_TRUE(tp->AccelerometerSample(1).HighRange());
    EXPECT_EQ(tp->AccelerometerIdx10Hz(0), 1);
    EXPECT_EQ(tp->BatteryCount(), 1);
    EXPECT_EQ(tp->BatterySample(0).Voltage(), 3700);
    ASSERT_EQ(tp->LapCount(), 1);
    EXPECT_EQ(tp->getLap(0)->ExitInMS(), 120);
    ASSERT_EQ(tp->SectorCount(), 1);
    EXPECT_EQ(tp->getSector(0)->SectorIndex(), 2);
    EXPECT_EQ(tp->PositionAlgorithm(), dataset.PositionAlgorithm());
    EXPECT_TRUE(tp->Initialized());
    EXPECT_EQ(Written(*tp, false), fixture);
}

TEST_F(TransponderBlock, WriterShortensLongIndexesToTheDuration) {
    Read(*tp, FullBlock(), 151);
    dataset.setDurationInMS(50);  // one slot: 50 div 100 + 1
    const QByteArray written = Written(*tp, false);
    EXPECT_EQ(tp->Sample10HzCount(), 1);
    EXPECT_EQ(tp->AccelerometerIdx10HzCapacity(), 1);
    EXPECT_EQ(written.size(), FullBlock().size() - 66 - 4);
}

TEST_F(TransponderBlock, EveryCutOfTheFullBlockRaises) {
    const QByteArray fixture = FullBlock();
    for (qsizetype size = 0; size < fixture.size(); ++size) {
        auto target = Fresh();
        EXPECT_THROW(Read(*target, fixture.left(size), 151), EStreamError) << size;
    }
}

TEST_F(TransponderBlock, CorruptCountsAreRefusedBeforeAllocating) {
    const qsizetype countAt = Properties151(false).size();
    const QByteArray fixture = FullBlock();
    const int32_t bytesLeft = static_cast<int32_t>(fixture.size() - countAt - 4);
    for (int32_t count : {-1, INT32_MAX, bytesLeft / 20 + 1}) {
        QByteArray bad = fixture;
        qToLittleEndian<int32_t>(count, bad.data() + countAt);
        auto target = Fresh();
        EXPECT_THROW(Read(*target, bad, 151), EReadError) << count;
        EXPECT_EQ(target->SampleCount(), 0);
        EXPECT_EQ(target->SampleCapacity(), 0);
    }
}

TEST_F(TransponderBlock, NewerVersionsRecordingDatasetsAndFullBlocksWithoutDatasetAreRefused) {
    EXPECT_THROW(Read(*Fresh(), Properties151(true).data(), 152), EReadError);
    TqelTransponderData received(nullptr, false);
    EXPECT_THROW(Read(received, FullBlock(), 151), EReadError);
    EXPECT_EQ(received.SampleCount(), 0);

    dataset.setRecording(true);
    EXPECT_THROW(Read(*tp, FullBlock(), 151), qel::ETransponderBusy);
    EXPECT_EQ(tp->SampleCount(), 0);
    EXPECT_THROW(Written(*tp, false), qel::ETransponderBusy);
    EXPECT_NO_THROW(Written(*tp, true));
    dataset.setRecording(false);
}

// A block of any version, laid down by the gates of the item and layout tables.
struct OldBlockOptions {
    bool Ball = false;
    int32_t BallHeightMM = 0;
    uint8_t RangeByte = 0;
    uint8_t FirstHeartbeatType = 56;
    int32_t CumSpeedIndex = 7;
    int32_t FirstSampleMS = 100;
};

QByteArray OldBlock(int v, const OldBlockOptions& o = {}) {
    FieldBytes b;
    if (v >= 77) {
        b.i32(9).str(QStringLiteral("V9")).u16(401).u16(0).u16(0).u16(0);
    }
    if (v >= 2) {
        if (v >= 16) {
            b.u8(o.Ball ? 1 : 0);
        }
        if (v >= 55) {
            b.i32(2);
        }
        b.str(QStringLiteral("Old"));
        if (v >= 27) {
            b.str(QStringLiteral("Cat"));
        }
        b.i32(77);
        if (v >= 6) {
            b.u8(1);
        }
        if (v >= 12) {
            b.i32(190);
        }
        if (v >= 22) {
            b.f64(8.0);
        }
        if (v >= 25) {
            b.f64(3.0);
        }
        if (v >= 88) {
            b.f64(3.5);
        }
        if (v >= 13) {
            b.i32(4);
        }
        if (v >= 23) {
            b.f64(70.0).f64(1.75);
        }
        if (v >= 78) {
            b.f64(4.0);
        }
        if (v >= 27) {
            b.f64(100.0).i32(480);
        }
        if (v >= 70) {
            b.i32(2);
        }
        if (v >= 148) {
            b.str(QString());
        }
        if (v >= 138) {
            b.str(QString());
        }
        if (v >= 39) {
            b.str(QString());
        }
    }
    if (v < 76) {
        b.u8(1).u8(2).u8(3).u8(4);
    }
    if (v >= 109) {
        b.u8(1).u8(1).u8(0);
    }
    // Two samples at (1,000, 2,000) mm.
    b.i32(2);
    const int32_t heightCM = o.BallHeightMM / 10;
    for (int32_t t : {o.FirstSampleMS, 200}) {
        if (v >= 149) {
            RawSample(b, t, 1000, 2000, heightCM);
            b.u32(0).u32(0);
        } else if (v >= 21) {
            RawSample(b, t, 1000, 2000, heightCM);
        } else {
            b.u32(static_cast<uint32_t>(t) << 8).u16(100).u16(200);
        }
    }
    // Index of two slots; slot 1 covers 1.0625 m (1,062.5 mm, rounded to even).
    if (v >= 18 && v < 26) {
        b.i32(2);
        for (int i = 0; i < 2; ++i) {
            if (v >= 21) {
                b.u32(1);
            }
            b.i32(i).f64(i * 1.0625);
        }
    } else if (v >= 26) {
        b.i32(2);
        for (int i = 0; i < 2; ++i) {
            if (v >= 133) {
                b.u32(1).i32(i).i32(0).i32(0).i32(0).u16(0).u16(0).u16(0);
                b.i32(i * 1062).i32(0).i32(5).i32(o.CumSpeedIndex);
                b.i32(0).i32(0).i32(0).i32(0).i32(0).u16(0).u16(0);
            } else if (v >= 125) {
                b.u32(1).i32(i).i32(0).i32(0).i32(0).u16(0).u16(0).u16(0);
                b.i32(i * 1062).i32(5).i32(o.CumSpeedIndex).i32(0).i32(0).i32(0).i32(0).i32(0);
            } else if (v >= 123) {
                b.u32(1).i32(i).f64(0).f64(0).f64(0).u16(0).u16(0).u16(0);
                b.f64(i * 1.0625).f64(5).f64(7).f64(0).f64(0).f64(0).i32(0);
            } else if (v >= 80) {
                b.u32(1).i32(i).f64(i * 1.0625).f64(5).f64(7).f64(0).f64(0).f64(0);
            } else {
                b.u32(1).i32(i).f64(i * 1.0625).f64(5).f64(0);
            }
        }
    }
    if (v >= 150) {
        b.i32(0);
    }
    if (v >= 80) {
        b.u8(0);
    }
    b.i32(2);
    b.i32(100).u8(o.FirstHeartbeatType).u8(0).u16(120 << 8);
    b.i32(1100).u8(o.FirstHeartbeatType).u8(0).u16(121 << 8);
    if (v >= 45) {
        b.u8(1);
    }
    if (v >= 37) {
        b.i32(2);
        if (v >= 44) {
            b.u8(o.RangeByte);
        }
        b.u32(10).u8(1).u8(2).u8(3);
        b.u32(120).u8(4).u8(5).u8(6);
        if (v >= 64) {
            b.i32(2).i32(1).i32(1);
        }
    }
    if (v >= 104) {
        b.i32(1).i32(1000).u8(100).u16(3700).u8(9);
    }
    if (v == 1) {
        b.i32(1).f64(0);
    }
    if (v >= 60) {
        b.i32(1).i32(1).i32(0).i32(120);
        b.i32(1);
        if (v >= 61) {
            b.i32(1);
        }
        b.i32(0).i32(2).i32(10).i32(110);
    }
    if (v < 109) {
        if (v >= 93) {
            b.u8(1);
        }
        if (v >= 97) {
            b.u8(1);
        }
    }
    return b.data();
}

TEST_F(TransponderBlock, EveryVersionReadsToItsValuesAndWritesBackAs151) {
    for (int v = 1; v <= 151; ++v) {
        SCOPED_TRACE(v);
        auto target = Fresh();
        Read(*target, OldBlock(v), static_cast<uint8_t>(v));
        EXPECT_EQ(target->TPid(), v >= 77 ? 9 : 0);
        EXPECT_EQ(target->AthleteName(), v >= 2 ? QStringLiteral("Old") : "Unknown athlete");
        EXPECT_EQ(target->AthleteCategory(), v >= 27 ? QStringLiteral("Cat") : QString());
        EXPECT_DOUBLE_EQ(target->AthleteWeight(), v >= 23 ? 70.0 : v >= 2 ? 80.0 : 0.0);
        EXPECT_DOUBLE_EQ(target->AthleteMaxDeceleration(), v >= 88 ? 3.5 : v >= 25 ? 3.0 : 7.0);
        ASSERT_EQ(target->SampleCount(), 2);
        EXPECT_EQ(target->GetSampleTimeInMS(1), 200);
        EXPECT_EQ(target->GetSampleXinMM(1), 1000);
        EXPECT_EQ(target->GetSampleYinMM(1), 2000);
        if (v >= 26) {
            ASSERT_EQ(target->Sample10HzCount(), 2);
            EXPECT_EQ(target->Get10HzSlot(1).CumDistanceInMM(), 1062);
            EXPECT_EQ(target->Get10HzSlot(0).FStatus(), 1u);
            EXPECT_EQ(target->Get10HzSlot(1).CumEnergyConsumption(), 5);
        } else {
            // No index in these layouts, or one without energy: it is rebuilt from the two
            // samples.
            ASSERT_GE(target->Sample10HzCount(), 3);
            EXPECT_EQ(target->Get10HzSlot(2).LastSampleIndex(), 1);
        }
        EXPECT_EQ(target->HeartbeatCount(), 2);
        EXPECT_EQ(target->AccelerometerCount(), v >= 37 ? 2 : 0);
        EXPECT_EQ(target->BatteryCount(), v >= 104 ? 1 : 0);
        EXPECT_EQ(target->LapCount(), v >= 60 ? 1 : 0);
        EXPECT_EQ(target->SectorCount(), v >= 60 ? 1 : 0);
        EXPECT_EQ(target->BadData(), v >= 93);
        EXPECT_EQ(target->BadHB(), v >= 97);
        EXPECT_TRUE(target->Initialized());

        const QByteArray written = Written(*target, false);
        auto again = Fresh();
        Read(*again, written, 151);
        EXPECT_EQ(again->AthleteName(), target->AthleteName());
        EXPECT_EQ(again->GetSample(1).val3(), target->GetSample(1).val3());
        EXPECT_EQ(again->BadHB(), target->BadHB());
        // Below 64 the accelerometer index is built from the samples, from 64 on it is read
        // and completed: the reread index differs there by the reader's own rules.
        if (v >= 64) {
            EXPECT_EQ(Written(*again, false), written);
        }
    }
}

TEST_F(TransponderBlock, VersionOneWordFormulasCarryIntoTheCoordinate) {
    FieldBytes b;
    b.u32(0).i32(1).u32((300u << 8) | 0x13).u16(static_cast<uint16_t>(-5)).u16(7);
    b.i32(0).i32(1).f64(0);
    auto target = Fresh();
    Read(*target, b.data(), 1);
    EXPECT_EQ(target->GetSampleTimeInMS(0), 300);
    EXPECT_EQ(target->GetSample(0).val2(), ((static_cast<uint32_t>(-50) & 0xFFFFF) << 12) + 0x300);
    // (0x13 and 0xF8) shl 8 is bit 12: Y 70 mm becomes 71.
    EXPECT_EQ(target->GetSampleYinMM(0), 71);
}

TEST_F(TransponderBlock, IndexSumsOfVersions133To145AreScaled) {
    auto v140 = Fresh();
    Read(*v140, OldBlock(140), 140);
    EXPECT_EQ(v140->Get10HzSlot(1).CumSpeedIndex(), 7000);
    auto v130 = Fresh();
    Read(*v130, OldBlock(130), 130);
    EXPECT_EQ(v130->Get10HzSlot(1).CumSpeedIndex(), 7);
}

TEST_F(TransponderBlock, BallHeightsBeforeVersion72AreDividedBy10) {
    OldBlockOptions ball;
    ball.Ball = true;
    ball.BallHeightMM = 1230;
    auto v71 = Fresh();
    Read(*v71, OldBlock(71, ball), 71);
    EXPECT_EQ(v71->GetSampleZinMM(0), 120);
    EXPECT_EQ(v71->PositionAlgorithm(), posLinearInterpolation);
    EXPECT_EQ(v71->PositionSensitivity(), 10);
    auto v72 = Fresh();
    Read(*v72, OldBlock(72, ball), 72);
    EXPECT_EQ(v72->GetSampleZinMM(0), 1230);
}

TEST_F(TransponderBlock, HeartbeatFilteredByTypeBeforeVersion45) {
    auto filtered = Fresh();
    Read(*filtered, OldBlock(44), 44);
    EXPECT_TRUE(filtered->HeartbeatFiltered());
    OldBlockOptions other;
    other.FirstHeartbeatType = 60;
    auto unfiltered = Fresh();
    Read(*unfiltered, OldBlock(44, other), 44);
    EXPECT_EQ(unfiltered->HeartbeatCount(), 2);
}

TEST_F(TransponderBlock, RangeByteSetsTheHighRangeBeforeVersion106) {
    OldBlockOptions high;
    high.RangeByte = 124;
    auto v50 = Fresh();
    Read(*v50, OldBlock(50, high), 50);
    EXPECT_TRUE(v50->AccelerometerSample(0).HighRange());
    EXPECT_TRUE(v50->AccelerometerSample(1).HighRange());
    high.RangeByte = 125;
    auto other = Fresh();
    Read(*other, OldBlock(50, high), 50);
    EXPECT_FALSE(other->AccelerometerSample(0).HighRange());
    high.RangeByte = 124;
    auto v106 = Fresh();
    Read(*v106, OldBlock(106, high), 106);
    EXPECT_FALSE(v106->AccelerometerSample(0).HighRange());
}

TEST_F(TransponderBlock, AccelerometerIndexBeforeVersion64IsBuiltAndSkipsLateSamples) {
    dataset.setDurationInMS(100);  // slots 0 and 1; the sample at 120 ms lies in slot 1
    auto v63 = Fresh();
    Read(*v63, OldBlock(63), 63);
    EXPECT_EQ(v63->AccelerometerIdx10HzCapacity(), 2);
    EXPECT_EQ(v63->AccelerometerIdx10Hz(0), 0);
    EXPECT_EQ(v63->AccelerometerIdx10Hz(1), 1);
    dataset.setDurationInMS(50);  // one slot: the sample at 120 ms has none
    auto late = Fresh();
    Read(*late, OldBlock(63), 63);
    EXPECT_EQ(late->AccelerometerIdx10HzCapacity(), 1);
    EXPECT_EQ(late->AccelerometerIdx10Hz(0), 0);
}

TEST_F(TransponderBlock, FirstSampleAfterTheDurationMovesToZero) {
    OldBlockOptions late;
    late.FirstSampleMS = 5000;
    auto target = Fresh();
    Read(*target, OldBlock(151, late), 151);
    EXPECT_EQ(target->GetSampleTimeInMS(0), 0);
}

}  // namespace
