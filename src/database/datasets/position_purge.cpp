#include "database/datasets/position_purge.h"

#include "database/datasets/dataset_analyzing.h"
#include "database/row_helpers.h"
#include "database/schema.h"

namespace {

// Written by other programs; only DTS_ID, the packed date of the dataset, is relied on here.
const qel::SchemaTable kPositionsTable("POSITIONS",
                                       {"create table POSITIONS (DTS_ID integer)",
                                        "create index POSITIONS_DATASET on POSITIONS (DTS_ID)"});

}  // namespace

TqeldbRemoveOldPositionData::TqeldbRemoveOldPositionData(TqelDatabase* aDatabase)
    : FDatabase(aDatabase) {
    qel::Assert(aDatabase != nullptr, QStringLiteral("The position purge needs a database."));
    FSQL = std::make_unique<TqelQuery>(aDatabase->Connection());
}

TqeldbRemoveOldPositionData::~TqeldbRemoveOldPositionData() = default;

int32_t TqeldbRemoveOldPositionData::Execute(TqelDatabase* aDatabase, TDateTime aBeforeDate,
                                             bool aTruncateOnly) {
    return TqeldbRemoveOldPositionData(aDatabase).Purge(aBeforeDate, aTruncateOnly);
}

int32_t TqeldbRemoveOldPositionData::Purge(TDateTime aBeforeDate, bool aTruncateOnly) {
    TqelQuery& query = *FSQL;
    // Dataset keys are packed file dates, so the date packed the same way compares with them.
    const int32_t before = DateTimeToFileDate(aBeforeDate);
    bool hasRows = false;
    int32_t newest = 0;
    query.setText(QStringLiteral("select top 1 * from POSITIONS order by DTS_ID desc"));
    qel::CloseAfter(query, [&] {
        query.Open();
        hasRows = !query.Eof();
        newest = query.GetFieldAsInteger(QStringLiteral("DTS_ID"));
    });
    int32_t affected = 0;
    if (hasRows && newest < before) {
        try {
            query.setText(QStringLiteral("truncate table POSITIONS"));
            affected = query.ExecSQL();
        } catch (const EDatabaseError&) {
            if (aTruncateOnly) {
                throw;
            }
            query.setText(QStringLiteral("delete from POSITIONS"));
            affected = query.ExecSQL();
        }
    } else if (hasRows && !aTruncateOnly) {
        query.setText(QStringLiteral("delete from POSITIONS where DTS_ID < :DTS_ID"));
        query.SetParamAsInteger(QStringLiteral("DTS_ID"), before);
        affected = query.ExecSQL();
    }
    TqeldbDatasetAnalyzing::RemoveRecordingDatasets(FDatabase);
    return affected;
}
