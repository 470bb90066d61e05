#include "database/measurement_pitches.h"

#include <algorithm>

#include "database/row_helpers.h"
#include "database/schema.h"

namespace {

const qel::SchemaTable kPitchTable(
    "MEASUREMENT_PITCH",
    {"create table MEASUREMENT_PITCH (MPT_ID integer not null primary key, MPT_DESCRIPTION "
     "varchar(100) collate nocase, MPT_ACTIVE bit)"});
const qel::SchemaTable kServerTable(
    "MEASUREMENT_SERVER",
    {"create table MEASUREMENT_SERVER (MSR_ID integer not null primary key, MSR_DESCRIPTION "
     "varchar(100) collate nocase, MSR_IPADDRESS varchar(50) collate nocase, MSR_PORTNUMBER "
     "integer, MSR_DEFAULT_PITCH_ID integer)"});
const qel::SchemaTable kServerPitchTable(
    "MEASUREMENT_SRV_PITCH",
    {"create table MEASUREMENT_SRV_PITCH (MSR_ID integer not null, MPT_ID integer not null, "
     "primary key (MSR_ID, MPT_ID))"});

const QString kMPT_ID = QStringLiteral("MPT_ID");
const QString kMSR_ID = QStringLiteral("MSR_ID");

}  // namespace

// ---- TqelMeasurementPitch -------------------------------------------------------------------

TqelMeasurementPitch::TqelMeasurementPitch(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqelMeasurementPitch::setDescription(const QString& aValue) {
    qel::StoreChanged(FDescription, aValue, [this] { setModified(true); });
}

void TqelMeasurementPitch::setActive(bool aValue) {
    qel::StoreChanged(FActive, aValue, [this] { setModified(true); });
}

void TqelMeasurementPitch::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
    aSQL.Where(kMPT_ID, FMPTid, true, true);
}

void TqelMeasurementPitch::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from MEASUREMENT_PITCH"));
}

void TqelMeasurementPitch::Delete(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("delete from MEASUREMENT_PITCH where MPT_ID = :MPT_ID"));
    aSQL.SetParamAsInteger(kMPT_ID, FMPTid);
    aSQL.ExecSQL();
}

void TqelMeasurementPitch::AfterInsert(TqelQuery& aSQL) {
    TqelDBComponent::AfterInsert(aSQL);
    if (FMPTid != 0) {
        FMPTid = GetPrimaryKey(aSQL, kMPT_ID, QStringLiteral("MEASUREMENT_PITCH"));
    }
}

bool TqelMeasurementPitch::InsertPending() const {
    return TqelDBComponent::InsertPending() && FMPTid != 0;
}

void TqelMeasurementPitch::PrepareParams(TqelQuery& aSQL) {
    aSQL.Where(kMPT_ID, FMPTid, true, true);
}

void TqelMeasurementPitch::DataSetToVaruza(TqelQuery& aSQL) {
    setInsertPending(false);
    setMPTid(aSQL.GetFieldAsInteger(kMPT_ID));
    setDescription(aSQL.GetFieldAsString(QStringLiteral("MPT_DESCRIPTION")));
    setActive(aSQL.GetFieldAsBoolean(QStringLiteral("MPT_ACTIVE")));
}

void TqelMeasurementPitch::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsIntegerReq(kMPT_ID, FMPTid);
    aSQL.SetFieldAsString(QStringLiteral("MPT_DESCRIPTION"), FDescription);
    aSQL.SetFieldAsBoolean(QStringLiteral("MPT_ACTIVE"), FActive);
}

// ---- TqelMeasurementServer ------------------------------------------------------------------

