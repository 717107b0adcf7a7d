#pragma once
// Real account-year databases in a fresh temporary directory, and helpers that
// read them back: row counts, single values, and a dump of every table for
// comparing a database with itself before and after.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "cli/console_messages.h"
#include "platform/sqlite/connection.h"
#include "platform/sqlite/data_directory.h"
#include "platform/sqlite/demo_data.h"
#include "platform/sqlite/login.h"
#include "platform/sqlite/sqlite_platform.h"
#include "platform/trace_writer.h"
#include "shell/endyear.h"

namespace vantyr::testing {

class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// One file opened on its own connection (not the component's).
class Probe {
public:
    explicit Probe(const std::filesystem::path& file) : db_(file.string(), false) {}
    platform::Value value(const std::string& sql);
    std::int64_t count(const std::string& sql) { return static_cast<std::int64_t>(value(sql).toDouble()); }
    void exec(const std::string& sql) { db_.exec(sql); }
    // Every user table, every row, in rowid order: for comparing before and after.
    std::string dump();

private:
    platform::sqlite::Connection db_;
};

struct EngineRun {
    bool result = false;
    std::string trace;
    std::string messages;
    int skipped = 0;
};

class DemoFixture : public ::testing::Test {
protected:
    TempDirectory temp;
    platform::sqlite::DataDirectory directory{temp.path()};

    void makeDemo(Release release, int periodRows = 60);
    std::filesystem::path file(const std::string& year) const { return directory.locate("001", year).path; }
    Probe prev() const { return Probe(file("2004")); }
    Probe cur() const { return Probe(file("2005")); }
    // Runs subYearend on the embedded engine; the prompt answers `answer`.
    EngineRun carryOver(Release release, bool answerOk = true, platform::SendMode mode = platform::SendMode::Send);
    // Release 8.50's schema upgrade alone on the current year (2005); returns its trace.
    std::string upgradeAlone();
};

}  // namespace vantyr::testing
