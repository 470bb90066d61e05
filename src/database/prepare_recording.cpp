#include "database/prepare_recording.h"

#include <algorithm>

#include "database/row_helpers.h"
#include "database/schema.h"
#include "database/transaction_scope.h"
#include "foundation/text_utils.h"
#include "platform/exception.h"

namespace {

const qel::SchemaTable kPrepareRecordingTable(
    "PREPARE_RECORDING",
    {"create table PREPARE_RECORDING (PRC_ID integer not null primary key, PRC_DEFAULT bit, "
     "PRC_DATE datetime, PRC_DESCRIPTION varchar(255) collate nocase, DT_ID integer, PRC_ACTIVE "
     "bit, MPT_ID integer, PRC_FIELDNAME varchar(255) collate nocase, PRC_ROAMING_PITCH_IDS "
     "varchar(255) collate nocase, PRC_STORE_LIVE_POSITIONS bit, PRC_LIVE_VIDEO_COMPILATION "
     "bit)"});
// No unique key: a preparation being edited may hold several vests not yet assigned (ATP_ID 0).
const qel::SchemaTable kPrepareTransponderTable(
    "PREPARE_TRANSPONDER",
    {"create table PREPARE_TRANSPONDER (PRC_ID integer, ATP_ID integer not null, TP_ID integer, "
     "PLR_ID integer, PRC_ATHLETE_NAME varchar(100) collate nocase, TEAM_ID integer, "
     "PRC_VISIBLE_TO varchar(255) collate nocase, PRC_ENABLED bit, PRC_SHORTCUT_CHAR varchar(10) "
     "collate nocase)",
     "create index PREPARE_TRANSPONDER_PRC on PREPARE_TRANSPONDER (PRC_ID, ATP_ID)",
     "create index PREPARE_TRANSPONDER_ATP on PREPARE_TRANSPONDER (ATP_ID)"});
const qel::SchemaTable kPrepareTeamTable(
    "PREPARE_TEAM", {"create table PREPARE_TEAM (PRC_ID integer not null, TEAM_ID integer)",
                     "create index PREPARE_TEAM_PRC on PREPARE_TEAM (PRC_ID)"});
// The children of a preparation that its deletion removes with it.
const qel::SchemaTable kPrepareExercisesTable(
    "PREPARE_EXERCISES",
    {"create table PREPARE_EXERCISES (PRC_ID integer not null, EXN_ID integer not null, "
     "PRE_ORDER integer, PRE_EXPECTED_PARTS integer)",
     "create index PREPARE_EXERCISES_PRC on PREPARE_EXERCISES (PRC_ID, EXN_ID)"});
const qel::SchemaTable kPrepareAgilityTable(
    "PREPARE_AGILITY", {"create table PREPARE_AGILITY (PRC_ID integer, AGL_ID integer not null)",
                        "create index PREPARE_AGILITY_PRC on PREPARE_AGILITY (PRC_ID, AGL_ID)"});
const qel::SchemaTable kPrepareSectionTable(
    "PREPARE_SECTION",
    {"create table PREPARE_SECTION (PRC_ID integer, PRS_ID integer not null, PRS_DESCRIPTION "
     "varchar(100) collate nocase, PRS_TIME_PRIOR_MS integer)",
     "create index PREPARE_SECTION_PRC on PREPARE_SECTION (PRC_ID, PRS_ID)"});
const qel::SchemaTable kPrepareCameraTable(
    "PREPARE_CAMERA",
    {"create table PREPARE_CAMERA (PRC_ID integer, CAM_INDEX integer not null, PCM_ORDER "
     "integer, PRS_ID integer, PCM_LINE_START varchar(50) collate nocase, "
     "PCM_LINE_START_DIRECTION integer, PCM_LINE_FINISH varchar(50) collate nocase, "
     "PCM_LINE_FINISH_DIRECTION integer)",
     "create index PREPARE_CAMERA_PRC on PREPARE_CAMERA (PRC_ID, CAM_INDEX)"});

const QString kPRC_ID = QStringLiteral("PRC_ID");
const QString kATP_ID = QStringLiteral("ATP_ID");
const QString kTP_ID = QStringLiteral("TP_ID");

// Rolls a vest swap back when one of its saves answers a failure.
class SaveRefused : public std::exception {};

TqelPrepareRecording* OwningPreparation(TqelDBComponent* AOwner) {
    auto* preparation = dynamic_cast<TqelPrepareRecording*>(AOwner);
    if (!preparation) {
        throw Exception(QStringLiteral("Owner is not of type \"TqelPrepareRecording\""));
    }
    return preparation;
}

}  // namespace

