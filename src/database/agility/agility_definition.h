#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/position_records.h"
#include "platform/binary_stream.h"

class TqelDatabaseConnection;
class TqelQuery;
class TqeldbAgilityDef;
class TqeldbAgilityTests;

// One line of an agility course (AGILITY_LINES): where it lies on the pitch and in which
// direction it must be crossed. It keeps a query of its own when its definition has a
// connection.
class TqeldbAgilityLine : public std::enable_shared_from_this<TqeldbAgilityLine> {
public:
    explicit TqeldbAgilityLine(TqeldbAgilityDef* aAgilityDef);
    ~TqeldbAgilityLine();
    TqeldbAgilityLine(const TqeldbAgilityLine&) = delete;
    TqeldbAgilityLine& operator=(const TqeldbAgilityLine&) = delete;

    TqeldbAgilityDef* AgilityDef() const { return FAgilityDef; }
    // AGLL_ID: the number of the line within its definition.
    int32_t LineID() const { return FLineID; }
    void setLineID(int32_t aValue) { FLineID = aValue; }
    // The name of the line object in the field geometry.
    const QString& LineName() const { return FLineName; }
    void setLineName(const QString& aValue) { FLineName = aValue; }
    // 0 to 7, 255 for none.
    int32_t CrossingDirection() const { return FCrossingDirection; }
    void setCrossingDirection(int32_t aValue) { FCrossingDirection = aValue; }
    int32_t StartXinMM() const { return FStartXinMM; }
    void setStartXinMM(int32_t aValue) { FStartXinMM = aValue; }
    int32_t StartYinMM() const { return FStartYinMM; }
    void setStartYinMM(int32_t aValue) { FStartYinMM = aValue; }
    int32_t EndXinMM() const { return FEndXinMM; }
    void setEndXinMM(int32_t aValue) { FEndXinMM = aValue; }
    int32_t EndYinMM() const { return FEndYinMM; }
    void setEndYinMM(int32_t aValue) { FEndYinMM = aValue; }
    int32_t ColIndex() const { return FColIndex; }
    void setColIndex(int32_t aValue) { FColIndex = aValue; }
    // The end points in metres, on the field.
    RqelCalculatedPosition StartPos() const;
    RqelCalculatedPosition EndPos() const;

    // Every value but the column index.
    void Assign(const TqeldbAgilityLine& Source);
    void Retreive(int32_t aAglId, int32_t aLineID);
    // Reads the current row of aSQL; nothing for none.
    void DataSetToVaruza(const TqelQuery* aSQL);
    // Writes the line under its definition's AGL_ID and its own AGLL_ID.
    void Save();
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion);
    void WriteToStream(qel::BinaryWriter& aStream) const;

private:
    int32_t FEndXinMM = 0;
    int32_t FEndYinMM = 0;
    int32_t FLineID = 0;
    int32_t FCrossingDirection = 0;
    int32_t FStartXinMM = 0;
    int32_t FStartYinMM = 0;
    QString FLineName;
    TqeldbAgilityDef* FAgilityDef;
    std::unique_ptr<TqelQuery> FSQL;
    int32_t FColIndex = 0;
};

// One agility course (AGILITY_TEST) with its lines in order and the result sets of the exercise
// parts it was run in. Without a connection it works in memory and from streams only, and every
// database operation does nothing.
//
// Lines are shared with the crossings of runs, which hold them weakly: reloading or replacing
// the lines leaves those crossings without a line instead of pointing at a freed one.
class TqeldbAgilityDef {
public:
    using TLineList = std::vector<std::shared_ptr<TqeldbAgilityLine>>;
    using TTestsList = std::vector<std::unique_ptr<TqeldbAgilityTests>>;

    // A definition as stored when the database holds no longest duration.
    static constexpr int32_t kDefaultMaxDurationInMS = 240000;
    // The version of the definitions stream that this program writes.
    static constexpr uint8_t kStreamVersion = 3;

    explicit TqeldbAgilityDef(TqelDatabaseConnection* aDatabaseConnection);
    ~TqeldbAgilityDef();
    TqeldbAgilityDef(const TqeldbAgilityDef&) = delete;
    TqeldbAgilityDef& operator=(const TqeldbAgilityDef&) = delete;

