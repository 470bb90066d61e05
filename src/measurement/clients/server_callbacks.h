#pragma once

#include <QString>
#include <cstdint>

#include "foundation/position_records.h"
#include "foundation/protocol/client_protocol_types.h"
#include "foundation/shared_enums.h"
#include "platform/date_time.h"

class TqelAntennaData;

// The client server's owner (the main window). Called on the main thread unless noted.
class IqelServerCallbacks {
public:
    virtual ~IqelServerCallbacks() = default;

    // Answers at once; the result reaches the client later (SendActivateMeasurementState).
    virtual void RequestFieldActivation(int32_t aFieldID, int32_t aPreparationID) = 0;
    // The last client with live data left it and nothing records. The result is not used.
    virtual bool DeactivateMeasurement() = 0;
    // Fills the caller's array completely before it returns; the recorder calls it from a
    // pool thread. The count is not used.
    virtual int32_t GetCameraInfo(TqelArrayOfCamSetting& aCameraSettings) = 0;
    virtual int32_t GetSelectedFieldID() = 0;
    virtual int32_t GetPrepareRecordingID() = 0;
    virtual TqelMeasurementStatus GetMeasurementStatus() = 0;
    virtual int32_t GetRemainingRecordingTimeInMS() = 0;
    virtual QString GetLastLPMError() = 0;
    virtual void SetFollowAntennaIDs(uint8_t aCameraIndex, const TqelArrayOfWord& anAntennaIDs) = 0;
    virtual void GotoPreset(uint8_t aCameraIndex, const QString& aPresetName) = 0;
    virtual void SetPTZSpeed(uint8_t aCameraIndex, int32_t aPanSpeed, int32_t aTiltSpeed,
                             int32_t aZoomSpeed) = 0;
    virtual void ZoomChanged(uint8_t aCameraIndex, uint8_t aRelativeZoom) = 0;
    virtual void CameraStoppedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) = 0;
    virtual void CameraStartedFollowing(int32_t aCameraIndex, TqelAntennaData* anAntennaData) = 0;
    // A recording has just started (true) or stopped (false).
    virtual void ServerRecordingStarted(bool aRecordingOn) = 0;
    // Not called by the server.
    virtual void EnableFieldSelection(bool aEnable) = 0;
    // Every server log line; the recorder's come from any thread.
    virtual void LogMessage(const QString& aText) = 0;
    virtual void SetAthleteName(uint16_t anAntennaID, const QString& anAthleteName) = 0;
    // Local time minus NTP time.
    virtual TDateTime GetNTPTimeDifference() = 0;
};
