// Storage failures on real files end the run: a damaged, locked, read-only or
// full account-year database stops the carry-over with a message naming the
// file and the cause, never as a statement passed over and never as "first
// year of use"; both files stay as they were (the previous year at most with
// its closing-month mark, when the failure is found after it).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "cli/commands.h"
#include "platform/error.h"
#include "tests/support/storage_run.h"

namespace vantyr::testing {
namespace {

using platform::RunEnd;
using platform::sqlite::ConnectionOptions;
using platform::sqlite::DataDirectory;

std::string bytesOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Another process holding a lock on one file: `sql` runs in a transaction
// left open, until `holdMs` ran out (0: until the holder is destroyed).
class LockHolder {
public:
    LockHolder(const std::filesystem::path& file, const std::string& sql, int holdMs = 0) {
        int ready[2];
        if (pipe(ready) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            try {
                platform::sqlite::Connection db(file.string(), false);
                if (sql == "read") {
                    db.exec("BEGIN");
                    db.prepare("SELECT count(*) FROM sqlite_master").step();
                } else {
                    db.exec(sql);
                }
                char ok = 1;
                if (write(ready[1], &ok, 1) != 1) _exit(1);
                if (holdMs > 0) usleep(static_cast<useconds_t>(holdMs) * 1000);
                else pause();
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        close(ready[1]);
        char ok = 0;
        if (read(ready[0], &ok, 1) != 1) ok = 0;
        close(ready[0]);
        if (!ok) throw std::runtime_error("the lock holder could not take its lock");
    }
    ~LockHolder() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = -1;
};

class StorageFailureTest : public DemoFixture {
protected:
    void SetUp() override {
        makeDemo(Release::V861, 12);
        before = stateOf(directory);
    }
    DataDirectory waitingBriefly() const { return DataDirectory(temp.path(), ConnectionOptions{"", 150}); }
    std::filesystem::path reference() const { return temp.path() / "reference"; }
    // The run on copies of both files in reference(), undisturbed: what a run commits.
    StorageRun runOnACopy() {
        std::filesystem::create_directories(reference());
        for (const char* y : {"2004", "2005"}) std::filesystem::copy_file(file(y), reference() / file(y).filename());
        StorageRun expected = runOn(DataDirectory(reference()), Release::V861);
        EXPECT_EQ(expected.end, RunEnd::Committed) << expected.messages;
        return expected;
    }

    // The run ended without anything written and named the file.
    void expectRefusedBeforeAnything(const StorageRun& run, const std::string& year, const std::string& cause) {
        EXPECT_EQ(run.end, RunEnd::NotOpened) << run.messages;
        EXPECT_NE(run.messages.find("QXDATA_001_" + year + " ("), std::string::npos) << run.messages;
        EXPECT_NE(run.messages.find(cause), std::string::npos) << run.messages;
        EXPECT_EQ(run.messages.find("first year"), std::string::npos) << run.messages;
        EXPECT_EQ(run.messages.find("completed successfully"), std::string::npos) << run.messages;
    }

    DemoState before;
};

// Damaged files, found by the check on opening: before the mark, nothing written.
struct Damage {
    const char* name;
    const char* year;
    void (*apply)(const std::filesystem::path&);
    const char* cause;
};

const Damage kDamages[] = {
    {"garbage current year", "2005", [](const std::filesystem::path& f) { std::ofstream(f, std::ios::binary) << std::string(8192, 'x'); },
     "is not a database or is damaged"},
    {"truncated current year", "2005",
     [](const std::filesystem::path& f) { std::filesystem::resize_file(f, std::filesystem::file_size(f) / 2); },
     "damaged"},
    {"empty current year", "2005", [](const std::filesystem::path& f) { std::filesystem::resize_file(f, 0); },
     "holds no catalogue"},
    {"garbage previous year", "2004", [](const std::filesystem::path& f) { std::ofstream(f, std::ios::binary) << std::string(4096, '\x7f'); },
     "is not a database or is damaged"},
    {"truncated previous year", "2004",
     [](const std::filesystem::path& f) { std::filesystem::resize_file(f, std::filesystem::file_size(f) - 1000); },
     "is damaged: the file holds"},
};

TEST_F(StorageFailureTest, DamagedFilesStopTheRunBeforeAnythingIsWritten) {
    for (const auto& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        auto copyDir = temp.path() / "pristine";
        std::filesystem::create_directories(copyDir);
        for (const char* y : {"2004", "2005"})
            std::filesystem::copy_file(file(y), copyDir / file(y).filename(), std::filesystem::copy_options::overwrite_existing);
        damage.apply(file(damage.year));
        std::string damaged = bytesOf(file(damage.year));

        StorageRun run = runOn(directory, Release::V861);
        expectRefusedBeforeAnything(run, damage.year, damage.cause);
        EXPECT_TRUE(bytesOf(file(damage.year)) == damaged);
        const char* other = std::string(damage.year) == "2004" ? "2005" : "2004";
        EXPECT_EQ(firstDifference(std::string(other) == "2004" ? before.prev : before.cur, Probe(file(other)).dump()), "");

        for (const char* y : {"2004", "2005"})
            std::filesystem::copy_file(copyDir / file(y).filename(), file(y), std::filesystem::copy_options::overwrite_existing);
    }
}

TEST_F(StorageFailureTest, TheCommandExitsThreeNamingTheDamagedFile) {
    std::ofstream(file("2005"), std::ios::binary) << std::string(8192, 'x');
    std::ostringstream out, err;
    std::istringstream in;
    cli::Console console{out, err, in, false, false};
    cli::CarryOverOptions o;
    o.data = temp.path().string();
    o.account = "001";
    o.year = "2005";
    o.yes = true;
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage);
    EXPECT_NE(err.str().find(file("2005").string()), std::string::npos) << err.str();
    EXPECT_EQ(firstDifference(before.prev, Probe(file("2004")).dump()), "");
}

// Locks another process holds: (file, what it holds, the year named).
struct HeldLock {
    const char* name;
    const char* year;
    const char* sql;
};

const HeldLock kHeldLocks[] = {
    {"write lock on the current year", "2005", "BEGIN EXCLUSIVE"},
    {"read lock on the current year", "2005", "read"},
    {"write lock on the previous year", "2004", "BEGIN EXCLUSIVE"},
    {"read lock on the previous year", "2004", "read"},
};

TEST_F(StorageFailureTest, ALockHeldPastTheWaitStopsTheRunNamingTheFile) {
    for (const auto& lock : kHeldLocks) {
        SCOPED_TRACE(lock.name);
        StorageRun run;
        {
            LockHolder holder(file(lock.year), lock.sql);
            run = runOn(waitingBriefly(), Release::V861);
        }
        expectRefusedBeforeAnything(run, lock.year, "is locked by another user or process");
        EXPECT_EQ(firstDifference(before.prev, Probe(file("2004")).dump()), "");
        EXPECT_EQ(firstDifference(before.cur, Probe(file("2005")).dump()), "");
    }
}

TEST_F(StorageFailureTest, ALockReleasedWithinTheWaitOnlyDelaysTheRun) {
    StorageRun expected = runOnACopy();

    StorageRun run;
    {
        LockHolder holder(file("2005"), "BEGIN EXCLUSIVE", 300);  // the default wait is far longer
        run = runOn(directory, Release::V861);
    }
    EXPECT_EQ(run.end, RunEnd::Committed) << run.messages;
    EXPECT_EQ(run.skipped, expected.skipped);
    EXPECT_EQ(firstDifference(Probe(reference() / file("2005").filename()).dump(), Probe(file("2005")).dump()), "");
}

TEST_F(StorageFailureTest, AReaderHoldingTheCurrentYearAtTheCommitRollsTheRunBack) {
    std::unique_ptr<Probe> reader;
    StorageRun run = runOn(waitingBriefly(), Release::V861, [&](int step, platform::sqlite::SqlitePlatform&) {
        if (step != 3) return;
        reader = std::make_unique<Probe>(file("2005"));
        reader->exec("BEGIN");
        reader->count("select count(*) from ca_cbsys");
    });
    reader.reset();
    EXPECT_EQ(run.end, RunEnd::RolledBack) << run.messages;
    EXPECT_NE(run.messages.find("The changes could not be committed"), std::string::npos) << run.messages;
    EXPECT_NE(run.messages.find("QXDATA_001_2005 ("), std::string::npos) << run.messages;
    EXPECT_EQ(run.messages.find("completed successfully"), std::string::npos) << run.messages;
    EXPECT_EQ(firstDifference(before.cur, Probe(file("2005")).dump()), "");
    EXPECT_EQ(firstDifference(before.prevMarked, Probe(file("2004")).dump()), "");
}

// A storage failure is in the trace as the statement that ended the run, never as one skipped.
bool storageFailureOnlyEndsTheRun(const std::string& trace, long number) {
    std::istringstream lines(trace);
    std::string line;
    int failed = 0;
    while (std::getline(lines, line)) {
        if (line.find("\"number\":" + std::to_string(number)) == std::string::npos) continue;
        if (line.find("\"outcome\":\"failed\"") == std::string::npos) return false;
        ++failed;
    }
    return failed == 1;
}

TEST_F(StorageFailureTest, AReaderGoneBeforeTheCommitLeavesTheRunAsWithoutIt) {
    StorageRun expected = runOnACopy();

    std::unique_ptr<Probe> reader;
    StorageRun run = runOn(waitingBriefly(), Release::V861, [&](int step, platform::sqlite::SqlitePlatform&) {
        if (step == 3) {
            reader = std::make_unique<Probe>(file("2005"));
            reader->exec("BEGIN");
            reader->count("select count(*) from ca_cbsys");
        }
        if (step == 6) reader.reset();
    });
    EXPECT_EQ(run.end, RunEnd::Committed) << run.messages;
    EXPECT_EQ(run.skipped, expected.skipped);
    EXPECT_EQ(firstDifference(Probe(reference() / file("2005").filename()).dump(), Probe(file("2005")).dump()), "");
}

TEST_F(StorageFailureTest, AFullDiskRollsTheRunBackNamingTheFile) {
    // A previous year whose period rows need pages beyond the current year's size.
    std::filesystem::remove(file("2004"));
    std::filesystem::remove(file("2005"));
    makeDemo(Release::V861, 2000);
    before = stateOf(directory);
    platform::sqlite::Connection(file("2005").string(), false).exec("VACUUM");
    {
        StorageRun run = runOn(directory, Release::V861, [&](int step, platform::sqlite::SqlitePlatform& platform) {
            if (step != 1) return;
            auto& db = platform.session().connection();
            auto pages = db.prepare("PRAGMA \"QXDATA_001_2005\".page_count");
            pages.step();
            db.exec("PRAGMA \"QXDATA_001_2005\".max_page_count = " + pages.column(0).toText());
        });
        EXPECT_EQ(run.end, RunEnd::RolledBack) << run.messages;
        EXPECT_NE(run.messages.find("the disk is full"), std::string::npos) << run.messages;
        EXPECT_NE(run.messages.find("QXDATA_001_2005 ("), std::string::npos) << run.messages;
        EXPECT_TRUE(storageFailureOnlyEndsTheRun(run.trace, platform::kErrDiskFull)) << run.trace;
        EXPECT_EQ(firstDifference(before.cur, Probe(file("2005")).dump()), "");
        EXPECT_EQ(firstDifference(before.prevMarked, Probe(file("2004")).dump()), "");
    }
}

TEST_F(StorageFailureTest, ADamagedCatalogueIsAStorageFailureNotAStatementPassedOver) {
    Probe(file("2005")).exec("UPDATE vantyr_tables SET definition = '{\"columns\":' WHERE lower(name) = 'ca_amoct'");
    DemoState damaged = stateOf(directory);
    StorageRun run = runOn(directory, Release::V861);
    EXPECT_EQ(run.end, RunEnd::RolledBack) << run.messages;
    EXPECT_NE(run.messages.find("The catalogue of the account-year database"), std::string::npos) << run.messages;
    EXPECT_NE(run.messages.find("QXDATA_001_2005 ("), std::string::npos) << run.messages;
    EXPECT_TRUE(storageFailureOnlyEndsTheRun(run.trace, platform::kErrNotADatabase)) << run.trace;
    EXPECT_EQ(firstDifference(damaged.cur, Probe(file("2005")).dump()), "");
    EXPECT_EQ(firstDifference(before.prevMarked, Probe(file("2004")).dump()), "");
}

// Runs the command in a child process that cannot write what `deny` makes
// read-only (as root, the child first becomes an ordinary user, for whom
// permissions count). Returns the exit code and the messages.
std::pair<int, std::string> runAsOrdinaryUser(const std::filesystem::path& dir) {
    auto messages = dir / "messages.txt";  // made here, so that the child may write it whatever it may not
    std::ofstream(messages).close();
    std::filesystem::permissions(messages, std::filesystem::perms::all);
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
        std::ofstream err(messages, std::ios::in | std::ios::out);
        std::ostringstream out;
        std::istringstream in;
        cli::Console console{out, err, in, false, false};
        cli::CarryOverOptions o;
        o.data = dir.string();
        o.account = "001";
        o.year = "2005";
        o.yes = true;
        int code = cli::runCarryOver(o, console);
        err.flush();
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::string text = bytesOf(messages);
    std::error_code ignored;
    std::filesystem::remove(messages, ignored);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

TEST_F(StorageFailureTest, AReadOnlyCurrentYearOrFolderStopsTheRunNamingTheFile) {
    namespace fs = std::filesystem;
    // The ordinary user may write the folder and both files; then one is taken away.
    fs::permissions(temp.path(), fs::perms::all);
    fs::permissions(temp.path().parent_path(), fs::perms::others_exec, fs::perm_options::add);
    for (const char* y : {"2004", "2005"}) fs::permissions(file(y), fs::perms::all);

    fs::permissions(file("2005"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto [code, messages] = runAsOrdinaryUser(temp.path());
    if (code == 100) GTEST_SKIP() << "cannot become an ordinary user here";
    EXPECT_EQ(code, cli::kExitUsage) << messages;
    EXPECT_NE(messages.find("QXDATA_001_2005 ("), std::string::npos) << messages;
    EXPECT_NE(messages.find("is read-only"), std::string::npos) << messages;
    EXPECT_EQ(firstDifference(before.prev, Probe(file("2004")).dump()), "");
    EXPECT_EQ(firstDifference(before.cur, Probe(file("2005")).dump()), "");

    fs::permissions(file("2005"), fs::perms::all);
    fs::permissions(temp.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    auto [dirCode, dirMessages] = runAsOrdinaryUser(temp.path());
    fs::permissions(temp.path(), fs::perms::all);
    EXPECT_EQ(dirCode, cli::kExitUsage) << dirMessages;
    EXPECT_NE(dirMessages.find("QXDATA_001_2004 ("), std::string::npos) << dirMessages;  // the first file opened
    EXPECT_EQ(firstDifference(before.prev, Probe(file("2004")).dump()), "");
    EXPECT_EQ(firstDifference(before.cur, Probe(file("2005")).dump()), "");
}

}  // namespace
}  // namespace vantyr::testing
