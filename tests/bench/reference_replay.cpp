#include "tests/bench/reference_replay.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <ctime>
#include <sstream>

#include "platform/sqlite/catalog.h"
#include "platform/sqlite/connection.h"
#include "platform/sqlite/table_model.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::bench {
namespace {

using platform::sqlite::lowerCase;

bool startsWith(const std::string& lower, const std::string& head) { return lower.rfind(head, 0) == 0; }

std::string between(const std::string& s, const std::string& open, const std::string& close, std::size_t from = 0) {
    auto a = s.find(open, from);
    if (a == std::string::npos) return {};
    a += open.size();
    return s.substr(a, s.find(close, a) - a);
}

std::string unbracket(std::string s) {
    std::string out;
    for (char c : s)
        if (c != '[' && c != ']' && c != '\r' && c != '\n') out += c == '"' ? '\'' : c;
    return out;
}

// Replaces every "<database>.." by "cur." (the current year attached).
std::string attachCur(const std::string& text, const std::string& database) {
    std::string out, lower = lowerCase(text), key = lowerCase(database) + "..";
    std::size_t at = 0;
    for (auto hit = lower.find(key); hit != std::string::npos; hit = lower.find(key, at)) {
        out += text.substr(at, hit - at) + "cur.";
        at = hit + key.size();
    }
    return out + text.substr(at);
}

// N'text' is 'text' to SQLite.
std::string plainLiterals(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool national = (text[i] == 'N' || text[i] == 'n') && i + 1 < text.size() && text[i + 1] == '\'' &&
                        (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1])));
        if (!national) out += text[i];
    }
    return out;
}

class Converter {
public:
    Converter(const std::string& curDatabase, const std::filesystem::path& curFile)
        : database_(curDatabase), cur_(curFile.string(), false), catalog_(cur_) {}

    std::string convert(const std::string& object, std::string text) {
        text = plainLiterals(text);
        std::string lower = lowerCase(text);
        if (lower.find("set identity_insert") != std::string::npos) {
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);)
                if (startsWith(lowerCase(line), "insert")) text = line;
            lower = lowerCase(text);
        }
        if (object == "CurYearDb") {
            if (startsWith(lower, "delete from ")) return "DELETE FROM cur." + text.substr(12);
            if (startsWith(lower, "update ")) return "UPDATE cur." + text.substr(7);
            if (lower.find("primary key") != std::string::npos) {
                std::string table = between(text, "[dbo].[", "]"), name = between(text, "CONSTRAINT [", "]");
                std::string columns = unbracket(text.substr(text.rfind('(') + 1, text.rfind(')') - text.rfind('(') - 1));
                return "CREATE UNIQUE INDEX cur.\"ref$" + name + "\" ON \"" + table + "\" (" + columns + ")";
            }
            // a key or index dropped (when it exists): its index goes
            if (auto drop = lower.find(" drop constraint "); drop != std::string::npos) {
                std::string table = lower.substr(0, drop);
                table = table.substr(table.rfind(' ') + 1);
                std::string name = unbracket(text.substr(drop + 17));
                name = name.substr(0, name.find_first_of(" ;"));
                return "DROP INDEX IF EXISTS cur.\"" + platform::sqlite::sqliteIndexName(table, name) + "\"";
            }
            if (startsWith(lower, "create") && lower.find(" index ") != std::string::npos) {
                std::string name = between(text, "INDEX [", "]"), table = between(text, "[dbo].[", "]");
                std::string columns = unbracket(between(text, table + "](", ")"));
                return "CREATE INDEX cur.\"ref$" + name + "\" ON \"" + table + "\" (" + columns + ")";
            }
            return {};   // defaults and default objects: metadata only
        }
        text = attachCur(text, database_);
        lower = lowerCase(text);
        if (startsWith(lower, "drop table ")) return "DROP TABLE " + text.substr(11);
        if (startsWith(lower, "select * into ") || startsWith(lower, "select top 0 * into ")) {
            bool none = startsWith(lower, "select top 0");
            auto from = lower.find(" from ");
            std::string target = text.substr(lower.find(" into ") + 6, from - lower.find(" into ") - 6);
            // the table as the engine defined it, filled by one INSERT ... SELECT
            std::string create = definition(target.substr(4));
            if (create.empty()) return "CREATE TABLE " + target + " AS SELECT * FROM " + text.substr(from + 6) + (none ? " LIMIT 0" : "");
            create.insert(std::string("CREATE TABLE ").size(), "cur.");
            return create + (none ? "" : "; INSERT INTO " + target + " SELECT * FROM " + text.substr(from + 6));
        }
        if (startsWith(lower, "insert into cur.")) return numbered(text, lower);
        return {};
    }

