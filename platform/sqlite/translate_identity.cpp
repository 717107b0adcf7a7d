#include "platform/sqlite/translate_identity.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <iterator>

#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

using Counter = IdentityRules::Counter;

// vantyr_identity_next(): the next value of the armed counter.
void nextValue(sqlite3_context* context, int, sqlite3_value**) {
    auto* c = static_cast<Counter*>(sqlite3_user_data(context));
    if (!c->armed || c->explicitValues) return sqlite3_result_error(context, "no identity counter is armed", -1);
    sqlite3_result_int64(context, c->next);
    c->next += c->increment;
    ++c->handedOut;
}

// vantyr_identity_value(v): an explicit identity value, refused when NULL.
void explicitValue(sqlite3_context* context, int, sqlite3_value** argv) {
    auto* c = static_cast<Counter*>(sqlite3_user_data(context));
    if (!c->armed || !c->explicitValues) return sqlite3_result_error(context, "no identity counter is armed", -1);
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        std::string message = "Msg 515: Cannot insert the value NULL into column '" + c->column + "', table '" +
                              c->table + "'; column does not allow nulls. INSERT fails.";
        return sqlite3_result_error(context, message.c_str(), -1);
    }
    sqlite3_int64 v = sqlite3_value_int64(argv[0]);
    bool further = !c->highest || (c->increment > 0 ? v > *c->highest : v < *c->highest);
    if (further) c->highest = v;
    sqlite3_result_int64(context, v);
}

[[noreturn]] void refuse(int number, const std::string& text) { throw CatalogError(number, text); }

// An INSERT as the translator writes it for SQLite: the text up to and with
// the target (and its column list, if any), and the rows' source after it.
// The parts are views of the statement's text.
struct InsertParts {
    std::string_view with;     // a WITH clause before the INSERT (the conversion's source rows), or empty
    std::string_view head;     // [WITH ...] INSERT INTO "schema"."table"
    std::string_view source;   // VALUES ..., SELECT ..., DEFAULT VALUES
    bool noRows = false;  // DEFAULT VALUES
    // A plain SELECT source (see plainSelect): where its FROM begins in `source`.
    std::optional<std::size_t> plainFrom;
};

// The parts where the translator says they are.
InsertParts laidOut(std::string_view sql, const InsertLayout& at) {
    InsertParts parts{sql.substr(0, at.withEnd), sql.substr(0, at.headEnd), sql.substr(at.sourceStart), false, at.plainFrom};
    parts.noRows = sameName(parts.source.substr(0, 7), "default");
    return parts;
}

// The parts of an INSERT the translator did not lay out, found by reading it.
InsertParts split(std::string_view sql) {
    auto tokens = tokenize(sql);
    std::size_t offset = 0, i = 0, headEnd = std::string::npos;
    auto skipSpace = [&] {
        while (i < tokens.size() && tokens[i].kind == TokenKind::Space) offset += tokens[i++].text.size();
    };
    auto take = [&] { offset += tokens[i++].text.size(); };
    skipSpace();
    std::size_t withEnd = 0;
    if (i < tokens.size() && tokens[i].is("with")) {
        // WITH name(...) AS (...) INSERT ...: the clause stays in front of the insert
        int depth = 0;
        while (i < tokens.size() && !(depth == 0 && tokens[i].is("insert"))) {
            if (tokens[i].isSymbol("(")) ++depth;
            if (tokens[i].isSymbol(")")) --depth;
            take();
        }
        withEnd = offset;
    }
    if (i < tokens.size() && tokens[i].is("insert")) take();
    skipSpace();
    if (i < tokens.size() && tokens[i].is("into")) take();
    skipSpace();
    if (i < tokens.size() && tokens[i].isName()) take();
    while (true) {
        skipSpace();
        if (i + 1 < tokens.size() && tokens[i].isSymbol(".")) {
            take();
            skipSpace();
            if (i < tokens.size() && tokens[i].isName()) take();
        } else {
            break;
        }
    }
    headEnd = offset;
    skipSpace();
    if (i < tokens.size() && tokens[i].isSymbol("(") && i + 1 < tokens.size()) {
        // a column list, not a parenthesised query
        std::size_t j = i + 1;
        while (j < tokens.size() && tokens[j].kind == TokenKind::Space) ++j;
        if (j < tokens.size() && tokens[j].isName() && !tokens[j].is("select") && !tokens[j].is("values")) {
            while (i < tokens.size() && !tokens[i].isSymbol(")")) take();
            if (i < tokens.size()) take();
        }
    }
    InsertParts parts{sql.substr(0, withEnd), sql.substr(0, headEnd), sql.substr(offset), false, std::nullopt};
    // the source: DEFAULT VALUES, or where the FROM of a plain SELECT begins
    std::size_t at = 0;
    while (i < tokens.size() && tokens[i].kind == TokenKind::Space) at += tokens[i++].text.size();
    parts.noRows = i < tokens.size() && tokens[i].is("default");
    if (i == tokens.size() || !tokens[i].is("select") || !plainSelect(tokens.data() + i, tokens.data() + tokens.size()))
        return parts;
    int depth = 0;
    for (; i < tokens.size(); at += tokens[i++].text.size()) {
        if (tokens[i].isSymbol("(")) ++depth;
        if (tokens[i].isSymbol(")")) --depth;
        if (depth == 0 && tokens[i].is("from")) return parts.plainFrom = at, parts;
    }
    return parts;
}

