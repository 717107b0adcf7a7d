// The catalogue's metadata changes: columns added and altered, defaults,
// keys and foreign keys added and dropped, identity counters, and the names
// the server gives to unnamed constraints.
#include <algorithm>
#include <cstdio>
#include <functional>

#include <nlohmann/json.hpp>

#include "platform/sqlite/catalog.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

std::string q(const std::string& schema, const std::string& table) { return quoteName(schema, table); }

// SQLite's affinity of a declared type: stored values keep the format of the affinity.
char affinity(const ColumnDef& c) {
    if (c.identity) return 'I';
    std::string t = lowerCase(c.type);
    if (t.find("int") != std::string::npos) return 'I';
    if (t.find("char") != std::string::npos || t.find("clob") != std::string::npos || t.find("text") != std::string::npos)
        return 'T';
    if (t.find("blob") != std::string::npos || t.empty()) return 'B';
    if (t.find("real") != std::string::npos || t.find("floa") != std::string::npos || t.find("doub") != std::string::npos)
        return 'R';
    return 'N';
}

bool sameColumns(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
               return sameName(x, y);
           });
}

// Sets writable_schema for one change of a table's definition and always clears it.
class WritableSchema {
public:
    explicit WritableSchema(Connection& db) : db_(db) { db_.exec("PRAGMA writable_schema = ON"); }
    ~WritableSchema() {
        try {
            db_.exec("PRAGMA writable_schema = OFF");
        } catch (const SqliteFailure&) {
            // a pragma on the connection itself: it cannot fail once the connection is open
        }
    }
    WritableSchema(const WritableSchema&) = delete;
    WritableSchema& operator=(const WritableSchema&) = delete;

private:
    Connection& db_;
};

}  // namespace

TableModel Catalog::require(const std::string& schema, const std::string& name) {
    auto m = table(schema, name);
    if (!m) throw CatalogError(4902, "Cannot find the object \"" + name + "\" because it does not exist or you do not have permissions.");
    return *m;
}

bool Catalog::hasRows(const std::string& schema, const std::string& name) {
    return step("SELECT 1 FROM " + q(schema, name) + " LIMIT 1", {});
}

std::vector<std::string> Catalog::referencesTo(const std::string& schema, const std::string& parent,
                                               const std::vector<std::string>* columns) {
    // only the models that hold a foreign key are read
    std::vector<std::string> out;
    auto& holders = foreignKeyTables_[lowerCase(schema)];
    if (!holders) {
        holders.emplace();
        const std::string prefix = lowerCase(schema) + ".";
        for (const auto& [k, m] : cache_)   // the models read or written so far
            if (k.rfind(prefix, 0) == 0 && m && m->holdsForeignKey()) holders->insert(k.substr(prefix.size()));
        // the others by their text: a foreign key names the table it references (the empty
        // refTable older versions wrote for every key makes a candidate too, checked below)
        static const std::string_view key = "\"refTable\":\"";
        const std::boyer_moore_horspool_searcher refTable(key.begin(), key.end());   // the texts are full of quotes
        for (const auto& [name, text] : definitionTexts(schema))
            if (!cache_.count(prefix + name) && std::search(text.begin(), text.end(), refTable) != text.end())
                holders->insert(name);
    }
    std::vector<std::string> candidates(holders->begin(), holders->end());
    for (const auto& name : candidates) {
        if (sameName(name, parent)) continue;
        auto m = table(schema, name);
        for (const auto& k : m->constraints)
            if (k.kind == ConstraintKind::ForeignKey && sameName(k.refTable, parent) &&
                (!columns || sameColumns(k.refColumns, *columns)))
                out.push_back(m->name + "." + k.name);
    }
    return out;
}