// ---- TqelPrepareTransponder -----------------------------------------------------------------

TqelPrepareTransponder::TqelPrepareTransponder(TqelDBComponent* AOwner)
    : TrackedRow(OwningPreparation(AOwner)->Owner()),
      FPrepareRecording(static_cast<TqelPrepareRecording*>(AOwner)),
      FPrcID(FPrepareRecording->PrcID()) {}

void TqelPrepareTransponder::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from PREPARE_TRANSPONDER "));
}

void TqelPrepareTransponder::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
}

void TqelPrepareTransponder::PrepareParams(TqelQuery& aSQL) {
    aSQL.Where(kPRC_ID, FPrcID, true, false);
    aSQL.Where(kATP_ID, FATPid, true, false);
}

void TqelPrepareTransponder::Delete(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral(
        "delete from PREPARE_TRANSPONDER where PRC_ID=:PRC_ID and ATP_ID = :ATP_ID"));
    aSQL.SetParamAsInteger(kPRC_ID, FPrcID);
    aSQL.SetParamAsInteger(kATP_ID, FATPid);
    aSQL.ExecSQL();
}

void TqelPrepareTransponder::DataSetToVaruza(TqelQuery& aSQL) {
    setPrcID(aSQL.GetFieldAsInteger(kPRC_ID));
    setATPid(aSQL.GetFieldAsInteger(kATP_ID));
    setTPid(aSQL.GetFieldAsInteger(kTP_ID));
    setPlrId(aSQL.GetFieldAsInteger(QStringLiteral("PLR_ID")));
    setAthleteName(aSQL.GetFieldAsString(QStringLiteral("PRC_ATHLETE_NAME")));
    setTeamID(aSQL.GetFieldAsInteger(QStringLiteral("TEAM_ID")));
    setVisibleTo(aSQL.GetFieldAsString(QStringLiteral("PRC_VISIBLE_TO")));
    setEnabled(aSQL.GetFieldAsBoolean(QStringLiteral("PRC_ENABLED")));
    setShortcutChar(aSQL.GetFieldAsString(QStringLiteral("PRC_SHORTCUT_CHAR")));
    FVestID = aSQL.GetFieldAsString(QStringLiteral("ATP_DESCRIPTION"));
    FTPRole = aSQL.GetFieldAsInteger(QStringLiteral("ATP_ROLE"));
    FAntenna1ID = aSQL.GetFieldAsInteger(QStringLiteral("ATP_ANTENNA1_ID"));
    FAntenna2ID = aSQL.GetFieldAsInteger(QStringLiteral("ATP_ANTENNA2_ID"));
    FAntenna3ID = aSQL.GetFieldAsInteger(QStringLiteral("ATP_ANTENNA3_ID"));
    FAntenna4ID = aSQL.GetFieldAsInteger(QStringLiteral("ATP_ANTENNA4_ID"));
    FCombined = aSQL.GetFieldAsBoolean(QStringLiteral("ATP_COMBINED"));
    FNMEAPort = aSQL.GetFieldAsInteger(QStringLiteral("ATP_NMEA_PORT"));
    FNMEAIP = aSQL.GetFieldAsString(QStringLiteral("ATP_NMEA_IP"));
    FMacAddress = aSQL.GetFieldAsString(QStringLiteral("ATP_MAC_ADDRESS"));
    FMaxHB = aSQL.GetFieldAsInteger(QStringLiteral("PLR_MAX_HEARTBEAT"));
}

void TqelPrepareTransponder::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kPRC_ID, FPrcID);
    aSQL.SetFieldAsIntegerReq(kATP_ID, FATPid);
    aSQL.SetFieldAsIntegerReq(kTP_ID, FTPid);
    aSQL.SetFieldAsInteger(QStringLiteral("PLR_ID"), FPlrId);
    aSQL.SetFieldAsString(QStringLiteral("PRC_ATHLETE_NAME"), FAthleteName);
    aSQL.SetFieldAsInteger(QStringLiteral("TEAM_ID"), FTeamID);
    aSQL.SetFieldAsString(QStringLiteral("PRC_VISIBLE_TO"), FVisibleTo);
    aSQL.SetFieldAsBoolean(QStringLiteral("PRC_ENABLED"), FEnabled);
    aSQL.SetFieldAsString(QStringLiteral("PRC_SHORTCUT_CHAR"), FShortcutChar);
}