// True when a row of a VALUES source gives NULL or DEFAULT as its value number `k`.
bool literalNullAt(std::string_view source, std::size_t k) {
    auto tokens = tokenize(source);
    std::vector<const Token*> words;
    for (const auto& t : tokens)
        if (t.kind != TokenKind::Space) words.push_back(&t);
    if (words.empty() || !words[0]->is("values")) return false;
    int depth = 0;
    std::size_t position = 0, length = 0;
    const Token* single = nullptr;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const Token& t = *words[i];
        bool closesValue = (depth == 1 && t.isSymbol(",")) || (depth == 1 && t.isSymbol(")"));
        if (closesValue) {
            if (position == k && length == 1 && (single->is("null") || single->is("default"))) return true;
            ++position, length = 0;
        }
        if (t.isSymbol("(")) ++depth;
        if (t.isSymbol(")")) --depth;
        if (depth == 0) position = 0;
        else if (!closesValue && !(depth == 1 && t.isSymbol("("))) single = &t, ++length;
    }
    return false;
}

std::string nameList(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + quoteName(n);
    return out;
}

}  // namespace

IdentityRules::IdentityRules(Connection& connection) : db_(connection) {
    int rc = sqlite3_create_function_v2(db_.handle(), "vantyr_identity_next", 0, SQLITE_UTF8, &counter_, nextValue,
                                        nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db_.handle(), "vantyr_identity_value", 1, SQLITE_UTF8, &counter_, explicitValue,
                                        nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw SqliteFailure(rc, "cannot register the identity functions");
}

std::string IdentityRules::prepareInsert(Catalog& catalog, const Passthrough& c, bool identityInsert) {
    counter_ = Counter{};
    if (!c.target) return c.sql;
    auto model = catalog.table(c.target->schema, c.target->table);
    if (!model) return c.sql;
    const ColumnDef* id = model->identityColumn();
    bool modelDefaults = std::any_of(model->columns.begin(), model->columns.end(),
                                     [](const ColumnDef& col) { return col.hasDefault() && !col.defaultInTable; });
    if (!id && !modelDefaults) return c.sql;
    InsertParts parts = c.insertLayout ? laidOut(c.sql, *c.insertLayout) : split(c.sql);
    const std::string& t = model->name;
    bool noRows = parts.noRows;
    auto named = [&](const std::vector<std::string>& list, const std::string& name) {
        return std::any_of(list.begin(), list.end(), [&](const std::string& n) { return sameName(n, name); });
    };
    std::vector<std::string> implicitColumns;
    const std::vector<std::string>& columns = c.insertColumns ? *c.insertColumns : implicitColumns;
    if (!c.insertColumns && !noRows) {
        // the implicit column list: every column but the identity column
        for (const auto& col : model->columns)
            if (!col.identity) implicitColumns.push_back(col.name);
        if (id) {
            const std::string explicitWithoutList =
                "An explicit value for the identity column in table '" + t +
                "' can only be specified when a column list is used and IDENTITY_INSERT is ON.";
            if (identityInsert ||
                db_.prepare(std::string(parts.with) + "SELECT * FROM (" + std::string(parts.source) + ")").columnCount() == static_cast<int>(model->columns.size()))
                refuse(8101, explicitWithoutList);
        }
    }
    bool listed = id && named(columns, id->name);
    if (id && listed && identityInsert) {
        auto k = static_cast<std::size_t>(std::find_if(columns.begin(), columns.end(), [&](const std::string& n) {
                                               return sameName(n, id->name);
                                           }) - columns.begin());
        if (literalNullAt(parts.source, k)) refuse(339, "DEFAULT or NULL are not allowed as explicit identity values.");
    }
    if (id && listed && !identityInsert)
        refuse(544, "Cannot insert explicit value for identity column in table '" + t +
                        "' when IDENTITY_INSERT is set to OFF.");
    if (id && !listed && identityInsert)
        refuse(545, "Explicit value must be specified for identity column in table '" + t +
                        "' either when IDENTITY_INSERT is set to ON or when a replication user is inserting into a NOT "
                        "FOR REPLICATION identity column.");

    // What SQLite is given besides the statement's own values: the identity
    // value and the defaults the SQLite table does not know.
    std::vector<std::string> added, values;
    if (id) {
        counter_.armed = true;
        counter_.schema = c.target->schema;
        counter_.table = t;
        counter_.column = id->name;
        counter_.increment = id->increment;
        counter_.explicitValues = listed;
        if (!listed) {
            auto last = catalog.identityLast(counter_.schema, t);
            counter_.next = last ? *last + id->increment : id->seed;
            added.push_back(id->name);
            values.push_back("vantyr_identity_next()");
        }
    }
    for (const auto& col : model->columns)
        if (col.hasDefault() && !col.defaultInTable && !named(columns, col.name)) {
            added.push_back(col.name);
            values.push_back("(" + col.defaultExpr + ")");
        }
    auto join = [](const std::vector<std::string>& items) {
        std::string out;
        for (const auto& i : items) out += (out.empty() ? "" : ", ") + i;
        return out;
    };
    if (added.empty() && !listed) return c.sql;
    auto allNames = [&] {   // the statement's columns, then the added ones
        std::vector<std::string> all = columns;
        all.insert(all.end(), added.begin(), added.end());
        return nameList(all);
    };
    if (noRows && columns.empty())
        return added.empty() ? c.sql : std::string(parts.head) + " (" + nameList(added) + ") VALUES (" + join(values) + ")";
    if (listed) {
        std::vector<std::string> names, row;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            names.push_back("c" + std::to_string(i + 1));
            row.push_back(sameName(columns[i], id->name) ? "vantyr_identity_value(" + names.back() + ")" : names.back());
        }
        row.insert(row.end(), values.begin(), values.end());
        return std::string(parts.head) + " (" + allNames() + ") WITH vantyr_rows(" + join(names) + ") AS (" +
               std::string(parts.source) +
               ") SELECT " + join(row) + " FROM vantyr_rows";
    }
    // A plain SELECT takes the values at the end of its own select list, which
    // SQLite prepares in half the time of a query around it.
    if (auto from = parts.plainFrom) {
        std::string_view sql = c.sql;
        std::size_t sourceStart = sql.size() - parts.source.size(), fromAt = sourceStart + *from;
        // the statement's own column list, as the translator wrote it, takes the added names before its ")"
        std::size_t close = c.insertColumns && c.insertLayout && sourceStart > 0 ? sql.rfind(')', sourceStart - 1)
                                                                                  : std::string_view::npos;
        if (close != std::string_view::npos && close >= parts.head.size()) {
            std::string out;
            out.reserve(sql.size() + 64);
            out.append(sql.substr(0, close)).append(", ").append(nameList(added));
            out.append(sql.substr(close, fromAt - close)).append(", ").append(join(values)).append(" ");
            return out.append(sql.substr(fromAt));
        }
        return std::string(parts.head) + " (" + allNames() + ") " + std::string(parts.source.substr(0, *from)) + ", " +
               join(values) + " " + std::string(parts.source.substr(*from));
    }
    return std::string(parts.head) + " (" + allNames() + ") SELECT *, " + join(values) + " FROM (" +
           std::string(parts.source) + ")";
}

