#pragma once
// A SQLite VFS for tests that wraps the default one and fails one call of the
// files it opens, in the manner of SQLite's own fault simulation: while armed
// it counts every call that can fail (open, delete, access, read, write,
// truncate, sync, file size, lock, unlock, reserved-lock check) and makes call
// number `failAt` fail, once or from then on. The engine opens its files
// through it when the data directory's options name it.
#include <string>

struct sqlite3_vfs;

namespace vantyr::testing {

enum class FaultKind {
    Io,       // every call fails with its own I/O error code
    Natural,  // a write says the disk is full, a lock says busy, the others an I/O error
};

class FaultVfs {
public:
    // Registers the VFS once per process (not as the default) and returns it.
    static FaultVfs& instance();
    static constexpr const char* kName = "vantyr-fault";

    // Counts calls from now on; call number failAt (1-based) fails, and every
    // later one when persistent. failAt 0 only counts.
    void arm(long failAt, FaultKind kind = FaultKind::Natural, bool persistent = false);
    void disarm() { armed_ = false; }
    long calls() const { return calls_; }
    bool fired() const { return fired_; }

    // Called by the wrapped methods: the code to fail with, or 0 to go on.
    int fault(int ioCode, int naturalCode);

private:
    FaultVfs();
    sqlite3_vfs* vfs_;
    bool armed_ = false, persistent_ = false, fired_ = false;
    long failAt_ = 0, calls_ = 0;
    FaultKind kind_ = FaultKind::Natural;
};

}  // namespace vantyr::testing