// ---- TqelPrepareRecording -------------------------------------------------------------------

TqelPrepareRecording::TqelPrepareRecording(TqelDatabase* AOwner) : TrackedRow(AOwner) {}

void TqelPrepareRecording::setPrcID(int32_t aValue) {
    if (FPrcID == aValue) {
        return;
    }
    FPrcID = aValue;
    for (const auto& transponder : FTransponders) {
        transponder->setPrcID(aValue);
    }
    setModified(true);
}

void TqelPrepareRecording::setRoamingPitches(const QString& aValue) {
    if (aValue == RoamingPitches()) {
        return;
    }
    FRoamingPitches = aValue.isEmpty() ? QStringList() : aValue.split(u';');
    setModified(true);
}

int TqelPrepareRecording::RoamingPitchAdd(int32_t aMptID) {
    FRoamingPitches << QString::number(aMptID);
    return RoamingPitchCount() - 1;
}

int TqelPrepareRecording::RoamingPitchIndexOf(int32_t aMptID) const {
    const QString id = QString::number(aMptID);
    for (int i = 0; i < RoamingPitchCount(); ++i) {
        if (FRoamingPitches[i].compare(id, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

int32_t TqelPrepareRecording::GetRoamingPitch(int aIndex) const {
    qel::CheckRowIndex(aIndex, RoamingPitchCount());
    return VarToIntDef(FRoamingPitches[aIndex], 0);
}

TqelPrepareTransponder* TqelPrepareRecording::AddTranponder(int32_t aTP) {
    TqelPrepareTransponder* found = nullptr;
    if (aTP != -1) {
        for (const auto& transponder : FTransponders) {
            if (transponder->TPid() == aTP) {
                found = transponder.get();
                if (aTP >= FNextTransponderID) {
                    FNextTransponderID = aTP + 1;
                }
            }
        }
    }
    if (found) {
        return found;
    }
    FTransponders.push_back(std::make_unique<TqelPrepareTransponder>(this));
    TqelPrepareTransponder* added = FTransponders.back().get();
    added->setTPid(FNextTransponderID++);
    return added;
}

TqelPrepareTransponder* TqelPrepareRecording::GetTransponder(int aIndex) const {
    return qel::RowAt(FTransponders, aIndex);
}

TqelPrepareTransponder* TqelPrepareRecording::TransponderByID(int32_t ATPid) const {
    for (const auto& transponder : FTransponders) {
        if (transponder->TPid() == ATPid) {
            return transponder.get();
        }
    }
    return nullptr;
}

TqelPrepareTransponder* TqelPrepareRecording::TransponderByAntenna(uint16_t aAntennaID) const {
    for (const auto& transponder : FTransponders) {
        for (const int32_t antenna : {transponder->Antenna1ID(), transponder->Antenna2ID(),
                                      transponder->Antenna3ID(), transponder->Antenna4ID()}) {
            if (antenna == aAntennaID) {
                return transponder.get();
            }
        }
    }
    return nullptr;
}

TqelPrepareTransponder* TqelPrepareRecording::TransponderByVest(const QString& aVestID) const {
    for (const auto& transponder : FTransponders) {
        if (transponder->VestID() == aVestID) {
            return transponder.get();
        }
    }
    return nullptr;
}

void TqelPrepareRecording::ClearTransponders() {
    FTransponders.clear();
    FNextTransponderID = 1;
}

int32_t TqelPrepareRecording::MaxTransponderID() {
    int32_t highest = 0;
    for (const auto& transponder : FTransponders) {
        highest = std::max(highest, transponder->TPid());
    }
    FNextTransponderID = highest + 1;
    return highest;
}

int32_t TqelPrepareRecording::TeamID() const {
    std::vector<TTeamRec> teams;
    for (const auto& transponder : FTransponders) {
        const auto counted = std::find_if(teams.begin(), teams.end(), [&](const TTeamRec& aTeam) {
            return aTeam.TeamID == transponder->TeamID();
        });
        if (counted != teams.end()) {
            ++counted->Count;
        } else {
            teams.push_back({transponder->TeamID(), 1});
        }
    }
    if (teams.empty()) {
        return 0;
    }
    size_t pick = 0;
    for (size_t i = 1; i < teams.size(); ++i) {
        if (teams[i].Count > teams[pick].Count + 2) {
            pick = i;
        }
    }
    return teams[pick].TeamID;
}

// ---- TqelPrepareRecording: exercises, agility tests, sections and cameras ------------------

TqelDBPrepareExercise* TqelPrepareRecording::AddExercise(int32_t aExnID, const QString& aExrName,
                                                         TqelExpectedParts aParts,
                                                         TqelExerciseOrder aOrder) {
    const int32_t order = static_cast<int32_t>(aOrder);
    int32_t highest = 0;
    TqelDBPrepareExercise* found = nullptr;
    for (const auto& exercise : FExercises) {
        if (order != 0) {
            if (exercise->Order() >= order) {
                exercise->setOrder(exercise->Order() + 1);
            }
        } else {
            highest = std::max(highest, exercise->Order());
        }
        if (!found && exercise->ExnID() == aExnID) {
            found = exercise.get();
        }
    }
    if (!found) {
        FExercises.push_back(std::make_unique<TqelDBPrepareExercise>(Owner()));
        found = FExercises.back().get();
        found->setDescription(aExrName);
        found->setExnID(aExnID);
        found->setOrder(order != 0 ? order : highest + 1);
    }
    found->setExpectedParts(static_cast<int32_t>(aParts));
    found->setPrcID(FPrcID);
    return found;
}

TqelDBPrepareExercise* TqelPrepareRecording::IsExerciseSelected(int32_t aExrID) const {
    for (const auto& exercise : FExercises) {
        if (exercise->ExnID() == aExrID) {
            return exercise.get();
        }
    }
    return nullptr;
}

TqelConnectedAgilityTest* TqelPrepareRecording::AddConnectedAgilityTest(int32_t aAglId) {
    if (aAglId != -1) {
        for (auto it = FAgilityTests.rbegin(); it != FAgilityTests.rend(); ++it) {
            if ((*it)->AglID() == aAglId) {
                return it->get();
            }
        }
    }
    FAgilityTests.push_back(std::make_unique<TqelConnectedAgilityTest>(Owner()));
    TqelConnectedAgilityTest* added = FAgilityTests.back().get();
    if (aAglId != -1) {
        added->setAglID(aAglId);
        added->setPrcID(FPrcID);
    }
    return added;
}

bool TqelPrepareRecording::IsConnectedAgility(int32_t aAglId) const {
    return std::any_of(FAgilityTests.begin(), FAgilityTests.end(),
                       [aAglId](const auto& aTest) { return aTest->AglID() == aAglId; });
}

TqelConnectedAgilityTest* TqelPrepareRecording::GetAgilityTest(int aIndex) const {
    return qel::RowAt(FAgilityTests, aIndex);
}

TqelPrepareSection* TqelPrepareRecording::AddSection(int32_t aSectionID,
                                                     const QString& aDescription,
                                                     int32_t aTimeToAddMS) {
    TqelPrepareSection* section = SectionById(aSectionID);
    if (!section) {
        FSections.push_back(std::make_unique<TqelPrepareSection>(Owner()));
        section = FSections.back().get();
        section->setPrsID(aSectionID);
        section->setPrcID(FPrcID);
    }
    section->setDescription(aDescription);
    section->setTimeToAddMS(aTimeToAddMS);
    return section;
}

TqelPrepareSection* TqelPrepareRecording::SectionById(int32_t aSectionID) const {
    for (const auto& section : FSections) {
        if (section->PrsID() == aSectionID) {
            return section.get();
        }
    }
    return nullptr;
}

TqelPrepareCamera* TqelPrepareRecording::AddCamera(int32_t aCamIndex, int32_t aSectionID,
                                                   int32_t aFollowOrder, const QString& aStartLine,
                                                   int32_t aStartLineDirection,
                                                   const QString& aFinishLine,
                                                   int32_t aFinishLineDirection) {
    TqelPrepareCamera* camera = CameraByIndex(aCamIndex);
    if (!camera) {
        FCameras.push_back(std::make_unique<TqelPrepareCamera>(Owner()));
        camera = FCameras.back().get();
        camera->setCamIndex(aCamIndex);
        camera->setPrcID(FPrcID);
    }
    camera->setPrsID(aSectionID);
    camera->setFollowOrder(aFollowOrder);
    camera->setLineStart(aStartLine);
    camera->setLineStartDirection(aStartLineDirection);
    camera->setLineFinish(aFinishLine);
    camera->setLineFinishDirection(aFinishLineDirection);
    return camera;
}

TqelPrepareCamera* TqelPrepareRecording::CameraByIndex(int32_t aCamIndex) const {
    for (const auto& camera : FCameras) {
        if (camera->CamIndex() == aCamIndex) {
            return camera.get();
        }
    }
    return nullptr;
}

// ---- TqelPrepareRecording: its own row ------------------------------------------------------

void TqelPrepareRecording::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from PREPARE_RECORDING where PRC_ID = :PRC_ID"));
    aSQL.SetParamAsInteger(kPRC_ID, 0);
}

void TqelPrepareRecording::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
}

void TqelPrepareRecording::PrepareParams(TqelQuery& aSQL) {
    aSQL.SetParamAsInteger(kPRC_ID, FPrcID);
}

void TqelPrepareRecording::AfterInsert(TqelQuery& aSQL) {
    TqelDBComponent::AfterInsert(aSQL);
    setPrcID(GetPrimaryKey(aSQL, kPRC_ID, QStringLiteral("PREPARE_RECORDING")));
}

void TqelPrepareRecording::Delete(TqelQuery& aSQL) {
    TqelDatabase* database = aSQL.Database();
    qel::Assert(database != nullptr, QStringLiteral("A preparation is deleted in a database."));
    // All or nothing: a preparation without its transponders but with its row is no use.
    qel::RunInTransaction(*database, [&] {
        for (const char* table :
             {"PREPARE_EXERCISES", "PREPARE_AGILITY", "PREPARE_TEAM", "PREPARE_TRANSPONDER",
              "PREPARE_CAMERA", "PREPARE_SECTION", "PREPARE_RECORDING"}) {
            aSQL.setText(QStringLiteral("delete from %1 where PRC_ID = :PRC_ID")
                             .arg(QString::fromLatin1(table)));
            aSQL.SetParamAsInteger(kPRC_ID, FPrcID);
            aSQL.ExecSQL();
        }
    });
}

void TqelPrepareRecording::DataSetToVaruza(TqelQuery& aSQL) {
    setPrcID(aSQL.GetFieldAsInteger(kPRC_ID));
    setIsDefault(aSQL.GetFieldAsBoolean(QStringLiteral("PRC_DEFAULT")));
    setExpectDate(aSQL.GetFieldAsDateTime(QStringLiteral("PRC_DATE")));
    setDescription(aSQL.GetFieldAsString(QStringLiteral("PRC_DESCRIPTION")));
    setDatasetType(aSQL.GetFieldAsInteger(QStringLiteral("DT_ID")));
    setActive(aSQL.GetFieldAsBoolean(QStringLiteral("PRC_ACTIVE")));
    setFieldID(aSQL.GetFieldAsInteger(QStringLiteral("MPT_ID")));
    setFieldName(aSQL.GetFieldAsString(QStringLiteral("PRC_FIELDNAME")));
    setRoamingPitches(aSQL.GetFieldAsString(QStringLiteral("PRC_ROAMING_PITCH_IDS")));
    setStoreLivePositions(aSQL.GetFieldAsBoolean(QStringLiteral("PRC_STORE_LIVE_POSITIONS")));
    setLiveVideoCompilation(aSQL.GetFieldAsBoolean(QStringLiteral("PRC_LIVE_VIDEO_COMPILATION")));
}

void TqelPrepareRecording::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsIntegerReq(kPRC_ID, FPrcID);
    aSQL.SetFieldAsBoolean(QStringLiteral("PRC_DEFAULT"), FIsDefault);
    aSQL.SetFieldAsDateTime(QStringLiteral("PRC_DATE"), FExpectDate);
    aSQL.SetFieldAsString(QStringLiteral("PRC_DESCRIPTION"), FDescription);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("DT_ID"), FDatasetType);
    aSQL.SetFieldAsBoolean(QStringLiteral("PRC_ACTIVE"), FActive);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("MPT_ID"), FFieldID);
    aSQL.SetFieldAsString(QStringLiteral("PRC_FIELDNAME"), FFieldName);
    aSQL.SetFieldAsString(QStringLiteral("PRC_ROAMING_PITCH_IDS"), RoamingPitches());
    aSQL.SetFieldAsBoolean(QStringLiteral("PRC_STORE_LIVE_POSITIONS"), FStoreLivePositions);
    aSQL.SetFieldAsBoolean(QStringLiteral("PRC_LIVE_VIDEO_COMPILATION"), FLiveVideoCompilation);
}

