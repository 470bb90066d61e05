#include "database/database.h"

#include <QSqlQuery>
#include <limits>

#include "database/schema.h"
#include "platform/exception.h"
#include "platform/ini_file.h"

namespace {

const QString kNextValueProcedure = QStringLiteral("sp_NextValue");
const QString kNextRangeProcedure = QStringLiteral("sp_NEXTRANGE");

int32_t ToKey(const QVariant& aValue, const QString& aSequence) {
    bool ok = false;
    const qlonglong value = aValue.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        throw EConvertError(QStringLiteral("'%1' is not a valid key of sequence %2")
                                .arg(aValue.toString(), aSequence));
    }
    return static_cast<int32_t>(value);
}

}  // namespace

TqelDatabase::TqelDatabase(IqelDatabaseManager* aManager)
    : FCallback(aManager),
      FDatabaseConnection(std::make_unique<TqelDatabaseConnection>(this)),
      FqrySecuence(std::make_unique<TqelQuery>(FDatabaseConnection.get())),
      FAlive(std::make_shared<char>()) {
    FDatabaseConnection->OnConnectionStateChanged = [this](TqelDBConnectionState aState) {
        OnConnectionStateChanged(aState);
    };
}

TqelDatabase::~TqelDatabase() {
    FAlive.reset();
    FCallback.reset();
    FDatabaseConnection->OnConnectionStateChanged = nullptr;
}

bool TqelDatabase::Initialize(const QString& aConnectionString) {
    QString error;
    return Initialize(aConnectionString, false, false, error, nullptr, true);
}

bool TqelDatabase::Initialize(const QString& aConnectionString, bool aOpenDelayed,
                              bool aDontShowMessages, QString& anErrorMsg, IlpmProgress* lProgress,
                              bool aDoUpdateDB) {
    FConnectionString = aConnectionString;
    FConnectResult.clear();
    if (aConnectionString.isEmpty()) {
        FConnectResult.include(dbinitError);
        FConnectionError = QStringLiteral("No database connection string");
        return true;
    }
    // The whole string goes in as it stands; any change closes the connection.
    FDatabaseConnection->setServerType(adostOLEDB);
    FDatabaseConnection->setProvider(QString());
    FDatabaseConnection->setServerName(aConnectionString);
    if (FDatabaseConnection->Active()) {
        FConnectResult.include(dbinitConneted);
    } else {
        FConnectResult.include(dbinitChangedDB);
        if (!aOpenDelayed) {
            try {
                FDatabaseConnection->Connect();
                if (FDatabaseConnection->Active()) {
                    // A new SQLite file gets its tables before anyone reads it.
                    qel::SchemaRegistry::Global().Apply(*FDatabaseConnection);
                }
            } catch (const Exception& e) {
                FConnectionError = e.Message();
                anErrorMsg = e.Message();
                FConnectResult.include(dbinitError);
                return false;
            }
            if (FDatabaseConnection->Active()) {
                FConnectResult.include(dbinitConneted);
            }
        }
    }
    ProbeProcedure(FprocSequence, kNextValueProcedure);
    ProbeProcedure(FprocSeqRange, kNextRangeProcedure);
    FqrySecuence->setText(QStringLiteral("select * from SEQUENCES where SQ_TABLE = :SQ_TABLE"));
    return true;
}

bool TqelDatabase::InitFromUDL(const QString& aUDLFile) {
    const qel::IniFile udl(aUDLFile);
    return Initialize(QStringLiteral("Provider=") + udl.ReadString(QStringLiteral("oledb"),
                                                                   QStringLiteral("Provider"),
                                                                   QString()));
}

void TqelDatabase::ProbeProcedure(std::unique_ptr<qel::StoredProcedure>& aProcedure,
                                  const QString& aName) {
    try {
        if (!aProcedure) {
            aProcedure = FProcedureFactory
                             ? FProcedureFactory(FDatabaseConnection.get())
                             : std::make_unique<qel::StoredProcedure>(FDatabaseConnection.get());
        }
        if (aProcedure) {
            aProcedure->setProcedureName(aName);
            aProcedure->Refresh();
            if (aProcedure->ParamCount() > 0) {
                return;
            }
        }
    } catch (const std::exception&) {
        // Without the procedure the keys come from the table.
    }
    aProcedure.reset();
}

int32_t TqelDatabase::GetNextValue(const QString& aSequence) {
    if (FprocSequence) {
        try {
            FprocSequence->setInput(0, aSequence);
            FprocSequence->ExecProc();
            return ToKey(FprocSequence->ReturnValue(), aSequence);
        } catch (const std::exception& e) {
            // A failing procedure is as good as none, but says so.
            LogFallback(*FprocSequence, e);
        }
    }
    return DrawFromTable(aSequence, 1);
}

int32_t TqelDatabase::GetNextRange(const QString& aSequence, int32_t aNumberOfValues) {
    if (FprocSeqRange) {
        try {
            FprocSeqRange->setInput(0, aSequence);
            FprocSeqRange->setInput(1, aNumberOfValues);
            FprocSeqRange->ExecProc();
            return ToKey(FprocSeqRange->ReturnValue(), aSequence);
        } catch (const std::exception& e) {
            LogFallback(*FprocSeqRange, e);
        }
    }
    return DrawFromTable(aSequence, aNumberOfValues > 0 ? aNumberOfValues : 1);
}

void TqelDatabase::LogFallback(const qel::StoredProcedure& aProcedure,
                               const std::exception& anError) {
    if (FFallbackLogged) {
        return;
    }
    FFallbackLogged = true;
    const auto* known = dynamic_cast<const Exception*>(&anError);
    LogMessage(0, 0,
               QStringLiteral("Stored procedure %1 failed (%2); keys come from the table SEQUENCES")
                   .arg(aProcedure.ProcedureName(),
                        known ? known->Message() : QString::fromUtf8(anError.what())));
}

