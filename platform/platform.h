#pragma once
// The factory through which the run reaches its platform: it creates the two
// database objects of a run and hands out the per-thread transaction engine
// and message service (created on first use, kept for the thread). Backends
// and tests implement it to inject their own objects.
#include <memory>

#include "platform/ado.h"
#include "platform/database.h"
#include "platform/messages.h"
#include "platform/transaction.h"

namespace vantyr::platform {

class Platform : public AdoFactory {
public:
    virtual ~Platform() = default;
    virtual std::unique_ptr<Database> CreateDatabase() = 0;
    virtual TransactionEngine& ThreadTransactionEngine() = 0;
    // Release 8.61's message service. Raises when it cannot be created.
    virtual MessageService& ThreadMessageService() = 0;
    // Release 8.50's platform message box.
    virtual MessageBox& PlatformMessageBox() = 0;
    // New, unopened ADO objects (release 8.50's upgrade opens its own):
    // CreateAdoConnection and CreateAdoRecordset of AdoFactory.
};

}  // namespace vantyr::platform
