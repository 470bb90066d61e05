#pragma once

#include <QIODevice>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <vector>

#include "database/database_connection.h"
#include "foundation/system/registry_helper.h"
#include "platform/date_time.h"

class TqelQuery;

namespace qel {

class BlobStream;

enum class DataSetState : uint8_t { Inactive, Browse, Edit, Insert, SetKey };
enum class BlobStreamMode : uint8_t { Read, Write, ReadWrite };

struct LocateOptions {
    bool CaseInsensitive = false;
    // A text key matches a value that starts with it.
    bool PartialKey = false;
};

// One column of an open query, read and written at the query's current record. Valid until
// the query is closed or opened again.
class QueryField {
public:
    const QString& FieldName() const { return FName; }
    FieldKind Kind() const { return FKind; }
    // Characters of a sized text column, else 0.
    int Size() const { return FSize; }
    // Columns that are not columns of the query's table (computed ones) are read-only.
    bool ReadOnly() const { return FReadOnly; }
    void setReadOnly(bool aValue) { FReadOnly = aValue; }
    int Index() const { return FIndex; }
    TqelQuery* DataSet() const { return FQuery; }

    bool IsNull() const;
    // NULL is an invalid QVariant; date-times are TDateTime numbers.
    QVariant Value() const;
    QString AsString() const;
    int32_t AsInteger() const;
    double AsFloat() const;
    TDateTime AsDateTime() const;
    bool AsBoolean() const;
    Currency AsCurrency() const;
    QByteArray AsBytes() const;

    // Direct writes: the query must be editing and the field writable. Raise EConvertError for
    // a value the column cannot take.
    void setValue(const QVariant& aValue);
    void setAsString(const QString& aValue) { setValue(aValue); }
    void setAsInteger(int32_t aValue) { setValue(qlonglong{aValue}); }
    void setAsFloat(double aValue) { setValue(aValue); }
    void setAsDateTime(TDateTime aValue);
    void setAsBoolean(bool aValue) { setValue(aValue); }
    void setAsCurrency(Currency aValue);
    void Clear() { setValue(QVariant()); }

private:
    friend class ::TqelQuery;
    QueryField(TqelQuery* aQuery, int anIndex, QString aName, FieldKind aKind, int aSize,
               bool aReadOnly)
        : FQuery(aQuery),
          FIndex(anIndex),
          FName(std::move(aName)),
          FKind(aKind),
          FSize(aSize),
          FReadOnly(aReadOnly) {}

    TqelQuery* FQuery;
    int FIndex;
    QString FName;
    FieldKind FKind;
    int FSize;
    bool FReadOnly;
};

// One ":NAME" parameter of a query's text.
class QueryParam {
public:
    explicit QueryParam(QString aName) : FName(std::move(aName)) {}
    const QString& Name() const { return FName; }
    // NULL is an invalid QVariant; a date-time is a TDateTime number with IsDateTime set.
    const QVariant& Value() const { return FValue; }
    bool IsDateTime() const { return FIsDateTime; }
    bool IsNull() const { return FValue.isNull(); }

    void setValue(const QVariant& aValue) {
        FValue = aValue;
        FIsDateTime = false;
    }
    void setAsDateTime(TDateTime aValue) {
        FValue = aValue;
        FIsDateTime = true;
    }
    void Clear() { setValue(QVariant()); }

private:
    QString FName;
    QVariant FValue;
    bool FIsDateTime = false;
};

}  // namespace qel

// A query on a database connection, with the result held in memory so that it can be changed
// row by row: a select on one table (by key, or "where 0=1" to append) can be edited or
// appended to, and Post writes an INSERT, or an UPDATE of only the changed columns by the
// table's key; an unchanged record sends nothing. Inserted records stay in the result, so a
// later Locate finds them. Results of joins, groupings and other combined selects are
// read-only.
//
// The field setters store 0, NaN, date-times not above 0 and empty text as NULL (the "Req"
// variants store 0) and leave the record alone when the value is already there.
class TqelQuery {
public:
    explicit TqelQuery(TqelDatabaseConnection* AOwner);
    ~TqelQuery();
    TqelQuery(const TqelQuery&) = delete;
    TqelQuery& operator=(const TqelQuery&) = delete;

    TqelDatabase* Database() const { return FDatabaseConnection->Database(); }
    TqelDatabaseConnection* DatabaseConnection() const { return FDatabaseConnection; }

