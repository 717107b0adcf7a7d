// The carry-over of both releases, with release 8.50's upgrade, end to end
// on a SQL Server: runs only when VANTYR_TEST_MSSQL holds a connection
// string. It drops and recreates the demo account's databases
// QXDATA_001_2004 and QXDATA_001_2005 on that server, so point it at a
// scratch server. The checks are those of the embedded end-to-end tests.
#include <gtest/gtest.h>

#include "cli/console_messages.h"
#include "platform/error.h"
#include "platform/odbc/account_years.h"
#include "platform/odbc/odbc_platform.h"
#include "platform/odbc/server_demo.h"
#include "platform/trace_writer.h"
#include "shell/endyear.h"
#include "tests/platform/odbc/backends.h"

namespace vantyr::testing {
namespace {

const char* kRenumbered[] = {"ca_amoct", "ca_asscw", "ca_compd", "ca_comps", "ca_depcs", "ca_enmmc", "ca_enmom", "ca_enmop",
                             "ca_mabsw", "ca_manct", "ca_onlia", "ca_onpce", "ca_propu", "ca_timst", "ca_waspr"};
const char* kSettings[] = {"ca_depdf", "ca_predf", "ca_classdef", "ca_acr", "ca_allmt", "ca_asdif", "ca_assmp", "ca_awpc",
                           "ca_costcd", "ca_depcf", "ca_deppma", "ca_idmac", "ca_mapc", "ca_matdf", "ca_onpb", "ca_onpquo",
                           "ca_planc", "ca_procf", "ca_propma", "ca_propt", "ca_quo", "ca_rptadd", "ca_rptfld", "ca_rptsub",
                           "ca_rptsum", "ca_rptsys", "ca_serpri", "ca_userproperty", "ca_distritem"};

// Reads one database of the server on a connection of its own.
class ServerProbe {
public:
    ServerProbe(const std::string& connectionString, std::string database)
        : session_(connectionString), database_(std::move(database)) {}
    platform::Value value(const std::string& sql) {
        auto row = session_.firstRow(database_, sql);
        return row.values && !row.values->empty() ? row.values->front() : platform::Value::null();
    }
    std::int64_t count(const std::string& sql) { return static_cast<std::int64_t>(value(sql).toDouble()); }

private:
    platform::odbc::Session session_;
    std::string database_;
};

class MssqlCarryOverTest : public ::testing::TestWithParam<Release> {
protected:
    void SetUp() override {
        cs = mssqlConnectionString();
        if (cs.empty()) GTEST_SKIP() << "no server: set VANTYR_TEST_MSSQL to a connection string";
        platform::odbc::Session admin(cs);
        for (const char* year : {"2004", "2005"}) {
            std::string name = platform::odbc::accountYearName("001", year);
            admin.execute("", "IF DB_ID('" + name + "') IS NOT NULL BEGIN ALTER DATABASE [" + name +
                                  "] SET SINGLE_USER WITH ROLLBACK IMMEDIATE; DROP DATABASE [" + name + "] END");
        }
        platform::sqlite::DemoOptions demo;
        demo.release861 = GetParam() == Release::V861;
        demo.periodRows = 60;
        platform::odbc::createServerDemo(admin, demo);
    }

