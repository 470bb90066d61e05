#include "database/agility/agility_runs.h"

#include "database/agility/agility_sql.h"
#include "database/query.h"
#include "database/row_helpers.h"
#include "foundation/model_interfaces.h"

namespace {

const QString kTG_ID = QStringLiteral("TG_ID");
const QString kDTS_ID = QStringLiteral("DTS_ID");
const QString kEXR_ID = QStringLiteral("EXR_ID");
const QString kPRT_ID = QStringLiteral("PRT_ID");
const QString kGRP_ID = QStringLiteral("GRP_ID");
const QString kAGL_ID = QStringLiteral("AGL_ID");
const QString kTP_ID = QStringLiteral("TP_ID");

// Bytes of a crossing record of a stream version.
qint64 CrossingRecordSize(uint8_t aVersion) {
    return (aVersion >= 3 ? 4 : 3) * 8 + 4 + 4 + 8 + 4 + 4;
}

// The connection of a run's definition; none without a definition.
TqelDatabaseConnection* ConnectionOf(const TqeldbAgilityDef* aAgilityDef) {
    return aAgilityDef ? aAgilityDef->DatabaseConnection() : nullptr;
}

// Sets the ":NAME" parameters of an insert from name and value pairs.
struct IntegerParam {
    const char* Name;
    int32_t Value;
};
struct FloatParam {
    const char* Name;
    double Value;
};

void Insert(TqelQuery& aSQL, const char* aTable, std::initializer_list<IntegerParam> anIntegers,
            std::initializer_list<FloatParam> aFloats) {
    QStringList columns;
    for (const IntegerParam& param : anIntegers) {
        columns << QString::fromLatin1(param.Name);
    }
    for (const FloatParam& param : aFloats) {
        columns << QString::fromLatin1(param.Name);
    }
    aSQL.setText(QStringLiteral("insert into %1 (%2) values (:%3)")
                     .arg(QString::fromLatin1(aTable), columns.join(QStringLiteral(", ")),
                          columns.join(QStringLiteral(", :"))));
    for (const IntegerParam& param : anIntegers) {
        aSQL.SetParamAsInteger(QString::fromLatin1(param.Name), param.Value);
    }
    // As the float parameters do everywhere: 0 is stored as NULL.
    for (const FloatParam& param : aFloats) {
        aSQL.SetParamAsFloat(QString::fromLatin1(param.Name), param.Value);
    }
    aSQL.ExecSQL();
}

}  // namespace

// ---- TqeldbAgilityCrossing ------------------------------------------------------------------

TqeldbAgilityCrossing::TqeldbAgilityCrossing(TqeldbAgilityTest* aAgilityTest,
                                             TqeldbAgilityLine* aAgilityLine)
    : FAgilityTest(aAgilityTest) {
    setLine(aAgilityLine);
}

TqeldbAgilityCrossing::~TqeldbAgilityCrossing() = default;

void TqeldbAgilityCrossing::setLine(TqeldbAgilityLine* aValue) {
    FLine = aValue ? aValue->weak_from_this() : std::weak_ptr<TqeldbAgilityLine>();
}

void TqeldbAgilityCrossing::Save() {
    if (!FSQL) {
        FSQL = qel::AgilityQuery(ConnectionOf(FAgilityTest ? FAgilityTest->AgilityDef() : nullptr));
    }
    if (!FSQL) {
        return;
    }
    const TqeldbAgilityLine* line = Line();
    Insert(*FSQL, "TP_AGIL_SPLIT",
           {{"TG_ID", FAgilityTest->TgID()},
            {"AGLL_ID", line ? line->LineID() : 0},
            {"TGS_ENTRY_TIME_MS", FEntryInMS},
            {"TGS_CROSSING_TIME_MS", FCrossingInMS},
            {"TGS_DURATION_MS", FDurationInMS}},
           {{"TGS_DISTANCE_M", FDistanceM},
            {"TGS_MAX_SPEED", FMaxSpeed},
            {"TGS_AVG_SPEED", FAvgSpeed},
            {"TGS_MAX_ACCEL", FMaxAccel},
            {"TGS_MAX_DECEL", FMaxDecel}});
}

