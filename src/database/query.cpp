#include "database/query.h"

#include <QBuffer>
#include <QLocale>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

#include "foundation/text_utils.h"
#include "platform/ansi_codec.h"
#include "platform/crash_reporter.h"
#include "platform/numbers.h"

namespace qel {

namespace {

// Cells hold NULL as an invalid QVariant, integers and Booleans as qlonglong, floats,
// currencies and date-times (TDateTime, whole milliseconds) as double, text as QString and
// blobs as QByteArray. Values a column's kind cannot take stay as the driver gave them.

bool IsIntegral(const QVariant& aValue) {
    const FieldKind kind = KindOfMetaType(aValue.metaType());
    return kind == FieldKind::Integer || kind == FieldKind::Boolean;
}

bool IsNumber(const QVariant& aValue) {
    return IsIntegral(aValue) || KindOfMetaType(aValue.metaType()) == FieldKind::Float;
}

// As the drivers bind: a null QString or QByteArray is NULL too.
bool IsNull(const QVariant& aValue) {
    if (!aValue.isValid() || aValue.isNull()) {
        return true;
    }
    if (aValue.typeId() == QMetaType::QString) {
        return static_cast<const QString*>(aValue.constData())->isNull();
    }
    if (aValue.typeId() == QMetaType::QByteArray) {
        return static_cast<const QByteArray*>(aValue.constData())->isNull();
    }
    return false;
}

TDateTime WholeMilliseconds(double aValue) {
    if (!std::isfinite(aValue) || std::fabs(aValue) > 3e6) {
        throw EConvertError(QStringLiteral("%1 is not a valid date and time").arg(aValue));
    }
    return MsToDateTime(DateTimeToMs(aValue));
}

QString FloatText(double aValue) {
    return QString::number(aValue, 'g', 15);
}

int64_t ToInt64(const QVariant& aValue) {
    if (IsNull(aValue)) {
        return 0;
    }
    if (IsIntegral(aValue)) {
        return aValue.toLongLong();
    }
    if (IsNumber(aValue)) {
        return Round(aValue.toDouble());
    }
    if (aValue.typeId() == QMetaType::QString) {
        bool ok = false;
        const int64_t value = aValue.toString().trimmed().toLongLong(&ok);
        if (ok) {
            return value;
        }
    }
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(aValue.toString()));
}

double ToDouble(const QVariant& aValue) {
    if (IsNull(aValue)) {
        return 0;
    }
    if (IsNumber(aValue)) {
        return aValue.toDouble();
    }
    if (aValue.typeId() == QMetaType::QString) {
        bool ok = false;
        const double value = QLocale::c().toDouble(aValue.toString().trimmed(), &ok);
        if (ok) {
            return value;
        }
    }
    throw EConvertError(
        QStringLiteral("'%1' is not a valid floating point value").arg(aValue.toString()));
}

TDateTime ToDateTime(const QVariant& aValue) {
    if (IsNull(aValue)) {
        return 0;
    }
    if (IsNumber(aValue)) {
        return aValue.toDouble();
    }
    if (aValue.typeId() == QMetaType::QDateTime) {
        return QDateTimeToDateTime(aValue.toDateTime());
    }
    if (aValue.typeId() == QMetaType::QDate) {
        return QDateTimeToDateTime(aValue.toDate().startOfDay());
    }
    TDateTime value = 0;
    if (aValue.typeId() == QMetaType::QString && SqlTextToDateTime(aValue.toString(), value)) {
        return value;
    }
    throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(aValue.toString()));
}

QString ToText(const QVariant& aValue, FieldKind aKind) {
    if (IsNull(aValue)) {
        return {};
    }
    if (aKind == FieldKind::DateTime && IsNumber(aValue)) {
        return FormatDateTime(QString(), aValue.toDouble());
    }
    if (aKind == FieldKind::Boolean && IsIntegral(aValue)) {
        return aValue.toLongLong() != 0 ? QStringLiteral("True") : QStringLiteral("False");
    }
    if (aValue.typeId() == QMetaType::Double || aValue.typeId() == QMetaType::Float) {
        return FloatText(aValue.toDouble());
    }
    if (aValue.typeId() == QMetaType::QByteArray) {
        return FromWindows1252(aValue.toByteArray());
    }
    return aValue.toString();
}

// A value from the driver in the form the column's cells hold.
QVariant NormalizeCell(const QVariant& aRaw, FieldKind aKind) {
    if (IsNull(aRaw)) {
        return {};
    }
    switch (aKind) {
        case FieldKind::String:
            return aRaw.typeId() == QMetaType::QString ? aRaw : QVariant(ToText(aRaw, aKind));
        case FieldKind::Integer:
            if (IsIntegral(aRaw)) {
                return qlonglong{aRaw.toLongLong()};
            }
            break;
        case FieldKind::Boolean:
            if (IsIntegral(aRaw)) {
                return qlonglong{aRaw.toLongLong() != 0 ? 1 : 0};
            }
            break;
        case FieldKind::Float:
        case FieldKind::Currency:
            if (IsNumber(aRaw)) {
                return aRaw.toDouble();
            }
            break;
        case FieldKind::DateTime:
            try {
                return WholeMilliseconds(ToDateTime(aRaw));
            } catch (const EConvertError&) {
                // Text that is no date-time stays as it is.
            }
            break;
        case FieldKind::Blob:
        case FieldKind::Other:
            break;
    }
    return aRaw;
}

