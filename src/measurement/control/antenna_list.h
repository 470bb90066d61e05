#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"
#include "measurement/control/antenna_data.h"
#include "measurement/control/antenna_list_interfaces.h"

// The live registry of transponders: one TqelAntennaData per transponder, reachable in constant
// time through a direct table indexed by the 14-bit antenna id, reception statistics over the
// last 5000 samples of all transponders, and the registered camera slots. Owned by the client
// server.
//
// Threads: the main thread owns the list and does every write. It takes FLock while it changes
// what other threads read (the table, the transponders' rings, identities and enable states, the
// statistics) and reads without it. Other threads (NMEA, PosiStageNet) keep antenna ids, never a
// TqelAntennaData pointer, and read only through the Copy... readers, which hold FLock.
// Notifications (owner callback, measurement control) run outside FLock.
class TqelAntennaList final : public IqelAntennaList {
public:
    static constexpr int TrackSize = 16384;
    static constexpr int StatisticsSize = 5000;

    explicit TqelAntennaList(IqelAntennaListCallback* anAntennaListCallback);
    // Frees every transponder without telling the owner.
    ~TqelAntennaList() override;
    TqelAntennaList(const TqelAntennaList&) = delete;
    TqelAntennaList& operator=(const TqelAntennaList&) = delete;

    TqelAntennaData* GetItems(int32_t anIndex) override;
    // Frees every transponder and empties the table and the statistics; camera slots stay.
    void Clear() override;
    // Registers an unknown antenna (enabled, next transponder id, role ball, vest id = antenna
    // id) and hands it the position. An antenna id outside the table drops the sample. Allocates
    // nothing once the transponder exists.
    void AddData(IqelMeasurementControl* aMeasurementControl,
                 const RqelPositionRec& aPosition) override;
    // The registered transponder unchanged, else a new one. Nil for an id outside the table.
    TqelAntennaData* AddAntenna(IqelMeasurementControl* aMeasurementControl, uint16_t anAntennaID,
                                int32_t anEnabled, int32_t aTPid) override;
    RqelPositionRec LastKnownPos(uint16_t anAntennaID) override;
    // Every transponder gets a follow record for the new slot.
    int32_t AddCamera(int32_t aCamID, int32_t aCamIndex) override;
    // Raises EArgumentOutOfRangeException outside the slots.
    RqelCameraData GetCamera(int32_t aSlot) override;
    int32_t CameraCount() override { return static_cast<int32_t>(FCameras.size()); }
    TqelAntennaData* ItemByAntennaID(uint16_t anAntennaID) override;
    int32_t Count() override { return static_cast<int32_t>(FAntennas.size()); }
    // Samples in the statistics ring (counted data states only), at most 5000.
    int32_t MeasurementCount() override;
    // Samples per second over the statistics ring.
    int32_t MeasurementFrequency() override;
    void CameraStartedFollowingAntenna(int32_t aSlot, TqelAntennaData* anAntennaData) override;
    void CameraStoppedFollowingAntenna(int32_t aSlot, TqelAntennaData* anAntennaData) override;

    // First transponder whose vest id or MAC address equals the text exactly; nil when none.
    TqelAntennaData* ItemByVestID(const QString& aVestID) const;
    TqelAntennaData* ItemByMacAddress(const QString& aMacAddress) const;
    int32_t GetStatisticsState(TqelDataStatus aDataState) const;
    int32_t LastTimestampInMS() const { return FLastTimestampInMS; }

    // Any thread. False (and an empty record) when the antenna id is unknown.
    bool CopyLastKnownPos(uint16_t anAntennaID, RqelPositionRec& aPosition) const;
    bool CopyFirstKnownPos(uint16_t anAntennaID, RqelPositionRec& aPosition) const;
    bool CopyIdentity(uint16_t anAntennaID, RqelAntennaIdentity& anIdentity) const;

private:
    friend class TqelAntennaData;

    struct RqelStatisticsSample {
        uint16_t AntennaID = 0;
        uint8_t DataState = 0;
        // Antenna 0 is a valid id, so an empty entry is told by this flag.
        bool Occupied = false;
        int32_t TimeStampInMS = 0;
    };

    // The table entry, nil for an id outside the table or unknown.
    TqelAntennaData* Track(uint16_t anAntennaID) const {
        return anAntennaID < TrackSize ? FTrack[anAntennaID] : nullptr;
    }
    TqelAntennaData* RegisterUnknown(IqelMeasurementControl* aMeasurementControl,
                                     uint16_t anAntennaID);
    void CountSample(TqelAntennaData& anAntennaData, const RqelPositionRec& aPosition);
    void ResetStatistics();

    std::array<TqelAntennaData*, TrackSize> FTrack{};
    std::vector<std::unique_ptr<TqelAntennaData>> FAntennas;
    std::vector<RqelCameraData> FCameras;
    int32_t FMaxTPid = 0;
    IqelAntennaListCallback* FAntennaListCallback;
    std::array<int32_t, TqelAntennaData::StatisticsCount> FStatisticsState{};
    std::array<RqelStatisticsSample, StatisticsSize> FStatisticsSampleState{};
    int32_t FStatisticsWritePos = 0;
    int32_t FLastTimestampInMS = 0;
    mutable std::mutex FLock;
};