// ---- TqeldbPrepareRecordings ----------------------------------------------------------------

TqeldbPrepareRecordings::TqeldbPrepareRecordings(TqelDatabase* aDatabase)
    : TqelDatabaseVaruza(aDatabase),
      FAvailableTransponders(std::make_unique<TqeldbAvailableTransponders>(aDatabase)),
      FSections(std::make_unique<TqelPrepareSections>(aDatabase)),
      FCameras(std::make_unique<TqelPrepareCameras>(aDatabase)),
      FExercises(std::make_unique<TqelDBPrepareExercises>(aDatabase)) {
    FAvailableTransponders->GetAll();
}

void TqeldbPrepareRecordings::GetAll(bool aActiveOnly, bool aOnlyToday) {
    FPrepareRecordings.clear();
    TqelQuery& query = SQL();
    query.setText(QStringLiteral("select * from PREPARE_RECORDING"));
    if (aOnlyToday) {
        query.AddLine(QStringLiteral("where ((PRC_DATE is null) or (PRC_DATE = :PRC_DATE))"));
        query.SetParamAsDatetime(QStringLiteral("PRC_DATE"), Date());
        if (aActiveOnly) {
            query.AddLine(QStringLiteral("and PRC_ACTIVE<>0"));
        }
    } else if (aActiveOnly) {
        query.AddLine(QStringLiteral("where PRC_ACTIVE<>0"));
    }
    query.AddLine(QStringLiteral("order by PRC_DESCRIPTION"));
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            FPrepareRecordings.push_back(std::make_unique<TqelPrepareRecording>(Database()));
            FPrepareRecordings.back()->DataSetToVaruza(query);
        }
    });
}

