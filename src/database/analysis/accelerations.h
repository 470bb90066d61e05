#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <cstdint>

#include "database/generic_list.h"

// One detected acceleration or deceleration of an analysed athlete (a row of TP_ANAL_ACCEL or
// TP_ANAL_DECEL, the same fifteen columns under the prefixes TAA_ and TAD_).
class TqeldbAcceleration : public TqelDBComponent {
public:
    static constexpr int kColumnCount = 15;

    explicit TqeldbAcceleration(TqelDatabase* AOwner);

    int32_t TaID() const { return FTaID; }
    void setTaID(int32_t aValue) { FTaID = aValue; }
    int32_t AccelNr() const { return FAccelNr; }
    void setAccelNr(int32_t aValue) { FAccelNr = aValue; }
    int32_t BeginInMS() const { return FBeginInMS; }
    void setBeginInMS(int32_t aValue) { FBeginInMS = aValue; }
    int32_t EndInMS() const { return FEndInMS; }
    void setEndInMS(int32_t aValue) { FEndInMS = aValue; }
    int32_t DurationInMS() const { return FDurationInMS; }
    void setDurationInMS(int32_t aValue) { FDurationInMS = aValue; }
    double DistanceInM() const { return FDistanceInM; }
    void setDistanceInM(double aValue) { FDistanceInM = aValue; }
    double MaxSpeedInMS() const { return FMaxSpeedInMS; }
    void setMaxSpeedInMS(double aValue) { FMaxSpeedInMS = aValue; }
    double MinSpeedInMS() const { return FMinSpeedInMS; }
    void setMinSpeedInMS(double aValue) { FMinSpeedInMS = aValue; }
    double MaxAccelInMSS() const { return FMaxAccelInMSS; }
    void setMaxAccelInMSS(double aValue) { FMaxAccelInMSS = aValue; }
    double AccelIndex() const { return FAccelIndex; }
    void setAccelIndex(double aValue) { FAccelIndex = aValue; }
    int32_t Category() const { return FCategory; }
    void setCategory(int32_t aValue) { FCategory = aValue; }
    double CumDistStartInM() const { return FCumDistStartInM; }
    void setCumDistStartInM(double aValue) { FCumDistStartInM = aValue; }
    bool InitClockRunning() const { return FInitClockRunning; }
    void setInitClockRunning(bool aValue) { FInitClockRunning = aValue; }
    int32_t TimeOnFieldMS() const { return FTimeOnFieldMS; }
    void setTimeOnFieldMS(int32_t aValue) { FTimeOnFieldMS = aValue; }
    int32_t TimeEffectiveMS() const { return FTimeEffectiveMS; }
    void setTimeEffectiveMS(int32_t aValue) { FTimeEffectiveMS = aValue; }

    // Every property in table order.
    void SetValues(int32_t aTaID, int32_t aNr, int32_t aBeginInMS, int32_t aEndInMS,
                   int32_t aDurationInMS, double aDistanceInM, double aMaxSpeedInMS,
                   double aMinSpeedInMS, double aMaxAccelInMSS, double aIndex, int32_t aCategory,
                   double aCumDistStartInM, bool aInitClockRunning, int32_t aTimeOnFieldMS,
                   int32_t aTimeEffectiveMS);

    // The column names of one of the two tables, in statement order.
    static const QStringList& ColumnNames(bool aDeceleration);

    // By the TP_ANAL_ACCEL names.
    void DataSetToVaruza(TqelQuery& aSQL) override;
    void VaruzaToDataSet(TqelQuery& aSQL) override;
    // Writes the columns of either table: integers and doubles as required values, the clock
    // flag as 0 or 1.
    void WriteColumns(TqelQuery& aSQL, bool aDeceleration) const;

    // The row's line of a multi-row insert: one placeholder per column, named after the row's
    // position aRow in the statement ("(:V3_1, :V3_2, ...)").
    static QString InsertValuesText(int aRow);
    // The values for those placeholders. A double is the value of its statement text (8
    // significant digits, 3 decimals); NaN and infinities are 0, as the required-float setter
    // stores them.
    std::array<QVariant, kColumnCount> InsertValues() const;

private:
    int32_t FTaID = 0;
    int32_t FAccelNr = 0;
    int32_t FBeginInMS = 0;
    int32_t FEndInMS = 0;
    int32_t FDurationInMS = 0;
    double FDistanceInM = 0;
    double FMaxSpeedInMS = 0;
    double FMinSpeedInMS = 0;
    double FMaxAccelInMSS = 0;
    double FAccelIndex = 0;
    int32_t FCategory = 0;
    double FCumDistStartInM = 0;
    bool FInitClockRunning = false;
    int32_t FTimeOnFieldMS = 0;
    int32_t FTimeEffectiveMS = 0;
};

namespace qel {

// The value a double has after it was written with 8 significant digits and 3 decimals (in
// scientific notation with 8 digits when more than 8 stand before the point). NaN and
// infinities give 0.
double StatementFloat(double aValue);

// A list of effort rows that Store sends to its table as multi-row inserts of at most
// kBatchRows rows. A failed batch is reported to the crash reporter and its rows are lost; the
// next batch follows.
class EffortBatch : public TqelGenericDatabaseVaruza<TqeldbAcceleration> {
public:
    static constexpr int kBatchRows = 25;

    // Writes and frees every listed row.
    void Store();

protected:
    EffortBatch(TqelDatabase* aDatabase, bool aDeceleration);

private:
    void StoreBatch(int aRows);

    bool FDeceleration;
};

}  // namespace qel

// The accelerations of one store, written to TP_ANAL_ACCEL.
class TqeldbAccelerations : public qel::EffortBatch {
public:
    explicit TqeldbAccelerations(TqelDatabase* aDatabase);
    void AddAcceleration(int32_t aTaID, int32_t aAccelNr, int32_t aBeginInMS, int32_t aEndInMS,
                         int32_t aDurationInMS, double aDistanceInM, double aMaxSpeedInMS,
                         double aMinSpeedInMS, double aMaxAccelInMSS, double aAccelIndex,
                         int32_t aCategory, double aCumDistStartInM, bool aInitClockRunning,
                         int32_t aTimeOnFieldMS, int32_t aTimeEffectiveMS);
};

// The decelerations of one store, written to TP_ANAL_DECEL.
class TqeldbDecelerations : public qel::EffortBatch {
public:
    explicit TqeldbDecelerations(TqelDatabase* aDatabase);
    void AddDeceleration(int32_t aTaID, int32_t aDecelNr, int32_t aBeginInMS, int32_t aEndInMS,
                         int32_t aDurationInMS, double aDistanceInM, double aMaxSpeedInMS,
                         double aMinSpeedInMS, double aMaxAccelInMSS, double aDecelIndex,
                         int32_t aCategory, double aCumDistStartInM, bool aInitClockRunning,
                         int32_t aTimeOnFieldMS, int32_t aTimeEffectiveMS);
};