void TqeldbAgilityCrossing::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    FAvgSpeed = aStream.readDouble();
    FDistanceM = aStream.readDouble();
    FMaxAccel = aStream.readDouble();
    if (aVersion >= 3) {
        FMaxDecel = aStream.readDouble();
    }
    FDurationInMS = aStream.readI32();
    FEntryInMS = aStream.readI32();
    FMaxSpeed = aStream.readDouble();
    FCrossingInMS = aStream.readI32();
    const int32_t lineID = aStream.readI32();
    const TqeldbAgilityDef* definition = FAgilityTest ? FAgilityTest->AgilityDef() : nullptr;
    setLine(definition ? definition->LineByID(lineID) : nullptr);
}

void TqeldbAgilityCrossing::WriteToStream(qel::BinaryWriter& aStream) const {
    aStream.writeDouble(FAvgSpeed);
    aStream.writeDouble(FDistanceM);
    aStream.writeDouble(FMaxAccel);
    aStream.writeDouble(FMaxDecel);
    aStream.writeI32(FDurationInMS);
    aStream.writeI32(FEntryInMS);
    aStream.writeDouble(FMaxSpeed);
    aStream.writeI32(FCrossingInMS);
    const TqeldbAgilityLine* line = Line();
    aStream.writeI32(line ? line->LineID() : 0);
}

// ---- TqeldbAgilityTest ----------------------------------------------------------------------

TqeldbAgilityTest::TqeldbAgilityTest(TqeldbAgilityDef* aAgilityDef,
                                     IqelTransponderData* aTransponder)
    : FTransponder(aTransponder), FAgilityDef(aAgilityDef) {}

std::unique_ptr<TqeldbAgilityTest> TqeldbAgilityTest::CreateEmpty() {
    return std::make_unique<TqeldbAgilityTest>(nullptr, nullptr);
}

TqeldbAgilityTest::~TqeldbAgilityTest() = default;

int32_t TqeldbAgilityTest::TpID() const {
    return FTransponder ? FTransponder->GetTPid() : 0;
}

void TqeldbAgilityTest::DataSetToVaruza(const TqelQuery& aDataset) {
    FExrID = aDataset.GetFieldAsInteger(kEXR_ID);
    FAvgSpeed = aDataset.GetFieldAsFloat(QStringLiteral("TG_AVG_SPEED"));
    FGrpID = aDataset.GetFieldAsInteger(kGRP_ID);
    FDistanceM = aDataset.GetFieldAsFloat(QStringLiteral("TG_DISTANCE_M"));
    FMaxAccel = aDataset.GetFieldAsFloat(QStringLiteral("TG_MAX_ACCEL"));
    FMaxDecel = aDataset.GetFieldAsFloat(QStringLiteral("TG_MAX_DECEL"));
    FDtsID = aDataset.GetFieldAsInteger(kDTS_ID);
    FDurationInMS = aDataset.GetFieldAsInteger(QStringLiteral("TG_DURATION_MS"));
    FTgID = aDataset.GetFieldAsInteger(kTG_ID);
    FEntryInMS = aDataset.GetFieldAsInteger(QStringLiteral("TG_ENTRY_TIME_MS"));
    FMaxSpeed = aDataset.GetFieldAsFloat(QStringLiteral("TG_MAX_SPEED"));
    FPrtID = aDataset.GetFieldAsInteger(kPRT_ID);
    FNumber = aDataset.GetFieldAsInteger(QStringLiteral("TG_NUMBER"));
    FSpeedIndex = aDataset.GetFieldAsFloat(QStringLiteral("TG_SPEED_INDEX"));
}

