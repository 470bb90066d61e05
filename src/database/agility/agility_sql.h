#pragma once

#include <functional>
#include <memory>

class TqelDatabase;
class TqelDatabaseConnection;
class TqelQuery;

// What the agility classes share for their own queries.
namespace qel {

// A query of its own on the connection; none without a connection.
std::unique_ptr<TqelQuery> AgilityQuery(TqelDatabaseConnection* aDatabaseConnection);

// Runs aWork in one transaction on aSQL's database, so that a course, a run or a removal is
// stored whole or not at all.
void RunAgilityTransaction(TqelQuery& aSQL, const std::function<void()>& aWork);

// The database object behind aSQL, which draws keys; raises when the connection has none.
TqelDatabase& AgilityDatabase(TqelQuery& aSQL);

// Opens aSQL (its text and parameters set), edits the record found or inserts one when there is
// none, lets aWrite fill it (told whether it inserts) and posts it. A failure cancels the record
// and is passed on; aSQL is closed in every case.
void EditOrInsert(TqelQuery& aSQL, const std::function<void(bool aInserting)>& aWrite);

}  // namespace qel