// A value written to a column, in the form its cells hold. Raises EConvertError when the
// column cannot take it.
QVariant CoerceCell(const QVariant& aValue, FieldKind aKind, int aSize) {
    if (IsNull(aValue)) {
        return {};
    }
    switch (aKind) {
        case FieldKind::String: {
            QString text = ToText(aValue, FieldKind::Other);
            if (aSize > 0 && text.size() > aSize) {
                text.truncate(aSize);
            }
            return text;
        }
        case FieldKind::Integer:
            return qlonglong{ToInt64(aValue)};
        case FieldKind::Boolean:
            if (aValue.typeId() == QMetaType::QString) {
                const QString text = aValue.toString().trimmed();
                if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) {
                    return qlonglong{1};
                }
                if (text.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0) {
                    return qlonglong{0};
                }
            }
            return qlonglong{ToInt64(aValue) != 0 ? 1 : 0};
        case FieldKind::Float:
        case FieldKind::Currency:
            return ToDouble(aValue);
        case FieldKind::DateTime:
            return WholeMilliseconds(ToDateTime(aValue));
        case FieldKind::Blob:
            return aValue.typeId() == QMetaType::QString ? ToWindows1252(aValue.toString())
                                                         : aValue.toByteArray();
        case FieldKind::Other:
            break;
    }
    return aValue;
}

bool SameCell(const QVariant& aLeft, const QVariant& aRight, FieldKind aKind) {
    if (IsNull(aLeft) || IsNull(aRight)) {
        return IsNull(aLeft) == IsNull(aRight);
    }
    try {
        switch (aKind) {
            case FieldKind::Integer:
            case FieldKind::Boolean:
                return ToInt64(aLeft) == ToInt64(aRight);
            case FieldKind::Float:
            case FieldKind::Currency:
                return ToDouble(aLeft) == ToDouble(aRight);
            case FieldKind::DateTime:
                return DateTimeToMs(ToDateTime(aLeft)) == DateTimeToMs(ToDateTime(aRight));
            case FieldKind::String:
                return ToText(aLeft, aKind) == ToText(aRight, aKind);
            case FieldKind::Blob:
                return aLeft.toByteArray() == aRight.toByteArray();
            case FieldKind::Other:
                break;
        }
    } catch (const EConvertError&) {
        // Values of different forms differ.
        return false;
    }
    return aLeft == aRight;
}

// A cell as the driver binds it: NULL typed after the column so that servers accept it.
QVariant BindCell(const QVariant& aCell, FieldKind aKind, SqlDialect aDialect) {
    if (IsNull(aCell)) {
        switch (aKind) {
            case FieldKind::String:
                return QVariant(QMetaType::fromType<QString>());
            case FieldKind::Integer:
            case FieldKind::Boolean:
                return QVariant(QMetaType::fromType<qlonglong>());
            case FieldKind::Float:
            case FieldKind::Currency:
                return QVariant(QMetaType::fromType<double>());
            case FieldKind::DateTime:
                return aDialect == SqlDialect::SQLite ? QVariant(QMetaType::fromType<QString>())
                                                      : QVariant(QMetaType::fromType<QDateTime>());
            case FieldKind::Blob:
                return QVariant(QMetaType::fromType<QByteArray>());
            case FieldKind::Other:
                return {};
        }
    }
    if (aKind == FieldKind::DateTime && IsNumber(aCell)) {
        return DateTimeToSqlValue(aCell.toDouble(), aDialect);
    }
    return aCell;
}

Currency ToCurrency(double aValue) {
    return Currency{Round(aValue * 10000.0)};
}

double FromCurrency(Currency aValue) {
    return static_cast<double>(aValue.scaled) / 10000.0;
}

}  // namespace

// A blob held in memory; a writing stream puts its bytes into the field when it is closed.
class BlobStream final : public QBuffer {
public:
    BlobStream(TqelQuery& aQuery, int anIndex, BlobStreamMode aMode, const QByteArray& aData)
        : FQuery(aQuery.FSelf), FIndex(anIndex), FSerial(aQuery.FEditSerial) {
        if (aMode != BlobStreamMode::Write) {
            setData(aData);
        }
        FWriting = aMode != BlobStreamMode::Read;
        open(aMode == BlobStreamMode::Read    ? QIODevice::ReadOnly
             : aMode == BlobStreamMode::Write ? QIODevice::WriteOnly
                                              : QIODevice::ReadWrite);
    }
    ~BlobStream() override { Store(); }
    void close() override {
        Store();
        QBuffer::close();
    }

private:
    void Store() {
        const std::shared_ptr<TqelQuery*> query = FQuery.lock();
        if (!FWriting || !query || !*query) {
            return;
        }
        FWriting = false;
        TqelQuery& owner = **query;
        if (owner.FEditSerial == FSerial && owner.FState != DataSetState::Browse &&
            owner.FState != DataSetState::Inactive) {
            owner.StoreCell(FIndex, buffer());
        }
    }

    std::weak_ptr<TqelQuery*> FQuery;
    int FIndex;
    uint64_t FSerial;
    bool FWriting = false;
};

bool QueryField::IsNull() const {
    const QVariant* cell = FQuery->CurrentCell(FIndex);
    return !cell || qel::IsNull(*cell);
}

QVariant QueryField::Value() const {
    const QVariant* cell = FQuery->CurrentCell(FIndex);
    return cell && !qel::IsNull(*cell) ? *cell : QVariant();
}

QString QueryField::AsString() const {
    return ToText(Value(), FKind);
}

int32_t QueryField::AsInteger() const {
    const QVariant value = Value();
    return IsNumber(value) && !IsIntegral(value) ? RoundToInt32(value.toDouble())
                                                 : static_cast<int32_t>(ToInt64(value));
}

double QueryField::AsFloat() const {
    return ToDouble(Value());
}

TDateTime QueryField::AsDateTime() const {
    return ToDateTime(Value());
}

bool QueryField::AsBoolean() const {
    return AsInteger() != 0;
}

Currency QueryField::AsCurrency() const {
    return ToCurrency(AsFloat());
}

