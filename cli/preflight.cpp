#include "cli/preflight.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "carryover/carried_tables.h"
#include "carryover/quiet_reads.h"
#include "platform/database.h"
#include "platform/error.h"
#include "shell/options.h"
#include "shell/preconditions.h"

namespace vantyr::cli {
namespace {

using platform::Database;

using Reads = carryover::QuietReads;

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::int64_t count(Database& db, const std::string& sql) {
    auto rs = db.OpenRecordset(sql);
    auto n = static_cast<std::int64_t>(rs->Field("n").toDouble());
    rs->Close();
    return n;
}

std::optional<platform::TableDefinition> tableOf(Database& db, const std::string& table) {
    try {
        return db.Tables()->Item(table);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool hasColumn(const platform::TableDefinition& table, const std::string& column) {
    return std::any_of(table.fields.begin(), table.fields.end(), [&](const auto& f) { return sameName(f, column); });
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

// The release a schema belongs to by the tables and columns only 8.61's copies
// name: all of them 8.61, none 8.50, some of them neither.
struct SchemaRelease {
    std::optional<Release> release;
    int present = 0, total = 0;
};

SchemaRelease schemaRelease(Database& db) {
    SchemaRelease s;
    for (const auto& marker : carryover::releaseMarkers()) {
        ++s.total;
        auto table = tableOf(db, marker.table);
        if (table && (!marker.column || hasColumn(*table, *marker.column))) ++s.present;
    }
    if (s.present == s.total) s.release = Release::V861;
    else if (s.present == 0) s.release = Release::V850;
    return s;
}

struct Year {
    std::string label;   // "previous year", "current year"
    std::string number;
    FileState file;
    std::unique_ptr<Database> db;
    SchemaRelease schema;
};

class Report {
public:
    Report(DataSource& source, const PreflightRequest& request) : source_(source), request_(request) {}

    PreflightReport run() {
        prev_ = openYear("previous year", std::to_string(std::stoi(request_.year) - 1));
        cur_ = openYear("current year", request_.year);
        chooseRelease();
        if (prev_.db) previousState();
        if (cur_.db) currentState();
        if (cur_.db) periodRows();
        if (prev_.db) closingPeriods();
        if (prev_.db && cur_.db) tables();
        return std::move(report_);
    }

private:
    void add(Topic topic, Verdict verdict, std::string subject, std::string detail,
             std::optional<std::int64_t> rows = std::nullopt) {
        report_.findings.push_back({topic, verdict, std::move(subject), std::move(detail), rows});
    }

    Year openYear(const std::string& label, const std::string& number) {
        Year y{label, number, source_.probe(request_.account, number), nullptr, {}};
        std::string subject = label + " " + number;
        if (!y.file.found) {
            add(Topic::File, Verdict::Blocks, subject, y.file.name + " not found (" + y.file.location + "): the run stops");
            return y;
        }
        try {
            auto db = source_.platform().CreateDatabase();
            db->Open(DataSource::key(request_.account, number));
            count(*db, std::string("select count(*) as n from ") + "ca_cbsys");
            y.db = std::move(db);
        } catch (const std::exception& e) {
            add(Topic::Access, Verdict::Blocks, subject, y.file.name + " cannot be opened: " + e.what());
            return y;
        }
        if (!y.file.writable) {
            add(Topic::Access, Verdict::Blocks, subject, y.file.name + " cannot be written (" + y.file.location + ")");
        } else {
            add(Topic::File, Verdict::Ok, subject, y.file.name + " found, opened and writable (" + y.file.location + ")");
        }
        y.schema = schemaRelease(*y.db);
        return y;
    }

    void chooseRelease() {
        if (request_.release) {
            report_.release = *request_.release;
            add(Topic::Release, Verdict::Ok, "release", std::string(releaseName(report_.release)) + " (--release)");
        } else {
            report_.releaseFromData = true;
            auto fromData = prev_.schema.release ? prev_.schema.release : cur_.schema.release;
            report_.release = fromData.value_or(Release::V861);
            add(Topic::Release, Verdict::Ok, "release",
                std::string(releaseName(report_.release)) +
                    (fromData ? " (taken from the data: --release not given)" : " (the default: no schema to take it from)"));
        }
        for (Year* y : {&prev_, &cur_}) {
            if (!y->db) continue;
            std::string subject = "schema of " + y->number;
            const auto& s = y->schema;
            std::string chosen(releaseName(report_.release));
            if (s.release == report_.release) {
                add(Topic::Schema, Verdict::Ok, subject, "belongs to release " + chosen);
            } else if (s.release) {
                add(Topic::Schema, Verdict::Blocks, subject,
                    "belongs to release " + std::string(releaseName(*s.release)) + ", not " + chosen +
                        ": the copies would meet missing tables and columns");
            } else {
                add(Topic::Schema, Verdict::Blocks, subject,
                    "belongs to neither release: it has " + std::to_string(s.present) + " of the " +
                        std::to_string(s.total) + " tables and columns only release 8.61 carries");
            }
        }
    }

    void previousState() {
        std::string subject = "state of " + prev_.number;
        std::unique_ptr<platform::Recordset> rs;
        try {
            rs = prev_.db->OpenRecordset(shell::kStateQuery);
            if (rs->Eof()) {
                add(Topic::PreviousState, Verdict::Blocks, subject,
                    "no cost-accounting state row: first year of use, the run stops (message 00141)");
                return;
            }
        } catch (const std::exception& e) {
            add(Topic::PreviousState, Verdict::Blocks, subject, std::string("cannot be read: ") + e.what());
            return;
        }
        std::int16_t month = 0;
        Reads().ignoring([&] { month = rs->Field("iendmonth").toInt16(); });
        report_.periods.prevEndMonth = month;
        if (month < 12) {
            add(Topic::PreviousState, Verdict::Blocks, subject,
                "period 12 is not closed (closing month " + std::to_string(month) + "): the run stops (message 00143)");
        } else if (month == 12) {
            add(Topic::PreviousState, Verdict::Ok, subject, "period 12 closed: the run marks the closing month 13");
        } else {
            add(Topic::PreviousState, Verdict::Ok, subject, "period 12 closed and already marked 13 by an earlier run");
        }
    }

    void currentState() {
        std::string subject = "state of " + cur_.number;
        bool hasState = false, asks = true;
        Reads reads;
        reads.ignoring([&] {
            auto rs = cur_.db->OpenRecordset(shell::kStateQuery);
            hasState = !rs->Eof();
            if (hasState && report_.release == Release::V861) {
                reads.ignoring([&] { asks = rs->Field("binitleft").equalsNumber(1); });
            }
        });
        if (!hasState) {
            add(Topic::CurrentState, Verdict::Ok, subject, "no cost-accounting state row: a first carry-over, nothing to overwrite");
        } else if (asks) {
            add(Topic::CurrentState, Verdict::WillAsk, subject,
                "has cost-accounting state: the run asks before overwriting it (message 00145); on OK it replaces "
                "every carried table, cA_ACR_invC and cA_Allmt_invc included");
        } else {
            add(Topic::CurrentState, Verdict::Ok, subject,
                "has cost-accounting state with binitleft not 1: the run overwrites it without asking, replacing "
                "cA_ACR_invC and cA_Allmt_invc as well");
        }
    }

    void periodRows() {
        for (const auto& table : carryover::tablesClearedAtPeriodZero(report_.release)) {
            std::int64_t rows = 0;
            if (!tableOf(*cur_.db, table)) continue;
            if (!Reads().ignoring([&] { rows = count(*cur_.db, "select count(*) as n from " + table + " where iperiod <> 0"); }))
                continue;
            if (rows == 0) {
                add(Topic::PeriodRows, Verdict::Ok, table + " of " + cur_.number, "no rows of periods 1 to 12", rows);
            } else {
                add(Topic::PeriodRows, Verdict::Blocks, table + " of " + cur_.number,
                    std::to_string(rows) + " row(s) of periods 1 to 12 would be renumbered into period 0 with the "
                    "carried opening balances", rows);
            }
        }
    }

    void closingPeriods() {
        Reads reads;
        carryover::readClosingPeriods(*prev_.db, reads, report_.periods);
        carryover::adjustPrevEndMonth(report_.periods);
        const auto& p = report_.periods;
        std::ostringstream detail;
        detail << "CA_AmoCt " << p.amoCt << ", CA_EnMMC " << p.enMMC << ", CA_EnMOM " << p.enMOM << ", CA_EnMOP "
               << p.enMOP << " (-1: not carried); other period tables from period " << p.prevEndMonth;
        add(Topic::Periods, Verdict::Ok, "closing periods", detail.str());
        if (report_.release != Release::V861) return;
        bool on8601 = false, on8602 = false;
        bool read = reads.ignoring([&] {
            on8601 = shell::optionOn(*prev_.db, shell::kOption8601Query);
            on8602 = shell::optionOn(*prev_.db, shell::kOption8602Query);
        });
        report_.option = shell::chooseOption(on8601, on8602, 0);
        if (!read) {
            add(Topic::Options, Verdict::WillSkip, "options", "options 8601 and 8602 cannot be read in " + prev_.number);
            return;
        }
        add(Topic::Options, Verdict::Ok, "options",
            std::string("8601 ") + (on8601 ? "on" : "off") + ", 8602 " + (on8602 ? "on" : "off") + ": gOption " +
                std::to_string(report_.option));
    }

    void tables() {
        carryover::RunContext context;
        context.release = report_.release;
        context.curDbName = "QXDATA_" + request_.account + "_" + request_.year;
        context.curYear = static_cast<std::int16_t>(std::stoi(request_.year));
        context.periods = report_.periods;
        for (const auto& t : carryover::carriedTables(context)) table(t);
    }

    void table(const carryover::CarriedTable& t) {
        auto target = tableOf(*cur_.db, t.table);
        if (!target) {
            add(Topic::Table, Verdict::WillSkip, t.table, "the current year has no such table: its copy will be passed over");
            return;
        }
        std::vector<std::string> missing;
        for (const auto& c : t.targetColumns)
            if (!hasColumn(*target, c)) missing.push_back(c);
        std::int64_t rows = 0;
        std::string problem;
        if (!Reads().ignoring([&] { rows = t.structureOnly ? 0 : count(*prev_.db, carryover::offeredRowsQuery(t)); })) {
            problem = "the previous year cannot be read " + t.source;
        }
        std::string upgrade = report_.release == Release::V850 ? " (unless the schema upgrade adds them)" : "";
        if (!missing.empty()) {
            add(Topic::Table, Verdict::WillSkip, t.table,
                "the current year's table lacks " + joined(missing) + upgrade + ": the copy of " +
                    std::to_string(rows) + " row(s) will be passed over", rows);
        } else if (!problem.empty()) {
            add(Topic::Table, Verdict::WillSkip, t.table, problem + ": the copy will be passed over");
        } else {
            add(Topic::Table, Verdict::Ok, t.table,
                t.structureOnly ? "rebuilt empty (structure only)" : std::to_string(rows) + " row(s) " + t.source, rows);
        }
    }

    DataSource& source_;
    const PreflightRequest& request_;
    PreflightReport report_;
    Year prev_, cur_;
};

}  // namespace

bool PreflightReport::stopsCarryOver() const {
    return std::any_of(findings.begin(), findings.end(), [](const Finding& f) {
        return f.verdict == Verdict::Blocks && (f.topic == Topic::Schema || f.topic == Topic::PeriodRows);
    });
}

bool PreflightReport::blocks() const {
    return std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.verdict == Verdict::Blocks; });
}

PreflightReport preflight(DataSource& source, const PreflightRequest& request) {
    return Report(source, request).run();
}

const char* verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ok: return "ok";
        case Verdict::WillAsk: return "will ask";
        case Verdict::WillSkip: return "will skip";
        case Verdict::Blocks: return "blocks";
    }
    return "?";
}

