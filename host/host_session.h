#pragma once
// The host's login session of a thread: the data directory that the last
// VantyrHost.Login of the thread was pointed at, and the one embedded-engine
// session over it that every VantyrHost.Database and VantyrHost.DBEngine of
// the thread share (so the engine's bracket covers their statements). As in
// the suite, a database object can be opened only after a login.
#include <memory>

#include "platform/sqlite/session.h"

namespace vantyr::host {

class HostSession {
public:
    static HostSession& thread();

    // Starts a new session on the directory (the old one ends when unused).
    void login(platform::sqlite::DataDirectory directory);
    // The session of the last login. Raises when the thread has none.
    std::shared_ptr<platform::sqlite::Session> session() const;

private:
    std::shared_ptr<platform::sqlite::Session> session_;
};

}  // namespace vantyr::host