QByteArray QueryField::AsBytes() const {
    const QVariant value = Value();
    return value.typeId() == QMetaType::QString ? ToWindows1252(value.toString())
                                                : value.toByteArray();
}

void QueryField::setValue(const QVariant& aValue) {
    FQuery->CheckEditing();
    if (FReadOnly) {
        throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(FName));
    }
    FQuery->StoreCell(FIndex, CoerceCell(aValue, FKind, FSize));
}

void QueryField::setAsDateTime(TDateTime aValue) {
    setValue(FKind == FieldKind::DateTime || FKind == FieldKind::Float || FKind == FieldKind::Other
                 ? QVariant(aValue)
                 : QVariant(FormatDateTime(QString(), aValue)));
}

void QueryField::setAsCurrency(Currency aValue) {
    setValue(FromCurrency(aValue));
}

}  // namespace qel

using qel::DataSetState;
using qel::FieldKind;

TqelQuery::TqelQuery(TqelDatabaseConnection* AOwner)
    : FDatabaseConnection(AOwner), FSelf(std::make_shared<TqelQuery*>(this)) {
    qel::Assert(AOwner != nullptr, QStringLiteral("A TqelQuery needs a database connection."));
}

TqelQuery::~TqelQuery() {
    *FSelf = nullptr;
    Close();
}

// ---- SQL text -------------------------------------------------------------------------------

QString TqelQuery::Text() const {
    return FText;
}

void TqelQuery::setText(const QString& aValue) {
    Close();
    FLines.clear();
    QString text = aValue;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (text.endsWith(u'\n')) {
        text.chop(1);
    }
    if (!aValue.isEmpty()) {
        FLines = text.split(u'\n');
    }
    FWhereCount = 0;
    FOrderByCount = 0;
    TextChanged();
}

void TqelQuery::Clear() {
    setText(QString());
}

void TqelQuery::AddLine(const QString& aValue) {
    Close();
    FLines << aValue;
    TextChanged(&aValue);
}

void TqelQuery::TextChanged(const QString* anAddedLine) {
    if (anAddedLine) {
        FText += *anAddedLine + QStringLiteral("\r\n");
    } else {
        FText.clear();
        for (const QString& line : FLines) {
            FText += line + QStringLiteral("\r\n");
        }
    }
    // Parameters are read again from the text; those that stay keep their values. A text
    // without a colon has none.
    if (!FText.contains(u':')) {
        FParams.clear();
        return;
    }
    std::vector<std::unique_ptr<qel::QueryParam>> params;
    for (const QString& name : FDatabaseConnection->ParamNamesOf(Text())) {
        std::unique_ptr<qel::QueryParam> param;
        for (auto& old : FParams) {
            if (old && qel::SameName(old->Name(), name)) {
                param = std::move(old);
                break;
            }
        }
        params.push_back(param ? std::move(param) : std::make_unique<qel::QueryParam>(name));
    }
    FParams = std::move(params);
}

void TqelQuery::AddCondition(const QString& aCondition, bool aDoAnd) {
    AddLine(FWhereCount == 0 ? QStringLiteral(" where ")
            : aDoAnd         ? QStringLiteral(" and ")
                             : QStringLiteral(" or "));
    AddLine(aCondition);
    ++FWhereCount;
}

void TqelQuery::Where(const QString& aFieldName, const QString& aValue, bool aDoAnd,
                      bool aRequired) {
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->setValue(aValue);
        return;
    }
    if (aValue.isEmpty() && !aRequired) {
        return;
    }
    AddCondition(aFieldName + QStringLiteral(" like :") + aFieldName, aDoAnd);
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->setValue(aValue + u'%');
    }
}

void TqelQuery::Where(const QString& aFieldName, int32_t aValue, bool aDoAnd, bool aRequired) {
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->setValue(qlonglong{aValue});
        return;
    }
    if (aValue == 0 && !aRequired) {
        return;
    }
    AddCondition(aFieldName + QStringLiteral(" = :") + aFieldName, aDoAnd);
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->setValue(qlonglong{aValue});
    }
}

void TqelQuery::Where(const QString& aFieldName, TDateTime aValue, bool aDoAnd, bool aRequired) {
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->setAsDateTime(aValue);
        return;
    }
    if (aValue == 0 && !aRequired) {
        return;
    }
    AddCondition(aFieldName + QStringLiteral(" = :") + aFieldName, aDoAnd);
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->setAsDateTime(aValue);
    }
}

void TqelQuery::Where(const QString& aFieldName, bool aValue, bool aDoAnd) {
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->setValue(qlonglong{aValue ? 1 : 0});
        return;
    }
    if (!aValue) {
        return;
    }
    AddCondition(aFieldName + QStringLiteral(" = :") + aFieldName, aDoAnd);
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->setValue(qlonglong{1});
    }
}

void TqelQuery::WhereIsNull(const QString& aFieldName, bool aNot, bool aDoAnd) {
    if (qel::QueryParam* param = FindParam(aFieldName)) {
        param->Clear();
        return;
    }
    AddCondition((aNot ? QStringLiteral("not (") : QStringLiteral("(")) + aFieldName +
                     QStringLiteral(" is null)"),
                 aDoAnd);
}

void TqelQuery::OrderBy(const QString& aFieldName, bool Ascending) {
    if (FOrderByCount == 0) {
        AddLine(QStringLiteral("order by"));
    }
    AddLine((FOrderByCount > 0 ? QStringLiteral(", ") : QString()) + aFieldName +
            (Ascending ? QString() : QStringLiteral(" desc")));
    ++FOrderByCount;
}

// ---- Running --------------------------------------------------------------------------------