    // The SQL lines as one text, each line followed by CRLF.
    QString Text() const;
    // Closes the query, replaces the text and resets both counters.
    void setText(const QString& aValue);
    void Clear();
    void AddLine(const QString& aValue);

    // Conditions, each as " where " (the first) or " and "/" or " and the condition line. When
    // the text already has the parameter aFieldName, only its value is set.
    void Where(const QString& aFieldName, const QString& aValue, bool aDoAnd, bool aRequired);
    void Where(const QString& aFieldName, const char* aValue, bool aDoAnd, bool aRequired) {
        Where(aFieldName, QString::fromUtf8(aValue), aDoAnd, aRequired);
    }
    void Where(const QString& aFieldName, int32_t aValue, bool aDoAnd, bool aRequired);
    void Where(const QString& aFieldName, TDateTime aValue, bool aDoAnd, bool aRequired);
    void Where(const QString& aFieldName, bool aValue, bool aDoAnd);
    void WhereIsNull(const QString& aFieldName, bool aNot, bool aDoAnd);
    void OrderBy(const QString& aFieldName, bool Ascending);
    int WhereCount() const { return FWhereCount; }
    void setWhereCount(int aValue) { FWhereCount = aValue; }
    int OrderByCount() const { return FOrderByCount; }

    // Opens; when the server fails, reconnects and tries once more. The first failure stays in
    // LastError; a second failure is raised. Inside a transaction the first failure is raised.
    void Open();
    void Close();
    // Opens the result as empty without asking the server, when the connection knows the
    // text's columns from an earlier open; false (and still closed) when it does not. For a
    // caller that knows there are no rows.
    bool OpenEmpty();
    // Rows affected.
    int ExecSQL();
    bool Active() const { return FState != qel::DataSetState::Inactive; }
    qel::DataSetState State() const { return FState; }
    int Timeout() const { return FTimeout; }
    void setTimeout(int aValue);

    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty() const;
    int RecordCount() const { return static_cast<int>(FRows.size()); }
    // 1-based position of the current record, 0 when there is none.
    int RecNo() const { return static_cast<int>(FRecNo + 1); }
    // KeyFields separated by ";"; KeyValues one value or a list of one value per field.
    bool Locate(const QString& KeyFields, const QVariant& KeyValues,
                qel::LocateOptions Options = {});

    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void DisableControls() { ++FDisableCount; }
    void EnableControls() {
        if (FDisableCount > 0) {
            --FDisableCount;
        }
    }

    qel::QueryField* FindField(const QString& aFieldName) const;
    qel::QueryField* FieldByName(const QString& aFieldName) const;
    bool FieldExists(const QString& aFieldName) const { return FindField(aFieldName) != nullptr; }
    void FieldClear(const QString& aFieldName);
    qel::QueryField* Fields(int anIndex) const;
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    // Writing streams store their bytes in the field when they are closed or destroyed, if the
    // record is still being edited then.
    std::unique_ptr<QIODevice> CreateBlobStream(qel::QueryField* aField, qel::BlobStreamMode aMode);
    std::unique_ptr<QIODevice> CreateBlobStream(const QString& aFieldName,
                                                qel::BlobStreamMode aMode);

    QString GetFieldAsString(const QString& aFieldName) const;
    int32_t GetFieldAsInteger(const QString& aFieldName) const;
    double GetFieldAsFloat(const QString& aFieldName) const;
    TDateTime GetFieldAsDateTime(const QString& aFieldName) const;
    bool GetFieldAsBoolean(const QString& aFieldName) const;
    qel::Currency GetFieldAsCurrency(const QString& aFieldName) const;
    QVariant GetFieldAsVariant(const QString& aFieldName) const;
    QString FieldAsString(const QString& aFieldName) const { return GetFieldAsString(aFieldName); }
    int32_t FieldAsInteger(const QString& aFieldName) const {
        return GetFieldAsInteger(aFieldName);
    }
    double FieldAsFloat(const QString& aFieldName) const { return GetFieldAsFloat(aFieldName); }
    TDateTime FieldAsDateTime(const QString& aFieldName) const {
        return GetFieldAsDateTime(aFieldName);
    }
    bool FieldAsBoolean(const QString& aFieldName) const { return GetFieldAsBoolean(aFieldName); }