int32_t TqelDatabase::DrawFromTable(const QString& aSequence, int32_t aCount) {
    if (FqrySecuence->Text().isEmpty()) {
        throw EDatabaseError(QStringLiteral("The database has not been initialized"));
    }
    TqelDatabaseConnection& connection = *FDatabaseConnection;
    if (!connection.Active()) {
        connection.Connect();
    }
    // Two connections must never hand out the same key: the row is changed first, which locks
    // it (SQLite: the whole file, taken at the start) until the transaction ends, and then read.
    // Inside a caller's transaction the draw is part of that one.
    const bool own = !connection.InTransaction();
    const bool sqlite = connection.Dialect() == qel::SqlDialect::SQLite;
    if (own) {
        if (sqlite) {
            connection.Execute(QStringLiteral("begin immediate"), {});
        } else {
            connection.StartTransaction();
        }
    }
    int32_t first = 0;
    try {
        // The limit keeps the stored value within the 32-bit keys, also where a driver would
        // wrap it on reading. SQLite answers the new value with the change itself.
        const std::vector<qel::BoundValue> values{
            {QStringLiteral("SQ_STEP"), qlonglong{aCount}},
            {QStringLiteral("SQ_TABLE"), aSequence},
            {QStringLiteral("SQ_LIMIT"), qlonglong{std::numeric_limits<int32_t>::max() - aCount}}};
        static const QString change = QStringLiteral(
            "update SEQUENCES set SQ_VALUE = coalesce(SQ_VALUE, 0) + :SQ_STEP where SQ_TABLE = "
            ":SQ_TABLE and coalesce(SQ_VALUE, 0) <= :SQ_LIMIT");
        static const QString changeAndAnswer = change + QStringLiteral(" returning SQ_VALUE");
        QVariant last;
        bool known = false;
        bool changed = false;
        if (connection.NativeSQLite()) {
            QSqlQuery query = connection.Execute(changeAndAnswer, values);
            known = changed = query.next();
            if (known) {
                last = query.value(0);
            }
            query.finish();
        } else {
            changed = connection.Execute(change, values).numRowsAffected() != 0;
        }
        if (!changed) {
            FqrySecuence->SetParamAsString(QStringLiteral("SQ_TABLE"), aSequence);
            FqrySecuence->Open();
            if (!FqrySecuence->IsEmpty()) {
                throw EConvertError(QStringLiteral("Sequence %1 has no keys left").arg(aSequence));
            }
            FqrySecuence->Close();
            connection.Execute(
                QStringLiteral(
                    "insert into SEQUENCES (SQ_TABLE, SQ_VALUE) values (:SQ_TABLE, :SQ_STEP)"),
                values);
        }
        if (!known) {
            FqrySecuence->SetParamAsString(QStringLiteral("SQ_TABLE"), aSequence);
            FqrySecuence->Open();
            last = FqrySecuence->GetFieldAsVariant(QStringLiteral("SQ_VALUE"));
            FqrySecuence->Close();
        }
        first = ToKey(qlonglong{ToKey(last, aSequence)} - aCount + 1, aSequence);
        if (own) {
            if (sqlite) {
                connection.Execute(QStringLiteral("commit"), {});
            } else {
                connection.Commit();
            }
        }
    } catch (...) {
        FqrySecuence->Close();
        if (own) {
            try {
                if (sqlite) {
                    connection.Execute(QStringLiteral("rollback"), {});
                } else {
                    connection.Rollback();
                }
            } catch (...) {
                // The first failure is the one to report.
            }
        }
        throw;
    }
    return first;
}

int32_t TqelDatabase::GetPrimaryKey(qel::QueryField* aField, const QString& aSequence) {
    qel::Assert(aField != nullptr, QStringLiteral("GetPrimaryKey needs a key field."));
    if (aField->DataSet()->State() == qel::DataSetState::Insert) {
        aField->setReadOnly(false);
        aField->setAsInteger(GetNextValue(aSequence));
    }
    return aField->AsInteger();
}

void TqelDatabase::StartTransaction() {
    if (!FDatabaseConnection->Active()) {
        FDatabaseConnection->Connect();
    }
    try {
        FDatabaseConnection->StartTransaction();
    } catch (...) {
        FDatabaseConnection->Disconnect();
        throw;
    }
}

void TqelDatabase::Commit() {
    FDatabaseConnection->Commit();
}

void TqelDatabase::Rollback() {
    FDatabaseConnection->Rollback();
}

void TqelDatabase::OnConnectionStateChanged(TqelDBConnectionState aState) {
    if (IqelDatabaseManager* manager = FCallback.get()) {
        manager->ConnectionStateChanged(aState);
    }
    if (aState == idbcsConnected) {
        FDidConnect = true;
    }
}

void TqelDatabase::LogMessage(int32_t EventID, int32_t MessageID, const QString& sMessage) {
    if (IqelDatabaseManager* manager = FCallback.get()) {
        manager->LogMessage(EventID, MessageID, sMessage);
    }
}

void TqelDatabase::setCallback(IqelDatabaseManager* aValue) {
    FCallback = aValue;
    if (aValue) {
        aValue->ConnectionStateChanged(FDatabaseConnection->ConnectionState());
    }
}

bool TqelDatabase::IsAccessDB() const {
    return FConnectionString.contains(QStringLiteral("Microsoft.ACE.OLEDB.12"));
}

bool TqelDatabase::Connected() const {
    return FDatabaseConnection->KeepConnection() ? FDatabaseConnection->Active() : FDidConnect;
}
