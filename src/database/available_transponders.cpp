#include "database/available_transponders.h"

#include <algorithm>

#include "database/row_helpers.h"
#include "database/schema.h"
#include "database/transaction_scope.h"

namespace {

const qel::SchemaTable kAvailableTransponderTable(
    "AVAILABLE_TRANSPONDERS",
    {"create table AVAILABLE_TRANSPONDERS (ATP_ID integer not null primary key, ATP_SET_ID "
     "integer, ATP_DESCRIPTION varchar(50) collate nocase, ATP_ANTENNA1_ID integer, "
     "ATP_ANTENNA2_ID integer, ATP_ANTENNA3_ID integer, ATP_ANTENNA4_ID integer, ATP_COMBINED "
     "bit, ATP_ANTENNAS_VISIBLE varchar(50) collate nocase, ATP_ROLE integer, ATP_FORCE_HOSAND "
     "bit, ATP_NMEA_PORT integer, ATP_NMEA_IP varchar(50) collate nocase, ATP_MAC_ADDRESS "
     "varchar(50) collate nocase)",
     "create index AVAILABLE_TRANSPONDERS_ANTENNA1 on AVAILABLE_TRANSPONDERS (ATP_ANTENNA1_ID)"});

const QString kATP_ID = QStringLiteral("ATP_ID");

}  // namespace

// ---- TqelAvailableTransponder ---------------------------------------------------------------

TqelAvailableTransponder::TqelAvailableTransponder(TqelDatabase* AOwner) : TrackedRow(AOwner) {}

void TqelAvailableTransponder::PrepareOpen(TqelQuery& aSQL) {
    aSQL.setText(QStringLiteral("select * from AVAILABLE_TRANSPONDERS"));
}

void TqelAvailableTransponder::OrderBy(TqelQuery& aSQL) {
    TqelDBComponent::OrderBy(aSQL);
    aSQL.AddLine(QStringLiteral("Order by ATP_DESCRIPTION"));
}

void TqelAvailableTransponder::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
}

void TqelAvailableTransponder::PrepareParams(TqelQuery& aSQL) {
    aSQL.Where(kATP_ID, FATPid, true, true);
}

void TqelAvailableTransponder::AfterInsert(TqelQuery& aSQL) {
    TqelDBComponent::AfterInsert(aSQL);
    setATPid(GetPrimaryKey(aSQL, kATP_ID, QStringLiteral("AVAILABLE_TRANSPONDER")));
}

void TqelAvailableTransponder::Delete(TqelQuery& aSQL) {
    TqelDatabase* database = aSQL.Database();
    qel::Assert(database != nullptr, QStringLiteral("A vest is deleted in a database."));
    // A vest gone from its preparations must be gone from the inventory too, and the reverse.
    qel::RunInTransaction(*database, [&] {
        for (const QString& statement :
             {QStringLiteral("delete from PREPARE_TRANSPONDER where ATP_ID = :ATP_ID"),
              QStringLiteral("delete from AVAILABLE_TRANSPONDERS where ATP_ID = :ATP_ID")}) {
            aSQL.setText(statement);
            aSQL.SetParamAsInteger(kATP_ID, FATPid);
            aSQL.ExecSQL();
        }
    });
}

void TqelAvailableTransponder::DataSetToVaruza(TqelQuery& aSQL) {
    setATPid(aSQL.GetFieldAsInteger(kATP_ID));
    setSetId(aSQL.GetFieldAsInteger(QStringLiteral("ATP_SET_ID")));
    setDescription(aSQL.GetFieldAsString(QStringLiteral("ATP_DESCRIPTION")));
    setAntenna1ID(aSQL.GetFieldAsInteger(QStringLiteral("ATP_ANTENNA1_ID")));
    setAntenna2ID(aSQL.GetFieldAsInteger(QStringLiteral("ATP_ANTENNA2_ID")));
    setAntenna3ID(aSQL.GetFieldAsInteger(QStringLiteral("ATP_ANTENNA3_ID")));
    setAntenna4ID(aSQL.GetFieldAsInteger(QStringLiteral("ATP_ANTENNA4_ID")));
    setCombined(aSQL.GetFieldAsBoolean(QStringLiteral("ATP_COMBINED")));
    setAntennasVisible(aSQL.GetFieldAsString(QStringLiteral("ATP_ANTENNAS_VISIBLE")));
    setTPRole(aSQL.GetFieldAsInteger(QStringLiteral("ATP_ROLE")));
    setForceHosand(aSQL.GetFieldAsBoolean(QStringLiteral("ATP_FORCE_HOSAND")));
    setNMEAPort(aSQL.GetFieldAsInteger(QStringLiteral("ATP_NMEA_PORT")));
    setNMEAIP(aSQL.GetFieldAsString(QStringLiteral("ATP_NMEA_IP")));
    setMACAddress(aSQL.GetFieldAsString(QStringLiteral("ATP_MAC_ADDRESS")));
    setModified(false);
}