TqelPrepareRecording* TqeldbPrepareRecordings::OpenPrc(int32_t aPrcID) {
    FPrepareRecordings.clear();
    TqelQuery& query = SQL();
    TqelPrepareRecording::PrepareOpen(query);
    query.SetParamAsInteger(kPRC_ID, aPrcID);
    TqelPrepareRecording* preparation = nullptr;
    qel::CloseAfter(query, [&] {
        query.Open();
        if (!query.IsEmpty()) {
            preparation = AddPrepareRecording();
            preparation->DataSetToVaruza(query);
        }
    });
    return preparation;
}

TqelPrepareRecording* TqeldbPrepareRecordings::PrepareRecordingByID(int32_t aPrcID) const {
    for (const auto& preparation : FPrepareRecordings) {
        if (preparation->PrcID() == aPrcID) {
            return preparation.get();
        }
    }
    return nullptr;
}

TqelPrepareRecording* TqeldbPrepareRecordings::GetPrepareRecording(int aIndex) const {
    return qel::RowAt(FPrepareRecordings, aIndex);
}

TqelPrepareRecording* TqeldbPrepareRecordings::AddPrepareRecording() {
    FPrepareRecordings.push_back(std::make_unique<TqelPrepareRecording>(Database()));
    TqelPrepareRecording* preparation = FPrepareRecordings.back().get();
    preparation->setActive(true);
    return preparation;
}