TqelMeasurementServer::TqelMeasurementServer(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqelMeasurementServer::setMSRid(int32_t aValue) {
    qel::StoreChanged(FMSRid, aValue, [this] { setModified(true); });
}

void TqelMeasurementServer::setDescription(const QString& aValue) {
    qel::StoreChanged(FDescription, aValue, [this] { setModified(true); });
}

void TqelMeasurementServer::setIPAddress(const QString& aValue) {
    qel::StoreChanged(FIPAddress, aValue, [this] { setModified(true); });
}

void TqelMeasurementServer::setPortNumber(int32_t aValue) {
    qel::StoreChanged(FPortNumber, aValue, [this] { setModified(true); });
}

void TqelMeasurementServer::setDefaultPitchID(int32_t aValue) {
    qel::StoreChanged(FDefaultPitchID, aValue, [this] { setModified(true); });
}

void TqelMeasurementServer::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
    aSQL.Where(kMSR_ID, FMSRid, true, true);
}

void TqelMeasurementServer::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from MEASUREMENT_SERVER"));
}

void TqelMeasurementServer::Delete(TqelQuery& aSQL) {
    for (const QString& statement :
         {QStringLiteral("delete from MEASUREMENT_SRV_PITCH where MSR_ID = :MSR_ID"),
          QStringLiteral("delete from MEASUREMENT_SERVER where MSR_ID = :MSR_ID")}) {
        aSQL.setText(statement);
        aSQL.SetParamAsInteger(kMSR_ID, FMSRid);
        aSQL.ExecSQL();
    }
}

void TqelMeasurementServer::AfterInsert(TqelQuery& aSQL) {
    TqelDBComponent::AfterInsert(aSQL);
    setMSRid(GetPrimaryKey(aSQL, kMSR_ID, QStringLiteral("MEASUREMENT_SERVER")));
}

void TqelMeasurementServer::PrepareParams(TqelQuery& aSQL) {
    aSQL.Where(kMSR_ID, FMSRid, true, true);
}

void TqelMeasurementServer::DataSetToVaruza(TqelQuery& aSQL) {
    setMSRid(aSQL.GetFieldAsInteger(kMSR_ID));
    setDescription(aSQL.GetFieldAsString(QStringLiteral("MSR_DESCRIPTION")));
    setIPAddress(aSQL.GetFieldAsString(QStringLiteral("MSR_IPADDRESS")));
    setPortNumber(aSQL.GetFieldAsInteger(QStringLiteral("MSR_PORTNUMBER")));
    setDefaultPitchID(aSQL.GetFieldAsInteger(QStringLiteral("MSR_DEFAULT_PITCH_ID")));
}

void TqelMeasurementServer::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsIntegerReq(kMSR_ID, FMSRid);
    aSQL.SetFieldAsString(QStringLiteral("MSR_DESCRIPTION"), FDescription);
    aSQL.SetFieldAsString(QStringLiteral("MSR_IPADDRESS"), FIPAddress);
    aSQL.SetFieldAsInteger(QStringLiteral("MSR_PORTNUMBER"), FPortNumber);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("MSR_DEFAULT_PITCH_ID"), FDefaultPitchID);
}

// ---- TqelDBMeasurementPitches ---------------------------------------------------------------

TqelDBMeasurementPitches::TqelDBMeasurementPitches(TqelDatabase* aDatabase)
    : TqelDatabaseVaruza(aDatabase) {}

void TqelDBMeasurementPitches::ReadPitches() {
    SQL().Open();
    for (; !SQL().Eof(); SQL().Next()) {
        AddMeasurementPitch()->DataSetToVaruza(SQL());
    }
}

void TqelDBMeasurementPitches::GetAll(bool aActiveOnly) {
    Clear();
    TqelQuery& query = SQL();
    TqelMeasurementPitch::PrepareOpen(query);
    if (aActiveOnly) {
        query.Where(QStringLiteral("MPT_ACTIVE"), true, true);
    }
    query.AddLine(QStringLiteral("order by MPT_DESCRIPTION"));
    qel::CloseAfter(query, [this] { ReadPitches(); });
    int32_t highest = 0;
    for (const auto& pitch : FPitches) {
        highest = std::max(highest, pitch->MPTid());
    }
    FNextLocalID = highest + 1;
}