void TqelAvailableTransponder::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsInteger(kATP_ID, FATPid);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("ATP_SET_ID"), FSetId);
    aSQL.SetFieldAsString(QStringLiteral("ATP_DESCRIPTION"), FDescription);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("ATP_ANTENNA1_ID"), FAntenna1ID);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("ATP_ANTENNA2_ID"), FAntenna2ID);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("ATP_ANTENNA3_ID"), FAntenna3ID);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("ATP_ANTENNA4_ID"), FAntenna4ID);
    aSQL.SetFieldAsBoolean(QStringLiteral("ATP_COMBINED"), FCombined);
    aSQL.SetFieldAsString(QStringLiteral("ATP_ANTENNAS_VISIBLE"), FAntennasVisible);
    aSQL.SetFieldAsIntegerReq(QStringLiteral("ATP_ROLE"), FTPRole);
    aSQL.SetFieldAsBoolean(QStringLiteral("ATP_FORCE_HOSAND"), FForceHosand);
    aSQL.SetFieldAsInteger(QStringLiteral("ATP_NMEA_PORT"), FNMEAPort);
    aSQL.SetFieldAsString(QStringLiteral("ATP_NMEA_IP"), FNMEAIP);
    aSQL.SetFieldAsString(QStringLiteral("ATP_MAC_ADDRESS"), FMACAddress);
}

// ---- TqeldbAvailableTransponders ------------------------------------------------------------

TqeldbAvailableTransponders::TqeldbAvailableTransponders(TqelDatabase* aDatabase)
    : TqelDatabaseVaruza(aDatabase) {}

void TqeldbAvailableTransponders::GetAll() {
    FAvailableTPs.clear();
    qel::CloseAfter(SQL(), [this] {
        Open(TqelDBComponentClass::Of<TqelAvailableTransponder>());
        for (; !SQL().Eof(); SQL().Next()) {
            FAvailableTPs.push_back(std::make_unique<TqelAvailableTransponder>(Database()));
            FAvailableTPs.back()->DataSetToVaruza(SQL());
        }
    });
}

TqelAvailableTransponder* TqeldbAvailableTransponders::AddAvailableTP() {
    FAvailableTPs.push_back(std::make_unique<TqelAvailableTransponder>(Database()));
    TqelAvailableTransponder* row = FAvailableTPs.back().get();
    row->setModified(true);
    return row;
}

TqelAvailableTransponder* TqeldbAvailableTransponders::GetAvailableTP(int aIndex) const {
    return qel::RowAt(FAvailableTPs, aIndex);
}

TqelAvailableTransponder* TqeldbAvailableTransponders::GetATPByID(int32_t aATPID) const {
    for (const auto& row : FAvailableTPs) {
        if (row->ATPid() == aATPID) {
            return row.get();
        }
    }
    return nullptr;
}

TqelAvailableTransponder* TqeldbAvailableTransponders::GetATPByDescription(
    const QString& aDescription) const {
    for (const auto& row : FAvailableTPs) {
        if (row->Description() == aDescription) {
            return row.get();
        }
    }
    return nullptr;
}

TqelAvailableTransponder* TqeldbAvailableTransponders::GetATPByAntenna1ID(
    int32_t aAntennaID) const {
    for (const auto& row : FAvailableTPs) {
        if (row->Antenna1ID() == aAntennaID) {
            return row.get();
        }
    }
    return nullptr;
}

int TqeldbAvailableTransponders::ATPindexByTP(int32_t aTP, int aFromIndex) const {
    if (aFromIndex >= Count()) {
        return -1;
    }
    qel::CheckRowIndex(aFromIndex, Count());
    for (int i = aFromIndex; i < Count(); ++i) {
        if (FAvailableTPs[static_cast<size_t>(i)]->AntennaTP() == aTP) {
            return i;
        }
    }
    return -1;
}

void TqeldbAvailableTransponders::DeleteATPByID(int32_t aATPID) {
    const auto found = std::find_if(FAvailableTPs.begin(), FAvailableTPs.end(),
                                    [aATPID](const auto& aRow) { return aRow->ATPid() == aATPID; });
    if (found == FAvailableTPs.end()) {
        return;
    }
    (*found)->Delete(SQL());
    FAvailableTPs.erase(found);
}

void TqeldbAvailableTransponders::SaveATPMacAddress(int32_t aATPID, const QString& aMacAddress) {
    TqelQuery& query = SQL();
    query.setText(
        QStringLiteral("update AVAILABLE_TRANSPONDERS set ATP_MAC_ADDRESS = :ATP_MAC_ADDRESS "
                       "where ATP_ID = :ATP_ID"));
    query.SetParamAsString(QStringLiteral("ATP_MAC_ADDRESS"), aMacAddress);
    query.SetParamAsInteger(kATP_ID, aATPID);
    query.ExecSQL();
}
