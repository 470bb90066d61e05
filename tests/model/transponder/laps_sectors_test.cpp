// Lap and sector blocks against fixtures written from their layouts, and what a sector knows of
// its lap.

#include <QBuffer>

#include "model/field/field_bytes.h"
#include "model/transponder/laps_sectors.h"
#include "platform/binary_stream.h"
#include "record_stream.h"
#include "transponder_fixture.h"

namespace {

using qel::test::TransponderFixture;

class LapsSectors : public TransponderFixture {
protected:
    template <class T>
    static void Read(T& anObject, const QByteArray& aBytes, uint16_t aVersion) {
        QByteArray data = aBytes;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        anObject.readFromStream(reader, aVersion);
        EXPECT_TRUE(buffer.atEnd());
    }
};

// Lap 2, entry 1000, exit 61000.
constexpr uint8_t kLapBlock[] = {0x02, 0x00, 0x00, 0x00, 0xE8, 0x03,
                                 0x00, 0x00, 0x48, 0xEE, 0x00, 0x00};
// Sector 3 of lap 0 for track sector 1, entry 1500, open.
constexpr uint8_t kSectorBlock[] = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00,
                                    0x00, 0x00, 0xDC, 0x05, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};

TEST_F(LapsSectors, LapBlockRoundTripAndOlderVersions) {
    TqelLap* lap = tp->AppendStoredLap();
    Read(*lap, Fixture(kLapBlock), 61);
    EXPECT_EQ(lap->LapNumber(), 2);
    EXPECT_EQ(lap->EntryInMS(), 1000);
    EXPECT_EQ(lap->ExitInMS(), 61000);
    EXPECT_TRUE(lap->Initialized());
    EXPECT_EQ(WriteBytes(*lap), Fixture(kLapBlock));

    TqelLap old(tp.get());
    Read(old, QByteArray(), 59);
    EXPECT_EQ(old.EntryInMS(), 0);
    EXPECT_EQ(old.ExitInMS(), -1);
    EXPECT_FALSE(old.Initialized());
    EXPECT_TRUE(log.Take().isEmpty());  // reading tells nobody
}

TEST_F(LapsSectors, SectorBlockRoundTripJoinsItsLap) {
    TqelLap* lap = tp->AppendStoredLap();
    TqelSector* sector = tp->AppendStoredSector();
    Read(*sector, Fixture(kSectorBlock), 61);
    EXPECT_EQ(sector->SectorNr(), 3);
    EXPECT_EQ(sector->LapIndex(), 0);
    EXPECT_EQ(sector->SectorIndex(), 1);
    EXPECT_EQ(sector->EntryInMS(), 1500);
    EXPECT_EQ(sector->ExitInMS(), -1);
    EXPECT_EQ(sector->Lap(), lap);
    EXPECT_EQ(lap->Sectors(), QList<TqelSector*>({sector}));
    EXPECT_EQ(WriteBytes(*sector), Fixture(kSectorBlock));
}

TEST_F(LapsSectors, SectorOfVersion60IsNumberedByItsPlace) {
    tp->AddSector(0, 0, -1);
    tp->AddSector(100, 1, -1);
    TqelSector* third = tp->AppendStoredSector();
    // Version 60 has no number: the block starts at the lap index.
    Read(*third, Fixture(kSectorBlock).mid(4), 60);
    EXPECT_EQ(third->SectorNr(), 3);
    EXPECT_EQ(third->SectorIndex(), 1);
    EXPECT_EQ(third->EntryInMS(), 1500);
    // Lap 0 does not exist: the sector is in no lap.
    EXPECT_EQ(third->LapIndex(), 0);
    EXPECT_EQ(third->Lap(), nullptr);

    TqelSector old(tp.get(), 4, -1);
    Read(old, QByteArray(), 59);
    EXPECT_EQ(old.SectorNr(), 0);
    EXPECT_EQ(old.SectorIndex(), 4);
}

TEST_F(LapsSectors, ExitSettersTellTheDatasetAndEntryIsNeverNegative) {
    TqelLap* lap = tp->AddLap(0);
    TqelSector* sector = tp->AddSector(-50, 0, 0);
    EXPECT_EQ(sector->EntryInMS(), 0);
    tp->AddLap(1000);  // the first lap is announced only now
    log.Take();
    lap->setExitInMS(900);
    lap->setExitInMS(900);
    sector->setExitInMS(800);
    EXPECT_EQ(log.Take(), QStringList({QStringLiteral("S changed %1 -1").arg(int(itemLap)),
                                       QStringLiteral("S changed %1 -1").arg(int(itemSector))}));
}

}  // namespace
