#include "platform/sqlite/catalog.h"

#include <algorithm>
#include <array>
#include <map>

#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

std::string q(const std::string& schema, const std::string& table) { return quoteName(schema, table); }

std::string columnList(const TableModel& m) {
    std::string out;
    for (const auto& c : m.columns) out += (out.empty() ? "" : ", ") + quoteName(c.name);
    return out;
}

// Changes when another connection commits to the file.
std::int64_t dataVersion(Connection& db, const std::string& schema) {
    auto st = db.prepare("PRAGMA " + quoteName(schema) + ".data_version");
    return st.step() ? static_cast<std::int64_t>(st.column(0).toDouble()) : -1;
}

}  // namespace

// The counters' table: one small row per table, kept in its key's own b-tree
// (writing a counter changes one b-tree, not a table and its key's index).
// Files written before keep their rowid table, which reads the same.
std::string Catalog::identityTable(const std::string& schema) {
    return "CREATE TABLE IF NOT EXISTS " + q(schema, "vantyr_identity") +
           " (name TEXT PRIMARY KEY COLLATE NOCASE, last INTEGER) WITHOUT ROWID";
}

const char* Catalog::xtype(ConstraintKind kind) {
    switch (kind) {
        case ConstraintKind::PrimaryKey: return "PK";
        case ConstraintKind::Unique: return "UQ";
        case ConstraintKind::ForeignKey: return "F";
    }
    return "?";
}

std::string Catalog::key(const std::string& schema, const std::string& name) const {
    return lowerCase(schema) + "." + lowerCase(name);
}

Statement& Catalog::bound(const std::string& sql, std::initializer_list<Value> values) {
    Statement& st = db_.kept(sql);
    int i = 0;
    for (const auto& v : values) st.bind(++i, v);
    return st;
}

bool Catalog::step(const std::string& sql, std::initializer_list<Value> values, Value* first) {
    return ownStatement([&] {
        Statement& st = bound(sql, values);
        ResetAfterUse reset(st);
        bool row = st.step();
        if (row && first) *first = st.column(0);
        return row;
    });
}

void Catalog::eachRow(const std::string& sql, std::initializer_list<Value> values, const std::function<void(Statement&)>& row) {
    ownStatement([&] {
        Statement& st = bound(sql, values);
        ResetAfterUse reset(st);
        while (st.step()) row(st);
    });
}

void Catalog::install(const std::string& schema) {
    db_.exec("CREATE TABLE " + q(schema, "vantyr_tables") +
             " (name TEXT PRIMARY KEY COLLATE NOCASE, definition TEXT NOT NULL);"
             "CREATE TABLE " + q(schema, "sysobjects") +
             " (id INTEGER PRIMARY KEY, name TEXT NOT NULL COLLATE NOCASE, xtype TEXT NOT NULL, type TEXT NOT NULL,"
             " parent_obj INTEGER NOT NULL DEFAULT 0);"
             "CREATE INDEX " + q(schema, "sysobjects$name") + " ON sysobjects (name);"
             // a table's constraints, defaults and indexes are found without reading every object
             "CREATE INDEX " + q(schema, "sysobjects$parent") + " ON sysobjects (parent_obj);"
             "CREATE TABLE " + q(schema, "sysindexes") +
             " (id INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE, indid INTEGER NOT NULL);"
             "CREATE INDEX " + q(schema, "sysindexes$id") + " ON sysindexes (id);"
             "CREATE TABLE " + q(schema, "vantyr_defaults") +
             " (name TEXT PRIMARY KEY COLLATE NOCASE, expression TEXT NOT NULL);");
    db_.exec(identityTable(schema));
}

