#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/events/stored_event.h"
#include "foundation/shared_enums.h"
#include "model/dataset/notify_varuza.h"
#include "platform/binary_stream.h"

class TqelDataset;

// One free qualifier of an event.
class TqelEventQualifier {
public:
    int32_t ID = 0;
    QString Description;
    QString Value;
};

// The qualifiers of one event, in the order they were added.
class TqelEventQualifiers {
public:
    // An id other than 0 that exists returns that qualifier unchanged; otherwise appends.
    TqelEventQualifier* Add(int32_t anID, const QString& aDescription, const QString& aValue);
    TqelEventQualifier* New();
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Raises EArgumentOutOfRangeException outside the list.
    TqelEventQualifier* GetItem(int32_t anIndex) const;
    TqelEventQualifier* ItemByID(int32_t anID) const;
    // Ignores the case of A to Z; -1 when none.
    int32_t IndexOf(const QString& aDescription) const;

    // Appends what the block holds to the qualifiers present (version 135 and up).
    void readFromStream(qel::BinaryReader& aStream, int32_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    std::vector<std::unique_ptr<TqelEventQualifier>> FItems;
};

// A typed occurrence of a recording with its span, athletes, position, labels and qualifiers.
// The dataset owns its events.
//
// Threads: changed and freed under the dataset's ModelLock(); notices go out after it is let go.
class TqelEvent : public TNotifyVaruza, public IqeldbEvent {
public:
    TqelEvent(TqelDataset* aDataSet, int32_t anID);
    ~TqelEvent() override;

    // Plain stores: a negative start becomes 0, an end of 0 or less the start; aLabels holds one
    // label per line.
    void SetValues(int8_t aSource, int32_t aTimeStart, int32_t aTimeEnd, int32_t aAthleteID,
                   int32_t aTargetID, double aX, double aY, int32_t aSymbol, const QString& aLabels,
                   int32_t aEventKind);
    // 1 when the end lies before the start.
    int32_t Duration() const;

    TqelDataset* Dataset() const { return FDataSet; }
    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { FID = aValue; }
    int8_t Source() const { return FSource; }
    void setSource(int8_t aValue) { FSource = aValue; }
    // These setters notify a change of the value.
    int32_t TimeStart() const { return FTimeStart; }
    void setTimeStart(int32_t aValue);
    int32_t TimeEnd() const { return FTimeEnd; }
    void setTimeEnd(int32_t aValue);
    int32_t Symbol() const { return FSymbol; }
    void setSymbol(int32_t aValue);
    int32_t AthleteID() const { return FAthleteID; }
    void setAthleteID(int32_t aValue);
    int32_t TargetID() const { return FTargetID; }
    void setTargetID(int32_t aValue);
    double XinM() const { return FXinM; }
    void setXinM(double aValue);
    double YinM() const { return FYinM; }
    void setYinM(double aValue);
    // Plain stores from here on.
    double EndXinM() const { return FEndXinM; }
    void setEndXinM(double aValue) { FEndXinM = aValue; }
    double EndYinM() const { return FEndYinM; }
    void setEndYinM(double aValue) { FEndYinM = aValue; }
    // The system's own kinds, or an imported provider's number.
    int32_t EventType() const { return FEventType; }
    void setEventType(int32_t aValue) { FEventType = aValue; }
    // The low byte of the type.
    TqelEventKind EventKind() const { return static_cast<TqelEventKind>(FEventType & 0xFF); }
    void setEventKind(TqelEventKind aValue) { FEventType = aValue; }
    int32_t Outcome() const { return FOutcome; }
    void setOutcome(int32_t aValue) { FOutcome = aValue; }
    int32_t TeamID() const { return FTeamID; }
    void setTeamID(int32_t aValue) { FTeamID = aValue; }
    int32_t ExerciseID() const { return FExrID; }
    void setExerciseID(int32_t aValue) { FExrID = aValue; }
    int32_t PartID() const { return FPrtID; }
    void setPartID(int32_t aValue) { FPrtID = aValue; }
    int32_t PartTimeMS() const { return FPartTimeMS; }
    void setPartTimeMS(int32_t aValue) { FPartTimeMS = aValue; }

    // Sorted without case (A to Z), no label twice, no empty label.
    const QStringList& Labels() const { return FLabels; }
    void AddLabel(const QString& aLabel);
    // Each label followed by CR LF.
    QString LabelsText() const;
    // Replaces the labels by the lines of the trimmed text.
    void setLabelsText(const QString& aText);
    TqelEventQualifiers& Qualifiers() { return FQualifiers; }
    const TqelEventQualifiers& Qualifiers() const { return FQualifiers; }

    // The event block; a version below 20 takes the dataset's next event id.
    void readFromStream(qel::BinaryReader& aStream, int32_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

    // IqeldbEvent
    int32_t GetID() override { return FID; }
    void SetID(int32_t Value) override { FID = Value; }
    int32_t GetDBDtsID() override;
    int32_t GetEventType() override { return FEventType; }
    int8_t GetEventSource() override { return FSource; }
    QStringList GetLabels() override { return FLabels; }
    int32_t GetAthleteID() override { return FAthleteID; }
    int32_t GetTargetID() override { return FTargetID; }
    int32_t GetTimeStart() override { return FTimeStart; }
    int32_t GetTimeEnd() override { return FTimeEnd; }
    double GetXinM() override { return FXinM; }
    double GetYinM() override { return FYinM; }
    double GetEndXinM() override { return FEndXinM; }
    double GetEndYinM() override { return FEndYinM; }
    int32_t GetOutcome() override { return FOutcome; }
    int32_t GetTeamID() override { return FTeamID; }
    int32_t GetExerciseID() override { return FExrID; }
    int32_t GetPartID() override { return FPrtID; }
    int32_t GetPartTimeMS() override { return FPartTimeMS; }
    uint32_t GetQualifierCount() override { return static_cast<uint32_t>(FQualifiers.Count()); }
    TqeldbEventQualifierValue GetQualifier(uint32_t anIndex) override;

private:
    template <class T>
    void StoreNotifying(T& aField, T aValue);

    TqelDataset* FDataSet = nullptr;
    int32_t FID = 0;
    int32_t FTimeStart = 0;
    int32_t FTimeEnd = 0;
    int32_t FSymbol = 0;
    int8_t FSource = 0;
    int32_t FAthleteID = 0;
    int32_t FTargetID = 0;
    double FXinM = 0;
    double FYinM = 0;
    int32_t FEventType = 0;
    QStringList FLabels;
    int32_t FOutcome = 0;
    TqelEventQualifiers FQualifiers;
    int32_t FExrID = 0;
    int32_t FPrtID = 0;
    int32_t FPartTimeMS = 0;
    int32_t FTeamID = 0;
    double FEndXinM = 0;
    double FEndYinM = 0;
};
