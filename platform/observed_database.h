#pragma once
// Decorators that report every statement of a database object, of the ADO
// objects of release 8.50's upgrade, and every bracket of the transaction
// engine, to a RunObserver. In plan mode (a dry run) writes are reported as
// Planned and not sent; reads still run.
#include <memory>
#include <string>

#include "platform/ado.h"
#include "platform/database.h"
#include "platform/run_observer.h"
#include "platform/transaction.h"

namespace vantyr::platform {

enum class SendMode { Send, Plan };

std::unique_ptr<Database> observeDatabase(std::unique_ptr<Database> inner, std::string objectName,
                                          RunObserver& observer, SendMode mode);

// New ADO objects whose statements, recordset opens and row saves are
// reported under `objectName` ("Upgrade"). A recordset of this factory opens
// on a connection of this factory (or on the inner factory's own).
std::unique_ptr<AdoFactory> observeAdo(AdoFactory& inner, std::string objectName, RunObserver& observer,
                                       SendMode mode);

std::unique_ptr<TransactionEngine> observeTransactions(TransactionEngine& inner, RunObserver& observer,
                                                       SendMode mode);

}  // namespace vantyr::platform