ModelRef Catalog::table(const std::string& schema, const std::string& name) {
    // a kept model is found without building its key on the heap
    std::array<char, 128> buffer;
    std::string k;
    if (schema.size() + name.size() + 1 <= buffer.size()) {
        std::size_t n = 0;
        for (char c : schema) buffer[n++] = fold(c);
        buffer[n++] = '.';
        for (char c : name) buffer[n++] = fold(c);
        std::string_view view(buffer.data(), n);
        if (auto it = cache_.find(view); it != cache_.end()) return it->second;
        k = view;
    } else {
        k = key(schema, name);
        if (auto it = cache_.find(k); it != cache_.end()) return it->second;
    }
    // the schema's definitions are read in one go; each is parsed when first asked for
    auto& texts = definitionTexts(schema);
    ModelRef model;
    auto lower = lowerCase(name);
    if (auto it = texts.find(lower); it != texts.end()) {
        // the same text in another file (the other year) is the same model: read once
        auto& parsed = parsed_[lower];
        if (parsed.second && parsed.first == it->second) model = parsed.second;
        else model = std::make_shared<const TableModel>(TableModel::fromJson(it->second)), parsed = {it->second, model};
    }
    cache_[k] = model;
    return model;
}

TextMap<std::string>& Catalog::definitionTexts(const std::string& schema) {
    auto s = lowerCase(schema);
    auto& texts = definitions_[s];
    if (!texts) {   // kept only when read whole
        TextMap<std::string> read;
        ownStatement([&] {
            auto st = db_.prepare("SELECT name, definition FROM " + q(schema, "vantyr_tables"));
            bool row = st.step();
            // the version of what was read: taken while the read still holds the file
            if (!dataVersions_.count(s)) dataVersions_[s] = dataVersion(db_, schema);
            for (; row; row = st.step()) read.emplace(lowerCase(st.text(0)), st.text(1));
        });
        texts = std::move(read);
    }
    return *texts;
}

void Catalog::forget() {
    cache_.clear();
    tableIds_.clear();
    definitions_.clear();
    counters_.clear();
    foreignKeyTables_.clear();
    identityTables_.clear();
    triggers_.clear();
    dataVersions_.clear();
    pendingModels_.clear();
    pendingCounters_.clear();
    statementStarts();
}

void Catalog::rememberModel(const std::string& k) {
    if (statementModels_.count(k)) return;
    ModelBefore before;
    if (auto it = cache_.find(k); it != cache_.end()) before.cached = it->second;
    if (auto it = pendingModels_.find(k); it != pendingModels_.end()) before.pending = it->second;
    statementModels_.emplace(k, std::move(before));
}

void Catalog::rememberCounter(const std::string& schema, const std::string& lowerName) {
    rememberCounter(lowerCase(schema) + "." + lowerName, schema, lowerName, counters(schema));
}

void Catalog::rememberCounter(const std::string& k, const std::string& schema, const std::string& lowerName,
                              const TextMap<std::optional<std::int64_t>>& map) {
    if (statementCounters_.count(k)) return;
    CounterBefore before{schema, lowerName, {}, {}};
    if (auto it = map.find(lowerName); it != map.end()) before.value = it->second;
    if (auto it = pendingCounters_.find(k); it != pendingCounters_.end()) before.pending = it->second;
    statementCounters_.emplace(k, std::move(before));
}

void Catalog::statementUndone() {
    for (auto& [k, before] : statementModels_) {
        if (before.cached) cache_[k] = *before.cached;
        else cache_.erase(k);
        if (before.pending) pendingModels_[k] = *before.pending;
        else pendingModels_.erase(k);
    }
    for (auto& [k, before] : statementCounters_) {
        auto& map = counters(before.schema);
        if (before.value) map[before.lowerName] = *before.value;
        else map.erase(before.lowerName);
        if (before.pending) pendingCounters_[k] = *before.pending;
        else pendingCounters_.erase(k);
    }
    // what was read again or changed by the statement is read afresh: the
    // texts of the models put back and the tables whose models hold foreign
    // keys, the triggers, whether the counter table is there
    if (!statementModels_.empty()) definitions_.clear(), foreignKeyTables_.clear();
    tableIds_.clear();   // a table row written or deleted by the statement is back as it was
    if (statementTriggers_) triggers_.clear();
    if (statementIdentityTable_) identityTables_.clear();
    statementStarts();
}