void IdentityRules::checkUpdate(Catalog& catalog, const Passthrough& c) {
    if (!c.target) return;
    auto model = catalog.table(c.target->schema, c.target->table);
    const ColumnDef* id = model ? model->identityColumn() : nullptr;
    if (!id) return;
    auto tokens = tokenize(c.sql);
    std::vector<const Token*> words;
    for (const auto& t : tokens)
        if (t.kind != TokenKind::Space) words.push_back(&t);
    int depth = 0;
    bool inSet = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Token& t = *words[i];
        if (t.isSymbol("(")) ++depth;
        if (t.isSymbol(")")) --depth;
        if (depth != 0) continue;
        if (t.is("set")) inSet = true;
        else if (t.is("where") || t.is("from")) inSet = false;
        // an assignment: name = ... (the name possibly qualified)
        bool assigned = inSet && t.isName() && i + 1 < words.size() && words[i + 1]->isSymbol("=");
        if (assigned && sameName(t.value(), id->name)) refuse(8102, "Cannot update identity column '" + id->name + "'.");
    }
}

void IdentityRules::finishInsert(Catalog& catalog) {
    Counter c = counter_;
    counter_ = Counter{};
    if (!c.armed) return;
    if (!c.explicitValues) {
        if (c.handedOut > 0) catalog.setIdentityLast(c.schema, c.table, c.next - c.increment);
        return;
    }
    if (!c.highest) return;
    auto last = catalog.identityLast(c.schema, c.table);
    if (!last || (c.increment > 0 ? *c.highest > *last : *c.highest < *last))
        catalog.setIdentityLast(c.schema, c.table, c.highest);
}

void IdentityRules::continueAfterRows(Catalog& catalog, const TableRef& table) {
    auto model = catalog.table(table.schema, table.table);
    const ColumnDef* id = model ? model->identityColumn() : nullptr;
    if (!id) return;
    auto st = db_.prepare(std::string("SELECT ") + (id->increment > 0 ? "max(" : "min(") + quoteName(id->name) +
                          ") FROM " + quoteName(table.schema) + "." + quoteName(model->name));
    st.step();
    Value v = st.column(0);
    if (!v.isNull() && !v.isEmpty())
        catalog.setIdentityLast(table.schema, model->name, static_cast<std::int64_t>(v.toDouble()));
}

}  // namespace vantyr::platform::sqlite