    std::string cs;
};

TEST_P(MssqlCarryOverTest, NewYearHoldsTheOpeningPosition) {
    Release release = GetParam();
    std::ostringstream messages, trace;
    std::istringstream none;
    {
        cli::ConsoleMessages console("en", cli::Confirm::Yes, messages, none, false);
        auto session = std::make_shared<platform::odbc::Session>(cs);
        platform::odbc::OdbcPlatform platform(session, console, console);
        shell::endyear component(release, platform);
        component.caLogin(std::make_shared<platform::odbc::OdbcLogin>(session, "001", "2005"));
        platform::TraceWriter writer(&trace);
        component.setObserver(&writer);
        EXPECT_TRUE(component.subYearend() || release == Release::V850) << messages.str();
    }
    ASSERT_NE(messages.str().find("completed successfully"), std::string::npos) << messages.str() << trace.str();

    ServerProbe p(cs, "QXDATA_001_2004"), c(cs, "QXDATA_001_2005");
    for (const char* t : kRenumbered) {
        std::string table = t;
        EXPECT_EQ(c.count("select count(*) from " + table + " where iperiod <> 0"), 0) << table;
        std::string filter = table == "ca_amoct" && release == Release::V861 ? " and ionptotalamo <> 0" : "";
        EXPECT_EQ(c.count("select count(*) from " + table), p.count("select count(*) from " + table + " where iperiod = 12" + filter))
            << table;
        EXPECT_GT(c.count("select count(*) from " + table), 0) << table;
    }
    EXPECT_DOUBLE_EQ(c.value("select sum(itotalamo) from ca_amoct").toDouble(),
                     p.value(std::string("select sum(itotalamo) from ca_amoct where iperiod = 12") +
                             (release == Release::V861 ? " and ionptotalamo <> 0" : ""))
                         .toDouble());
    EXPECT_EQ(c.count("select count(*) from ca_pronb"), p.count("select count(*) from ca_pronb where bcompmark = 0"));
    EXPECT_EQ(c.count("select count(*) from ca_depfr where iforeyear < 2005"), 0);
    EXPECT_EQ(c.count("select count(*) from ca_depfr"), p.count("select count(*) from ca_depfr where iforeyear >= 2005"));
    for (const char* t : kSettings) {
        std::string table = t;
        EXPECT_EQ(c.count("select count(*) from " + table), p.count("select count(*) from " + table)) << table;
    }
    EXPECT_EQ(c.count("select count(*) from ca_distrinput"),
              release == Release::V850 ? p.count("select count(*) from ca_distrinput") : 0);
    EXPECT_EQ(c.count("select count(*) from sysobjects where name = 'aaaaaCA_DistrInput_PK'"), 1);
    EXPECT_EQ(c.count("select count(*) from ca_cbsys where iendmonth = 0 and icalculate = 0 and icertified = 0 and iendyear = 2005"), 1);
    for (const char* id : {"10", "11", "12"})
        EXPECT_EQ(c.value(std::string("select cvalue from accinformation where csysid = 'CA' and cid = '") + id + "'").toText(), "0");
    EXPECT_EQ(c.value("select cvalue from accinformation where csysid = 'CA' and cid = '18'").toText(), "8000000");
    EXPECT_EQ(p.count("select iendmonth from ca_cbsys"), 13);
}

TEST(MssqlSession, AFailureAfterWhichTheServerRolledBackIsNeverPassedOver) {
    auto backend = MssqlBackend::make();
    if (!backend) GTEST_SKIP() << "no server: set VANTYR_TEST_MSSQL to a connection string";
    auto db = backend->platform().CreateDatabase();
    db->Open(backend->key());
    db->Execute("CREATE TABLE vt_once (id int NOT NULL PRIMARY KEY)", platform::kFailOnError);
    auto& tx = backend->platform().ThreadTransactionEngine();
    tx.BeginTrans();
    // The first statement of the bracket failing ends nothing: no transaction had begun.
    EXPECT_THROW(db->Execute("insert into vt_nosuchtable values (1)", platform::kFailOnError), platform::Error);
    db->Execute("insert into vt_once values (1)", platform::kFailOnError);
    try {
        // With XACT_ABORT the server rolls the whole transaction back on this duplicate.
        db->Execute("SET XACT_ABORT ON; insert into vt_once values (1)", platform::kFailOnError);
        FAIL() << "the duplicate was accepted";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(platform::isStorageFailure(e.number())) << e.number() << " " << e.description();
    }
    try {
        tx.Rollback();
    } catch (const platform::Error&) {
        // nothing is left to roll back on the server
    }
}

INSTANTIATE_TEST_SUITE_P(BothReleases, MssqlCarryOverTest, ::testing::Values(Release::V850, Release::V861),
                         [](const auto& info) { return info.param == Release::V850 ? "R850" : "R861"; });

}  // namespace
}  // namespace vantyr::testing