    TqelDatabaseConnection* DatabaseConnection() const { return FDatabaseConnection; }
    int32_t AgilityID() const { return FAgilityID; }
    void setAgilityID(int32_t aValue) { FAgilityID = aValue; }
    // Unique by convention, compared without case.
    const QString& Description() const { return FDescription; }
    void setDescription(const QString& aValue) { FDescription = aValue; }
    // The field definition the course was laid out on.
    const QString& UsedFieldDef() const { return FUsedFieldDef; }
    void setUsedFieldDef(const QString& aValue) { FUsedFieldDef = aValue; }
    int32_t FirstLineStartXinMM() const { return FFirstLineStartXinMM; }
    void setFirstLineStartXinMM(int32_t aValue) { FFirstLineStartXinMM = aValue; }
    int32_t FirstLineStartYinMM() const { return FFirstLineStartYinMM; }
    void setFirstLineStartYinMM(int32_t aValue) { FFirstLineStartYinMM = aValue; }
    const TLineList& Lines() const { return FLines; }
    int32_t MaxDurationInMS() const { return FMaxDurationInMS; }
    void setMaxDurationInMS(int32_t aValue) { FMaxDurationInMS = aValue; }
    int32_t MinDurationInMS() const { return FMinDurationInMS; }
    void setMinDurationInMS(int32_t aValue) { FMinDurationInMS = aValue; }
    bool DetectDecelAfterFinish() const { return FDetectDecelAfterFinish; }
    void setDetectDecelAfterFinish(bool aValue) { FDetectDecelAfterFinish = aValue; }
    bool CanCrossStartDuringTest() const { return FCanCrossStartDuringTest; }
    void setCanCrossStartDuringTest(bool aValue) { FCanCrossStartDuringTest = aValue; }
    bool CanRunMultiple() const { return FCanRunMultiple; }
    void setCanRunMultiple(bool aValue) { FCanRunMultiple = aValue; }
    bool Active() const { return FActive; }
    void setActive(bool aValue) { FActive = aValue; }
    const TTestsList& AgilityTests() const { return FAgilityTests; }
    // Index of the result set NewExercisePart added last.
    int32_t LastAgiltyTestIndex() const { return FLastAgiltyTestIndex; }

    // Copies the course and replaces the lines with copies; the result sets stay.
    void Assign(const TqeldbAgilityDef& Source);
    TqeldbAgilityLine* AddLine();
    TqeldbAgilityLine* LineByID(int32_t aLineID) const;
    // Reads the stored course of that id and its lines.
    void Retreive(int32_t aAglId);
    // Replaces the lines with the stored ones, by AGLL_ID.
    void RetreiveLines();
    // Reads the current AGILITY_TEST row of aSQL; nothing for none.
    void DataSetToVaruza(const TqelQuery* aSQL);
    // Writes the course (a new one gets a key from "AGILITY_TEST") and its lines, all or
    // nothing.
    void Save();
    // The next key of "TP_AGILITY"; 0 without a connection.
    int32_t GetNextTGid();
    // A new result set for this course in one exercise part, initialised with the arguments.
    TqeldbAgilityTests* NewExercisePart(int32_t aDtsId, int32_t aExrId, int32_t aPrtId,
                                        int32_t aGrpId, bool aRemoveExisting, bool aGetBestTimes);

    // aVersion is the version of the definitions stream around the record.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion);
    void WriteToStream(qel::BinaryWriter& aStream) const;

private:
    void SaveCourseAndLines(TqelQuery& aSQL);

    int32_t FLastAgiltyTestIndex = 0;
    TqelDatabaseConnection* FDatabaseConnection;
    QString FUsedFieldDef;
    TLineList FLines;
    QString FDescription;
    std::unique_ptr<TqelQuery> FSQL;
    int32_t FAgilityID = 0;
    int32_t FFirstLineStartXinMM = 0;
    int32_t FFirstLineStartYinMM = 0;
    bool FActive = true;
    int32_t FMaxDurationInMS = 0;
    bool FCanCrossStartDuringTest = false;
    TTestsList FAgilityTests;
    int32_t FMinDurationInMS = 0;
    bool FDetectDecelAfterFinish = false;
    bool FCanRunMultiple = false;
};