std::vector<qel::BoundValue> TqelQuery::BoundParams() const {
    std::vector<qel::BoundValue> values;
    const qel::SqlDialect dialect = FDatabaseConnection->Dialect();
    for (const auto& param : FParams) {
        QVariant value = param->Value();
        if (param->IsDateTime()) {
            value = qel::IsNull(value) ? QVariant()
                                       : qel::DateTimeToSqlValue(value.toDouble(), dialect);
        }
        values.push_back({param->Name(), value});
    }
    return values;
}

void TqelQuery::Open() {
    if (Active()) {
        return;
    }
    try {
        OpenOnce();
        FLastError.clear();
        return;
    } catch (const EProviderError& e) {
        FLastError = e.Message();
        // Reconnecting would end the open transaction, and every later statement of it would
        // commit on its own: the transaction's owner rolls back and answers the failure instead.
        if (FDatabaseConnection->InTransaction()) {
            throw;
        }
    }
    // The connection may have broken: reconnect and try once more. Failures of the reconnect
    // and of the second attempt reach the caller; an empty result here would be taken for
    // "no rows" and could make callers write empty lists.
    FDatabaseConnection->Disconnect();
    FDatabaseConnection->Connect();
    if (!FDatabaseConnection->Active()) {
        throw EProviderError(FLastError);
    }
    OpenOnce();
}

void TqelQuery::OpenOnce() {
    const QString sql = Text();
    QSqlQuery query = FDatabaseConnection->Execute(sql, BoundParams());
    if (!query.isSelect()) {
        throw EDatabaseError(QStringLiteral("The statement returns no rows to open"));
    }
    const QSqlRecord record = query.record();
    const int count = record.count();
    std::vector<std::vector<QVariant>> rows;
    while (query.next()) {
        std::vector<QVariant> row(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            row[static_cast<size_t>(i)] = query.value(i);
        }
        rows.push_back(std::move(row));
    }
    // The server may serve one statement at a time: done with this one before asking more.
    query.finish();

    std::shared_ptr<const qel::ResultLayout> layout = LayoutOf(sql, record);
    for (auto& row : rows) {
        for (size_t i = 0; i < layout->Columns.size(); ++i) {
            row[i] = qel::NormalizeCell(row[i], layout->Columns[i].Kind);
        }
    }
    FLayout = std::move(layout);
    FRows = std::move(rows);
    MakeFields();
    FState = DataSetState::Browse;
    FRecNo = FRows.empty() ? -1 : 0;
    FEof = FBof = FRows.empty();
}

std::shared_ptr<const qel::ResultLayout> TqelQuery::LayoutOf(const QString& aSql,
                                                             const QSqlRecord& aRecord) {
    const qel::SqlDialect dialect = FDatabaseConnection->Dialect();
    const int count = aRecord.count();
    std::shared_ptr<const qel::ResultLayout> known = FDatabaseConnection->LayoutOf(aSql);
    if (known && known->Dialect == dialect && known->Columns.size() == static_cast<size_t>(count)) {
        return known;
    }

    auto layout = std::make_shared<qel::ResultLayout>();
    layout->Dialect = dialect;
    const qel::SelectTable source = FDatabaseConnection->SelectTableOf(aSql);
    const qel::TableInfo* table = nullptr;
    layout->ReadOnlyReason = source.Reason;
    if (!source.Table.isEmpty()) {
        table = &FDatabaseConnection->TableInfoOf(source.Schema, source.Table);
        if (table->Columns.empty()) {
            table = nullptr;
            layout->ReadOnlyReason = QStringLiteral("its table %1 is not known").arg(source.Table);
        }
    }
    const bool sqlite = dialect == qel::SqlDialect::SQLite;
    std::vector<qel::ResultColumn>& columns = layout->Columns;
    int keys = 0;
    for (int i = 0; i < count; ++i) {
        qel::ResultColumn column;
        column.Name = aRecord.fieldName(i);
        const qel::TableColumn* base = table ? table->Find(column.Name) : nullptr;
        // A second column of the same name is a computed one.
        const int earlier = layout->Names.Find(column.Name);
        if (base && earlier >= 0 && columns[static_cast<size_t>(earlier)].Base) {
            base = nullptr;
        }
        if (base) {
            column.Kind = base->Kind;
            column.Size = base->Size;
            column.Base = true;
            column.Key = base->Key;
        } else if (!sqlite) {
            const QSqlField field = aRecord.field(i);
            column.Kind = qel::KindOfMetaType(field.metaType());
            column.Size =
                column.Kind == FieldKind::String && field.length() > 0 && field.length() <= 8000
                    ? static_cast<int>(field.length())
                    : 0;
        }
        column.QuotedName = qel::QuoteIdentifier(column.Name, dialect);
        column.ValueParam = QStringLiteral("qel_value%1").arg(i);
        column.KeyParam = QStringLiteral("qel_key%1").arg(i);
        if (column.Base && column.Key) {
            layout->HasKey = true;
            ++keys;
            layout->IdentityColumn = column.Kind == FieldKind::Integer ? i : -1;
        }
        layout->DottedNames = layout->DottedNames || column.Name.contains(u'.');
        layout->Names.Add(column.Name, i);
        columns.push_back(std::move(column));
    }
    if (keys != 1) {
        layout->IdentityColumn = -1;
    }
    if (table) {
        layout->Schema = source.Schema;
        layout->Table = source.Table;
        const QString quoted = qel::QuoteIdentifier(source.Table, dialect);
        layout->QuotedTable = source.Schema.isEmpty() || sqlite
                                  ? quoted
                                  : qel::QuoteIdentifier(source.Schema, dialect) + u'.' + quoted;
    }
    FDatabaseConnection->RememberLayout(aSql, layout);
    return layout;
}

