// VantyrHost.Login: the login object of a data directory of the embedded
// engine. Pointing it at a directory starts the thread's login session.
#include <filesystem>
#include <optional>

#include "host/dispatch_object.h"
#include "host/host_classes.h"
#include "host/host_session.h"
#include "platform/login.h"
#include "platform/sqlite/data_directory.h"

namespace vantyr::host {

namespace {

class LoginObject : public DispatchObject {
public:
    LoginObject() : DispatchObject({L"DataDirectory", L"AccountNo", L"LoginYear", L"LoginQuery"}) {}

    Variant invoke(DISPID id, const Call& call) override {
        switch (id) {
        case 1:
            if (!call.isPut()) return Variant(directoryText_);
            directoryText_ = call.assigned().toText();
            directory_.emplace(std::filesystem::path(platform::com::widen(directoryText_)));
            HostSession::thread().login(*directory_);
            return {};
        case 2: return property(account_, call);
        case 3: return property(year_, call);
        default: {
            // LoginQuery(code, key): code 10 asks whether the key's database exists.
            int code = call.value(0).toInt16();
            if (code != platform::kQueryDatabaseExists || !directory_) return boolResult(false);
            return boolResult(directory_->byKey(call.text(1)).has_value());
        }
        }
    }

private:
    static Variant property(std::string& field, const Call& call) {
        if (!call.isPut()) return Variant(field);
        field = call.assigned().toText();
        return {};
    }

    std::string directoryText_, account_, year_;
    std::optional<platform::sqlite::DataDirectory> directory_;
};

}  // namespace

DispatchObject* createLogin() { return new LoginObject(); }

}  // namespace vantyr::host