void Catalog::flush() {
    for (const auto& [k, at] : pendingModels_) {
        auto it = cache_.find(k);
        if (it != cache_.end() && it->second)   // an upsert changes the row in place
            step("INSERT INTO " + q(at.first, "vantyr_tables") +
                     " (name, definition) VALUES (?, ?) ON CONFLICT (name) DO UPDATE SET name = excluded.name,"
                     " definition = excluded.definition",
                 {Value(it->second->name), Value(it->second->toJson())});
        else
            step("DELETE FROM " + q(at.first, "vantyr_tables") + " WHERE name = ?", {Value(at.second)});
    }
    pendingModels_.clear();
    // the counters a transaction moved: one upsert of all of a schema's rows
    // (a carry-over moves one per table it fills), a delete for each that went
    std::map<std::string, std::vector<std::pair<std::string, Value>>> upserts;   // schema -> name, last
    for (const auto& [k, at] : pendingCounters_) {
        auto& map = counters(at.first);
        auto it = map.find(lowerCase(at.second));
        if (it != map.end())
            upserts[at.first].emplace_back(at.second, it->second ? Value(*it->second) : Value());
        else
            step("DELETE FROM " + q(at.first, "vantyr_identity") + " WHERE name = ?", {Value(at.second)});
    }
    for (const auto& [schema, rows] : upserts) {
        constexpr std::size_t kRowsPerStatement = 200;   // well inside SQLite's limit of bound values
        for (std::size_t from = 0; from < rows.size(); from += kRowsPerStatement) {
            std::size_t to = std::min(rows.size(), from + kRowsPerStatement);
            std::string sql = "INSERT INTO " + q(schema, "vantyr_identity") + " (name, last) VALUES (?, ?)";
            for (std::size_t i = from + 1; i < to; ++i) sql += ", (?, ?)";
            sql += " ON CONFLICT (name) DO UPDATE SET last = excluded.last";
            ownStatement([&] {
                auto st = db_.prepare(sql);
                int n = 0;
                for (std::size_t i = from; i < to; ++i) st.bind(++n, Value(rows[i].first)), st.bind(++n, rows[i].second);
                st.step();
            });
        }
    }
    pendingCounters_.clear();
}

void Catalog::forgetChangedElsewhere() {
    for (const auto& [schema, version] : dataVersions_)
        if (dataVersion(db_, schema) != version) return forget();
}

std::optional<std::string> Catalog::triggerOn(const std::string& schema, const std::string& table) {
    auto& triggers = triggers_[lowerCase(schema)];
    if (!triggers) {  // one read of the schema's triggers, kept with the models
        triggers.emplace();
        statementTriggers_ = true;   // read with what the statement changed so far
        // the triggers first (a file seldom has any), then the table of each
        std::vector<std::pair<std::string, Value>> found;   // trigger, its table's id
        eachRow("SELECT name, parent_obj FROM " + q(schema, "sysobjects") + " WHERE xtype = 'TR'", {},
                [&](Statement& st) { found.emplace_back(st.column(0).toText(), st.column(1)); });
        for (const auto& [trigger, parent] : found) {
            Value owner;
            if (step("SELECT name FROM " + q(schema, "sysobjects") + " WHERE id = ? AND xtype = 'U'", {parent}, &owner))
                triggers->emplace(lowerCase(owner.toText()), trigger);
        }
    }
    auto it = triggers->find(lowerCase(table));
    if (it == triggers->end()) return std::nullopt;
    return it->second;
}

std::optional<std::int64_t> Catalog::tableObjectId(const std::string& schema, const std::string& table) {
    auto k = key(schema, table);
    if (auto it = tableIds_.find(k); it != tableIds_.end()) return it->second;
    Value id;
    if (!step("SELECT id FROM " + q(schema, "sysobjects") + " WHERE name = ? AND xtype = 'U'", {Value(table)}, &id))
        return std::nullopt;
    auto number = static_cast<std::int64_t>(id.toDouble());
    tableIds_[k] = number;
    return number;
}