void TqeldbPrepareRecordings::Clear() {
    FPrepareRecordings.clear();
    FAvailableTransponders->Clear();
}

void TqeldbPrepareRecordings::DeleteByID(int32_t aPrcID) {
    const auto found = std::find_if(
        FPrepareRecordings.begin(), FPrepareRecordings.end(),
        [aPrcID](const auto& aPreparation) { return aPreparation->PrcID() == aPrcID; });
    if (found == FPrepareRecordings.end()) {
        return;
    }
    (*found)->Delete(SQL());
    FPrepareRecordings.erase(found);
}

void TqeldbPrepareRecordings::GetPrepareRecordingAndAntennas(int32_t aPrcID,
                                                             TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to fill is needed."));
    TqelQuery& query = SQL();
    query.setText(QStringLiteral("select * from PREPARE_RECORDING where PRC_ID = :PRC_ID"));
    query.SetParamAsInteger(kPRC_ID, aPrcID);
    qel::CloseAfter(query, [&] {
        query.Open();
        if (!query.IsEmpty()) {
            aPrepRec->DataSetToVaruza(query);
        }
    });
    GetTPAndAntennaIDs(aPrepRec);
}

void TqeldbPrepareRecordings::ReadTransponders(TqelPrepareRecording& aPrepRec) {
    TqelQuery& query = SQL();
    query.SetParamAsInteger(kPRC_ID, aPrepRec.PrcID());
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            aPrepRec.AddTranponder(query.GetFieldAsInteger(kTP_ID))->DataSetToVaruza(query);
        }
    });
}

