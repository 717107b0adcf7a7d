// vantyr on a server: the choice of databases, and a connection string with
// a password that never shows in the output, the trace, an error message or
// the help text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

#include "cli/commands.h"
#include "cli/sql_command.h"
#include "cli/upgrade_command.h"
#include "tests/platform/odbc/backends.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

const char* kSecret = "s3cret-Pa55";

class ServerCommandTest : public ::testing::Test {
protected:
    TempDirectory temp;
    std::ostringstream out, err;
    std::istringstream in;
    cli::Console console{out, err, in, false, false};

    cli::CarryOverOptions options() {
        cli::CarryOverOptions o;
        o.account = "001";
        o.year = "2005";
        o.language = "en";
        o.trace = "-";
        return o;
    }
    std::string all() const { return out.str() + err.str(); }
};

TEST_F(ServerCommandTest, ARunOnTheServerNeverShowsThePassword) {
    // SQLite's driver ignores the credentials; the check before the run finds a
    // current year without the cost-accounting tables and nothing is written.
    auto o = options();
    o.odbc = sqliteOdbcConnectionString(temp.path() / "QXDATA_001_2005.db") + ";UID=sa;PWD=" + kSecret;
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage) << all();
    EXPECT_NE(err.str().find("QXDATA_001_2005 cannot be opened"), std::string::npos) << all();
    EXPECT_EQ(all().find(kSecret), std::string::npos) << all();
}

TEST_F(ServerCommandTest, AServerThatCannotBeReachedIsAnEnvironmentFailureWithoutThePassword) {
    for (std::string cs : {std::string("Driver=/nonexistent/libnothing.so;Server=db;PWD=") + kSecret + ";UID=sa",
                           "Driver=" + sqliteOdbcConnectionString("/nonexistent/dir/x.db").substr(7) + ";Pwd={" +
                               kSecret + "}"}) {
        auto o = options();
        o.odbc = cs;
        EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage) << all();
        EXPECT_NE(err.str().find("cannot open the databases"), std::string::npos) << all();
        EXPECT_EQ(all().find(kSecret), std::string::npos) << all();
    }
}

TEST_F(ServerCommandTest, TheConnectionStringCanComeFromTheEnvironment) {
    auto o = options();
    o.odbcEnv = "VANTYR_TEST_NO_SUCH_VARIABLE";
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage);
    EXPECT_NE(err.str().find("VANTYR_TEST_NO_SUCH_VARIABLE"), std::string::npos) << all();

    std::string cs = sqliteOdbcConnectionString(temp.path() / "QXDATA_001_2005.db") + ";PWD=" + kSecret;
    ::setenv("VANTYR_TEST_ODBC", cs.c_str(), 1);
    o.odbcEnv = "VANTYR_TEST_ODBC";
    EXPECT_EQ(cli::runCarryOver(o, console), cli::kExitUsage) << all();
    EXPECT_NE(err.str().find("QXDATA_001_2005 cannot be opened"), std::string::npos) << all();
    ::unsetenv("VANTYR_TEST_ODBC");
    EXPECT_EQ(all().find(kSecret), std::string::npos) << all();
}

TEST_F(ServerCommandTest, TheDemoOnAServerRefusesDatabasesThatExistAndNeverShowsThePassword) {
    cli::DemoCommandOptions demo;
    demo.odbc = sqliteOdbcConnectionString(temp.path() / "QXDATA_001_2004.db") + ";PWD=" + kSecret;
    EXPECT_EQ(cli::runDemo(demo, console), cli::kExitUsage) << all();
    EXPECT_NE(err.str().find("QXDATA_001_2004 already exists"), std::string::npos) << all();
    // SQLite has no CREATE DATABASE: the demo cannot be created there.
    demo.odbc = sqliteOdbcConnectionString(temp.path() / "other.db") + ";PWD=" + kSecret;
    EXPECT_EQ(cli::runDemo(demo, console), cli::kExitUsage) << all();
    EXPECT_EQ(all().find(kSecret), std::string::npos) << all();
}

TEST_F(ServerCommandTest, SqlAndUpgradeRunOnAServerWithoutShowingThePassword) {
    cli::SqlOptions sql;
    sql.account = "001";
    sql.year = "2005";
    sql.odbc = sqliteOdbcConnectionString(temp.path() / "QXDATA_001_2005.db") + ";PWD=" + kSecret;
    for (const char* statement : {"create table T (code varchar(10), n int)", "insert into T values ('a', 1)",
                                  "insert into T values ('b', 2)"}) {
        sql.statement = statement;
        EXPECT_EQ(cli::runSql(sql, console), cli::kExitCommitted) << all();
    }
    sql.statement = "select code, n from T order by code";
    sql.json = true;
    out.str("");
    EXPECT_EQ(cli::runSql(sql, console), cli::kExitCommitted) << all();
    EXPECT_EQ(out.str(), "{\"code\":\"a\",\"n\":1}\n{\"code\":\"b\",\"n\":2}\n");
    sql.statement = "select * from Nowhere";
    EXPECT_EQ(cli::runSql(sql, console), cli::kExitFailed) << all();
    // The upgrade opens its own connection to the server and passes over what the database refuses.
    cli::UpgradeOptions upgrade;
    upgrade.account = "001";
    upgrade.year = "2005";
    upgrade.odbc = sql.odbc;
    EXPECT_EQ(cli::runUpgrade(upgrade, console), cli::kExitCommitted) << all();
    EXPECT_NE(all().find("all groups"), std::string::npos) << all();
    EXPECT_EQ(all().find(kSecret), std::string::npos) << all();
}

TEST_F(ServerCommandTest, NoPlaceForTheDatabasesIsABadArgument) {
    EXPECT_EQ(cli::runCarryOver(options(), console), cli::kExitUsage);
    cli::DemoCommandOptions demo;
    EXPECT_EQ(cli::runDemo(demo, console), cli::kExitUsage);
}

// What the vantyr program prints, standard error included, and its exit code.
std::pair<std::string, int> runVantyr(const std::string& arguments) {
    std::string command = std::string(VANTYR_BINARY) + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {"", -1};
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
    int status = ::pclose(pipe);
    return {text, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST_F(ServerCommandTest, NeitherTheHelpNorAnArgumentErrorEchoesThePassword) {
    auto [help, helpCode] = runVantyr(std::string("carryover --odbc 'Server=db;PWD=") + kSecret + "' --help");
    EXPECT_EQ(helpCode, 0);
    EXPECT_NE(help.find("--odbc"), std::string::npos) << help;
    EXPECT_EQ(help.find(kSecret), std::string::npos) << help;
    // A connection string split in two by a missing quote is an unexpected argument.
    auto [error, errorCode] = runVantyr(std::string("carryover --account 001 --year 2005 --odbc Server=db 'PWD=") + kSecret + "'");
    EXPECT_EQ(errorCode, cli::kExitUsage) << error;
    EXPECT_NE(error.find("PWD=***"), std::string::npos) << error;
    EXPECT_EQ(error.find(kSecret), std::string::npos) << error;
}

}  // namespace
}  // namespace vantyr::testing
