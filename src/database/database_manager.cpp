#include "database/database_manager.h"

qel::GuardedRef<IqelDatabaseManager> DatabaseManager;