void TqeldbPrepareRecordings::GetTPAndAntennaIDs(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to fill is needed."));
    const int32_t next = aPrepRec->NextTransponderID();
    aPrepRec->ClearTransponders();
    aPrepRec->setNextTransponderID(next);
    TqelQuery& query = SQL();
    query.Clear();
    for (const char* line :
         {"select prt.*, atp.*, plr.PLR_MAX_HEARTBEAT ", "from ", "  (PREPARE_TRANSPONDER prt ",
          "inner join ", "  AVAILABLE_TRANSPONDERS atp ", "  on (prt.ATP_ID = atp.ATP_ID) )",
          "left outer join ", "  PLAYER plr", "  on (prt.PLR_ID = plr.PLR_ID)", "where ",
          "  PRC_ID = :PRC_ID", "order by ", "  ATP_DESCRIPTION"}) {
        query.AddLine(QString::fromLatin1(line));
    }
    ReadTransponders(*aPrepRec);
}

void TqeldbPrepareRecordings::GetTransponders(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to fill is needed."));
    SQL().setText(QStringLiteral("select * from PREPARE_TRANSPONDER where PRC_ID = :PRC_ID"));
    ReadTransponders(*aPrepRec);
}

void TqeldbPrepareRecordings::SaveTransponders(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to save is needed."));
    TqelQuery& query = SQL();
    // The old rows go only when every new one is stored.
    qel::RunInTransaction(*Database(), [&] {
        qel::CloseAfter(query, [&] {
            query.setText(QStringLiteral("delete from PREPARE_TRANSPONDER where PRC_ID = :PRC_ID"));
            query.SetParamAsInteger(kPRC_ID, aPrepRec->PrcID());
            query.ExecSQL();
            if (aPrepRec->TPCount() == 0) {
                return;
            }
            // Nothing to read: the result only takes the new rows.
            query.setText(QStringLiteral("select * from PREPARE_TRANSPONDER where 0=1"));
            query.Open();
            for (const auto& transponder : aPrepRec->Transponders()) {
                qel::InsertRow(query, *transponder, false);
            }
        });
    });
}

int32_t TqeldbPrepareRecordings::SaveTransponder(TqelPrepareTransponder* aPrepTP) {
    if (!aPrepTP) {
        return 1;
    }
    try {
        qel::SaveRow(SQL(), *aPrepTP, false);
    } catch (const std::exception&) {
        return 1;
    }
    return 0;
}

int32_t TqeldbPrepareRecordings::ChangeAthletesVest(int32_t aPrepID, const QString& aOldVestID,
                                                    const QString& aNewVestID) {
    TqelPrepareRecording scratch(Database());
    TqelQuery& query = SQL();
    query.Clear();
    for (const char* line :
         {"select atp.ATP_DESCRIPTION, prc.* ", "from ", "  AVAILABLE_TRANSPONDERS atp ",
          "join PREPARE_TRANSPONDER prc ", "  on (atp.ATP_ID = prc.ATP_ID) ",
          "where prc.PRC_ID = :PRC_ID and ", "  ATP_DESCRIPTION in (:OLD_VEST_ID, :NEW_VEST_ID)"}) {
        query.AddLine(QString::fromLatin1(line));
    }
    // Labels are typed by the operator: bound, never part of the statement.
    query.SetParamAsInteger(kPRC_ID, aPrepID);
    query.SetParamAsString(QStringLiteral("OLD_VEST_ID"), aOldVestID);
    query.SetParamAsString(QStringLiteral("NEW_VEST_ID"), aNewVestID);
    int32_t oldId = -1;
    int32_t newId = -1;
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            TqelPrepareTransponder* transponder =
                scratch.AddTranponder(query.GetFieldAsInteger(kTP_ID));
            transponder->DataSetToVaruza(query);
            if (transponder->VestID() == aOldVestID) {
                oldId = transponder->ATPid();
            }
            if (transponder->VestID() == aNewVestID) {
                newId = transponder->ATPid();
            }
        }
    });
    if (oldId == -1 || newId == -1) {
        return 2;
    }

    // Each athlete's row is written into the other vest's row: half a swap would leave one
    // athlete on both vests, so both saves stand or fall together.
    try {
        qel::RunInTransaction(*Database(), [&] {
            for (const auto& transponder : scratch.Transponders()) {
                if (transponder->ATPid() == oldId) {
                    transponder->setATPid(newId);
                } else if (transponder->ATPid() == newId) {
                    transponder->setATPid(oldId);
                }
                if (SaveTransponder(transponder.get()) != 0) {
                    throw SaveRefused();
                }
            }
        });
    } catch (const SaveRefused&) {
        return 1;
    }
    return 0;
}

