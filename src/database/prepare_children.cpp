#include "database/prepare_children.h"

#include "database/row_helpers.h"
#include "database/transaction_scope.h"
#include "platform/exception.h"

namespace {

const QString kPRC_ID = QStringLiteral("PRC_ID");
const QString kEXN_ID = QStringLiteral("EXN_ID");
const QString kAGL_ID = QStringLiteral("AGL_ID");
const QString kPRS_ID = QStringLiteral("PRS_ID");
const QString kCAM_INDEX = QStringLiteral("CAM_INDEX");
const QString kCamerasOfPreparation = QStringLiteral(
    "select * from PREPARE_CAMERA where PRC_ID = :PRC_ID order by PRS_ID, PCM_ORDER");

// Runs a delete by preparation and key, as each child row's Delete does.
void DeleteByKeys(TqelQuery& aSQL, const QString& aTable, int32_t aPrcID, const QString& aKey,
                  int32_t aKeyValue) {
    aSQL.setText(
        QStringLiteral("delete from %1 where PRC_ID = :PRC_ID and %2 = :%2").arg(aTable, aKey));
    aSQL.SetParamAsInteger(kPRC_ID, aPrcID);
    aSQL.SetParamAsInteger(aKey, aKeyValue);
    aSQL.ExecSQL();
}

void DeleteOfPreparation(TqelQuery& aSQL, const QString& aTable, int32_t aPrcID) {
    aSQL.setText(QStringLiteral("delete from %1 where PRC_ID = :PRC_ID").arg(aTable));
    aSQL.SetParamAsInteger(kPRC_ID, aPrcID);
    aSQL.ExecSQL();
}

// Loads the rows that aStatement selects for aPrcID through the accessor's OpenList.
template <class T>
void LoadOfPreparation(TqelGenericDatabaseVaruza<T>& anAccessor, const QString& aStatement,
                       int32_t aPrcID, typename TqelGenericDatabaseVaruza<T>::TVaruzaList* aList) {
    TqelQuery& query = anAccessor.SQL();
    query.setText(aStatement);
    query.SetParamAsInteger(kPRC_ID, aPrcID);
    qel::CloseAfter(query, [&] { anAccessor.OpenList(aList); });
}

}  // namespace

// ---- TqelDBPrepareExercise ------------------------------------------------------------------

void TqelDBPrepareExercise::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from PREPARE_EXERCISES"));
}

void TqelDBPrepareExercise::PrepareParams(TqelQuery& aSQL) {
    aSQL.Where(kPRC_ID, FPrcID, true, false);
    aSQL.Where(kEXN_ID, FExnID, true, false);
}

void TqelDBPrepareExercise::Delete(TqelQuery& aSQL) {
    DeleteByKeys(aSQL, QStringLiteral("PREPARE_EXERCISES"), FPrcID, kEXN_ID, FExnID);
}

void TqelDBPrepareExercise::DataSetToVaruza(TqelQuery& aSQL) {
    FPrcID = aSQL.GetFieldAsInteger(kPRC_ID);
    FExnID = aSQL.GetFieldAsInteger(kEXN_ID);
    FOrder = aSQL.GetFieldAsInteger(QStringLiteral("PRE_ORDER"));
    FDescription = aSQL.GetFieldAsString(QStringLiteral("EXN_NAME"));
    FExpectedParts = aSQL.GetFieldAsInteger(QStringLiteral("PRE_EXPECTED_PARTS"));
}

void TqelDBPrepareExercise::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsIntegerReq(kPRC_ID, FPrcID);
    aSQL.SetFieldAsIntegerReq(kEXN_ID, FExnID);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("PRE_ORDER"), FOrder);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("PRE_EXPECTED_PARTS"), FExpectedParts);
}

// ---- TqelConnectedAgilityTest ---------------------------------------------------------------

void TqelConnectedAgilityTest::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from PREPARE_AGILITY"));
}

void TqelConnectedAgilityTest::PrepareParams(TqelQuery& aSQL) {
    aSQL.Where(kPRC_ID, FPrcID, true, false);
    aSQL.Where(kAGL_ID, FAglID, true, false);
}

void TqelConnectedAgilityTest::Delete(TqelQuery& aSQL) {
    DeleteByKeys(aSQL, QStringLiteral("PREPARE_AGILITY"), FPrcID, kAGL_ID, FAglID);
}

