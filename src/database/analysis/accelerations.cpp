#include "database/analysis/accelerations.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/crash_reporter.h"

namespace {

QStringList MakeColumnNames(const QString& aPrefix) {
    QStringList names{QStringLiteral("TA_ID")};
    for (const char* name :
         {"NR", "BEGIN_IN_MS", "END_IN_MS", "DURATION_IN_MS", "DISTANCE_IN_M", "MAX_SPEED_IN_MS",
          "MIN_SPEED_IN_MS", "MAX_ACCEL_IN_MSS", "SPRINT_INDEX", "CATEGORY", "CUM_DIST_START_IN_M",
          "INIT_CLOCK_RUNNING", "TIME_ON_FIELD_MS", "TIME_EFFECT_MS"}) {
        names << aPrefix + QString::fromLatin1(name);
    }
    return names;
}

QString TableName(bool aDeceleration) {
    return aDeceleration ? QStringLiteral("TP_ANAL_DECEL") : QStringLiteral("TP_ANAL_ACCEL");
}

}  // namespace

// ---- TqeldbAcceleration ---------------------------------------------------------------------

TqeldbAcceleration::TqeldbAcceleration(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqeldbAcceleration::SetValues(int32_t aTaID, int32_t aNr, int32_t aBeginInMS, int32_t aEndInMS,
                                   int32_t aDurationInMS, double aDistanceInM, double aMaxSpeedInMS,
                                   double aMinSpeedInMS, double aMaxAccelInMSS, double aIndex,
                                   int32_t aCategory, double aCumDistStartInM,
                                   bool aInitClockRunning, int32_t aTimeOnFieldMS,
                                   int32_t aTimeEffectiveMS) {
    FTaID = aTaID;
    FAccelNr = aNr;
    FBeginInMS = aBeginInMS;
    FEndInMS = aEndInMS;
    FDurationInMS = aDurationInMS;
    FDistanceInM = aDistanceInM;
    FMaxSpeedInMS = aMaxSpeedInMS;
    FMinSpeedInMS = aMinSpeedInMS;
    FMaxAccelInMSS = aMaxAccelInMSS;
    FAccelIndex = aIndex;
    FCategory = aCategory;
    FCumDistStartInM = aCumDistStartInM;
    FInitClockRunning = aInitClockRunning;
    FTimeOnFieldMS = aTimeOnFieldMS;
    FTimeEffectiveMS = aTimeEffectiveMS;
}

const QStringList& TqeldbAcceleration::ColumnNames(bool aDeceleration) {
    static const QStringList accelerations = MakeColumnNames(QStringLiteral("TAA_"));
    static const QStringList decelerations = MakeColumnNames(QStringLiteral("TAD_"));
    return aDeceleration ? decelerations : accelerations;
}

void TqeldbAcceleration::DataSetToVaruza(TqelQuery& aSQL) {
    const QStringList& names = ColumnNames(false);
    FTaID = aSQL.GetFieldAsInteger(names[0]);
    FAccelNr = aSQL.GetFieldAsInteger(names[1]);
    FBeginInMS = aSQL.GetFieldAsInteger(names[2]);
    FEndInMS = aSQL.GetFieldAsInteger(names[3]);
    FDurationInMS = aSQL.GetFieldAsInteger(names[4]);
    FDistanceInM = aSQL.GetFieldAsFloat(names[5]);
    FMaxSpeedInMS = aSQL.GetFieldAsFloat(names[6]);
    FMinSpeedInMS = aSQL.GetFieldAsFloat(names[7]);
    FMaxAccelInMSS = aSQL.GetFieldAsFloat(names[8]);
    FAccelIndex = aSQL.GetFieldAsFloat(names[9]);
    FCategory = aSQL.GetFieldAsInteger(names[10]);
    FCumDistStartInM = aSQL.GetFieldAsFloat(names[11]);
    FInitClockRunning = aSQL.GetFieldAsBoolean(names[12]);
    FTimeOnFieldMS = aSQL.GetFieldAsInteger(names[13]);
    FTimeEffectiveMS = aSQL.GetFieldAsInteger(names[14]);
}

void TqeldbAcceleration::VaruzaToDataSet(TqelQuery& aSQL) {
    WriteColumns(aSQL, false);
}

void TqeldbAcceleration::WriteColumns(TqelQuery& aSQL, bool aDeceleration) const {
    const QStringList& names = ColumnNames(aDeceleration);
    aSQL.SetFieldAsIntegerReq(names[0], FTaID);
    aSQL.SetFieldAsIntegerReq(names[1], FAccelNr);
    aSQL.SetFieldAsIntegerReq(names[2], FBeginInMS);
    aSQL.SetFieldAsIntegerReq(names[3], FEndInMS);
    aSQL.SetFieldAsIntegerReq(names[4], FDurationInMS);
    aSQL.SetFieldAsFloatReq(names[5], FDistanceInM);
    aSQL.SetFieldAsFloatReq(names[6], FMaxSpeedInMS);
    aSQL.SetFieldAsFloatReq(names[7], FMinSpeedInMS);
    aSQL.SetFieldAsFloatReq(names[8], FMaxAccelInMSS);
    aSQL.SetFieldAsFloatReq(names[9], FAccelIndex);
    aSQL.SetFieldAsIntegerReq(names[10], FCategory);
    aSQL.SetFieldAsFloatReq(names[11], FCumDistStartInM);
    aSQL.SetFieldAsBoolean(names[12], FInitClockRunning);
    aSQL.SetFieldAsIntegerReq(names[13], FTimeOnFieldMS);
    aSQL.SetFieldAsIntegerReq(names[14], FTimeEffectiveMS);
}

QString TqeldbAcceleration::InsertValuesText(int aRow) {
    QStringList placeholders;
    for (int column = 1; column <= kColumnCount; ++column) {
        placeholders << QStringLiteral(":V%1_%2").arg(aRow).arg(column);
    }
    return u'(' + placeholders.join(QStringLiteral(", ")) + u')';
}

std::array<QVariant, TqeldbAcceleration::kColumnCount> TqeldbAcceleration::InsertValues() const {
    const auto whole = [](int32_t aValue) { return QVariant(qlonglong{aValue}); };
    const auto real = [](double aValue) { return QVariant(qel::StatementFloat(aValue)); };
    return {whole(FTaID),
            whole(FAccelNr),
            whole(FBeginInMS),
            whole(FEndInMS),
            whole(FDurationInMS),
            real(FDistanceInM),
            real(FMaxSpeedInMS),
            real(FMinSpeedInMS),
            real(FMaxAccelInMSS),
            real(FAccelIndex),
            whole(FCategory),
            real(FCumDistStartInM),
            whole(FInitClockRunning ? 1 : 0),
            whole(FTimeOnFieldMS),
            whole(FTimeEffectiveMS)};
}

namespace qel {

double StatementFloat(double aValue) {
    if (!std::isfinite(aValue) || aValue == 0) {
        return 0;
    }
    // The exponent after rounding to 8 significant digits tells how many digits stand before
    // the point, and so how many of the 3 decimals the 8 digits still reach.
    const QString scientific = QString::number(aValue, 'e', 7);
    const int exponent = scientific.mid(scientific.indexOf(u'e') + 1).toInt();
    if (exponent >= 8) {
        return scientific.toDouble();
    }
    const int decimals = std::clamp(7 - exponent, 0, 3);
    return QString::number(aValue, 'f', decimals).toDouble();
}

// ---- EffortBatch ----------------------------------------------------------------------------

EffortBatch::EffortBatch(TqelDatabase* aDatabase, bool aDeceleration)
    : TqelGenericDatabaseVaruza<TqeldbAcceleration>(aDatabase), FDeceleration(aDeceleration) {}

void EffortBatch::Store() {
    while (GetCount() > 0) {
        StoreBatch(std::min(kBatchRows, GetCount()));
        CrashReporter::ResetFreezeWatchdog();
    }
}

void EffortBatch::StoreBatch(int aRows) {
    TVaruzaList& list = VaruzaList();
    TVaruzaList batch(std::make_move_iterator(list.begin()),
                      std::make_move_iterator(list.begin() + aRows));
    list.erase(list.begin(), list.begin() + aRows);

    const QStringList& names = TqeldbAcceleration::ColumnNames(FDeceleration);
    QStringList lines{QStringLiteral("insert into ") + TableName(FDeceleration) +
                      QStringLiteral(" (")};
    for (qsizetype i = 0; i < names.size(); ++i) {
        lines << QStringLiteral("  ") + names[i] +
                     (i + 1 < names.size() ? QStringLiteral(",") : QString());
    }
    lines << QStringLiteral(")") << QStringLiteral("VALUES");
    for (int row = 0; row < aRows; ++row) {
        lines << (row > 0 ? QStringLiteral(",") : QString()) +
                     TqeldbAcceleration::InsertValuesText(row);
    }

    TqelQuery& query = SQL();
    query.setText(lines.join(u'\n'));
    // The placeholders appear in row and column order, one per value.
    int param = 0;
    for (const auto& row : batch) {
        for (const QVariant& value : row->InsertValues()) {
            query.Param(param++)->setValue(value);
        }
    }
    try {
        query.ExecSQL();
    } catch (const std::exception& error) {
        CrashReporter::Report(error, QStringLiteral("Store ") + TableName(FDeceleration));
    } catch (...) {
        CrashReporter::ReportUnknown(QStringLiteral("Store ") + TableName(FDeceleration));
    }
}

}  // namespace qel

// ---- TqeldbAccelerations, TqeldbDecelerations -----------------------------------------------

TqeldbAccelerations::TqeldbAccelerations(TqelDatabase* aDatabase) : EffortBatch(aDatabase, false) {}

void TqeldbAccelerations::AddAcceleration(int32_t aTaID, int32_t aAccelNr, int32_t aBeginInMS,
                                          int32_t aEndInMS, int32_t aDurationInMS,
                                          double aDistanceInM, double aMaxSpeedInMS,
                                          double aMinSpeedInMS, double aMaxAccelInMSS,
                                          double aAccelIndex, int32_t aCategory,
                                          double aCumDistStartInM, bool aInitClockRunning,
                                          int32_t aTimeOnFieldMS, int32_t aTimeEffectiveMS) {
    AddVaruza()->SetValues(aTaID, aAccelNr, aBeginInMS, aEndInMS, aDurationInMS, aDistanceInM,
                           aMaxSpeedInMS, aMinSpeedInMS, aMaxAccelInMSS, aAccelIndex, aCategory,
                           aCumDistStartInM, aInitClockRunning, aTimeOnFieldMS, aTimeEffectiveMS);
}

TqeldbDecelerations::TqeldbDecelerations(TqelDatabase* aDatabase) : EffortBatch(aDatabase, true) {}

void TqeldbDecelerations::AddDeceleration(int32_t aTaID, int32_t aDecelNr, int32_t aBeginInMS,
                                          int32_t aEndInMS, int32_t aDurationInMS,
                                          double aDistanceInM, double aMaxSpeedInMS,
                                          double aMinSpeedInMS, double aMaxAccelInMSS,
                                          double aDecelIndex, int32_t aCategory,
                                          double aCumDistStartInM, bool aInitClockRunning,
                                          int32_t aTimeOnFieldMS, int32_t aTimeEffectiveMS) {
    AddVaruza()->SetValues(aTaID, aDecelNr, aBeginInMS, aEndInMS, aDurationInMS, aDistanceInM,
                           aMaxSpeedInMS, aMinSpeedInMS, aMaxAccelInMSS, aDecelIndex, aCategory,
                           aCumDistStartInM, aInitClockRunning, aTimeOnFieldMS, aTimeEffectiveMS);
}
