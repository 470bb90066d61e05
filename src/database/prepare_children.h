#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/db_component.h"
#include "database/generic_list.h"
#include "database/tracked_row.h"

// The children of a preparation: its planned exercises (PREPARE_EXERCISES), its connected
// agility tests (PREPARE_AGILITY), its camera sections (PREPARE_SECTION) and the cameras that
// follow the athletes along them (PREPARE_CAMERA). None draws a key; the list that holds a row
// frees it.
//
// A condition of PrepareParams is added only for a value other than 0: saving a single row whose
// second key is 0 selects the other rows of its preparation (several are refused, a lone one
// would be overwritten). Store such rows, and cameras always, all together through
// TqeldbPrepareRecordings.

// Position of an exercise in the session; 0 asks AddExercise for the place after the last one.
// A type of its own so that it cannot be swapped with the expected parts in a call.
enum class TqelExerciseOrder : int32_t {};
// How many parts the exercise is expected to have.
enum class TqelExpectedParts : int32_t {};

// An exercise planned for a session. Its setters leave Modified alone.
class TqelDBPrepareExercise : public TqelDBComponent {
public:
    using TqelDBComponent::TqelDBComponent;

    int32_t PrcID() const { return FPrcID; }
    void setPrcID(int32_t aValue) { FPrcID = aValue; }
    // The exercise name (EXERCISE_NAMES).
    int32_t ExnID() const { return FExnID; }
    void setExnID(int32_t aValue) { FExnID = aValue; }
    int32_t Order() const { return FOrder; }
    void setOrder(int32_t aValue) { FOrder = aValue; }
    int32_t ExpectedParts() const { return FExpectedParts; }
    void setExpectedParts(int32_t aValue) { FExpectedParts = aValue; }
    // The exercise name's text; loaded, never stored.
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { FDescription = aValue; }

    static void PrepareOpen(TqelQuery& aSQL);
    void PrepareSave(TqelQuery& aSQL) override { PrepareOpen(aSQL); }
    void PrepareParams(TqelQuery& aSQL) override;
    void Delete(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FPrcID = 0;
    int32_t FExnID = 0;
    int32_t FOrder = 0;
    int32_t FExpectedParts = 0;
    QString FDescription;
};

// An agility test definition connected to a preparation. Its setters leave Modified alone.
class TqelConnectedAgilityTest : public TqelDBComponent {
public:
    using TqelDBComponent::TqelDBComponent;

    int32_t PrcID() const { return FPrcID; }
    void setPrcID(int32_t aValue) { FPrcID = aValue; }
    int32_t AglID() const { return FAglID; }
    void setAglID(int32_t aValue) { FAglID = aValue; }

    static void PrepareOpen(TqelQuery& aSQL);
    void PrepareSave(TqelQuery& aSQL) override { PrepareOpen(aSQL); }
    void PrepareParams(TqelQuery& aSQL) override;
    void Delete(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FPrcID = 0;
    int32_t FAglID = 0;
};

// A camera of a preparation: which section it serves, when it takes its turn, and the field
// lines (with their crossing directions) at which it starts and stops following.
class TqelPrepareCamera : public qel::TrackedRow {
public:
    using TrackedRow::TrackedRow;

    int32_t PrcID() const { return FPrcID; }
    void setPrcID(int32_t aValue) { Store(FPrcID, aValue); }
    // Index of the camera in the server settings.
    int32_t CamIndex() const { return FCamIndex; }
    void setCamIndex(int32_t aValue) { Store(FCamIndex, aValue); }
    int32_t PrsID() const { return FPrsID; }
    void setPrsID(int32_t aValue) { Store(FPrsID, aValue); }
    // Turn within the section, from 1.
    int32_t FollowOrder() const { return FFollowOrder; }
    void setFollowOrder(int32_t aValue) { Store(FFollowOrder, aValue); }
    const QString& LineStart() const { return FLineStart; }
    void setLineStart(const QString& aValue) { Store(FLineStart, aValue); }
    int32_t LineStartDirection() const { return FLineStartDirection; }
    void setLineStartDirection(int32_t aValue) { Store(FLineStartDirection, aValue); }
    const QString& LineFinish() const { return FLineFinish; }
    void setLineFinish(const QString& aValue) { Store(FLineFinish, aValue); }
    int32_t LineFinishDirection() const { return FLineFinishDirection; }
    void setLineFinishDirection(int32_t aValue) { Store(FLineFinishDirection, aValue); }
    // The directions as the one-byte values the camera following takes.
    uint8_t GetLineStartDirection() const { return static_cast<uint8_t>(FLineStartDirection); }
    uint8_t GetLineFinishDirection() const { return static_cast<uint8_t>(FLineFinishDirection); }