bool Catalog::objectExists(const std::string& schema, const std::string& name) {
    return step("SELECT 1 FROM " + q(schema, "sysobjects") + " WHERE name = ?", {Value(name)});
}

ModelRef Catalog::saveModel(const std::string& schema, TableModel model) {
    auto k = key(schema, model.name);
    rememberModel(k);
    ModelRef saved = std::make_shared<const TableModel>(std::move(model));
    cache_[k] = saved;
    pendingModels_[k] = {schema, saved->name};
    if (auto& texts = definitions_[lowerCase(schema)]) texts->erase(lowerCase(saved->name));
    if (auto& holders = foreignKeyTables_[lowerCase(schema)]) {
        if (saved->holdsForeignKey()) holders->insert(lowerCase(saved->name));
        else holders->erase(lowerCase(saved->name));
    }
    return saved;
}

// sysobjects and sysindexes rows of the table's constraints, defaults and
// indexes. Only what differs from the rows already there is written: a key
// added to a table of twenty defaults is one row more, not forty rewritten.
void Catalog::refreshObjects(const std::string& schema, const TableModel& model) {
    const std::string objects = q(schema, "sysobjects"), indexes = q(schema, "sysindexes");
    Value id;
    bool fresh = false;   // a table row written now: nothing of the table is there yet
    if (auto known = tableObjectId(schema, model.name)) {
        id = Value(*known);
    } else {
        step("INSERT INTO " + objects + " (name, xtype, type) VALUES (?, 'U', 'U')", {Value(model.name)});
        id = Value(tableIds_[key(schema, model.name)] = db_.lastInsertRowid());
        fresh = true;
    }
    // what the model holds: children by name with their type, indexes by name
    std::map<std::string, std::pair<std::string, const char*>> children;   // lower name -> name, xtype
    std::vector<std::string> indexNames;
    for (const auto& k : model.constraints) {
        children[lowerCase(k.name)] = {k.name, xtype(k.kind)};
        if (k.kind != ConstraintKind::ForeignKey) indexNames.push_back(k.name);
    }
    for (const auto& c : model.columns)
        if (!c.defaultName.empty()) children[lowerCase(c.defaultName)] = {c.defaultName, "D"};
    for (const auto& i : model.indexes) indexNames.push_back(i.name);

    // what sysobjects holds: rows that match stay, the others go
    std::vector<std::int64_t> stale;
    if (!fresh) eachRow("SELECT id, name, xtype FROM " + objects + " WHERE parent_obj = ?", {id}, [&](Statement& st) {
        auto it = children.find(lowerCase(st.text(1)));
        if (it != children.end() && it->second.first == st.text(1) && st.text(2) == it->second.second)
            children.erase(it);
        else
            stale.push_back(static_cast<std::int64_t>(st.column(0).toDouble()));
    });
    for (auto row : stale) step("DELETE FROM " + objects + " WHERE id = ?", {Value(row)});
    for (const auto& [lower, child] : children)
        step("INSERT INTO " + objects + " (name, xtype, type, parent_obj) VALUES (?, ?, ?, ?)",
             {Value(child.first), Value(child.second), Value(child.second), id});

    // sysindexes: an index keeps its number; a new one takes the next
    std::map<std::string, std::string> wanted;   // lower name -> name
    for (const auto& n : indexNames) wanted[lowerCase(n)] = n;
    std::int64_t last = 1;
    std::vector<std::string> gone;
    if (!fresh) eachRow("SELECT name, indid FROM " + indexes + " WHERE id = ?", {id}, [&](Statement& st) {
        std::string name(st.text(0));
        auto it = wanted.find(lowerCase(name));
        if (it != wanted.end() && it->second == name) {
            wanted.erase(it);
            last = std::max(last, static_cast<std::int64_t>(st.column(1).toDouble()));
        } else {
            gone.push_back(name);
        }
    });
    for (const auto& name : gone) step("DELETE FROM " + indexes + " WHERE id = ? AND name = ?", {id, Value(name)});
    for (const auto& n : indexNames)   // in the model's order
        if (wanted.count(lowerCase(n)))
            step("INSERT INTO " + indexes + " (id, name, indid) VALUES (?, ?, ?)", {id, Value(n), Value(++last)});
}

