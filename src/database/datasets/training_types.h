#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/database.h"
#include "database/tracked_row.h"

// A kind of training an exercise can be (TRAINING_TYPES), optionally tied to an exercise name.
class TqeldbTrainingType : public qel::TrackedValues {
public:
    TqeldbTrainingType() = default;
    TqeldbTrainingType(const TqeldbTrainingType&) = delete;
    TqeldbTrainingType& operator=(const TqeldbTrainingType&) = delete;

    // -1 until the type is stored.
    int32_t ID() const { return FID; }
    void setID(int32_t aValue) { Store(FID, aValue); }
    int32_t ExnId() const { return FExnId; }
    void setExnId(int32_t aValue) { Store(FExnId, aValue); }
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { Store(FDescription, aValue); }
    bool Active() const { return FActive; }
    void setActive(bool aValue) { Store(FActive, aValue); }

private:
    int32_t FID = -1;
    int32_t FExnId = 0;
    QString FDescription;
    bool FActive = true;
};

// The TRAINING_TYPES accessor with a list of types it owns. Belongs to the thread of its
// database.
class TqeldbTrainingTypes {
public:
    using TTrainingTypeList = std::vector<std::unique_ptr<TqeldbTrainingType>>;

    explicit TqeldbTrainingTypes(TqelDatabase* aDatabase);
    ~TqeldbTrainingTypes();
    TqeldbTrainingTypes(const TqeldbTrainingTypes&) = delete;
    TqeldbTrainingTypes& operator=(const TqeldbTrainingTypes&) = delete;

    TqeldbTrainingType* AddTrainingType();
    int Count() const { return static_cast<int>(FTrainingTypes.size()); }
    // Raises EArgumentOutOfRangeException outside the list.
    TqeldbTrainingType* GetTrainingType(int aIndex) const;
    const TTrainingTypeList& TrainingTypes() const { return FTrainingTypes; }

    // Replaces the list with the stored types: only the active ones when aOnlyActive, only
    // those of one exercise name when aExnID is not 0.
    void Open(bool aOnlyActive, int32_t aExnID);
    // Writes a modified type; a type whose row is missing is inserted under a new key, which
    // the type takes. Nothing for none or an unmodified type.
    void Save(TqeldbTrainingType* aTrainingType);
    void SaveAll();
    // Deletes the row and drops a listed type from the list; nothing for none.
    void Delete(TqeldbTrainingType* aTraingType);
    TqeldbTrainingType* TrainingTypeByID(int32_t aID) const;

private:
    TqelDatabase* FDatabase;
    std::unique_ptr<TqelQuery> FSQL;
    TTrainingTypeList FTrainingTypes;
};