void TqelConnectedAgilityTest::DataSetToVaruza(TqelQuery& aSQL) {
    FPrcID = aSQL.GetFieldAsInteger(kPRC_ID);
    FAglID = aSQL.GetFieldAsInteger(kAGL_ID);
}

void TqelConnectedAgilityTest::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kPRC_ID, FPrcID);
    aSQL.SetFieldAsIntegerReq(kAGL_ID, FAglID);
}

// ---- TqelPrepareCamera ----------------------------------------------------------------------

void TqelPrepareCamera::Assign(const TqelPrepareCamera& Value) {
    setPrcID(Value.PrcID());
    setCamIndex(Value.CamIndex());
    setFollowOrder(Value.FollowOrder());
    setPrsID(Value.PrsID());
    setLineFinish(Value.LineFinish());
    setLineStart(Value.LineStart());
    setLineFinishDirection(Value.LineFinishDirection());
    setLineStartDirection(Value.LineStartDirection());
}

void TqelPrepareCamera::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from PREPARE_CAMERA"));
}

void TqelPrepareCamera::PrepareParams(TqelQuery& aSQL) {
    aSQL.Where(kPRC_ID, FPrcID, true, false);
    aSQL.Where(kCAM_INDEX, FCamIndex, true, false);
}

void TqelPrepareCamera::Delete(TqelQuery& aSQL) {
    DeleteByKeys(aSQL, QStringLiteral("PREPARE_CAMERA"), FPrcID, kCAM_INDEX, FCamIndex);
}

void TqelPrepareCamera::DataSetToVaruza(TqelQuery& aSQL) {
    setPrcID(aSQL.GetFieldAsInteger(kPRC_ID));
    setCamIndex(aSQL.GetFieldAsInteger(kCAM_INDEX));
    setFollowOrder(aSQL.GetFieldAsInteger(QStringLiteral("PCM_ORDER")));
    setPrsID(aSQL.GetFieldAsInteger(kPRS_ID));
    setLineStart(aSQL.GetFieldAsString(QStringLiteral("PCM_LINE_START")));
    setLineStartDirection(aSQL.GetFieldAsInteger(QStringLiteral("PCM_LINE_START_DIRECTION")));
    setLineFinish(aSQL.GetFieldAsString(QStringLiteral("PCM_LINE_FINISH")));
    setLineFinishDirection(aSQL.GetFieldAsInteger(QStringLiteral("PCM_LINE_FINISH_DIRECTION")));
}

void TqelPrepareCamera::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kPRC_ID, FPrcID);
    aSQL.SetFieldAsIntegerReq(kCAM_INDEX, FCamIndex);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("PCM_ORDER"), FFollowOrder);
    aSQL.SetFieldAsIntegerReq(kPRS_ID, FPrsID);
    aSQL.SetFieldAsString(QStringLiteral("PCM_LINE_START"), FLineStart);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("PCM_LINE_START_DIRECTION"), FLineStartDirection);
    aSQL.SetFieldAsString(QStringLiteral("PCM_LINE_FINISH"), FLineFinish);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("PCM_LINE_FINISH_DIRECTION"), FLineFinishDirection);
}

// ---- TqelPrepareSection ---------------------------------------------------------------------

TqelPrepareCamera* TqelPrepareSection::AddCamera(const TqelPrepareCamera& aPrepCam) {
    FCameras.push_back(std::make_unique<TqelPrepareCamera>(Owner()));
    FCameras.back()->Assign(aPrepCam);
    return FCameras.back().get();
}

int32_t TqelPrepareSection::CameraFollowOrder(int aIndex) const {
    return qel::RowAt(FCameras, aIndex)->FollowOrder();
}

uint8_t TqelPrepareSection::CameraIndex(int aIndex) const {
    return static_cast<uint8_t>(qel::RowAt(FCameras, aIndex)->CamIndex());
}

void TqelPrepareSection::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from PREPARE_SECTION"));
}

void TqelPrepareSection::PrepareParams(TqelQuery& aSQL) {
    aSQL.Where(kPRC_ID, FPrcID, true, false);
    aSQL.Where(kPRS_ID, FPrsID, true, false);
}