void Catalog::objectRows(const std::string& schema, const TableModel& model, const std::string& name, const char* xtype,
                         bool index, bool add) {
    const std::string objects = q(schema, "sysobjects"), indexes = q(schema, "sysindexes");
    auto known = tableObjectId(schema, model.name);
    if (!known) return refreshObjects(schema, model);   // the table's own row is missing: all of them are written
    Value id(*known);
    if (xtype && add)
        step("INSERT INTO " + objects + " (name, xtype, type, parent_obj) VALUES (?, ?, ?, ?)",
             {Value(name), Value(xtype), Value(xtype), id});
    else if (xtype)
        step("DELETE FROM " + objects + " WHERE parent_obj = ? AND name = ?", {id, Value(name)});
    if (index && add) {   // the next number of the table's indexes
        Value last;
        step("SELECT max(indid) FROM " + indexes + " WHERE id = ?", {id}, &last);
        std::int64_t next = std::max<std::int64_t>(1, last.isNull() ? 1 : static_cast<std::int64_t>(last.toDouble())) + 1;
        step("INSERT INTO " + indexes + " (id, name, indid) VALUES (?, ?, ?)", {id, Value(name), Value(next)});
    } else if (index) {
        step("DELETE FROM " + indexes + " WHERE id = ? AND name = ?", {id, Value(name)});
    }
}

void Catalog::ensureNewObjectNames(const std::string& schema, const TableModel& model, const std::string& owner,
                                   const std::vector<std::string>* only) {
    // the owner's objects may have the name already; any other object may not
    auto ownerId = tableObjectId(schema, owner);
    const std::string taken = "SELECT 1 FROM " + q(schema, "sysobjects") + " WHERE name = ? AND parent_obj IS NOT ?";
    auto check = [&](const std::string& name) {
        if (only && std::none_of(only->begin(), only->end(), [&](const std::string& n) { return sameName(n, name); }))
            return;
        if (step(taken, {Value(name), ownerId ? Value(*ownerId) : Value::null()}))
            throw CatalogError(2714, "There is already an object named '" + name + "' in the database.");
    };
    for (const auto& k : model.constraints) check(k.name);
    for (const auto& c : model.columns)
        if (!c.defaultName.empty()) check(c.defaultName);
}

void Catalog::createSqlite(const std::string& schema, const TableModel& model) {
    for (const auto& sql : createStatements(model, schema)) db_.exec(sql);
}

void Catalog::createTable(const std::string& schema, TableModel model) {
    if (objectExists(schema, model.name) || table(schema, model.name))
        throw CatalogError(2714, "There is already an object named '" + model.name + "' in the database.");
    nameObjects(schema, model);
    ensureNewObjectNames(schema, model, model.name);
    for (auto& k : model.constraints) {
        if (k.kind == ConstraintKind::ForeignKey) checkForeignKey(schema, model, k);
        for (const auto& c : k.columns)
            if (!model.column(c))
                throw CatalogError(1911, "Column name '" + c + "' does not exist in the target table or view.");
        if (k.kind == ConstraintKind::PrimaryKey)
            for (const auto& c : k.columns) model.column(c)->nullable = false;
    }
    if (model.identityColumn()) setIdentityLast(schema, model.name, std::nullopt);
    createSqlite(schema, model);
    refreshObjects(schema, *saveModel(schema, std::move(model)));
}

void Catalog::updateModel(const std::string& schema, TableModel model) {
    refreshObjects(schema, *saveModel(schema, std::move(model)));
}

void Catalog::updateModel(const std::string& schema, TableModel model, const std::string& index, bool added) {
    objectRows(schema, *saveModel(schema, std::move(model)), index, nullptr, true, added);
}