void TqelQuery::MakeFields() {
    if (FSpareLayout == FLayout) {
        FFields = std::move(FSpareFields);
        for (const auto& field : FFields) {
            field->setReadOnly(!FLayout->Columns[static_cast<size_t>(field->Index())].Base);
        }
    } else {
        FFields.clear();
        FFields.reserve(FLayout->Columns.size());
        for (size_t i = 0; i < FLayout->Columns.size(); ++i) {
            const qel::ResultColumn& column = FLayout->Columns[i];
            FFields.push_back(std::unique_ptr<qel::QueryField>(new qel::QueryField(
                this, static_cast<int>(i), column.Name, column.Kind, column.Size, !column.Base)));
        }
    }
    FSpareLayout.reset();
    FSpareFields.clear();
}

const std::vector<qel::ResultColumn>& TqelQuery::Columns() const {
    static const std::vector<qel::ResultColumn> none;
    return FLayout ? FLayout->Columns : none;
}

bool TqelQuery::OpenEmpty() {
    if (Active()) {
        return false;
    }
    std::shared_ptr<const qel::ResultLayout> layout = FDatabaseConnection->LayoutOf(Text());
    if (!layout || layout->Dialect != FDatabaseConnection->Dialect()) {
        return false;
    }
    FLayout = std::move(layout);
    FRows.clear();
    MakeFields();
    FLastError.clear();
    FState = DataSetState::Browse;
    FRecNo = -1;
    FEof = FBof = true;
    return true;
}

void TqelQuery::Close() {
    if (!Active()) {
        return;
    }
    EndEdit();
    FState = DataSetState::Inactive;
    FSpareFields = std::move(FFields);
    FFields.clear();
    FSpareLayout = std::move(FLayout);
    FLayout.reset();
    FRows.clear();
    FRecNo = -1;
    FEof = FBof = true;
}

int TqelQuery::ExecSQL() {
    QSqlQuery query = FDatabaseConnection->Execute(Text(), BoundParams());
    const int rows = query.numRowsAffected();
    // Long runs of statements must not look like a frozen program.
    qel::CrashReporter::ResetFreezeWatchdog();
    return rows;
}

void TqelQuery::setTimeout(int aValue) {
    FTimeout = aValue;
    FDatabaseConnection->setCommandTimeout(aValue);
}

QString TqelQuery::LastError() {
    QString error = FLastError;
    FLastError.clear();
    return error;
}

// ---- Moving ---------------------------------------------------------------------------------

void TqelQuery::CheckBrowseMode() {
    if (!Active()) {
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    }
    if (FState == DataSetState::Edit || FState == DataSetState::Insert) {
        Post();
    }
}

void TqelQuery::First() {
    CheckBrowseMode();
    FRecNo = FRows.empty() ? -1 : 0;
    FBof = true;
    FEof = FRows.empty();
}

void TqelQuery::Next() {
    CheckBrowseMode();
    if (FRecNo + 1 < static_cast<qsizetype>(FRows.size())) {
        ++FRecNo;
        FBof = false;
        FEof = false;
    } else {
        FEof = true;
    }
}

void TqelQuery::Prior() {
    CheckBrowseMode();
    if (FRecNo > 0) {
        --FRecNo;
        FBof = false;
        FEof = false;
    } else {
        FBof = true;
    }
}

void TqelQuery::Last() {
    CheckBrowseMode();
    FRecNo = static_cast<qsizetype>(FRows.size()) - 1;
    FEof = true;
    FBof = FRows.empty();
}

bool TqelQuery::IsEmpty() const {
    return FState != DataSetState::Insert && FRows.empty();
}

bool TqelQuery::Locate(const QString& KeyFields, const QVariant& KeyValues,
                       qel::LocateOptions Options) {
    CheckBrowseMode();
    std::vector<qel::QueryField*> fields;
    for (const QString& name : KeyFields.split(u';', Qt::SkipEmptyParts)) {
        fields.push_back(FieldByName(name.trimmed()));
    }
    QVariantList values;
    if (fields.size() == 1 && KeyValues.typeId() != QMetaType::QVariantList) {
        values << KeyValues;
    } else {
        values = KeyValues.toList();
    }
    if (fields.empty() || values.size() != static_cast<qsizetype>(fields.size())) {
        throw EDatabaseError(QStringLiteral("Locate needs one value per key field"));
    }
    const Qt::CaseSensitivity sensitivity =
        Options.CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (size_t row = 0; row < FRows.size(); ++row) {
        bool match = true;
        for (size_t k = 0; k < fields.size() && match; ++k) {
            const QVariant& cell = FRows[row][static_cast<size_t>(fields[k]->Index())];
            const QVariant& wanted = values[static_cast<qsizetype>(k)];
            const FieldKind kind = fields[k]->Kind();
            if (qel::IsNull(cell) || qel::IsNull(wanted)) {
                match = qel::IsNull(cell) && qel::IsNull(wanted);
            } else if (kind == FieldKind::String || kind == FieldKind::Other ||
                       wanted.typeId() == QMetaType::QString) {
                const QString text = qel::ToText(cell, kind);
                const QString key = wanted.toString();
                match = Options.PartialKey ? text.startsWith(key, sensitivity)
                                           : text.compare(key, sensitivity) == 0;
            } else {
                match = qel::SameCell(cell, wanted, kind);
            }
        }
        if (match) {
            FRecNo = static_cast<qsizetype>(row);
            FEof = FBof = false;
            return true;
        }
    }
    return false;
}

// ---- Changing -------------------------------------------------------------------------------

void TqelQuery::CheckCanModify() const {
    if (!Active()) {
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    }
    if (FLayout->Table.isEmpty()) {
        throw EDatabaseError(QStringLiteral("The result of this query cannot be changed: ") +
                             FLayout->ReadOnlyReason);
    }
}