std::string formatFindings(const std::vector<Finding>& findings) {
    std::ostringstream out;
    for (const auto& f : findings) {
        std::string verdict = verdictName(f.verdict), subject = f.subject;
        verdict.resize(std::max<std::size_t>(verdict.size() + 2, 11), ' ');
        subject.resize(std::max<std::size_t>(subject.size(), 22), ' ');
        out << "  " << verdict << subject << "  " << f.detail << "\n";
    }
    return out.str();
}

nlohmann::ordered_json toJson(const PreflightReport& report, const PreflightRequest& request) {
    nlohmann::ordered_json j;
    j["account"] = request.account;
    j["year"] = request.year;
    j["release"] = std::string(releaseName(report.release));
    j["releaseFromData"] = report.releaseFromData;
    j["blocks"] = report.blocks();
    j["periods"] = {{"CA_AmoCt", report.periods.amoCt},
                    {"CA_EnMMC", report.periods.enMMC},
                    {"CA_EnMOM", report.periods.enMOM},
                    {"CA_EnMOP", report.periods.enMOP},
                    {"closingMonth", report.periods.prevEndMonth}};
    if (report.release == Release::V861) j["gOption"] = report.option;
    auto& list = j["findings"] = nlohmann::ordered_json::array();
    for (const auto& f : report.findings) {
        nlohmann::ordered_json item;
        item["verdict"] = verdictName(f.verdict);
        item["subject"] = f.subject;
        item["detail"] = f.detail;
        if (f.rows) item["rows"] = *f.rows;
        list.push_back(item);
    }
    return j;
}

}  // namespace vantyr::cli