// FK__table__column__tail, PK__table__tail, DF__table__column__tail: the table
// part at most 9 characters, table and column together at most 14, and a tail
// of 8 hexadecimal digits unique in the database.
std::string Catalog::serverName(const std::string& schema, const char* prefix, const std::string& table,
                                const std::string& column, const TableModel& model) {
    auto inModel = [&](const std::string& name) {
        return model.constraint(name) || std::any_of(model.columns.begin(), model.columns.end(), [&](const ColumnDef& c) {
                   return sameName(c.defaultName, name);
               });
    };
    std::string t = table.substr(0, std::min<std::size_t>(table.size(), 9));
    std::string head = std::string(prefix) + "__" + t + "__";
    if (!column.empty()) head += column.substr(0, std::min<std::size_t>(column.size(), 14 - t.size())) + "__";
    for (unsigned attempt = 0;; ++attempt) {
        char tail[16];
        auto h = std::hash<std::string>{}(lowerCase(head) + std::to_string(attempt));
        std::snprintf(tail, sizeof tail, "%08X", static_cast<unsigned>(h & 0x7FFFFFFFu));
        if (!inModel(head + tail) && !objectExists(schema, head + tail)) return head + tail;
    }
}

void Catalog::nameObjects(const std::string& schema, TableModel& m) {
    for (auto& c : m.columns)
        if (c.hasDefault() && c.defaultName.empty() && c.boundDefault.empty())
            c.defaultName = serverName(schema, "DF", m.name, c.name, m);
    for (auto& k : m.constraints) {
        if (!k.name.empty()) continue;
        const ColumnDef* first = m.column(k.columns.front());
        std::string column = first ? first->name : k.columns.front();
        switch (k.kind) {
            case ConstraintKind::PrimaryKey: k.name = serverName(schema, "PK", m.name, {}, m); break;
            case ConstraintKind::Unique: k.name = serverName(schema, "UQ", m.name, {}, m); break;
            case ConstraintKind::ForeignKey: k.name = serverName(schema, "FK", m.name, column, m); break;
        }
    }
}

// The parent exists and has a primary key or unique constraint on exactly the
// referenced columns (the parent's key when none are named).
void Catalog::checkForeignKey(const std::string& schema, const TableModel& child, ConstraintDef& k) {
    ModelRef parent = sameName(k.refTable, child.name) ? std::make_shared<const TableModel>(child) : table(schema, k.refTable);
    if (!parent)
        throw CatalogError(1767, "Foreign key '" + k.name + "' references invalid table '" + k.refTable + "'.");
    k.refTable = parent->name;
    if (k.refColumns.empty() && parent->primaryKey()) k.refColumns = parent->primaryKey()->columns;
    for (auto& c : k.refColumns) {
        const ColumnDef* pc = parent->column(c);
        if (!pc)
            throw CatalogError(1770, "Foreign key '" + k.name + "' references invalid column '" + c +
                                         "' in referenced table '" + parent->name + "'.");
        c = pc->name;
    }
    for (auto& c : k.columns) {
        const ColumnDef* cc = child.column(c);
        if (!cc)
            throw CatalogError(1769, "Foreign key '" + k.name + "' references invalid column '" + c +
                                         "' in referencing table '" + child.name + "'.");
        c = cc->name;
    }
    bool keyed = std::any_of(parent->constraints.begin(), parent->constraints.end(), [&](const ConstraintDef& p) {
        return p.kind != ConstraintKind::ForeignKey && sameColumns(p.columns, k.refColumns);
    }) || std::any_of(parent->indexes.begin(), parent->indexes.end(), [&](const IndexDef& i) {
        return i.unique && sameColumns(i.columns, k.refColumns);
    });
    if (!keyed || k.columns.size() != k.refColumns.size())
        throw CatalogError(1776, "There are no primary or candidate keys in the referenced table '" + parent->name +
                                     "' that match the referencing column list in the foreign key '" + k.name + "'.");
}

void Catalog::rewriteDefinition(const std::string& schema, TableModel model) {
    // Rows older than an added column read the column's SQLite default: before
    // that default changes, they get their value written out.
    for (auto& c : model.columns) {
        c.defaultInTable = true;   // the new definition carries every default
        if (!c.addedDefault || *c.addedDefault == c.defaultExpr) continue;
        db_.exec("UPDATE " + q(schema, model.name) + " SET " + quoteName(c.name) + " = " + quoteName(c.name));
        c.addedDefault.reset();
    }
    Value version;
    step("PRAGMA " + quoteName(schema) + ".schema_version", {}, &version);
    {
        WritableSchema writable(db_);
        step("UPDATE " + q(schema, "sqlite_master") + " SET sql = ? WHERE type = 'table' AND name = ? COLLATE NOCASE",
             {Value(tableDefinition(model)), Value(model.name)});
        db_.exec("PRAGMA " + quoteName(schema) + ".schema_version = " +
                 std::to_string(static_cast<std::int64_t>(version.toDouble()) + 1));
    }
    refreshObjects(schema, *saveModel(schema, std::move(model)));
}

