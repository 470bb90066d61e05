#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/agility/agility_definition.h"
#include "platform/binary_stream.h"

// The agility courses of a game or dataset: an owning list of definitions, loaded from the
// database and written to and read from the definitions stream that the dataset file and the
// game blocks carry. Without a connection it works in memory and from streams only, and every
// database operation does nothing.
//
// Belongs to the thread of its connection, like the queries it keeps.
class TqeldbAgilityDefinitions {
public:
    using TDefinitionList = std::vector<std::unique_ptr<TqeldbAgilityDef>>;

    explicit TqeldbAgilityDefinitions(TqelDatabaseConnection* aDatabaseConnection = nullptr);
    ~TqeldbAgilityDefinitions();
    TqeldbAgilityDefinitions(const TqeldbAgilityDefinitions&) = delete;
    TqeldbAgilityDefinitions& operator=(const TqeldbAgilityDefinitions&) = delete;

    TqelDatabaseConnection* DatabaseConnection() const { return FDatabaseConnection; }
    // A connection given where there was none brings the list's own query; definitions already
    // listed keep the connection they were made with.
    void setDatabaseConnection(TqelDatabaseConnection* aValue);
    const TDefinitionList& Definitions() const { return FDefinitions; }
    TqeldbAgilityDef* Definition(int aIndex) const { return GetDefinition(aIndex); }

    void Clear() { FDefinitions.clear(); }
    int Count() const { return static_cast<int>(FDefinitions.size()); }
    // None outside the list.
    TqeldbAgilityDef* GetDefinition(int aIndex) const;
    // A new empty definition on the list's connection, appended.
    TqeldbAgilityDef* AddDefinition();

    // Replaces the list with the stored courses, ordered by description: only active ones, only
    // those whose description starts with aDescription, as asked; with their lines when asked.
    void Retreive(bool aRetreiveLines, bool aActiveOnly, const QString& aDescription);
    // Replaces the list with the active courses that the exercise name links to, without lines.
    void RetreiveByExrName(const QString& aExerciseName);
    // The listed course of that id (its lines loaded when it has none), else the stored one,
    // appended with its lines; none when there is no such course or no connection.
    TqeldbAgilityDef* Open(int32_t aAglId);
    // Replaces the list with every stored course that has the description of one of Source's,
    // in Source's order, with lines.
    void ReloadFromDatabase(const TqeldbAgilityDefinitions& Source);
    // Makes Source's courses those of the database: a description the database holds (case
    // ignored) takes the stored course; any other course is stored as a new one, under a key of
    // its own, and Source's course takes that key.
    void SyncWithDatabase(TqeldbAgilityDefinitions& Source);
    // Replaces the list with copies of Source's definitions.
    void Assign(const TqeldbAgilityDefinitions& Source);

    TqeldbAgilityDef* GetDefinitionByID(int32_t aAgilityID) const;
    // Case is ignored; none or 0 when no description matches.
    TqeldbAgilityDef* GetDefinitionByDescription(const QString& aDescription) const;
    int32_t GetDefinitionIDByDescription(const QString& aDescription) const;
    // Frees that definition; false when it is not listed.
    bool RemoveDefinition(const TqeldbAgilityDef* aAglity);
    bool RemoveDefinitionByID(int32_t aAgilityID);
    // Deletes the stored course with its lines and preparation links and drops it from the
    // list. A course that runs were stored for is refused with an Exception.
    void DeleteDefinitionByID(int32_t aAgilityID);
    // The most lines of any course; a course without lines has them loaded first.
    int MaxNumberOfLines();
    void NewExercisePart(int32_t aDtsId, int32_t aExrId, int32_t aPrtId, int32_t aGrpId,
                         bool aRemoveExisting, bool aGetBestTimes);

    // The version byte, the count and each definition.
    void WriteToStream(qel::BinaryWriter& aStream) const;
    // Version 0 leaves the list as it is. Otherwise the list is replaced only when the whole
    // block reads; a short or malformed block, or a version this program does not know, raises
    // EReadError and leaves the list alone.
    void ReadFromStream(qel::BinaryReader& aStream);

private:
    // Appends every stored course the query (text and parameters set) selects.
    void AppendSelected(bool aRetreiveLines);

    std::unique_ptr<TqelQuery> FSQL;
    TDefinitionList FDefinitions;
    TqelDatabaseConnection* FDatabaseConnection;
};