void TqelQuery::CheckEditing() const {
    if (FState != DataSetState::Edit && FState != DataSetState::Insert) {
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    }
}

void TqelQuery::BeginEdit(DataSetState aState) {
    FState = aState;
    ++FEditSerial;
    if (aState == DataSetState::Insert) {
        FBuffer.assign(Columns().size(), QVariant());
    } else {
        FBuffer = FRows[static_cast<size_t>(FRecNo)];
    }
    FAssigned.assign(Columns().size(), false);
}

void TqelQuery::EndEdit() {
    if (FState == DataSetState::Edit || FState == DataSetState::Insert) {
        FState = DataSetState::Browse;
    }
    ++FEditSerial;
    FBuffer.clear();
    FAssigned.clear();
}

void TqelQuery::Insert() {
    CheckBrowseMode();
    CheckCanModify();
    BeginEdit(DataSetState::Insert);
    FEof = FBof = false;
}

void TqelQuery::Edit() {
    if (FState == DataSetState::Edit || FState == DataSetState::Insert) {
        return;
    }
    CheckCanModify();
    if (FRecNo < 0) {
        Insert();
        return;
    }
    BeginEdit(DataSetState::Edit);
}

QString TqelQuery::InsertText(const std::vector<size_t>& aSent) const {
    if (aSent.empty()) {
        return QStringLiteral("insert into %1 default values").arg(FLayout->QuotedTable);
    }
    QString names;
    QString placeholders;
    for (const size_t i : aSent) {
        const qel::ResultColumn& column = FLayout->Columns[i];
        if (!names.isEmpty()) {
            names += QStringLiteral(", ");
            placeholders += QStringLiteral(", ");
        }
        names += column.QuotedName;
        placeholders += u':' + column.ValueParam;
    }
    return QStringLiteral("insert into %1 (%2) values (%3)")
        .arg(FLayout->QuotedTable, names, placeholders);
}

QString TqelQuery::RowCondition(const std::vector<QVariant>& aRow,
                                std::vector<qel::BoundValue>& aValues) const {
    const qel::SqlDialect dialect = FDatabaseConnection->Dialect();
    const bool hasKey = FLayout->HasKey;
    // Without a key the record is found by all its values (blobs cannot be compared).
    QString conditions;
    for (size_t i = 0; i < FLayout->Columns.size(); ++i) {
        const qel::ResultColumn& column = FLayout->Columns[i];
        if (!column.Base || (hasKey && !column.Key) ||
            (!hasKey && column.Kind == FieldKind::Blob)) {
            continue;
        }
        if (!conditions.isEmpty()) {
            conditions += QStringLiteral(" and ");
        }
        if (qel::IsNull(aRow[i])) {
            conditions += column.QuotedName + QStringLiteral(" is null");
        } else {
            conditions += column.QuotedName + QStringLiteral(" = :") + column.KeyParam;
            aValues.push_back({column.KeyParam, qel::BindCell(aRow[i], column.Kind, dialect)});
        }
    }
    if (conditions.isEmpty()) {
        throw EDatabaseError(
            QStringLiteral("Cannot find the record in table %1").arg(FLayout->Table));
    }
    return conditions;
}

void TqelQuery::Post() {
    if (FState != DataSetState::Edit && FState != DataSetState::Insert) {
        return;
    }
    const qel::SqlDialect dialect = FDatabaseConnection->Dialect();
    const qel::ResultLayout& layout = *FLayout;
    const std::vector<qel::ResultColumn>& columns = layout.Columns;
    std::vector<qel::BoundValue> values;
    values.reserve(columns.size());
    std::vector<size_t> sent;
    sent.reserve(columns.size());
    // The columns sent, as a key to the statement texts the layout keeps.
    uint64_t sentSet = 0;
    const bool inserting = FState == DataSetState::Insert;
    for (size_t i = 0; i < columns.size(); ++i) {
        const qel::ResultColumn& column = columns[i];
        if (!column.Base) {
            continue;
        }
        const bool send =
            inserting
                ? FAssigned[i]
                : !qel::SameCell(FBuffer[i], FRows[static_cast<size_t>(FRecNo)][i], column.Kind);
        if (!send) {
            continue;
        }
        sent.push_back(i);
        sentSet |= i < 64 ? uint64_t{1} << i : 0;
        values.push_back({column.ValueParam, qel::BindCell(FBuffer[i], column.Kind, dialect)});
    }
    if (inserting) {
        QString sql;
        if (columns.size() <= 64) {
            auto known = layout.Inserts.constFind(sentSet);
            if (known == layout.Inserts.constEnd()) {
                if (layout.Inserts.size() >= 64) {
                    layout.Inserts.clear();
                }
                known = layout.Inserts.insert(sentSet, InsertText(sent));
            }
            sql = known.value();
        } else {
            sql = InsertText(sent);
        }
        QSqlQuery query = FDatabaseConnection->Execute(sql, values);
        // A single integer key the server numbered itself is filled in.
        const int keyColumn = layout.IdentityColumn;
        if (keyColumn >= 0 && qel::IsNull(FBuffer[static_cast<size_t>(keyColumn)])) {
            const QVariant id = query.lastInsertId();
            if (!qel::IsNull(id)) {
                FBuffer[static_cast<size_t>(keyColumn)] =
                    qel::NormalizeCell(id, FieldKind::Integer);
            }
        }
        FRows.push_back(std::move(FBuffer));
        FRecNo = static_cast<qsizetype>(FRows.size()) - 1;
    } else {
        if (!sent.empty()) {
            QString assignments;
            for (const size_t i : sent) {
                if (!assignments.isEmpty()) {
                    assignments += QStringLiteral(", ");
                }
                assignments +=
                    columns[i].QuotedName + QStringLiteral(" = :") + columns[i].ValueParam;
            }
            const QString condition = RowCondition(FRows[static_cast<size_t>(FRecNo)], values);
            QSqlQuery query =
                FDatabaseConnection->Execute(QStringLiteral("update %1 set %2 where %3")
                                                 .arg(layout.QuotedTable, assignments, condition),
                                             values);
            if (query.numRowsAffected() == 0) {
                throw EDatabaseError(QStringLiteral(
                    "Row cannot be located for updating. Some values may have been changed "
                    "since it was last read."));
            }
        }
        FRows[static_cast<size_t>(FRecNo)] = std::move(FBuffer);
    }
    EndEdit();
    FEof = FBof = false;
}