void Catalog::addColumns(const std::string& schema, const std::string& name, std::vector<ColumnDef> columns) {
    TableModel m = require(schema, name);
    bool rows = hasRows(schema, m.name);
    for (auto& c : columns) {
        if (m.column(c.name))
            throw CatalogError(2705, "Column names in each table must be unique. Column name '" + c.name +
                                         "' in table '" + m.name + "' is specified more than once.");
        if (c.identity && m.identityColumn())
            throw CatalogError(2744, "Multiple identity columns specified for table '" + m.name +
                                         "'. Only one identity column per table is allowed.");
        if (!c.nullable && !c.hasDefault() && !c.identity && rows)
            throw CatalogError(4901, "ALTER TABLE only allows columns to be added that can contain nulls, or have a "
                                     "DEFAULT definition specified, or the column being added is an identity or "
                                     "timestamp column, or alternatively if none of the previous conditions are "
                                     "satisfied the table must be empty to allow addition of this column. Column '" +
                                         c.name + "' cannot be added to non-empty table '" + m.name +
                                         "' because it does not satisfy these conditions.");
        // Existing rows: NULL in a nullable column, the default in a NOT NULL one.
        std::string add = quoteName(c.name) + " " + (c.identity ? std::string("INTEGER") : c.type);
        bool fill = !c.nullable && c.hasDefault() && !c.identity;
        if (fill && literalDefault(c.defaultExpr)) {
            add += " NOT NULL DEFAULT " + c.defaultExpr;
            fill = false;
            if (rows) c.addedDefault = c.defaultExpr;
        } else if (rows) {
            c.addedDefault = std::string();
        }
        db_.exec("ALTER TABLE " + q(schema, m.name) + " ADD COLUMN " + add);
        if (fill) {
            db_.exec("UPDATE " + q(schema, m.name) + " SET " + quoteName(c.name) + " = (" + c.defaultExpr + ")");
            c.addedDefault.reset();
        }
        if (c.identity) {
            // The existing rows in their order: seed, seed + increment, ...
            db_.exec("UPDATE " + q(schema, m.name) + " SET " + quoteName(c.name) + " = n.v FROM (SELECT rowid AS r, " +
                     std::to_string(c.seed) + " + " + std::to_string(c.increment) +
                     " * (row_number() OVER (ORDER BY rowid) - 1) AS v FROM " + q(schema, m.name) +
                     ") AS n WHERE n.r = " + q(schema, m.name) + ".rowid");
            c.addedDefault.reset();
            Value last;
            step("SELECT count(*) FROM " + q(schema, m.name), {}, &last);
            auto n = static_cast<std::int64_t>(last.toDouble());
            setIdentityLast(schema, m.name, n ? std::optional<std::int64_t>(c.seed + c.increment * (n - 1)) : std::nullopt);
        }
        m.columns.push_back(c);
    }
    nameObjects(schema, m);
    std::vector<std::string> added;
    for (std::size_t i = m.columns.size() - columns.size(); i < m.columns.size(); ++i)
        if (!m.columns[i].defaultName.empty()) added.push_back(m.columns[i].defaultName);
    ensureNewObjectNames(schema, m, m.name, &added);
    rewriteDefinition(schema, m);
}

void Catalog::alterColumn(const std::string& schema, const std::string& name, const ColumnDef& changed) {
    TableModel m = require(schema, name);
    ColumnDef* c = m.column(changed.name);
    if (!c)
        throw CatalogError(4924, "ALTER TABLE ALTER COLUMN failed because column '" + changed.name +
                                     "' does not exist in table '" + m.name + "'.");
    if (c->identity || changed.identity)
        throw CatalogError(4928, "Cannot alter column '" + c->name + "' because it is 'IDENTITY'.");
    if (!changed.nullable &&
        step("SELECT 1 FROM " + q(schema, m.name) + " WHERE " + quoteName(c->name) + " IS NULL LIMIT 1", {}))
        throw CatalogError(515, "Cannot insert the value NULL into column '" + c->name + "', table '" + m.name +
                                    "'; column does not allow nulls. UPDATE fails.");
    bool sameFormat = affinity(*c) == affinity(changed);
    c->type = changed.type;
    c->nullable = changed.nullable;
    if (sameFormat) rewriteDefinition(schema, m);
    else rebuildTable(schema, m);
}

