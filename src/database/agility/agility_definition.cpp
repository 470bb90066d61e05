#include "database/agility/agility_definition.h"

#include "database/agility/agility_runs.h"
#include "database/agility/agility_sql.h"
#include "database/database.h"
#include "database/query.h"
#include "database/row_helpers.h"
#include "database/schema.h"
#include "foundation/stream_strings.h"

namespace {

// The lines of each course, numbered from 1 within it.
const qel::SchemaTable kAgilityLinesTable(
    "AGILITY_LINES",
    {"create table AGILITY_LINES (AGL_ID integer not null, AGLL_ID integer not null, "
     "AGLL_LINENAME varchar(100) collate nocase, AGLL_CROSS_DIRECTION integer, AGLL_START_X_MM "
     "integer, AGLL_START_Y_MM integer, AGLL_END_X_MM integer, AGLL_END_Y_MM integer, primary "
     "key (AGL_ID, AGLL_ID))"});

const QString kAGL_ID = QStringLiteral("AGL_ID");
const QString kAGLL_ID = QStringLiteral("AGLL_ID");
const QString kSelectCourse = QStringLiteral("select * from AGILITY_TEST where AGL_ID = :AGL_ID");
const QString kSelectLine =
    QStringLiteral("select * from AGILITY_LINES where AGL_ID = :AGL_ID and AGLL_ID = :AGLL_ID ");

// Bytes of the smallest line record: an empty name and six numbers.
constexpr qint64 kMinLineRecordSize = 4 + 6 * 4;

RqelCalculatedPosition PointInMetres(int32_t aXinMM, int32_t aYinMM) {
    RqelCalculatedPosition position;
    position.Clear();
    position.XinM = aXinMM / 1000.0;
    position.YinM = aYinMM / 1000.0;
    position.OnField = true;
    return position;
}

}  // namespace

// ---- TqeldbAgilityLine ----------------------------------------------------------------------

TqeldbAgilityLine::TqeldbAgilityLine(TqeldbAgilityDef* aAgilityDef)
    : FAgilityDef(aAgilityDef),
      FSQL(qel::AgilityQuery(aAgilityDef ? aAgilityDef->DatabaseConnection() : nullptr)) {}

TqeldbAgilityLine::~TqeldbAgilityLine() = default;

RqelCalculatedPosition TqeldbAgilityLine::StartPos() const {
    return PointInMetres(FStartXinMM, FStartYinMM);
}

RqelCalculatedPosition TqeldbAgilityLine::EndPos() const {
    return PointInMetres(FEndXinMM, FEndYinMM);
}

void TqeldbAgilityLine::Assign(const TqeldbAgilityLine& Source) {
    FEndXinMM = Source.FEndXinMM;
    FEndYinMM = Source.FEndYinMM;
    FLineID = Source.FLineID;
    FCrossingDirection = Source.FCrossingDirection;
    FStartXinMM = Source.FStartXinMM;
    FStartYinMM = Source.FStartYinMM;
    FLineName = Source.FLineName;
}

void TqeldbAgilityLine::Retreive(int32_t aAglId, int32_t aLineID) {
    if (!FSQL) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(kSelectLine);
    query.SetParamAsInteger(kAGL_ID, aAglId);
    query.SetParamAsInteger(kAGLL_ID, aLineID);
    qel::CloseAfter(query, [&] {
        query.Open();
        if (!query.Eof()) {
            DataSetToVaruza(&query);
        }
    });
}

void TqeldbAgilityLine::DataSetToVaruza(const TqelQuery* aSQL) {
    if (!aSQL) {
        return;
    }
    FLineID = aSQL->GetFieldAsInteger(kAGLL_ID);
    FLineName = aSQL->GetFieldAsString(QStringLiteral("AGLL_LINENAME"));
    FCrossingDirection = aSQL->GetFieldAsInteger(QStringLiteral("AGLL_CROSS_DIRECTION"));
    FStartXinMM = aSQL->GetFieldAsInteger(QStringLiteral("AGLL_START_X_MM"));
    FStartYinMM = aSQL->GetFieldAsInteger(QStringLiteral("AGLL_START_Y_MM"));
    FEndXinMM = aSQL->GetFieldAsInteger(QStringLiteral("AGLL_END_X_MM"));
    FEndYinMM = aSQL->GetFieldAsInteger(QStringLiteral("AGLL_END_Y_MM"));
}

