#pragma once
// The ODBC backend as the component's platform: database objects over the
// run's one connection, the transaction engine that brackets that connection
// (autocommit off between BeginTrans and CommitTrans/Rollback), ADO objects
// that open connections of their own, and the message box and service the
// host supplies.
#include <memory>

#include "platform/odbc/session.h"
#include "platform/platform.h"

namespace vantyr::platform::odbc {

class OdbcTransactions : public TransactionEngine {
public:
    explicit OdbcTransactions(std::shared_ptr<Session> session) : session_(std::move(session)) {}
    void BeginTrans() override { session_->begin(); }
    void CommitTrans() override { session_->commit(); }
    void Rollback() override { session_->rollback(); }

private:
    std::shared_ptr<Session> session_;
};

class OdbcPlatform : public Platform {
public:
    OdbcPlatform(std::shared_ptr<Session> session, MessageBox& box, MessageService& service)
        : session_(std::move(session)), transactions_(session_), box_(box), service_(service) {}

    std::unique_ptr<Database> CreateDatabase() override;
    TransactionEngine& ThreadTransactionEngine() override { return transactions_; }
    MessageService& ThreadMessageService() override { return service_; }
    MessageBox& PlatformMessageBox() override { return box_; }
    std::unique_ptr<AdoConnection> CreateAdoConnection() override;
    std::unique_ptr<AdoRecordset> CreateAdoRecordset() override;

    const std::shared_ptr<Session>& session() const { return session_; }

private:
    std::shared_ptr<Session> session_;
    OdbcTransactions transactions_;
    MessageBox& box_;
    MessageService& service_;
};

}  // namespace vantyr::platform::odbc