void TqelQuery::Cancel() {
    if (FState != DataSetState::Edit && FState != DataSetState::Insert) {
        return;
    }
    const bool inserting = FState == DataSetState::Insert;
    EndEdit();
    if (inserting) {
        FEof = FBof = FRows.empty() || FRecNo < 0;
    }
}

void TqelQuery::Delete() {
    if (FState == DataSetState::Insert) {
        Cancel();
        return;
    }
    CheckCanModify();
    if (FRows.empty() || FRecNo < 0) {
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    }
    EndEdit();
    std::vector<qel::BoundValue> values;
    const QString condition = RowCondition(FRows[static_cast<size_t>(FRecNo)], values);
    QSqlQuery query = FDatabaseConnection->Execute(
        QStringLiteral("delete from %1 where %2").arg(FLayout->QuotedTable, condition), values);
    if (query.numRowsAffected() == 0) {
        throw EDatabaseError(QStringLiteral(
            "Row cannot be located for deleting. Some values may have been changed since it "
            "was last read."));
    }
    FRows.erase(FRows.begin() + FRecNo);
    if (FRecNo >= static_cast<qsizetype>(FRows.size())) {
        FRecNo = static_cast<qsizetype>(FRows.size()) - 1;
        FEof = true;
    }
    FBof = FRecNo <= 0;
    if (FRows.empty()) {
        FEof = FBof = true;
    }
}

// ---- Fields ---------------------------------------------------------------------------------

qel::QueryField* TqelQuery::FindField(const QString& aFieldName) const {
    if (!FLayout || FFields.empty()) {
        return nullptr;
    }
    const int index = FLayout->Names.Find(aFieldName);
    if (index >= 0) {
        return FFields[static_cast<size_t>(index)].get();
    }
    if (!FLayout->DottedNames) {
        return nullptr;
    }
    // Joined results may name their columns "alias.COLUMN": find them by the bare name.
    qel::QueryField* found = nullptr;
    for (const auto& field : FFields) {
        const qsizetype dot = field->FieldName().indexOf(u'.');
        if (dot >= 0 && field->FieldName().mid(dot + 1) == aFieldName) {
            found = field.get();
        }
    }
    return found;
}

qel::QueryField* TqelQuery::FieldByName(const QString& aFieldName) const {
    qel::QueryField* field = FindField(aFieldName);
    if (!field) {
        throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(aFieldName));
    }
    return field;
}

qel::QueryField* TqelQuery::Fields(int anIndex) const {
    if (anIndex < 0 || anIndex >= FieldCount()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Field index %1 out of bounds").arg(anIndex));
    }
    return FFields[static_cast<size_t>(anIndex)].get();
}

void TqelQuery::FieldClear(const QString& aFieldName) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        CheckEditing();
        StoreCell(field->Index(), QVariant());
    }
}

const QVariant* TqelQuery::CurrentCell(int anIndex) const {
    const auto index = static_cast<size_t>(anIndex);
    if (FState == DataSetState::Edit || FState == DataSetState::Insert) {
        return index < FBuffer.size() ? &FBuffer[index] : nullptr;
    }
    if (FRecNo < 0 || FRecNo >= static_cast<qsizetype>(FRows.size())) {
        return nullptr;
    }
    const auto& row = FRows[static_cast<size_t>(FRecNo)];
    return index < row.size() ? &row[index] : nullptr;
}

void TqelQuery::StoreCell(int anIndex, const QVariant& aValue) {
    const auto index = static_cast<size_t>(anIndex);
    FBuffer[index] = aValue;
    FAssigned[index] = true;
}

void TqelQuery::WriteField(qel::QueryField* aField, const QVariant& aValue) {
    const QVariant target = qel::CoerceCell(aValue, aField->Kind(), aField->Size());
    const QVariant* current = CurrentCell(aField->Index());
    if (qel::SameCell(current ? *current : QVariant(), target, aField->Kind())) {
        return;
    }
    if (FState != DataSetState::Edit && FState != DataSetState::Insert) {
        Edit();
    }
    StoreCell(aField->Index(), target);
}

std::unique_ptr<QIODevice> TqelQuery::CreateBlobStream(qel::QueryField* aField,
                                                       qel::BlobStreamMode aMode) {
    qel::Assert(aField && aField->DataSet() == this,
                QStringLiteral("A blob stream needs a field of its own query."));
    if (aMode != qel::BlobStreamMode::Read && FState != DataSetState::Edit &&
        FState != DataSetState::Insert) {
        Edit();
    }
    return std::make_unique<qel::BlobStream>(*this, aField->Index(), aMode, aField->AsBytes());
}

std::unique_ptr<QIODevice> TqelQuery::CreateBlobStream(const QString& aFieldName,
                                                       qel::BlobStreamMode aMode) {
    qel::QueryField* field = FindField(aFieldName);
    return field ? CreateBlobStream(field, aMode) : nullptr;
}

QString TqelQuery::GetFieldAsString(const QString& aFieldName) const {
    const qel::QueryField* field = FindField(aFieldName);
    return field ? qel::Trim(field->AsString()) : QString();
}