void Catalog::rebuildTable(const std::string& schema, const TableModel& model, const std::vector<std::string>* carried) {
    ensureNewObjectNames(schema, model, model.name);
    const std::string work = "vantyr$rebuild";
    TableModel staging = model;
    staging.name = work;
    staging.indexes.clear();
    std::erase_if(staging.constraints, [](const ConstraintDef& k) { return k.kind != ConstraintKind::ForeignKey; });
    for (const auto& sql : createStatements(staging, schema)) db_.exec(sql);
    std::string cols = columnList(model);
    if (carried) {
        cols.clear();
        for (const auto& c : *carried) cols += (cols.empty() ? "" : ", ") + quoteName(c);
    }
    try {
        db_.exec("INSERT INTO " + q(schema, work) + " (" + cols + ") SELECT " + cols + " FROM " + q(schema, model.name));
    } catch (const SqliteFailure& f) {
        if (f.constraint()) {
            throw CatalogError(515, "The statement was terminated because a NULL or a value of another type was found "
                                    "for table '" + model.name + "' (" + f.what() + ").");
        }
        throw;
    }
    db_.exec("DROP TABLE " + q(schema, model.name));
    db_.exec("ALTER TABLE " + q(schema, work) + " RENAME TO " + quoteName(model.name));
    for (const auto& sql : createStatements(model, schema)) {
        if (sql.rfind("CREATE TABLE", 0) != 0) db_.exec(sql);
    }
    saveModel(schema, model);
    refreshObjects(schema, model);
}

void Catalog::dropTable(const std::string& schema, const std::string& name) {
    auto model = table(schema, name);
    if (!model)
        throw CatalogError(3701, "Cannot drop the table '" + name +
                                     "', because it does not exist or you do not have permission.");
    if (!referencesTo(schema, model->name).empty())
        throw CatalogError(3726, "Could not drop object '" + model->name +
                                     "' because it is referenced by a FOREIGN KEY constraint.");
    db_.exec("DROP TABLE " + q(schema, model->name));
    if (model->identityColumn()) {   // its counter goes with it
        auto lower = lowerCase(model->name);
        rememberCounter(schema, lower);
        counters(schema).erase(lower);
        pendingCounters_[lowerCase(schema) + "." + lower] = {schema, model->name};
    }
    if (auto known = tableObjectId(schema, model->name)) {
        Value id(*known);
        step("DELETE FROM " + q(schema, "sysobjects") + " WHERE parent_obj = ? OR id = ?", {id, id});
        step("DELETE FROM " + q(schema, "sysindexes") + " WHERE id = ?", {id});
        tableIds_.erase(key(schema, model->name));
    }
    auto k = key(schema, name);
    rememberModel(k);
    cache_[k] = nullptr;
    pendingModels_[k] = {schema, model->name};
    if (auto& texts = definitions_[lowerCase(schema)]) texts->erase(lowerCase(name));
    if (auto& triggers = triggers_[lowerCase(schema)]) {  // they went with the table
        triggers->erase(lowerCase(name));
        statementTriggers_ = true;
    }
    if (auto& holders = foreignKeyTables_[lowerCase(schema)]) holders->erase(lowerCase(name));
}

void Catalog::createDefaultObject(const std::string& schema, const std::string& name, const std::string& expression) {
    if (objectExists(schema, name))
        throw CatalogError(2714, "There is already an object named '" + name + "' in the database.");
    step("INSERT INTO " + q(schema, "vantyr_defaults") + " (name, expression) VALUES (?, ?)", {Value(name), Value(expression)});
    step("INSERT INTO " + q(schema, "sysobjects") + " (name, xtype, type) VALUES (?, 'D', 'D')", {Value(name)});
}

std::optional<std::string> Catalog::defaultObject(const std::string& schema, const std::string& name) {
    Value expression;
    if (!step("SELECT expression FROM " + q(schema, "vantyr_defaults") + " WHERE name = ?", {Value(name)}, &expression))
        return std::nullopt;
    return expression.toText();
}

}  // namespace vantyr::platform::sqlite
