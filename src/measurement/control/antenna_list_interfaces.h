#pragma once

#include <cstdint>

#include "foundation/position_records.h"

class IqelMeasurementControl;
class TqelAntennaData;

// A camera slot of the antenna list: one per camera control and one per NMEA output.
struct RqelCameraData {
    // -1 for a slot without camera id.
    int32_t CamID = -1;
    int32_t CamIndex = 0;
};

// The owner of the antenna list (the client server): hears when a camera slot starts or stops
// following a transponder. Called synchronously on the thread that changed the follow flag (the
// main thread).
class IqelAntennaListCallback {
public:
    virtual ~IqelAntennaListCallback() = default;

    virtual void CameraStartedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) = 0;
    virtual void CameraStoppedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) = 0;
};

// The live transponder registry as the rest of the server sees it. Main thread only; other
// threads use the copy-out readers of TqelAntennaList.
class IqelAntennaList {
public:
    virtual ~IqelAntennaList() = default;

    // Raises EArgumentOutOfRangeException outside 0..Count()-1.
    virtual TqelAntennaData* GetItems(int32_t anIndex) = 0;
    virtual void Clear() = 0;
    virtual void AddData(IqelMeasurementControl* aMeasurementControl,
                         const RqelPositionRec& aPosition) = 0;
    // Nil for an antenna id outside the table.
    virtual TqelAntennaData* AddAntenna(IqelMeasurementControl* aMeasurementControl,
                                        uint16_t anAntennaID, int32_t anEnabled, int32_t aTPid) = 0;
    virtual RqelPositionRec LastKnownPos(uint16_t anAntennaID) = 0;
    // Returns the new slot's index.
    virtual int32_t AddCamera(int32_t aCamID, int32_t aCamIndex) = 0;
    virtual RqelCameraData GetCamera(int32_t aSlot) = 0;
    virtual int32_t CameraCount() = 0;
    virtual TqelAntennaData* ItemByAntennaID(uint16_t anAntennaID) = 0;
    virtual int32_t Count() = 0;
    virtual int32_t MeasurementCount() = 0;
    virtual int32_t MeasurementFrequency() = 0;
    virtual void CameraStartedFollowingAntenna(int32_t aSlot, TqelAntennaData* anAntennaData) = 0;
    virtual void CameraStoppedFollowingAntenna(int32_t aSlot, TqelAntennaData* anAntennaData) = 0;
};
