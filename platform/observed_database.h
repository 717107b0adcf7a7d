#pragma once
// Decorators that report every statement of a database object, and every
// bracket of the transaction engine, to a RunObserver. In plan mode (a dry
// run) writes are reported as Planned and not sent; reads still run.
#include <memory>
#include <string>

#include "platform/database.h"
#include "platform/run_observer.h"
#include "platform/transaction.h"

namespace vantyr::platform {

enum class SendMode { Send, Plan };

std::unique_ptr<Database> observeDatabase(std::unique_ptr<Database> inner, std::string objectName,
                                          RunObserver& observer, SendMode mode);

std::unique_ptr<TransactionEngine> observeTransactions(TransactionEngine& inner, RunObserver& observer,
                                                       SendMode mode);

}  // namespace vantyr::platform