void TqeldbAgilityTest::Save() {
    if (!FSQL) {
        FSQL = qel::AgilityQuery(ConnectionOf(FAgilityDef));
    }
    if (!FSQL || FExrID == 0) {
        return;
    }
    TqelQuery& query = *FSQL;
    const int32_t storedTgID = FTgID;
    try {
        // A run without its splits, or splits without their run, is no use.
        qel::RunAgilityTransaction(query, [&] {
            FTgID = FAgilityDef->GetNextTGid();
            // TG_MAX_DECEL is stored too: it is read back with the run.
            Insert(query, "TP_AGILITY",
                   {{"TG_ID", FTgID},
                    {"DTS_ID", FDtsID},
                    {"TP_ID", TpID()},
                    {"EXR_ID", FExrID},
                    {"PRT_ID", FPrtID},
                    {"GRP_ID", FGrpID},
                    {"TG_NUMBER", FNumber},
                    {"AGL_ID", FAgilityDef->AgilityID()},
                    {"TG_ENTRY_TIME_MS", FEntryInMS},
                    {"TG_DURATION_MS", FDurationInMS}},
                   {{"TG_DISTANCE_M", FDistanceM},
                    {"TG_MAX_SPEED", FMaxSpeed},
                    {"TG_AVG_SPEED", FAvgSpeed},
                    {"TG_MAX_ACCEL", FMaxAccel},
                    {"TG_SPEED_INDEX", FSpeedIndex},
                    {"TG_MAX_DECEL", FMaxDecel}});
            for (const auto& crossing : FCrossings) {
                crossing->Save();
            }
        });
    } catch (...) {
        // The run was not stored under that key.
        FTgID = storedTgID;
        throw;
    }
}

TqeldbAgilityCrossing* TqeldbAgilityTest::AddCrossing(TqeldbAgilityLine* aLine, int32_t aEntryInMS,
                                                      int32_t aCrossingInMS) {
    FCrossings.push_back(std::make_unique<TqeldbAgilityCrossing>(this, aLine));
    TqeldbAgilityCrossing* crossing = FCrossings.back().get();
    crossing->setEntryInMS(aEntryInMS);
    crossing->setCrossingInMS(aCrossingInMS);
    crossing->setDurationInMS(aCrossingInMS - aEntryInMS);
    return crossing;
}

void TqeldbAgilityTest::ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) {
    FNumber = aStream.readI32();
    FEntryInMS = aStream.readI32();
    FDurationInMS = aStream.readI32();
    FDistanceM = aStream.readDouble();
    FAvgSpeed = aStream.readDouble();
    FMaxSpeed = aStream.readDouble();
    FSpeedIndex = aStream.readDouble();
    FMaxAccel = aStream.readDouble();
    if (aVersion >= 3) {
        FMaxDecel = aStream.readDouble();
    }
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, CrossingRecordSize(aVersion));
    for (int32_t i = 0; i < count; ++i) {
        FCrossings.push_back(std::make_unique<TqeldbAgilityCrossing>(this, nullptr));
        FCrossings.back()->ReadFromStream(aStream, aVersion);
    }
}

void TqeldbAgilityTest::WriteToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FNumber);
    aStream.writeI32(FEntryInMS);
    aStream.writeI32(FDurationInMS);
    aStream.writeDouble(FDistanceM);
    aStream.writeDouble(FAvgSpeed);
    aStream.writeDouble(FMaxSpeed);
    aStream.writeDouble(FSpeedIndex);
    aStream.writeDouble(FMaxAccel);
    aStream.writeDouble(FMaxDecel);
    aStream.writeI32(static_cast<int32_t>(FCrossings.size()));
    for (const auto& crossing : FCrossings) {
        crossing->WriteToStream(aStream);
    }
}

// ---- TqeldbAgilityTests ---------------------------------------------------------------------

TqeldbAgilityTests::TqeldbAgilityTests(TqeldbAgilityDef* aAgilityDef,
                                       TqelDatabaseConnection* aDatabaseConnection)
    : FDatabaseConnection(aDatabaseConnection),
      FSQL(qel::AgilityQuery(aDatabaseConnection)),
      FAgilityDef(aAgilityDef) {}

TqeldbAgilityTests::~TqeldbAgilityTests() = default;

int32_t TqeldbAgilityTests::AglID() const {
    return FAgilityDef ? FAgilityDef->AgilityID() : 0;
}

