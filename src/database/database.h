#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "database/database_connection.h"
#include "database/database_manager.h"
#include "database/query.h"
#include "database/stored_procedure.h"
#include "foundation/small_set.h"

class IlpmProgress;

enum TqelDBInitResult : uint8_t {
    dbinitError,
    dbinitConneted,
    dbinitConnectionStringCreated,
    dbinitChangedDB,
    dbinitDBNewer,
    dbinitDBOlder
};
using TSetOfqelDBInitResult = qel::SmallSet<6>;

// The object through which the program reaches a database: it owns the connection, reports how
// connecting went and hands out primary keys, from the stored procedures sp_NextValue and
// sp_NEXTRANGE when the server has them, else from the table SEQUENCES. Connecting to a SQLite
// file also creates the tables the file lacks (see schema.h).
//
// A database object, its connection, its queries and its rows belong to the thread that
// creates it; nothing here locks. Key drawing is safe between database objects and programs
// on the same database: each draw is one transaction.
class TqelDatabase {
public:
    // With a manager, every change of the connection state is reported to it.
    explicit TqelDatabase(IqelDatabaseManager* aManager = nullptr);
    ~TqelDatabase();
    TqelDatabase(const TqelDatabase&) = delete;
    TqelDatabase& operator=(const TqelDatabase&) = delete;

    // Connects with a whole connection string. False only when connecting failed (the set
    // then holds dbinitError and ConnectionError why); an empty string gives {dbinitError} and
    // true. aDontShowMessages, lProgress and aDoUpdateDB have no effect.
    bool Initialize(const QString& aConnectionString, bool aOpenDelayed, bool aDontShowMessages,
                    QString& anErrorMsg, IlpmProgress* lProgress, bool aDoUpdateDB);
    bool Initialize(const QString& aConnectionString);
    // Connects with the string of a data-link file ([oledb] Provider=...).
    bool InitFromUDL(const QString& aUDLFile);

    // Keys: the next one of aSequence, or the first of aNumberOfValues reserved in one go (a
    // count below 1 reserves one). Raise when the table cannot be read or written.
    int32_t GetNextValue(const QString& aSequence);
    int32_t GetNextRange(const QString& aSequence, int32_t aNumberOfValues);
    // Draws a key into aField only while its query inserts a record; returns the field's key.
    int32_t GetPrimaryKey(qel::QueryField* aField, const QString& aSequence);

    // Connects when needed; a transaction that cannot begin closes the connection and raises.
    void StartTransaction();
    void Commit();
    void Rollback();

    // Called by the connection on every state change.
    void OnConnectionStateChanged(TqelDBConnectionState aState);
    void LogMessage(int32_t EventID, int32_t MessageID, const QString& sMessage);

    IqelDatabaseManager* Callback() const { return FCallback.get(); }
    // Reports the connection's current state to a new manager at once.
    void setCallback(IqelDatabaseManager* aValue);

    bool IsAccessDB() const;
    TqelDatabaseConnection* Connection() const { return FDatabaseConnection.get(); }
    const QString& ConnectionString() const { return FConnectionString; }
    bool Connected() const;
    TSetOfqelDBInitResult ConnectResult() const { return FConnectResult; }
    const QString& ConnectionError() const { return FConnectionError; }
    int ConnectionTimeout() const { return FDatabaseConnection->ConnectionTimeout(); }
    void setConnectionTimeout(int aValue) { FDatabaseConnection->setConnectionTimeout(aValue); }
    QString Catalogus() const { return FDatabaseConnection->Catalogus(); }

    // Makes the objects that call the key procedures; tests put in their own.
    using ProcedureFactory =
        std::function<std::unique_ptr<qel::StoredProcedure>(TqelDatabaseConnection*)>;
    void setProcedureFactory(ProcedureFactory aFactory) { FProcedureFactory = std::move(aFactory); }
    bool HasNextValueProcedure() const { return FprocSequence != nullptr; }
    bool HasNextRangeProcedure() const { return FprocSeqRange != nullptr; }

    // For references that must notice when this object goes (rows, lists).
    std::weak_ptr<void> Alive() const { return FAlive; }

private:
    void ProbeProcedure(std::unique_ptr<qel::StoredProcedure>& aProcedure, const QString& aName);
    int32_t DrawFromTable(const QString& aSequence, int32_t aCount);
    // The first time a procedure fails and the table stands in, the manager's log says why.
    void LogFallback(const qel::StoredProcedure& aProcedure, const std::exception& anError);

    qel::GuardedRef<IqelDatabaseManager> FCallback;
    std::unique_ptr<TqelDatabaseConnection> FDatabaseConnection;
    std::unique_ptr<TqelQuery> FqrySecuence;
    std::unique_ptr<qel::StoredProcedure> FprocSequence;
    std::unique_ptr<qel::StoredProcedure> FprocSeqRange;
    QString FConnectionError;
    bool FDidConnect = false;
    bool FFallbackLogged = false;
    TSetOfqelDBInitResult FConnectResult;
    QString FConnectionString;
    ProcedureFactory FProcedureFactory;
    std::shared_ptr<void> FAlive;
};
