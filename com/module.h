#pragma once
// What an in-process server keeps for its whole load: its module handle and
// the count of live objects and server locks that DllCanUnloadNow reads.
#include <windows.h>

#include <atomic>

namespace vantyr::com {

class Module {
public:
    static Module& instance();

    HMODULE handle() const { return handle_; }
    void setHandle(HMODULE handle) { handle_ = handle; }
    void lock() { ++locks_; }
    void unlock() { --locks_; }
    bool inUse() const { return locks_ > 0; }

private:
    HMODULE handle_ = nullptr;
    std::atomic<long> locks_{0};
};

// Holds a lock on the module for its lifetime (one per live object).
class ModuleLock {
public:
    ModuleLock() { Module::instance().lock(); }
    ~ModuleLock() { Module::instance().unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace vantyr::com