void Catalog::setDefault(const std::string& schema, const std::string& name, const std::string& column,
                         const std::string& constraintName, const std::string& expression, const std::string& boundName) {
    TableModel m = require(schema, name);
    ColumnDef* c = m.column(column);
    if (!c) throw CatalogError(1752, "Column '" + column + "' in table '" + m.name + "' is invalid for creating a default constraint.");
    if (c->identity)
        throw CatalogError(1754, "Defaults cannot be created on columns with an IDENTITY attribute. Table '" + m.name +
                                     "', column '" + c->name + "'.");
    if (!c->defaultName.empty())
        throw CatalogError(boundName.empty() ? 1781 : 15135,
                           boundName.empty() ? "Column already has a DEFAULT bound to it."
                                             : "Column '" + m.name + "." + c->name + "' already has a DEFAULT bound to it.");
    if (boundName.empty() && !c->boundDefault.empty())
        throw CatalogError(1781, "Column already has a DEFAULT bound to it.");
    c->defaultName = boundName.empty() ? constraintName : std::string();
    c->boundDefault = boundName;
    c->defaultExpr = expression;
    c->defaultInTable = false;   // the SQLite table stays as it is
    nameObjects(schema, m);
    std::vector<std::string> added{c->defaultName};
    ensureNewObjectNames(schema, m, m.name, &added);
    const std::string defaultName = c->defaultName;
    ModelRef saved = saveModel(schema, std::move(m));
    if (!defaultName.empty()) objectRows(schema, *saved, defaultName, "D", false, true);  // one more object of the table
}

void Catalog::addConstraint(const std::string& schema, const std::string& name, ConstraintDef k, bool check) {
    TableModel m = require(schema, name);
    for (auto& c : k.columns) {
        ColumnDef* col = m.column(c);
        if (!col) throw CatalogError(1911, "Column name '" + c + "' does not exist in the target table or view.");
        c = col->name;
        if (k.kind == ConstraintKind::PrimaryKey && col->nullable)
            throw CatalogError(8111, "Cannot define PRIMARY KEY constraint on nullable column in table '" + m.name + "'.");
    }
    if (k.kind == ConstraintKind::PrimaryKey && m.primaryKey())
        throw CatalogError(1779, "Table '" + m.name + "' already has a primary key defined on it.");
    m.constraints.push_back(k);
    nameObjects(schema, m);
    ConstraintDef& added = m.constraints.back();
    std::vector<std::string> names{added.name};
    ensureNewObjectNames(schema, m, m.name, &names);
    if (added.kind == ConstraintKind::ForeignKey) {
        checkForeignKey(schema, m, added);
        rewriteDefinition(schema, m);
        if (check) {
            auto violations = db_.prepare("PRAGMA " + quoteName(schema) + ".foreign_key_check(" + quoteName(m.name) + ")");
            if (violations.step())
                throw CatalogError(547, "The ALTER TABLE statement conflicted with the FOREIGN KEY constraint \"" +
                                            added.name + "\". The conflict occurred in table \"dbo." + added.refTable +
                                            "\", column '" + added.refColumns.front() + "'.");
        }
        return;
    }
    try {
        db_.exec(createIndexStatement(schema, m.name, added.name, added.columns, true));
    } catch (const SqliteFailure& f) {
        if (!f.constraint()) throw;
        throw CatalogError(1505, "The CREATE UNIQUE INDEX statement terminated because a duplicate key was found for "
                                 "the object name 'dbo." + m.name + "' and the index name '" + added.name + "'.");
    }
    const std::string keyName = added.name;
    const char* kind = xtype(added.kind);
    objectRows(schema, *saveModel(schema, std::move(m)), keyName, kind, true, true);
}

