#pragma once
// The component's platform over automation: the host's login object, its
// database library, the per-thread transaction engine and message service,
// ADO and the platform message box, all reached through IDispatch by the
// class names in force (HostClasses). Failures of the host's objects arrive
// as platform::Error with the number the host raised (3200 and -2147220991
// included), so the run dispatches on them unchanged.
#include <memory>

#include "platform/com/automation.h"
#include "platform/com/host_classes.h"
#include "platform/login.h"
#include "platform/platform.h"

namespace vantyr::platform::com {

// The login object handed in through caLogin.
class ComLogin : public LoginObject {
public:
    explicit ComLogin(Dispatch login) : login_(std::move(login)) {}
    std::string AccountNo() override;
    std::string LoginYear() override;
    // The key travels as a by-reference variant; what the host leaves in it
    // comes back in key.
    bool LoginQuery(int code, Value& key) override;
    IDispatch* raw() const { return login_.raw(); }

private:
    Dispatch login_;
};

class ComPlatform : public Platform {
public:
    explicit ComPlatform(HostClasses classes) : classes_(std::move(classes)) {}

    std::unique_ptr<Database> CreateDatabase() override;
    // Per thread, created on first use and never released (the host keeps its
    // engine for the thread's lifetime).
    TransactionEngine& ThreadTransactionEngine() override;
    MessageService& ThreadMessageService() override;
    MessageBox& PlatformMessageBox() override;
    std::unique_ptr<AdoConnection> CreateAdoConnection() override;
    std::unique_ptr<AdoRecordset> CreateAdoRecordset() override;

private:
    HostClasses classes_;
    std::unique_ptr<MessageBox> box_;
};

}  // namespace vantyr::platform::com
