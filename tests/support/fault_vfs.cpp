#include "tests/support/fault_vfs.h"

#include <sqlite3.h>

namespace vantyr::testing {
namespace {

FaultVfs* owner(sqlite3_vfs* vfs) { return static_cast<FaultVfs*>(vfs->pAppData); }

// One open file: the wrapper's header followed by the real VFS's file.
struct FaultFile {
    sqlite3_file base;
    FaultVfs* owner;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f)->real; }
int fault(sqlite3_file* f, int io, int natural) { return reinterpret_cast<FaultFile*>(f)->owner->fault(io, natural); }

int xClose(sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); }
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    if (int rc = fault(f, SQLITE_IOERR_READ, SQLITE_IOERR_READ)) return rc;
    return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (int rc = fault(f, SQLITE_IOERR_WRITE, SQLITE_FULL)) return rc;
    return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    if (int rc = fault(f, SQLITE_IOERR_TRUNCATE, SQLITE_IOERR_TRUNCATE)) return rc;
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags) {
    if (int rc = fault(f, SQLITE_IOERR_FSYNC, SQLITE_IOERR_FSYNC)) return rc;
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    if (int rc = fault(f, SQLITE_IOERR_FSTAT, SQLITE_IOERR_FSTAT)) return rc;
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int level) {
    if (int rc = fault(f, SQLITE_IOERR_LOCK, SQLITE_BUSY)) return rc;
    return real(f)->pMethods->xLock(real(f), level);
}
int xUnlock(sqlite3_file* f, int level) {
    if (int rc = fault(f, SQLITE_IOERR_UNLOCK, SQLITE_IOERR_UNLOCK)) {
        real(f)->pMethods->xUnlock(real(f), level);  // the lock is gone all the same, as after a real failure to report it
        return rc;
    }
    return real(f)->pMethods->xUnlock(real(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    if (int rc = fault(f, SQLITE_IOERR_CHECKRESERVEDLOCK, SQLITE_IOERR_CHECKRESERVEDLOCK)) return rc;
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int xSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }

// Version 1 methods: no shared memory, no memory mapping (the engine keeps a rollback journal).
const sqlite3_io_methods kMethods = {1,      xClose,      xRead,        xWrite,
                                     xTruncate, xSync,    xFileSize,    xLock,
                                     xUnlock, xCheckReservedLock, xFileControl, xSectorSize,
                                     xDeviceCharacteristics, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr};

sqlite3_vfs* defaultVfs() {
    static sqlite3_vfs* found = sqlite3_vfs_find(nullptr);
    return found;
}

int xOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* wrapper = reinterpret_cast<FaultFile*>(file);
    wrapper->base.pMethods = nullptr;
    wrapper->owner = owner(vfs);
    wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
    if (int rc = owner(vfs)->fault(SQLITE_CANTOPEN, SQLITE_CANTOPEN)) return rc;
    int rc = defaultVfs()->xOpen(defaultVfs(), name, wrapper->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        if (wrapper->real->pMethods) wrapper->real->pMethods->xClose(wrapper->real);
        return rc;
    }
    wrapper->base.pMethods = &kMethods;
    return SQLITE_OK;
}
int xDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
    if (int rc = owner(vfs)->fault(SQLITE_IOERR_DELETE, SQLITE_IOERR_DELETE)) return rc;
    return defaultVfs()->xDelete(defaultVfs(), name, syncDir);
}
int xAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
    if (int rc = owner(vfs)->fault(SQLITE_IOERR_ACCESS, SQLITE_IOERR_ACCESS)) return rc;
    return defaultVfs()->xAccess(defaultVfs(), name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return defaultVfs()->xFullPathname(defaultVfs(), name, size, out);
}
void* xDlOpen(sqlite3_vfs*, const char* name) { return defaultVfs()->xDlOpen(defaultVfs(), name); }
void xDlError(sqlite3_vfs*, int size, char* out) { defaultVfs()->xDlError(defaultVfs(), size, out); }
void (*xDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
    return defaultVfs()->xDlSym(defaultVfs(), handle, symbol);
}
void xDlClose(sqlite3_vfs*, void* handle) { defaultVfs()->xDlClose(defaultVfs(), handle); }
int xRandomness(sqlite3_vfs*, int size, char* out) { return defaultVfs()->xRandomness(defaultVfs(), size, out); }
int xSleep(sqlite3_vfs*, int micro) { return defaultVfs()->xSleep(defaultVfs(), micro); }
int xCurrentTime(sqlite3_vfs*, double* out) { return defaultVfs()->xCurrentTime(defaultVfs(), out); }
int xGetLastError(sqlite3_vfs*, int size, char* out) { return defaultVfs()->xGetLastError(defaultVfs(), size, out); }

}  // namespace

FaultVfs::FaultVfs() : vfs_(new sqlite3_vfs{}) {
    sqlite3_vfs* base = defaultVfs();
    *vfs_ = sqlite3_vfs{1,
                        static_cast<int>(sizeof(FaultFile)) + base->szOsFile,
                        base->mxPathname,
                        nullptr,
                        kName,
                        this,
                        xOpen,
                        xDelete,
                        xAccess,
                        xFullPathname,
                        xDlOpen,
                        xDlError,
                        xDlSym,
                        xDlClose,
                        xRandomness,
                        xSleep,
                        xCurrentTime,
                        xGetLastError,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr};
    sqlite3_vfs_register(vfs_, 0);
}

FaultVfs& FaultVfs::instance() {
    static FaultVfs* vfs = new FaultVfs();  // registered with SQLite for the life of the process
    return *vfs;
}

void FaultVfs::arm(long failAt, FaultKind kind, bool persistent) {
    failAt_ = failAt;
    kind_ = kind;
    persistent_ = persistent;
    calls_ = 0;
    fired_ = false;
    armed_ = true;
}

int FaultVfs::fault(int ioCode, int naturalCode) {
    if (!armed_) return 0;
    ++calls_;
    if (failAt_ == 0 || calls_ < failAt_ || (calls_ > failAt_ && !persistent_)) return 0;
    fired_ = true;
    return kind_ == FaultKind::Io ? ioCode : naturalCode;
}

}  // namespace vantyr::testing