void Catalog::dropConstraint(const std::string& schema, const std::string& name, const std::string& constraint) {
    TableModel m = require(schema, name);
    auto it = std::find_if(m.constraints.begin(), m.constraints.end(),
                           [&](const ConstraintDef& k) { return sameName(k.name, constraint); });
    if (it != m.constraints.end()) {
        ConstraintDef k = *it;
        m.constraints.erase(it);
        if (k.kind == ConstraintKind::ForeignKey) return rewriteDefinition(schema, m);
        auto referencing = referencesTo(schema, m.name, &k.columns);
        if (!referencing.empty())
            throw CatalogError(3725, "The constraint '" + k.name + "' is being referenced by table '" +
                                         referencing.front().substr(0, referencing.front().find('.')) +
                                         "', foreign key constraint '" +
                                         referencing.front().substr(referencing.front().find('.') + 1) +
                                         "'. Could not drop constraint.");
        db_.exec("DROP INDEX " + q(schema, sqliteIndexName(m.name, k.name)));
        return objectRows(schema, *saveModel(schema, std::move(m)), k.name, xtype(k.kind), true, false);
    }
    if (ColumnDef* c = m.columnWithDefault(constraint)) {
        bool inTable = c->defaultInTable;
        const std::string name = c->defaultName;
        c->defaultName.clear();
        c->defaultExpr.clear();
        c->defaultInTable = true;
        if (inTable) return rewriteDefinition(schema, std::move(m));
        return objectRows(schema, *saveModel(schema, std::move(m)), name, "D", false, false);
    }
    throw CatalogError(3728, "'" + constraint + "' is not a constraint.");
}

void Catalog::ensureIdentityTable(const std::string& schema) {
    auto k = lowerCase(schema);
    if (identityTables_[k]) return;
    if (ownStatement([&] { return db_.hasTable(schema, "vantyr_identity"); })) {   // a file carried over into before
        identityTables_[k] = true;
        return;
    }
    ownStatement([&] { db_.exec(identityTable(schema)); });
    identityTables_[k] = true;
    statementIdentityTable_ = true;
}

TextMap<std::optional<std::int64_t>>& Catalog::counters(const std::string& schema) {
    ensureIdentityTable(schema);
    auto& counters = counters_[lowerCase(schema)];
    if (!counters) {  // the schema's counters are read in one go, and kept only when read whole
        TextMap<std::optional<std::int64_t>> read;
        ownStatement([&] {
            auto st = db_.prepare("SELECT name, last FROM " + q(schema, "vantyr_identity"));
            while (st.step()) {
                Value last = st.column(1);
                read.emplace(lowerCase(st.column(0).toText()),
                             last.isNull() ? std::nullopt
                                           : std::optional<std::int64_t>(static_cast<std::int64_t>(last.toDouble())));
            }
        });
        counters = std::move(read);
    }
    return *counters;
}

std::optional<std::int64_t> Catalog::identityLast(const std::string& schema, const std::string& name) {
    auto& all = counters(schema);
    if (auto it = all.find(lowerCase(name)); it != all.end()) return it->second;
    // A table numbered before its file kept counters: it continues after its rows.
    auto m = table(schema, name);
    const ColumnDef* id = m ? m->identityColumn() : nullptr;
    if (!id) return std::nullopt;
    auto st = db_.prepare(std::string("SELECT ") + (id->increment > 0 ? "max(" : "min(") + quoteName(id->name) +
                          ") FROM " + q(schema, m->name));
    st.step();
    Value v = st.column(0);
    if (v.isNull() || v.isEmpty()) return std::nullopt;
    return static_cast<std::int64_t>(v.toDouble());
}

void Catalog::setIdentityLast(const std::string& schema, const std::string& name, std::optional<std::int64_t> last) {
    auto lower = lowerCase(name);
    auto& map = counters(schema);
    auto k = lowerCase(schema) + "." + lower;
    rememberCounter(k, schema, lower, map);
    map[lower] = last;
    pendingCounters_.insert_or_assign(std::move(k), std::pair<std::string, std::string>(schema, name));
}

}  // namespace vantyr::platform::sqlite