private:
    std::string definition(const std::string& table) {
        auto st = cur_.prepare("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
        st.bind(1, platform::Value(table));
        return st.step() ? st.column(0).toText() : std::string();
    }

    // An insert into a table with an identity column gets it from the source rows' rowid.
    std::string numbered(const std::string& text, const std::string& lower) {
        std::size_t nameStart = 16, nameEnd = lower.find_first_of(" (", nameStart);
        auto model = catalog_.table("main", text.substr(nameStart, nameEnd - nameStart));
        const auto* id = model ? model->identityColumn() : nullptr;
        auto open = lower.find_first_not_of(' ', nameEnd);
        if (!id || open == std::string::npos || lower[open] != '(') return text;
        auto close = lower.find(')', open);
        std::string list = lower.substr(open, close - open);
        if (list.find(lowerCase(id->name)) != std::string::npos) return text;
        auto from = lower.find(" from ", close);
        return text.substr(0, close) + ", " + id->name + text.substr(close, from - close) + ", rowid" + text.substr(from);
    }

    std::string database_;
    platform::sqlite::Connection cur_;
    platform::sqlite::Catalog catalog_;
};

}  // namespace

std::vector<ReferenceStep> referenceStatements(const std::string& trace, const std::string& curDatabase,
                                               const std::filesystem::path& curFile) {
    Converter converter(curDatabase, curFile);
    std::vector<ReferenceStep> out;
    std::istringstream lines(trace);
    int record = -1;
    // each step replays the statement of its line
    auto add = [&](ReferenceStep step) {
        step.record = record;
        out.push_back(std::move(step));
    };
    for (std::string line; std::getline(lines, line);) {
        ++record;
        auto j = nlohmann::json::parse(line);
        if (j.at("outcome") != "done") continue;
        std::string object = j.at("object");
        if (j.value("kind", "") == "row update") {  // the closing-month mark, on its own commit
            add({"UPDATE ca_cbsys SET " + j.at("column").get<std::string>() + " = " + j.at("value").dump(), false,
                 true});
            continue;
        }
        if (object == "Upgrade") continue;  // release 8.50's schema upgrade moves no data
        std::string text = j.at("text");
        if (j.value("read", false)) {
            // a query of the current year reads its table there
            auto from = lowerCase(text).find(" from ");
            if (object == "CurYearDb" && from != std::string::npos) text.insert(from + 6, "cur.");
            add({plainLiterals(text), true, false});
        } else if (startsWith(text, "update of the current row of \"select * from ca_cbsys \": ")) {
            add({"UPDATE ca_cbsys SET " + text.substr(text.find("\": ") + 3), false, true});
        } else if (std::string sql = converter.convert(object, text); !sql.empty()) {
            add({sql, false, false});
        }
    }
    return out;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

void runReference(const std::vector<ReferenceStep>& steps, const std::filesystem::path& prevFile,
                  const std::filesystem::path& curFile, std::vector<double>* stepCpuMs) {
    double last = stepCpuMs ? threadCpuMs() : 0;
    auto lap = [&] {
        if (!stepCpuMs) return;
        double now = threadCpuMs();
        stepCpuMs->push_back(now - last);
        last = now;
    };
    {
        platform::sqlite::Connection db(prevFile.string(), false);
        db.exec("PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL");
        db.exec("ATTACH DATABASE " + platform::sqlite::quoteText(curFile.string()) + " AS cur");
        db.exec("PRAGMA cur.journal_mode = DELETE");
        lap();
        bool begun = false;
        for (const auto& step : steps) {
            if (step.read) {
                db.prepare(step.sql).step();
            } else {
                if (!step.ownCommit && !begun) db.exec("BEGIN"), begun = true;
                db.exec(step.sql);
            }
            lap();
        }
        if (begun) db.exec("COMMIT");
    }
    lap();
}

}  // namespace vantyr::bench
