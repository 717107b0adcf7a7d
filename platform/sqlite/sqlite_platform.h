#pragma once
// The embedded engine as the component's platform: database objects over one
// shared session on a data directory, the transaction engine that brackets
// that session, and the message box and service the host supplies.
#include <memory>

#include "platform/platform.h"
#include "platform/sqlite/session.h"

namespace vantyr::platform::sqlite {

class SqliteTransactions : public TransactionEngine {
public:
    explicit SqliteTransactions(std::shared_ptr<Session> session) : session_(std::move(session)) {}
    void BeginTrans() override { session_->begin(); }
    void CommitTrans() override { session_->commit(); }
    void Rollback() override { session_->rollback(); }

private:
    std::shared_ptr<Session> session_;
};

class SqlitePlatform : public Platform {
public:
    SqlitePlatform(DataDirectory directory, MessageBox& box, MessageService& service)
        : session_(std::make_shared<Session>(std::move(directory))), transactions_(session_), box_(box),
          service_(service) {}

    std::unique_ptr<Database> CreateDatabase() override;
    TransactionEngine& ThreadTransactionEngine() override { return transactions_; }
    MessageService& ThreadMessageService() override { return service_; }
    MessageBox& PlatformMessageBox() override { return box_; }
    std::unique_ptr<AdoConnection> CreateAdoConnection() override;
    std::unique_ptr<AdoRecordset> CreateAdoRecordset() override;

    Session& session() { return *session_; }

private:
    std::shared_ptr<Session> session_;
    SqliteTransactions transactions_;
    MessageBox& box_;
    MessageService& service_;
};

}  // namespace vantyr::platform::sqlite
