// The short path for plain deletes, copies and updates against the parser:
// for every statement a carry-over of either release sends, and for texts
// just beside those shapes, a command the short path gives must be the one
// the parser gives for the same text, against the models of real files.
#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "platform/sqlite/catalog.h"
#include "platform/sqlite/translator_parser.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

using namespace platform::sqlite;

std::string describe(const Command& c) {
    const auto* p = std::get_if<Passthrough>(&c);
    if (!p) return "a command other than a plain statement";
    std::ostringstream out;
    out << "sql=" << p->sql << "\nverb=" << static_cast<int>(p->verb);
    if (p->target) out << "\ntarget=" << p->target->schema << "." << p->target->table;
    out << "\nafterTarget=" << p->afterTarget << "\nsingleTable=" << p->singleTable;
    if (p->insertColumns) {
        out << "\ncolumns=";
        for (const auto& c : *p->insertColumns) out << c << "|";
    }
    if (p->insertLayout) {
        const auto& l = *p->insertLayout;
        out << "\nlayout=" << l.withEnd << "," << l.headEnd << "," << l.sourceStart << ","
            << (l.plainFrom ? std::to_string(*l.plainFrom) : "none");
    }
    return out.str();
}

class PlainStatementTest : public DemoFixture {
protected:
    // Both paths on one text run by `object`; returns whether the short path took it.
    bool agree(const std::string& object, const std::string& sql) {
        Connection db(file("2004").string(), false);
        db.exec("ATTACH DATABASE '" + file("2005").string() + "' AS \"QXDATA_001_2005\"");
        Catalog catalog(db);
        const std::string own = object == "PrevYearDb" ? "main" : "QXDATA_001_2005";
        SchemaResolver resolve = [&](const std::string& database) {
            if (database.empty()) return own;
            if (sameName(database, "QXDATA_001_2005")) return std::string("QXDATA_001_2005");
            if (sameName(database, "QXDATA_001_2004")) return std::string("main");
            throw CatalogError("Database '" + database + "' does not exist");
        };
        ModelResolver models = [&](const TableRef& t) { return catalog.table(t.schema, t.table); };
        // runs one path; what it raised, if anything
        auto attempt = [](auto&& path) -> std::string {
            try {
                path();
            } catch (const std::exception& e) {
                return e.what();
            }
            return "";
        };
        std::optional<Command> shortPath;
        std::vector<Command> parsed;
        std::string shortError = attempt([&] { shortPath = plainStatement(sql, resolve, models); });
        std::string parseError = attempt([&] { parsed = parseStatements(sql, resolve, models); });
        if (!shortError.empty()) {  // a name neither path can reach: the same refusal
            EXPECT_EQ(shortError, parseError) << sql;
            return false;
        }
        if (!shortPath) return false;
        EXPECT_EQ(parseError, "") << sql;
        EXPECT_EQ(parsed.size(), 1u) << sql;
        if (parsed.size() == 1) {
            EXPECT_EQ(describe(*shortPath), describe(parsed[0])) << sql;
        }
        return true;
    }

    // Every statement text of a carry-over, with the object that ran it.
    std::vector<std::pair<std::string, std::string>> runStatements(Release release) {
        makeDemo(release, 12);
        EngineRun run = carryOver(release);
        EXPECT_TRUE(run.result) << run.messages;
        std::vector<std::pair<std::string, std::string>> out;
        std::istringstream lines(run.trace);
        for (std::string line; std::getline(lines, line);) {
            auto record = nlohmann::json::parse(line);
            if (record.contains("text")) out.emplace_back(record.value("object", ""), record["text"].get<std::string>());
        }
        return out;
    }
};

TEST_F(PlainStatementTest, EveryStatementOfRelease850GivesTheParsersCommand) {
    int taken = 0;
    auto statements = runStatements(Release::V850);
    for (const auto& [object, sql] : statements) taken += agree(object, sql);
    // the deletes, the copies without identity switches and the renumbering updates
    EXPECT_GT(taken, 100) << "of " << statements.size();
}

TEST_F(PlainStatementTest, EveryStatementOfRelease861GivesTheParsersCommand) {
    int taken = 0;
    auto statements = runStatements(Release::V861);
    for (const auto& [object, sql] : statements) taken += agree(object, sql);
    EXPECT_GT(taken, 100) << "of " << statements.size();
}

TEST_F(PlainStatementTest, TextsBesideThePlainShapesGiveTheParsersCommand) {
    makeDemo(Release::V861, 12);
    const char* cur = "CurYearDb";
    const char* prev = "PrevYearDb";
    // taken by the short path
    EXPECT_TRUE(agree(cur, "DELETE FROM ca_amoct"));
    EXPECT_TRUE(agree(cur, "  delete\r\n from   QXDATA_001_2005..ca_amoct   where   iperiod<>12  "));
    EXPECT_TRUE(agree(cur, "delete from dbo.ca_amoct where iperiod>=0"));
    EXPECT_TRUE(agree(cur, "insert into QXDATA_001_2005..ca_asscw(cdeptid,iqua) select cdeptid,iqua from ca_asscw where iperiod =12"));
    EXPECT_TRUE(agree(prev, "insert into QXDATA_001_2005.dbo.ca_asscw ( cdeptid , iqua )select cdeptid , iqua from QXDATA_001_2004..ca_asscw"));
    EXPECT_TRUE(agree(cur, "update ca_cbsys set iendmonth = 0 ,icalculate = 0,icertified = 0,iendyear = 2005"));
    EXPECT_TRUE(agree(cur, "update ca_cbsys set iendmonth=300  "));   // out of a tinyint's range: converted at run time
    // left to the parser, which converts, casts, refuses or reads more than one statement
    for (const char* sql : {
             "delete from ca_amoct where cppid = 5",             // a text column compared with a number
             "delete from ca_amoct where iperiod = 1.5",
             "delete from ca_amoct where iperiod = -1",
             "delete from ca_amoct -- all of it",
             "delete from [ca_amoct]",
             "delete from ca_amoct; delete from ca_asscw",
             "delete from ca_amoct where iperiod = 0 and iqua = 1",
             "delete ca_amoct",
             "insert into QXDATA_001_2005..ca_asscw (cdeptid, iqua) select iqua, cdeptid from ca_asscw",
             "insert into QXDATA_001_2005..ca_asscw (cdeptid) select nosuch from ca_asscw",
             "insert into QXDATA_001_2005..ca_asscw (cdeptid) select cdeptid from nosuchtable",
             "insert into QXDATA_001_2005..ca_asscw (cdeptid) select cdeptid, iqua from ca_asscw",
             "insert into QXDATA_001_2005..ca_asscw (cdeptid) select distinct cdeptid from ca_asscw",
             "insert into QXDATA_001_2005..ca_asscw (cdeptid) select top 1 cdeptid from ca_asscw",
             "insert into QXDATA_001_2005..ca_asscw (cdeptid) select a.cdeptid from ca_asscw a",
             "insert into QXDATA_001_2005..ca_asscw select * from ca_asscw",
             "insert into QXDATA_001_2005..ca_asscw (count) select count from ca_asscw",
             "update ca_cbsys set iendmonth = 1 where iendyear = 2005",
             "update ca_cbsys set iendmonth = iendmonth + 1",
             "update ca_cbsys set iendmonth = '1'",
         })
        EXPECT_FALSE(agree(cur, sql)) << sql;
    // a database that is not there: the same refusal from both
    EXPECT_FALSE(agree(cur, "insert into QXDATA_009_2005..ca_asscw (cdeptid) select cdeptid from ca_asscw"));
}

}  // namespace
}  // namespace vantyr::testing
