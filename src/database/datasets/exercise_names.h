#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/query.h"
#include "database/tracked_row.h"

// A name that exercises (games) of a session take (EXERCISE_NAMES), optionally linked to an
// agility test. Each name keeps a query of its own on the connection it was made for.
class TqeldbExerciseName : public qel::TrackedValues {
public:
    explicit TqeldbExerciseName(TqelDatabaseConnection* aDatabaseconnection);
    ~TqeldbExerciseName();
    TqeldbExerciseName(const TqeldbExerciseName&) = delete;
    TqeldbExerciseName& operator=(const TqeldbExerciseName&) = delete;

    // 0 until the name is stored.
    int32_t ID() const { return FID; }
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { Store(FDescription, aValue); }
    int32_t AglID() const { return FAglID; }
    void setAglID(int32_t aValue) { Store(FAglID, aValue); }
    bool Active() const { return FActive; }
    void setActive(bool aValue) { Store(FActive, aValue); }

    // Reads the current row of aSQL; a missing column raises EDatabaseError. The name is kept
    // as stored, blanks included.
    void DataSetToVaruza(const TqelQuery& aSQL);
    // Reads the stored row of that key, when there is one.
    void Retreive(int32_t aExnID);
    // Writes the name, drawing a key for a new one; nothing for an empty name without key or
    // agility test.
    void Save();
    // Whether a row was deleted; true without a statement for a name never stored.
    bool Delete();

private:
    std::unique_ptr<TqelQuery> FSQL;
    int32_t FID = 0;
    QString FDescription;
    int32_t FAglID = 0;
    bool FActive = false;
};

// The EXERCISE_NAMES accessor with a list of names it owns.
class TqeldbExerciseNames {
public:
    using TExerciseNameList = std::vector<std::unique_ptr<TqeldbExerciseName>>;

    explicit TqeldbExerciseNames(TqelDatabaseConnection* aDatabaseconnection);
    ~TqeldbExerciseNames();
    TqeldbExerciseNames(const TqeldbExerciseNames&) = delete;
    TqeldbExerciseNames& operator=(const TqeldbExerciseNames&) = delete;

    const TExerciseNameList& ExerciseNames() const { return FExerciseNames; }
    // A new active name without agility test, listed.
    TqeldbExerciseName* AddExerciseName();
    // Replaces the list with the stored names.
    void Retreive(bool aActiveOnly, bool aOrderByDescription);
    // Case is ignored; -1 when no listed name matches.
    int IndexOfExerciseName(const QString& aExerciseName) const;
    TqeldbExerciseName* ExerciseNameByID(int32_t aID) const;
    // Deletes and drops every listed name with that id.
    void DeleteExerciseNameByID(int32_t aID);
    void SaveChanges();
    // Stores the configured names the list lacks, then appends to aConfigExercises the listed
    // names it lacks. Case is ignored both ways.
    void MergeExercises(QStringList& aConfigExercises);
    // The active agility test of the exercise name; empty when there is none.
    QString GetAgilityTest(const QString& aExerciseName);

private:
    TqelDatabaseConnection* FDatabaseConnection;
    std::unique_ptr<TqelQuery> FSQL;
    TExerciseNameList FExerciseNames;
};
