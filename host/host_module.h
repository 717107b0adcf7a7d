#pragma once
// The host DLL's module handle and its count of live objects and locks.
#include <windows.h>

#include <atomic>

namespace vantyr::host {

class HostModule {
public:
    static HostModule& instance();
    HMODULE handle() const { return handle_; }
    void setHandle(HMODULE handle) { handle_ = handle; }
    void lock() { ++locks_; }
    void unlock() { --locks_; }
    bool inUse() const { return locks_ > 0; }

private:
    HMODULE handle_ = nullptr;
    std::atomic<long> locks_{0};
};

}  // namespace vantyr::host