void TqeldbAgilityLine::Save() {
    if (!FSQL || !FAgilityDef) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(kSelectLine);
    query.SetParamAsInteger(kAGL_ID, FAgilityDef->AgilityID());
    query.SetParamAsInteger(kAGLL_ID, FLineID);
    qel::EditOrInsert(query, [&](bool) {
        query.SetFieldAsIntegerReq(kAGL_ID, FAgilityDef->AgilityID());
        query.SetFieldAsIntegerReq(kAGLL_ID, FLineID);
        query.SetFieldAsIntegerReq(QStringLiteral("AGLL_CROSS_DIRECTION"), FCrossingDirection);
        query.SetFieldAsIntegerReq(QStringLiteral("AGLL_START_X_MM"), FStartXinMM);
        query.SetFieldAsIntegerReq(QStringLiteral("AGLL_START_Y_MM"), FStartYinMM);
        query.SetFieldAsIntegerReq(QStringLiteral("AGLL_END_X_MM"), FEndXinMM);
        query.SetFieldAsIntegerReq(QStringLiteral("AGLL_END_Y_MM"), FEndYinMM);
        query.SetFieldAsString(QStringLiteral("AGLL_LINENAME"), FLineName);
    });
}

void TqeldbAgilityLine::ReadFromStream(qel::BinaryReader& aStream, uint8_t /*aVersion*/) {
    FLineName = ReadStreamString(aStream);
    FLineID = aStream.readI32();
    FCrossingDirection = aStream.readI32();
    FStartXinMM = aStream.readI32();
    FStartYinMM = aStream.readI32();
    FEndXinMM = aStream.readI32();
    FEndYinMM = aStream.readI32();
}

void TqeldbAgilityLine::WriteToStream(qel::BinaryWriter& aStream) const {
    WriteStreamString(aStream, FLineName);
    aStream.writeI32(FLineID);
    aStream.writeI32(FCrossingDirection);
    aStream.writeI32(FStartXinMM);
    aStream.writeI32(FStartYinMM);
    aStream.writeI32(FEndXinMM);
    aStream.writeI32(FEndYinMM);
}

// ---- TqeldbAgilityDef -----------------------------------------------------------------------

TqeldbAgilityDef::TqeldbAgilityDef(TqelDatabaseConnection* aDatabaseConnection)
    : FDatabaseConnection(aDatabaseConnection), FSQL(qel::AgilityQuery(aDatabaseConnection)) {}

TqeldbAgilityDef::~TqeldbAgilityDef() = default;

void TqeldbAgilityDef::Assign(const TqeldbAgilityDef& Source) {
    if (&Source == this) {
        return;
    }
    FUsedFieldDef = Source.FUsedFieldDef;
    FDescription = Source.FDescription;
    FAgilityID = Source.FAgilityID;
    FFirstLineStartXinMM = Source.FFirstLineStartXinMM;
    FFirstLineStartYinMM = Source.FFirstLineStartYinMM;
    FActive = Source.FActive;
    FMaxDurationInMS = Source.FMaxDurationInMS;
    FMinDurationInMS = Source.FMinDurationInMS;
    FDetectDecelAfterFinish = Source.FDetectDecelAfterFinish;
    FCanCrossStartDuringTest = Source.FCanCrossStartDuringTest;
    FCanRunMultiple = Source.FCanRunMultiple;
    FLines.clear();
    for (const auto& line : Source.FLines) {
        AddLine()->Assign(*line);
    }
}

TqeldbAgilityLine* TqeldbAgilityDef::AddLine() {
    FLines.push_back(std::make_shared<TqeldbAgilityLine>(this));
    return FLines.back().get();
}

TqeldbAgilityLine* TqeldbAgilityDef::LineByID(int32_t aLineID) const {
    for (const auto& line : FLines) {
        if (line->LineID() == aLineID) {
            return line.get();
        }
    }
    return nullptr;
}

