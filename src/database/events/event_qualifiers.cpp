#include "database/events/event_qualifiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include "database/row_helpers.h"
#include "foundation/system/relative_paths.h"
#include "foundation/text_utils.h"
#include "platform/ansi_codec.h"
#include "platform/crash_reporter.h"
#include "platform/date_time.h"

namespace {

const QString kEVT_ID = QStringLiteral("EVT_ID");
const QString kQLF_ID = QStringLiteral("QLF_ID");
const QString kEVTS_ID = QStringLiteral("EVTS_ID");
const QString kEVTT_ID = QStringLiteral("EVTT_ID");
const QString kEQ_VALUE = QStringLiteral("EQ_VALUE");

// Windows-1252 lines with CRLF ends, as a person replaying the statement on Windows reads it.
void SaveFailedStatement(const QStringList& aLines) {
    QSaveFile file(TqeldbEventQualifiers::ErrorFileName(Now()));
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    QString text;
    for (const QString& line : aLines) {
        text += line + QStringLiteral("\r\n");
    }
    // A value's own line breaks become line ends of the file too.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    text.replace(u'\n', QStringLiteral("\r\n"));
    file.write(qel::ToWindows1252(text));
    file.commit();
}

}  // namespace

// ---- TqeldbEventQualifier -------------------------------------------------------------------

TqeldbEventQualifier::TqeldbEventQualifier(TqelDatabase* AOwner) : TqelDBComponent(AOwner) {}

void TqeldbEventQualifier::setEvtID(int32_t aValue) {
    qel::StoreChanged(FEvtID, aValue, [this] { setModified(true); });
}

void TqeldbEventQualifier::setQlfID(int32_t aValue) {
    qel::StoreChanged(FQlfID, aValue, [this] { setModified(true); });
}

void TqeldbEventQualifier::setSourceID(int32_t aValue) {
    qel::StoreChanged(FSourceID, aValue, [this] { setModified(true); });
}

void TqeldbEventQualifier::setTypeID(int32_t aValue) {
    qel::StoreChanged(FTypeID, aValue, [this] { setModified(true); });
}

void TqeldbEventQualifier::setValue(const QString& aValue) {
    qel::StoreChanged(FValue, aValue, [this] { setModified(true); });
}

void TqeldbEventQualifier::PrepareSave(TqelQuery& aSQL) {
    PrepareOpen(aSQL);
}

void TqeldbEventQualifier::PrepareOpen(TqelQuery& aSQL) {
    // Nothing is ever selected: a save always appends.
    aSQL.setText(QStringLiteral("select * from EVENT_QUALIFIERS where 0=1"));
}

void TqeldbEventQualifier::DataSetToVaruza(TqelQuery& aSQL) {
    setEvtID(aSQL.GetFieldAsInteger(kEVT_ID));
    setQlfID(aSQL.GetFieldAsInteger(kQLF_ID));
    setSourceID(aSQL.GetFieldAsInteger(kEVTS_ID));
    setTypeID(aSQL.GetFieldAsInteger(kEVTT_ID));
    setValue(aSQL.GetFieldAsString(kEQ_VALUE));
}

void TqeldbEventQualifier::VaruzaToDataSet(TqelQuery& aSQL) {
    aSQL.SetFieldAsIntegerReq(kEVT_ID, FEvtID);
    aSQL.SetFieldAsIntegerReq(kQLF_ID, FQlfID);
    aSQL.SetFieldAsIntegerReq(kEVTT_ID, FTypeID);
    aSQL.SetFieldAsString(kEQ_VALUE, FValue);
    aSQL.SetFieldAsIntegerReq(kEVTS_ID, FSourceID);
}

QString TqeldbEventQualifier::StoredValue() const {
    return qel::Trim(FValue.left(kValueSize));
}

QString TqeldbEventQualifier::InsertValuesText() const {
    return QStringLiteral("( %1, %2, %3, %4, %5)")
        .arg(FEvtID)
        .arg(FQlfID)
        .arg(FTypeID)
        .arg(qel::SqlTextLiteral(StoredValue()))
        .arg(FSourceID);
}

qel::BoundRow TqeldbEventQualifier::InsertValues() const {
    return {qlonglong{FEvtID}, qlonglong{FQlfID}, qlonglong{FTypeID}, StoredValue(),
            qlonglong{FSourceID}};
}

// ---- TqeldbEventQualifiers ------------------------------------------------------------------

TqeldbEventQualifier* TqeldbEventQualifiers::Add(int32_t aEventID, int32_t aQualifierID,
                                                 int32_t aTypeID, int32_t aSourceID,
                                                 const QString& aValue) {
    TqeldbEventQualifier* row = AddVaruza();
    row->setEvtID(aEventID);
    row->setQlfID(aQualifierID);
    row->setTypeID(aTypeID);
    row->setSourceID(aSourceID);
    row->setValue(aValue);
    return row;
}

const QStringList& TqeldbEventQualifiers::InsertHead() {
    static const QStringList head = {QStringLiteral("insert into EVENT_QUALIFIERS ("),
                                     QStringLiteral("  EVT_ID, "),
                                     QStringLiteral("  QLF_ID, "),
                                     QStringLiteral("  EVTT_ID, "),
                                     QStringLiteral("  EQ_VALUE, "),
                                     QStringLiteral("  EVTS_ID "),
                                     QStringLiteral(")"),
                                     QStringLiteral("VALUES")};
    return head;
}

QString TqeldbEventQualifiers::ErrorFileName(TDateTime aNow) {
    // The executable has no extension here, so its whole name is the base name.
    const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QDir(qel::ExecutableFolder())
        .filePath(baseName + FormatDateTime(QStringLiteral("yyyy-mmdd hhnnsszzz"), aNow) +
                  QStringLiteral("- Error.SQL"));
}

void TqeldbEventQualifiers::Store() {
    TVaruzaList& rows = VaruzaList();
    while (!rows.empty()) {
        const std::vector<qel::BoundRow> values = qel::FrontBoundRows(rows, kRowsPerStatement);
        const auto count = values.size();
        try {
            qel::ExecBoundRows(SQL(), InsertHead(), values);
        } catch (const std::exception& anError) {
            QStringList literalRows;
            for (size_t i = 0; i < count; ++i) {
                literalRows << rows[i]->InsertValuesText();
            }
            SaveFailedStatement(qel::StatementLines(InsertHead(), literalRows));
            qel::CrashReporter::Report(anError, QStringLiteral("Storing event qualifiers"));
        }
        rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(count));
        SQL().Clear();
        qel::CrashReporter::ResetFreezeWatchdog();
    }
}