    void SetFieldAsString(const QString& aFieldName, const QString& Value);
    void SetFieldAsInteger(const QString& aFieldName, int32_t Value);
    void SetFieldAsIntegerReq(const QString& aFieldName, int32_t Value);
    void SetFieldAsFloat(const QString& aFieldName, double Value);
    void SetFieldAsFloatReq(const QString& aFieldName, double Value);
    void SetFieldAsDateTime(const QString& aFieldName, TDateTime Value);
    void SetFieldAsBoolean(const QString& aFieldName, bool Value);
    void SetFieldAsCurrency(const QString& aFieldName, qel::Currency Value);
    void SetFieldAsVariant(const QString& aFieldName, const QVariant& Value);

    qel::QueryParam* Param(int anIndex) const;
    qel::QueryParam* Params(int anIndex) const { return Param(anIndex); }
    qel::QueryParam* ParamByName(const QString& Value) const;
    int ParamCount() const { return static_cast<int>(FParams.size()); }
    QString GetParamAsString(const QString& aParamName) const;
    int32_t GetParamAsInteger(const QString& aParamName) const;
    double GetParamAsFloat(const QString& aParamName) const;
    TDateTime GetParamAsDatetime(const QString& aParamName) const;
    QString ParamAsString(const QString& aParamName) const { return GetParamAsString(aParamName); }
    int32_t ParamAsInteger(const QString& aParamName) const {
        return GetParamAsInteger(aParamName);
    }
    void SetParamAsString(const QString& aParamName, const QString& Value);
    void SetParamAsInteger(const QString& aParamName, int32_t Value);
    void SetParamAsFloat(const QString& aParamName, double Value);
    void SetParamAsDatetime(const QString& aParamName, TDateTime Value);

    // The message of the last failed first open attempt; reading it clears it.
    QString LastError();
    bool InErrorState() const { return !FLastError.isEmpty(); }

private:
    friend class qel::QueryField;
    friend class qel::BlobStream;

    qel::QueryParam* FindParam(const QString& aName) const;
    // Builds the text again, or only adds anAddedLine to it, and reads its parameters.
    void TextChanged(const QString* anAddedLine = nullptr);
    void AddCondition(const QString& aCondition, bool aDoAnd);
    void OpenOnce();
    // The layout of aRecord, the result of aSql: the one the connection keeps for the text when
    // it still fits, else worked out and kept there.
    std::shared_ptr<const qel::ResultLayout> LayoutOf(const QString& aSql,
                                                      const QSqlRecord& aRecord);
    // Fields for FLayout: those of the last close when it had the same layout.
    void MakeFields();
    const std::vector<qel::ResultColumn>& Columns() const;
    std::vector<qel::BoundValue> BoundParams() const;
    void CheckBrowseMode();
    void CheckEditing() const;
    void CheckCanModify() const;
    void BeginEdit(qel::DataSetState aState);
    void EndEdit();
    const QVariant* CurrentCell(int anIndex) const;
    // Stores aValue in the field unless it holds it already; starts an edit when needed.
    void WriteField(qel::QueryField* aField, const QVariant& aValue);
    void StoreCell(int anIndex, const QVariant& aValue);
    // The WHERE text and values that find the current record in its table.
    QString RowCondition(const std::vector<QVariant>& aRow,
                         std::vector<qel::BoundValue>& aValues) const;
    QString InsertText(const std::vector<size_t>& aSent) const;

    int FWhereCount = 0;
    int FOrderByCount = 0;
    QString FLastError;
    TqelDatabaseConnection* FDatabaseConnection;

    QStringList FLines;
    QString FText;  // the lines joined as Text gives them
    std::vector<std::unique_ptr<qel::QueryParam>> FParams;
    int FTimeout = 30;
    int FDisableCount = 0;

    qel::DataSetState FState = qel::DataSetState::Inactive;
    // Set while open; shared with the connection, which keeps it for the text.
    std::shared_ptr<const qel::ResultLayout> FLayout;
    std::vector<std::unique_ptr<qel::QueryField>> FFields;
    // The fields of the last close, reused when the same layout opens again.
    std::shared_ptr<const qel::ResultLayout> FSpareLayout;
    std::vector<std::unique_ptr<qel::QueryField>> FSpareFields;
    std::vector<std::vector<QVariant>> FRows;
    qsizetype FRecNo = -1;
    bool FEof = true;
    bool FBof = true;
    // The record being edited or inserted, and which of its fields were written.
    std::vector<QVariant> FBuffer;
    std::vector<bool> FAssigned;
    // Counts edits so that a blob stream writes only into the edit it was made for.
    uint64_t FEditSerial = 0;
    std::shared_ptr<TqelQuery*> FSelf;
};
