#include "host/host_session.h"

#include "platform/error.h"

namespace vantyr::host {

HostSession& HostSession::thread() {
    static thread_local HostSession session;
    return session;
}

void HostSession::login(platform::sqlite::DataDirectory directory) {
    session_ = std::make_shared<platform::sqlite::Session>(std::move(directory));
}

std::shared_ptr<platform::sqlite::Session> HostSession::session() const {
    if (!session_)
        throw platform::Error(platform::kErrObjectNotSet,
                              "No login on this thread: set the DataDirectory of a VantyrHost.Login first");
    return session_;
}

}  // namespace vantyr::host