TqelAvailableTransponder* TqeldbPrepareRecordings::GetAvailableByAntenna(int32_t aAntennaID) const {
    TqelAvailableTransponder* found = nullptr;
    for (const auto& row : FAvailableTransponders->AvailableTPs()) {
        if (row->Antenna1ID() == aAntennaID || row->Antenna2ID() == aAntennaID ||
            row->Antenna3ID() == aAntennaID || row->Antenna4ID() == aAntennaID) {
            found = row.get();
        }
    }
    return found;
}

// ---- TqeldbPrepareRecordings: the children of a preparation ---------------------------------

void TqeldbPrepareRecordings::GetExercises(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to fill is needed."));
    FExercises->RetreiveByPreparation(aPrepRec->PrcID(), &aPrepRec->Exercises());
}

void TqeldbPrepareRecordings::SaveExercises(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to save is needed."));
    FExercises->SaveAll(aPrepRec->PrcID(), aPrepRec->Exercises());
}

void TqeldbPrepareRecordings::GetConnectedAgilityTests(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to fill is needed."));
    TqelQuery& query = SQL();
    query.setText(QStringLiteral("select * from PREPARE_AGILITY where PRC_ID = :PRC_ID"));
    query.SetParamAsInteger(kPRC_ID, aPrepRec->PrcID());
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            aPrepRec->AddConnectedAgilityTest(query.GetFieldAsInteger(QStringLiteral("AGL_ID")))
                ->DataSetToVaruza(query);
        }
    });
}

void TqeldbPrepareRecordings::SaveConnectedAgilityTests(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to save is needed."));
    TqelQuery& query = SQL();
    qel::RunInTransaction(*Database(), [&] {
        qel::CloseAfter(query, [&] {
            query.setText(QStringLiteral("delete from PREPARE_AGILITY where PRC_ID = :PRC_ID"));
            query.SetParamAsInteger(kPRC_ID, aPrepRec->PrcID());
            query.ExecSQL();
            if (aPrepRec->AglCount() == 0) {
                return;
            }
            query.setText(QStringLiteral("select * from PREPARE_AGILITY where 0=1"));
            query.Open();
            for (const auto& test : aPrepRec->AgilityTests()) {
                // Rows under another id would outlive the next save of this preparation.
                test->setPrcID(aPrepRec->PrcID());
                qel::InsertRow(query, *test, false);
            }
        });
    });
}

void TqeldbPrepareRecordings::GetCameraSetup(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to fill is needed."));
    FCameras->RetreiveByPreparation(aPrepRec->PrcID(), &aPrepRec->Cameras());
    FSections->RetreiveByPreparation(aPrepRec->PrcID(), &aPrepRec->Sections());
}

void TqeldbPrepareRecordings::SaveCameraSetup(TqelPrepareRecording* aPrepRec) {
    qel::Assert(aPrepRec != nullptr, QStringLiteral("A preparation to save is needed."));
    const int32_t prcID = aPrepRec->PrcID();
    TqelQuery& query = SQL();
    qel::RunInTransaction(*Database(), [&] {
        FCameras->DeleteByPreparation(prcID);
        FSections->DeleteByPreparation(prcID);
        qel::CloseAfter(query, [&] {
            // Rows under another id would outlive the next save of this preparation.
            query.setText(QStringLiteral("select * from PREPARE_SECTION where 0=1"));
            query.Open();
            for (const auto& section : aPrepRec->Sections()) {
                section->setPrcID(prcID);
                qel::InsertRow(query, *section, true);
            }
            query.setText(QStringLiteral("select * from PREPARE_CAMERA where 0=1"));
            query.Open();
            for (const auto& camera : aPrepRec->Cameras()) {
                camera->setPrcID(prcID);
                qel::InsertRow(query, *camera, true);
            }
        });
    });
}