    // Copies every stored value through the setters.
    void Assign(const TqelPrepareCamera& Value);

    static void PrepareOpen(TqelQuery& aSQL);
    void PrepareSave(TqelQuery& aSQL) override { PrepareOpen(aSQL); }
    void PrepareParams(TqelQuery& aSQL) override;
    void Delete(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FPrcID = 0;
    int32_t FCamIndex = 0;
    int32_t FFollowOrder = 0;
    int32_t FPrsID = 0;
    QString FLineStart;
    int32_t FLineStartDirection = 0;
    QString FLineFinish;
    int32_t FLineFinishDirection = 0;
};

// A camera section: cameras that follow the athletes one after the other along a course. It
// owns copies of its cameras, in the order they were added.
class TqelPrepareSection : public qel::TrackedRow {
public:
    using TCameraList = std::vector<std::unique_ptr<TqelPrepareCamera>>;

    using TrackedRow::TrackedRow;

    int32_t PrcID() const { return FPrcID; }
    void setPrcID(int32_t aValue) { Store(FPrcID, aValue); }
    // The section's id within its preparation.
    int32_t PrsID() const { return FPrsID; }
    void setPrsID(int32_t aValue) { Store(FPrsID, aValue); }
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { Store(FDescription, aValue); }
    // Lead time before a camera of the section starts following, ms.
    int32_t TimeToAddMS() const { return FTimeToAddMS; }
    void setTimeToAddMS(int32_t aValue) { Store(FTimeToAddMS, aValue); }

    const TCameraList& Cameras() const { return FCameras; }
    // Appends a copy of aPrepCam.
    TqelPrepareCamera* AddCamera(const TqelPrepareCamera& aPrepCam);
    int CameraCount() const { return static_cast<int>(FCameras.size()); }
    // Both raise EArgumentOutOfRangeException outside the list; CameraIndex answers the low
    // byte of the camera's index.
    int32_t CameraFollowOrder(int aIndex) const;
    uint8_t CameraIndex(int aIndex) const;

    static void PrepareOpen(TqelQuery& aSQL);
    void PrepareSave(TqelQuery& aSQL) override { PrepareOpen(aSQL); }
    void PrepareParams(TqelQuery& aSQL) override;
    void Delete(TqelQuery& aSQL) override;
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;

private:
    int32_t FPrcID = 0;
    int32_t FPrsID = 0;
    QString FDescription;
    int32_t FTimeToAddMS = 0;
    TCameraList FCameras;
};

// The exercises of preparations.
class TqelDBPrepareExercises : public TqelGenericDatabaseVaruza<TqelDBPrepareExercise> {
public:
    using TqelGenericDatabaseVaruza::TqelGenericDatabaseVaruza;

    void DeleteByPreparation(int32_t aPrcID);
    // Replaces aList (the own list when none) with the exercises of the preparation that have
    // a name row, by order, with their names.
    void RetreiveByPreparation(int32_t aPrcID, TVaruzaList* aList);
    // Replaces the stored exercises of the preparation with aList, all or nothing; each
    // exercise takes aPrcID.
    void SaveAll(int32_t aPrcID, const TVaruzaList& aList);
};

// The cameras of preparations.
class TqelPrepareCameras : public TqelGenericDatabaseVaruza<TqelPrepareCamera> {
public:
    using TqelGenericDatabaseVaruza::TqelGenericDatabaseVaruza;

    void DeleteByPreparation(int32_t aPrcID);
    // Replaces aList (the own list when none) with the preparation's cameras, by section and
    // follow order.
    void RetreiveByPreparation(int32_t aPrcID, TVaruzaList* aList);
};

// The camera sections of preparations.
class TqelPrepareSections : public TqelGenericDatabaseVaruza<TqelPrepareSection> {
public:
    using TqelGenericDatabaseVaruza::TqelGenericDatabaseVaruza;

    void DeleteByPreparation(int32_t aPrcID);
    // Replaces aList (the own list when none) with the preparation's sections; for a
    // preparation id other than 0 each section gets copies of its cameras by follow order.
    void RetreiveByPreparation(int32_t aPrcID, TVaruzaList* aList);
};