int32_t TqelQuery::GetFieldAsInteger(const QString& aFieldName) const {
    const qel::QueryField* field = FindField(aFieldName);
    return field ? field->AsInteger() : 0;
}

double TqelQuery::GetFieldAsFloat(const QString& aFieldName) const {
    const qel::QueryField* field = FindField(aFieldName);
    return field ? field->AsFloat() : 0;
}

TDateTime TqelQuery::GetFieldAsDateTime(const QString& aFieldName) const {
    const qel::QueryField* field = FindField(aFieldName);
    return field ? field->AsDateTime() : 0;
}

bool TqelQuery::GetFieldAsBoolean(const QString& aFieldName) const {
    const qel::QueryField* field = FindField(aFieldName);
    return field ? field->AsBoolean() : false;
}

qel::Currency TqelQuery::GetFieldAsCurrency(const QString& aFieldName) const {
    const qel::QueryField* field = FindField(aFieldName);
    return field ? field->AsCurrency() : qel::Currency{};
}

QVariant TqelQuery::GetFieldAsVariant(const QString& aFieldName) const {
    const qel::QueryField* field = FindField(aFieldName);
    return field ? field->Value() : QVariant();
}

void TqelQuery::SetFieldAsString(const QString& aFieldName, const QString& Value) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        WriteField(field, Value.isEmpty() ? QVariant() : QVariant(Value));
    }
}

void TqelQuery::SetFieldAsInteger(const QString& aFieldName, int32_t Value) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        field->setReadOnly(false);
        WriteField(field, Value == 0 ? QVariant() : QVariant(qlonglong{Value}));
    }
}

void TqelQuery::SetFieldAsIntegerReq(const QString& aFieldName, int32_t Value) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        field->setReadOnly(false);
        WriteField(field, qlonglong{Value});
    }
}

void TqelQuery::SetFieldAsFloat(const QString& aFieldName, double Value) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        WriteField(field, Value == 0 || std::isnan(Value) ? QVariant() : QVariant(Value));
    }
}

void TqelQuery::SetFieldAsFloatReq(const QString& aFieldName, double Value) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        WriteField(field, std::isnan(Value) ? 0.0 : Value);
    }
}

void TqelQuery::SetFieldAsDateTime(const QString& aFieldName, TDateTime Value) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        // Not above 0 (NaN included) is no date.
        WriteField(field, Value > 0 ? QVariant(Value) : QVariant());
    }
}

void TqelQuery::SetFieldAsBoolean(const QString& aFieldName, bool Value) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        WriteField(field, qlonglong{Value ? 1 : 0});
    }
}

void TqelQuery::SetFieldAsCurrency(const QString& aFieldName, qel::Currency Value) {
    qel::QueryField* field = FindField(aFieldName);
    if (!field || (!field->IsNull() && field->AsCurrency() == Value) ||
        (field->IsNull() && Value.scaled == 0)) {
        return;
    }
    WriteField(field, Value.scaled == 0 ? QVariant() : QVariant(qel::FromCurrency(Value)));
}

void TqelQuery::SetFieldAsVariant(const QString& aFieldName, const QVariant& Value) {
    if (qel::QueryField* field = FindField(aFieldName)) {
        WriteField(field, Value);
    }
}

// ---- Parameters -----------------------------------------------------------------------------

qel::QueryParam* TqelQuery::FindParam(const QString& aName) const {
    for (const auto& param : FParams) {
        if (qel::SameName(param->Name(), aName)) {
            return param.get();
        }
    }
    return nullptr;
}

qel::QueryParam* TqelQuery::Param(int anIndex) const {
    if (anIndex < 0 || anIndex >= ParamCount()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Parameter index %1 out of bounds").arg(anIndex));
    }
    return FParams[static_cast<size_t>(anIndex)].get();
}

qel::QueryParam* TqelQuery::ParamByName(const QString& Value) const {
    qel::QueryParam* param = FindParam(Value);
    if (!param) {
        throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(Value));
    }
    return param;
}

QString TqelQuery::GetParamAsString(const QString& aParamName) const {
    const qel::QueryParam* param = ParamByName(aParamName);
    return qel::ToText(param->Value(),
                       param->IsDateTime() ? FieldKind::DateTime : FieldKind::Other);
}

int32_t TqelQuery::GetParamAsInteger(const QString& aParamName) const {
    return static_cast<int32_t>(qel::ToInt64(ParamByName(aParamName)->Value()));
}

double TqelQuery::GetParamAsFloat(const QString& aParamName) const {
    return qel::ToDouble(ParamByName(aParamName)->Value());
}

TDateTime TqelQuery::GetParamAsDatetime(const QString& aParamName) const {
    return qel::ToDateTime(ParamByName(aParamName)->Value());
}

void TqelQuery::SetParamAsString(const QString& aParamName, const QString& Value) {
    if (qel::QueryParam* param = FindParam(aParamName)) {
        // The empty string is a value, not NULL.
        param->setValue(Value.isNull() ? QStringLiteral("") : Value);
    }
}

void TqelQuery::SetParamAsInteger(const QString& aParamName, int32_t Value) {
    if (qel::QueryParam* param = FindParam(aParamName)) {
        param->setValue(qlonglong{Value});
    }
}

void TqelQuery::SetParamAsFloat(const QString& aParamName, double Value) {
    if (qel::QueryParam* param = FindParam(aParamName)) {
        param->setValue(Value == 0 ? QVariant(QMetaType::fromType<double>()) : QVariant(Value));
    }
}

void TqelQuery::SetParamAsDatetime(const QString& aParamName, TDateTime Value) {
    if (qel::QueryParam* param = FindParam(aParamName)) {
        param->setAsDateTime(Value);
    }
}
