#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

#include "foundation/position_records.h"
#include "foundation/shared_enums.h"

// Callback interfaces through which the analyses read the data model, and the progress display
// of long operations. Implementers own their lifetime: holding an interface pointer never keeps
// the object alive.

class TqelDataset;
class TqelGame;
class TqelGroup;
class TqelTransponderData;

class IqelDatasetData {
public:
    virtual ~IqelDatasetData() = default;

    virtual TqelDataset* GetDatasetVaruza() = 0;
    // Database id of the dataset.
    virtual int32_t GetDBDtsID() = 0;
};

class IqelGameData {
public:
    virtual ~IqelGameData() = default;

    virtual TqelGame* GetGameVaruza() = 0;
    virtual int32_t GetID() = 0;
};

// A team as the team-shape analyses see it. Lengths in m, areas in m².
class IqelGroupData {
public:
    virtual ~IqelGroupData() = default;

    virtual TqelGroup* GetGroupVaruza() = 0;
    virtual int32_t GetID() = 0;
    virtual double calcGroupLength(int32_t aTimeStampInMS) = 0;
    virtual double calcGroupWidth(int32_t aTimeStampInMS) = 0;
    virtual double calcGroupArea(int32_t aTimeStampInMS) = 0;
    virtual TqelPlayDirection CurrentPlayDirection(int32_t aCurrentTimeInMS) = 0;
    // Fills aPositionArray with the members' positions; returns their count.
    virtual int32_t IndexMemberPositions(int32_t aTimeStampInMS,
                                         TqelCalculatedPositionArray& aPositionArray,
                                         bool aExcludeKeeper) = 0;
};

// One tracked object of a dataset. Speeds in m/s, accelerations in m/s², distances in m;
// a speed frame interval of 0 means the dataset's own.
class IqelTransponderData {
public:
    virtual ~IqelTransponderData() = default;

    virtual TqelTransponderData* GetTransponderVaruza() = 0;
    virtual int32_t GetTPid() = 0;
    virtual RqelCalculatedPosition calcPosition(int32_t aTimeStampInMS) = 0;
    // 32-bit colour 0x00BBGGRR.
    virtual uint32_t GetAthleteColor() = 0;
    virtual QString ToString() = 0;
    virtual QString ToString(TqelTransponderToStringType aType) = 0;
    virtual double calcSpeed(int32_t aTimeStampInMS, bool& aIsValid,
                             int32_t aSpeedFrameInterval) = 0;
    virtual double calcSpeed(int32_t aTimeStampInMS, int32_t aSpeedFrameInterval) = 0;
    virtual double calcAcceleration(int32_t aTimeStampInMS) = 0;
    virtual double calcImpact(int32_t aTimeStampInMS) = 0;
    virtual double calcLowPassGrav(int32_t aTimeStampInMS) = 0;
    virtual double calcHeartbeat(int32_t aTimeStampInMS, bool aShowSpikes) = 0;
    virtual double calcAverageHeartbeat(int32_t aStartTimeInMS, int32_t aEndTimeInMS) = 0;
    virtual double calcDistance(int32_t aStartTimestampInMS, int32_t aEndTimestampInMS) = 0;
    virtual bool isOnField(int32_t aTimeStampInMS) = 0;
    virtual bool isOnField(const RqelCalculatedPosition& aPos) = 0;
    // Metabolic power in W/kg.
    virtual double calcEnergy(double aSpeed, double aAccel, double aECCRF) = 0;
    virtual double GetAthleteWeight() = 0;
    virtual double GetAthleteMaxSpeed() = 0;
    virtual double GetAthleteMaxAcceleration() = 0;
    virtual double GetAthleteMaxDeceleration() = 0;
    virtual double GetAthleteRecon() = 0;
    // 220 when not set.
    virtual int32_t GetAthleteMaxHeartbeat() = 0;
    virtual int32_t GetPlayerID() = 0;
};

// Progress of a long operation on the main thread. Sections nest: a section's positions run
// from 0 to aSize, and when it ends its parent's position becomes anEndPosition (0: one step
// past the parent's position; on the outermost level, the section's own size). Texts are passed
// already translated.
class IlpmProgress {
public:
    virtual ~IlpmProgress() = default;

    virtual void beginSection(int64_t anEndPosition, int64_t aSize) = 0;
    virtual void endSection() = 0;
    // A handler adds itself to the cancel handlers (called with the display as sender when the
    // user cancels); an empty one removes the last handler added.
    virtual void setOnCancel(const std::function<void(QObject* aSender)>& aHandler) = 0;
    virtual void updateCaption(const QString& aCaption) = 0;
    virtual void updateMessage(const QString& aMessage) = 0;
    virtual void updateDetails(const QString& aDetails) = 0;
    virtual void updateProgress(int64_t aPosition) = 0;
    virtual void IncrementPosition() = 0;
    virtual void setLastError(const QString& aValue) = 0;
    virtual QString LastError() = 0;
    virtual void Show() = 0;
    virtual void LogMessage(const QString& aMessage) = 0;
};