void TqeldbAgilityDef::Retreive(int32_t aAglId) {
    // Without a database, or for a course it does not hold, the lines in memory are all there
    // is: they stay.
    if (!FSQL) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(kSelectCourse);
    query.SetParamAsInteger(kAGL_ID, aAglId);
    bool found = false;
    qel::CloseAfter(query, [&] {
        query.Open();
        found = !query.Eof();
        if (found) {
            DataSetToVaruza(&query);
        }
    });
    if (found) {
        RetreiveLines();
    }
}

void TqeldbAgilityDef::RetreiveLines() {
    if (!FSQL) {
        return;
    }
    TqelQuery& query = *FSQL;
    query.setText(
        QStringLiteral("select * from AGILITY_LINES where AGL_ID = :AGL_ID order by AGLL_ID"));
    query.SetParamAsInteger(kAGL_ID, FAgilityID);
    qel::CloseAfter(query, [&] {
        query.Open();
        FLines.clear();
        for (; !query.Eof(); query.Next()) {
            AddLine()->DataSetToVaruza(&query);
        }
    });
}

void TqeldbAgilityDef::DataSetToVaruza(const TqelQuery* aSQL) {
    if (!aSQL) {
        return;
    }
    FAgilityID = aSQL->GetFieldAsInteger(kAGL_ID);
    FDescription = aSQL->GetFieldAsString(QStringLiteral("AGL_DESCRIPTION"));
    FUsedFieldDef = aSQL->GetFieldAsString(QStringLiteral("AGL_USED_FIELD"));
    FFirstLineStartXinMM = aSQL->GetFieldAsInteger(QStringLiteral("AGL_FIRST_LINE_START_X_MM"));
    FFirstLineStartYinMM = aSQL->GetFieldAsInteger(QStringLiteral("AGL_FIRST_LINE_START_Y_MM"));
    FMaxDurationInMS = aSQL->GetFieldAsInteger(QStringLiteral("AGL_MAX_DURATION_MS"));
    if (FMaxDurationInMS == 0) {
        FMaxDurationInMS = kDefaultMaxDurationInMS;
    }
    FMinDurationInMS = aSQL->GetFieldAsInteger(QStringLiteral("AGL_MIN_DURATION_MS"));
    FCanCrossStartDuringTest = aSQL->GetFieldAsBoolean(QStringLiteral("AGL_CAN_CROSS_START"));
    FCanRunMultiple = aSQL->GetFieldAsBoolean(QStringLiteral("AGL_CAN_RUN_MULTIPLE"));
    FDetectDecelAfterFinish = aSQL->GetFieldAsBoolean(QStringLiteral("AGL_DECEL_AFTER_FINISH"));
    FActive = aSQL->GetFieldAsInteger(QStringLiteral("AGL_ACTIVE")) != 0;
}

void TqeldbAgilityDef::Save() {
    if (!FSQL) {
        return;
    }
    TqelQuery& query = *FSQL;
    const int32_t storedID = FAgilityID;
    try {
        SaveCourseAndLines(query);
    } catch (...) {
        // A key drawn for a row that was rolled back would name no course.
        FAgilityID = storedID;
        throw;
    }
}

