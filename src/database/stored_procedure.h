#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

class TqelDatabaseConnection;

namespace qel {

// Calls a stored procedure of the server and reads its return value. SQLite has no stored
// procedures: Refresh finds none there.
class StoredProcedure {
public:
    explicit StoredProcedure(TqelDatabaseConnection* aConnection);
    virtual ~StoredProcedure() = default;
    StoredProcedure(const StoredProcedure&) = delete;
    StoredProcedure& operator=(const StoredProcedure&) = delete;

    const QString& ProcedureName() const { return FProcedureName; }
    // Forgets the parameters of the procedure named before.
    void setProcedureName(const QString& aValue);

    // Reads the procedure's parameters from the server: the return value first, then the
    // inputs in order. None when the server has no such procedure; raises when it cannot say.
    virtual void Refresh();
    // Parameters including the return value.
    int ParamCount() const { return static_cast<int>(FParamNames.size()); }
    const QStringList& ParamNames() const { return FParamNames; }
    // The anIndex-th input (0 is the first after the return value). Raises
    // EArgumentOutOfRangeException for a position the procedure does not have.
    void setInput(int anIndex, const QVariant& aValue);
    const std::vector<QVariant>& Inputs() const { return FInputs; }

    // Runs the procedure with its inputs; raises EProviderError when the server fails it.
    virtual void ExecProc();
    // The return value of the last run (NULL before one).
    const QVariant& ReturnValue() const { return FReturnValue; }

protected:
    TqelDatabaseConnection* Connection() const { return FConnection; }
    void setParamNames(const QStringList& aNames);
    void setReturnValue(const QVariant& aValue) { FReturnValue = aValue; }

private:
    TqelDatabaseConnection* FConnection;
    QString FProcedureName;
    QStringList FParamNames;
    std::vector<QVariant> FInputs;
    QVariant FReturnValue;
};

}  // namespace qel