void TqelPrepareSection::Delete(TqelQuery& aSQL) {
    DeleteByKeys(aSQL, QStringLiteral("PREPARE_SECTION"), FPrcID, kPRS_ID, FPrsID);
}

void TqelPrepareSection::DataSetToVaruza(TqelQuery& aSQL) {
    setPrcID(aSQL.GetFieldAsInteger(kPRC_ID));
    setPrsID(aSQL.GetFieldAsInteger(kPRS_ID));
    setTimeToAddMS(aSQL.GetFieldAsInteger(QStringLiteral("PRS_TIME_PRIOR_MS")));
    setDescription(aSQL.GetFieldAsString(QStringLiteral("PRS_DESCRIPTION")));
}

void TqelPrepareSection::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kPRC_ID, FPrcID);
    aSQL.SetFieldAsIntegerReq(kPRS_ID, FPrsID);
    aSQL.SetFieldAsString(QStringLiteral("PRS_DESCRIPTION"), FDescription);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("PRS_TIME_PRIOR_MS"), FTimeToAddMS);
}

// ---- TqelDBPrepareExercises -----------------------------------------------------------------

void TqelDBPrepareExercises::DeleteByPreparation(int32_t aPrcID) {
    DeleteOfPreparation(SQL(), QStringLiteral("PREPARE_EXERCISES"), aPrcID);
}

void TqelDBPrepareExercises::RetreiveByPreparation(int32_t aPrcID, TVaruzaList* aList) {
    TqelQuery& query = SQL();
    query.Clear();
    query.AddLine(QStringLiteral("select prc.*, exn.EXN_NAME from PREPARE_EXERCISES prc"));
    query.AddLine(QStringLiteral(" inner join EXERCISE_NAMES exn on (prc.EXN_ID = exn.EXN_ID)"));
    query.AddLine(QStringLiteral("where prc.PRC_ID = :PRC_ID order by PRE_ORDER"));
    query.SetParamAsInteger(kPRC_ID, aPrcID);
    qel::CloseAfter(query, [&] { OpenList(aList); });
}

void TqelDBPrepareExercises::SaveAll(int32_t aPrcID, const TVaruzaList& aList) {
    TqelQuery& query = SQL();
    // The old rows go only when every new one is stored.
    qel::RunInTransaction(*Database(), [&] {
        qel::CloseAfter(query, [&] {
            DeleteByPreparation(aPrcID);
            query.setText(QStringLiteral("select * from PREPARE_EXERCISES where PRC_ID = :PRC_ID"));
            query.SetParamAsInteger(kPRC_ID, aPrcID);
            query.Open();
            for (const auto& exercise : aList) {
                exercise->setPrcID(aPrcID);
                qel::InsertRow(query, *exercise, false);
            }
        });
    });
}

// ---- TqelPrepareCameras ---------------------------------------------------------------------

void TqelPrepareCameras::DeleteByPreparation(int32_t aPrcID) {
    DeleteOfPreparation(SQL(), QStringLiteral("PREPARE_CAMERA"), aPrcID);
}

void TqelPrepareCameras::RetreiveByPreparation(int32_t aPrcID, TVaruzaList* aList) {
    LoadOfPreparation(*this, kCamerasOfPreparation, aPrcID, aList);
}

// ---- TqelPrepareSections --------------------------------------------------------------------

void TqelPrepareSections::DeleteByPreparation(int32_t aPrcID) {
    DeleteOfPreparation(SQL(), QStringLiteral("PREPARE_SECTION"), aPrcID);
}

void TqelPrepareSections::RetreiveByPreparation(int32_t aPrcID, TVaruzaList* aList) {
    LoadOfPreparation(*this, QStringLiteral("select * from PREPARE_SECTION where PRC_ID = :PRC_ID"),
                      aPrcID, aList);
    if (aPrcID == 0) {
        return;
    }
    TVaruzaList& sections = aList ? *aList : VaruzaList();
    TqelPrepareCameras cameras(Database());
    cameras.RetreiveByPreparation(aPrcID, nullptr);
    // Cameras come by follow order, so each section lists its cameras in turn.
    for (const auto& camera : cameras.VaruzaList()) {
        for (const auto& section : sections) {
            if (section->PrsID() == camera->PrsID()) {
                section->AddCamera(*camera);
            }
        }
    }
}