void TqeldbAgilityDef::SaveCourseAndLines(TqelQuery& aSQL) {
    TqelQuery& query = aSQL;
    qel::RunAgilityTransaction(query, [&] {
        query.setText(kSelectCourse);
        query.SetParamAsInteger(kAGL_ID, FAgilityID);
        qel::EditOrInsert(query, [&](bool aInserting) {
            if (aInserting) {
                FAgilityID = qel::AgilityDatabase(query).GetPrimaryKey(
                    query.FieldByName(kAGL_ID), QStringLiteral("AGILITY_TEST"));
            }
            query.SetFieldAsString(QStringLiteral("AGL_DESCRIPTION"), FDescription);
            query.SetFieldAsString(QStringLiteral("AGL_USED_FIELD"), FUsedFieldDef);
            query.SetFieldAsIntegerReq(QStringLiteral("AGL_FIRST_LINE_START_X_MM"),
                                       FFirstLineStartXinMM);
            query.SetFieldAsIntegerReq(QStringLiteral("AGL_FIRST_LINE_START_Y_MM"),
                                       FFirstLineStartYinMM);
            query.SetFieldAsIntegerReq(QStringLiteral("AGL_ACTIVE"), FActive ? 1 : 0);
            query.SetFieldAsInteger(QStringLiteral("AGL_MAX_DURATION_MS"), FMaxDurationInMS);
            query.SetFieldAsInteger(QStringLiteral("AGL_MIN_DURATION_MS"), FMinDurationInMS);
            query.SetFieldAsBoolean(QStringLiteral("AGL_CAN_CROSS_START"),
                                    FCanCrossStartDuringTest);
            query.SetFieldAsBoolean(QStringLiteral("AGL_CAN_RUN_MULTIPLE"), FCanRunMultiple);
            query.SetFieldAsBoolean(QStringLiteral("AGL_DECEL_AFTER_FINISH"),
                                    FDetectDecelAfterFinish);
        });
        query.setText(QStringLiteral(
            "delete from AGILITY_LINES where AGL_ID = :AGL_ID and AGLL_ID > :AGLL_ID"));
        query.SetParamAsInteger(kAGL_ID, FAgilityID);
        query.SetParamAsInteger(kAGLL_ID, static_cast<int32_t>(FLines.size()));
        query.ExecSQL();
        for (const auto& line : FLines) {
            line->Save();
        }
    });
}

int32_t TqeldbAgilityDef::GetNextTGid() {
    if (!FSQL) {
        return 0;
    }
    return qel::AgilityDatabase(*FSQL).GetNextValue(QStringLiteral("TP_AGILITY"));
}

TqeldbAgilityTests* TqeldbAgilityDef::NewExercisePart(int32_t aDtsId, int32_t aExrId,
                                                      int32_t aPrtId, int32_t aGrpId,
                                                      bool aRemoveExisting, bool aGetBestTimes) {
    FAgilityTests.push_back(std::make_unique<TqeldbAgilityTests>(this, FDatabaseConnection));
    FLastAgiltyTestIndex = static_cast<int32_t>(FAgilityTests.size()) - 1;
    TqeldbAgilityTests* tests = FAgilityTests.back().get();
    tests->InitializeTest(aDtsId, aExrId, aPrtId, aGrpId, aRemoveExisting, aGetBestTimes);
    return tests;
}

void TqeldbAgilityDef::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    FDescription = ReadStreamString(aStream);
    FAgilityID = aStream.readI32();
    FFirstLineStartXinMM = aStream.readI32();
    FFirstLineStartYinMM = aStream.readI32();
    FActive = aStream.readBool();
    FMaxDurationInMS = aStream.readI32();
    FCanCrossStartDuringTest = aStream.readBool();
    if (aVersion >= 2) {
        FMinDurationInMS = aStream.readI32();
        FDetectDecelAfterFinish = aStream.readBool();
    } else {
        FMinDurationInMS = 0;
        FDetectDecelAfterFinish = false;
    }
    const int32_t lineCount = aStream.readI32();
    aStream.checkCount(lineCount, kMinLineRecordSize);
    FLines.clear();
    for (int32_t i = 0; i < lineCount; ++i) {
        AddLine()->ReadFromStream(aStream, aVersion);
    }
}

void TqeldbAgilityDef::WriteToStream(qel::BinaryWriter& aStream) const {
    WriteStreamString(aStream, FDescription);
    aStream.writeI32(FAgilityID);
    aStream.writeI32(FFirstLineStartXinMM);
    aStream.writeI32(FFirstLineStartYinMM);
    aStream.writeBool(FActive);
    aStream.writeI32(FMaxDurationInMS);
    aStream.writeBool(FCanCrossStartDuringTest);
    aStream.writeI32(FMinDurationInMS);
    aStream.writeBool(FDetectDecelAfterFinish);
    aStream.writeI32(static_cast<int32_t>(FLines.size()));
    for (const auto& line : FLines) {
        line->WriteToStream(aStream);
    }
}