void TqeldbAgilityTests::InitializeTest(int32_t aDtsId, int32_t aExrId, int32_t aPrtId,
                                        int32_t aGrpId, bool aRemoveExisting, bool aGetBestTimes) {
    FDtsID = aDtsId;
    FExrID = aExrId;
    FPrtID = aPrtId;
    FGrpID = aGrpId;
    FBestPerformancePlayers.fill(0);
    if (!FSQL) {
        return;
    }
    TqelQuery& query = *FSQL;
    if (aRemoveExisting) {
        const QString runsOfPart = QStringLiteral(
            "TP_AGILITY where DTS_ID = :DTS_ID and EXR_ID = :EXR_ID and PRT_ID = :PRT_ID and "
            "AGL_ID = :AGL_ID and GRP_ID = :GRP_ID");
        qel::RunAgilityTransaction(query, [&] {
            for (const QString& statement :
                 {QStringLiteral("delete from TP_AGIL_SPLIT where TG_ID in (select TG_ID from ") +
                      runsOfPart + u')',
                  QStringLiteral("delete from ") + runsOfPart}) {
                query.setText(statement);
                query.SetParamAsInteger(kDTS_ID, FDtsID);
                query.SetParamAsInteger(kEXR_ID, FExrID);
                query.SetParamAsInteger(kPRT_ID, FPrtID);
                query.SetParamAsInteger(kAGL_ID, AglID());
                query.SetParamAsInteger(kGRP_ID, FGrpID);
                query.ExecSQL();
            }
        });
    }
    if (!aGetBestTimes) {
        return;
    }
    query.setText(
        QStringLiteral("select \r\n  tp.TP_ID, \r\n  Min(tg.TG_DURATION_MS ) as 'BEST_TIME_MS' "
                       "\r\nfrom \r\n  TP_AGILITY tg inner join \r\n  TRANSPONDERS tp on "
                       "(tp.DTS_ID = tg.DTS_ID and tp.TP_ID = tg.TP_ID ) \r\nwhere \r\n  "
                       "tp.PLR_ID in (select PLR_ID from TRANSPONDERS tp1 where tp1.DTS_ID = "
                       ":DTS_ID1 ) and \r\n  tg.DTS_ID < :DTS_ID2 and \r\n  tg.AGL_ID = :AGL_ID "
                       "\r\ngroup by \r\n  tp.TP_ID "));
    query.SetParamAsInteger(QStringLiteral("DTS_ID1"), FDtsID);
    query.SetParamAsInteger(QStringLiteral("DTS_ID2"), FDtsID);
    query.SetParamAsInteger(kAGL_ID, AglID());
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            const int32_t tpID = query.GetFieldAsInteger(kTP_ID);
            // Transponder numbers of earlier datasets may lie outside the table.
            if (tpID >= 0 && tpID < kBestTimeCount) {
                FBestPerformancePlayers[static_cast<size_t>(tpID)] =
                    query.GetFieldAsInteger(QStringLiteral("BEST_TIME_MS"));
            }
        }
    });
}

int32_t TqeldbAgilityTests::BestTimeTPinMS(int32_t aTPId) const {
    if (aTPId < 0 || aTPId >= kBestTimeCount) {
        return 0;
    }
    return FBestPerformancePlayers[static_cast<size_t>(aTPId)];
}

void TqeldbAgilityTests::ReceiveHistoryTP(int32_t aAglId, int32_t aDtsId, int32_t aTPId) {
    if (!FSQL) {
        return;
    }
    FAgilityTests.clear();
    TqelQuery& query = *FSQL;
    query.setText(QStringLiteral(
        "select tg.* from TP_AGILITY tg   inner join TRANSPONDERS tp   on (tg.DTS_ID = tp.DTS_ID "
        "and tg.TP_ID = tp.TP_ID and tg.AGL_ID = :AGL_ID )where   tp.PLR_ID in ( select PLR_ID "
        "from TRANSPONDERS where DTS_ID = :DTS_ID and TP_ID = :TP_ID) order by   tg.DTS_ID, "
        "tg.TG_DURATION_MS"));
    query.SetParamAsInteger(kAGL_ID, aAglId);
    query.SetParamAsInteger(kDTS_ID, aDtsId);
    query.SetParamAsInteger(kTP_ID, aTPId);
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            const int32_t dtsID = query.GetFieldAsInteger(kDTS_ID);
            // Rows come by dataset and then by time: the first of a dataset is its fastest.
            if (!FAgilityTests.empty() && FAgilityTests.back()->DtsID() == dtsID) {
                continue;
            }
            FAgilityTests.push_back(TqeldbAgilityTest::CreateEmpty());
            FAgilityTests.back()->DataSetToVaruza(query);
        }
    });
}
