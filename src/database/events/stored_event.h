#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// One qualifier value of an event: its kind and its text.
struct TqeldbEventQualifierValue {
    int32_t ID = 0;
    QString Value;
};

// What the event writer reads of an in-memory event of the data model, which implements it.
// Times are dataset ms, positions metres. The writer also gives a new event its key.
class IqeldbEvent {
public:
    virtual ~IqeldbEvent() = default;

    // 0 while the event has no database key.
    virtual int32_t GetID() = 0;
    virtual void SetID(int32_t Value) = 0;
    // The database key of the event's dataset.
    virtual int32_t GetDBDtsID() = 0;
    virtual int32_t GetEventType() = 0;
    virtual int8_t GetEventSource() = 0;
    // The description, one label per line.
    virtual QStringList GetLabels() = 0;
    virtual int32_t GetAthleteID() = 0;
    virtual int32_t GetTargetID() = 0;
    virtual int32_t GetTimeStart() = 0;
    virtual int32_t GetTimeEnd() = 0;
    virtual double GetXinM() = 0;
    virtual double GetYinM() = 0;
    virtual double GetEndXinM() = 0;
    virtual double GetEndYinM() = 0;
    virtual int32_t GetOutcome() = 0;
    virtual int32_t GetTeamID() = 0;
    virtual int32_t GetExerciseID() = 0;
    virtual int32_t GetPartID() = 0;
    virtual int32_t GetPartTimeMS() = 0;
    virtual uint32_t GetQualifierCount() = 0;
    // Raises EArgumentOutOfRangeException for an index at or beyond the count.
    virtual TqeldbEventQualifierValue GetQualifier(uint32_t anIndex) = 0;
};