void TqelDBMeasurementPitches::GetByServer(int32_t aMSRID) {
    FPitches.clear();
    TqelQuery& query = SQL();
    query.setText(
        QStringLiteral("Select * from MEASUREMENT_PITCH where MPT_ID in (select MPT_ID from "
                       "MEASUREMENT_SRV_PITCH where MSR_ID = :MSR_ID)"));
    query.AddLine(QStringLiteral("order by MPT_DESCRIPTION"));
    query.SetParamAsInteger(kMSR_ID, aMSRID);
    qel::CloseAfter(query, [this] { ReadPitches(); });
}

TqelMeasurementPitch* TqelDBMeasurementPitches::AddMeasurementPitch() {
    FPitches.push_back(std::make_unique<TqelMeasurementPitch>(Database()));
    TqelMeasurementPitch* pitch = FPitches.back().get();
    pitch->setMPTid(FNextLocalID++);
    pitch->setInsertPending(true);
    return pitch;
}

void TqelDBMeasurementPitches::Clear() {
    FPitches.clear();
    FNextLocalID = 1;
}

TqelMeasurementPitch* TqelDBMeasurementPitches::GetMPT(int aIndex) const {
    return qel::RowAt(FPitches, aIndex);
}

void TqelDBMeasurementPitches::DeleteByIndex(int aIndex) {
    GetMPT(aIndex)->Delete(SQL());
    FPitches.erase(FPitches.begin() + aIndex);
}

TqelMeasurementPitch* TqelDBMeasurementPitches::PitchByID(int32_t aMPTid) const {
    for (const auto& pitch : FPitches) {
        if (pitch->MPTid() == aMPTid) {
            return pitch.get();
        }
    }
    return nullptr;
}

TqelMeasurementPitch* TqelDBMeasurementPitches::PitchByDescription(
    const QString& aDescription) const {
    for (const auto& pitch : FPitches) {
        if (pitch->Description().compare(aDescription, Qt::CaseInsensitive) == 0) {
            return pitch.get();
        }
    }
    return nullptr;
}

// ---- TqelDBMeasurementServers ---------------------------------------------------------------

TqelDBMeasurementServers::TqelDBMeasurementServers(TqelDatabase* aDatabase)
    : TqelDatabaseVaruza(aDatabase) {}

void TqelDBMeasurementServers::GetAll() {
    FServers.clear();
    TqelQuery& query = SQL();
    TqelMeasurementServer::PrepareOpen(query);
    qel::CloseAfter(query, [&] {
        query.Open();
        for (; !query.Eof(); query.Next()) {
            AddMeasurementServer()->DataSetToVaruza(query);
        }
    });
}

void TqelDBMeasurementServers::GetByUser(int32_t aUserID) {
    GetAll();
}

TqelMeasurementServer* TqelDBMeasurementServers::AddMeasurementServer() {
    FServers.push_back(std::make_unique<TqelMeasurementServer>(Database()));
    return FServers.back().get();
}

TqelMeasurementServer* TqelDBMeasurementServers::GetMSR(int aIndex) const {
    return qel::RowAt(FServers, aIndex);
}

void TqelDBMeasurementServers::DeleteByIndex(int aIndex) {
    GetMSR(aIndex)->Delete(SQL());
    FServers.erase(FServers.begin() + aIndex);
}

TqelMeasurementServer* TqelDBMeasurementServers::ServerByID(int32_t aMSRid) const {
    for (const auto& server : FServers) {
        if (server->MSRid() == aMSRid) {
            return server.get();
        }
    }
    return nullptr;
}

TqelMeasurementServer* TqelDBMeasurementServers::ServerByIP(const QString& aIP) const {
    for (const auto& server : FServers) {
        if (server->IPAddress() == aIP) {
            return server.get();
        }
    }
    return nullptr;
}
