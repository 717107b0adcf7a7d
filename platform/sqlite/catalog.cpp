#include "platform/sqlite/catalog.h"

#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

std::string q(const std::string& schema, const std::string& table) { return quoteName(schema) + "." + quoteName(table); }

const char* xtypeOf(ConstraintKind kind) {
    switch (kind) {
        case ConstraintKind::PrimaryKey: return "PK";
        case ConstraintKind::Unique: return "UQ";
        case ConstraintKind::ForeignKey: return "F";
    }
    return "?";
}

std::string columnList(const TableModel& m) {
    std::string out;
    for (const auto& c : m.columns) out += (out.empty() ? "" : ", ") + quoteName(c.name);
    return out;
}

}  // namespace

std::string Catalog::key(const std::string& schema, const std::string& name) const {
    return lowerCase(schema) + "." + lowerCase(name);
}

void Catalog::install(const std::string& schema) {
    db_.exec("CREATE TABLE " + q(schema, "vantyr_tables") +
             " (name TEXT PRIMARY KEY COLLATE NOCASE, definition TEXT NOT NULL);"
             "CREATE TABLE " + q(schema, "sysobjects") +
             " (id INTEGER PRIMARY KEY, name TEXT NOT NULL COLLATE NOCASE, xtype TEXT NOT NULL, type TEXT NOT NULL,"
             " parent_obj INTEGER NOT NULL DEFAULT 0);"
             "CREATE INDEX " + q(schema, "sysobjects$name") + " ON sysobjects (name);"
             "CREATE TABLE " + q(schema, "sysindexes") +
             " (id INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE, indid INTEGER NOT NULL);"
             "CREATE TABLE " + q(schema, "vantyr_defaults") +
             " (name TEXT PRIMARY KEY COLLATE NOCASE, expression TEXT NOT NULL);");
}

std::optional<TableModel> Catalog::table(const std::string& schema, const std::string& name) {
    auto k = key(schema, name);
    if (auto it = cache_.find(k); it != cache_.end()) return it->second;
    auto st = db_.prepare("SELECT definition FROM " + q(schema, "vantyr_tables") + " WHERE name = ?");
    st.bind(1, Value(name));
    std::optional<TableModel> model;
    if (st.step()) model = TableModel::fromJson(st.column(0).toText());
    cache_[k] = model;
    return model;
}

bool Catalog::objectExists(const std::string& schema, const std::string& name) {
    auto st = db_.prepare("SELECT 1 FROM " + q(schema, "sysobjects") + " WHERE name = ?");
    st.bind(1, Value(name));
    return st.step();
}

std::optional<std::string> Catalog::ownerOf(const std::string& schema, const std::string& objectName) {
    auto st = db_.prepare("SELECT p.name FROM " + q(schema, "sysobjects") + " o JOIN " + q(schema, "sysobjects") +
                          " p ON p.id = o.parent_obj WHERE o.name = ?");
    st.bind(1, Value(objectName));
    if (!st.step()) return std::nullopt;
    return st.column(0).toText();
}

void Catalog::saveModel(const std::string& schema, const TableModel& model) {
    auto st = db_.prepare("INSERT OR REPLACE INTO " + q(schema, "vantyr_tables") + " (name, definition) VALUES (?, ?)");
    st.bind(1, Value(model.name));
    st.bind(2, Value(model.toJson()));
    st.step();
    cache_[key(schema, model.name)] = model;
}

// sysobjects and sysindexes rows of the table's constraints, defaults and indexes.
void Catalog::refreshObjects(const std::string& schema, const TableModel& model) {
    auto find = db_.prepare("SELECT id FROM " + q(schema, "sysobjects") + " WHERE name = ? AND xtype = 'U'");
    find.bind(1, Value(model.name));
    if (!find.step()) {
        auto add = db_.prepare("INSERT INTO " + q(schema, "sysobjects") + " (name, xtype, type) VALUES (?, 'U', 'U')");
        add.bind(1, Value(model.name));
        add.step();
        find = db_.prepare("SELECT id FROM " + q(schema, "sysobjects") + " WHERE name = ? AND xtype = 'U'");
        find.bind(1, Value(model.name));
        find.step();
    }
    Value id = find.column(0);
    auto clear = db_.prepare("DELETE FROM " + q(schema, "sysobjects") + " WHERE parent_obj = ?");
    clear.bind(1, id);
    clear.step();
    auto clearIndexes = db_.prepare("DELETE FROM " + q(schema, "sysindexes") + " WHERE id = ?");
    clearIndexes.bind(1, id);
    clearIndexes.step();
    auto addChild = [&](const std::string& name, const char* xtype) {
        auto st = db_.prepare("INSERT INTO " + q(schema, "sysobjects") + " (name, xtype, type, parent_obj) VALUES (?, ?, ?, ?)");
        st.bind(1, Value(name));
        st.bind(2, Value(xtype));
        st.bind(3, Value(xtype));
        st.bind(4, id);
        st.step();
    };
    auto addIndex = [&](const std::string& name, int indid) {
        auto st = db_.prepare("INSERT INTO " + q(schema, "sysindexes") + " (id, name, indid) VALUES (?, ?, ?)");
        st.bind(1, id);
        st.bind(2, Value(name));
        st.bind(3, Value(indid));
        st.step();
    };
    int indid = 1;
    for (const auto& k : model.constraints) {
        addChild(k.name, xtypeOf(k.kind));
        if (k.kind != ConstraintKind::ForeignKey) addIndex(k.name, ++indid);
    }
    for (const auto& c : model.columns)
        if (!c.defaultName.empty()) addChild(c.defaultName, "D");
    for (const auto& i : model.indexes) addIndex(i.name, ++indid);
}

void Catalog::ensureNewObjectNames(const std::string& schema, const TableModel& model, const std::string& owner) {
    auto check = [&](const std::string& name) {
        auto existing = ownerOf(schema, name);
        bool ownByThisTable = existing && sameName(*existing, owner);
        if (!ownByThisTable && objectExists(schema, name))
            throw CatalogError("There is already an object named '" + name + "' in the database.");
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
        throw CatalogError("There is already an object named '" + model.name + "' in the database.");
    ensureNewObjectNames(schema, model, model.name);
    createSqlite(schema, model);
    saveModel(schema, model);
    refreshObjects(schema, model);
}

void Catalog::updateModel(const std::string& schema, const TableModel& model) {
    saveModel(schema, model);
    refreshObjects(schema, model);
}

void Catalog::rebuildTable(const std::string& schema, const TableModel& model, const std::vector<std::string>* carried) {
    ensureNewObjectNames(schema, model, model.name);
    const std::string work = "vantyr$rebuild";
    TableModel staging = model;
    staging.name = work;
    staging.indexes.clear();
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
            throw CatalogError("The statement was terminated because a duplicate key or a NULL was found for table '" +
                               model.name + "' (" + f.what() + ").");
        }
        throw;
    }
    db_.exec("DROP TABLE " + q(schema, model.name));
    db_.exec("ALTER TABLE " + q(schema, work) + " RENAME TO " + quoteName(model.name));
    db_.exec("DROP TRIGGER IF EXISTS " + q(schema, work + "$identity"));
    db_.exec("DROP INDEX IF EXISTS " + q(schema, work + "$identity"));
    for (const auto& sql : createStatements(model, schema)) {
        if (sql.rfind("CREATE TABLE", 0) != 0) db_.exec(sql);
    }
    saveModel(schema, model);
    refreshObjects(schema, model);
}

void Catalog::dropTable(const std::string& schema, const std::string& name) {
    auto model = table(schema, name);
    if (!model)
        throw CatalogError("Cannot drop the table '" + name + "', because it does not exist or you do not have permission.");
    db_.exec("DROP TABLE " + q(schema, model->name));
    auto find = db_.prepare("SELECT id FROM " + q(schema, "sysobjects") + " WHERE name = ? AND xtype = 'U'");
    find.bind(1, Value(model->name));
    if (find.step()) {
        Value id = find.column(0);
        for (const char* sql : {"DELETE FROM %s WHERE parent_obj = ? OR id = ?"}) {
            std::string text(sql);
            text.replace(text.find("%s"), 2, q(schema, "sysobjects"));
            auto st = db_.prepare(text);
            st.bind(1, id);
            st.bind(2, id);
            st.step();
        }
        auto idx = db_.prepare("DELETE FROM " + q(schema, "sysindexes") + " WHERE id = ?");
        idx.bind(1, id);
        idx.step();
    }
    auto del = db_.prepare("DELETE FROM " + q(schema, "vantyr_tables") + " WHERE name = ?");
    del.bind(1, Value(model->name));
    del.step();
    cache_[key(schema, name)] = std::nullopt;
}

void Catalog::createDefaultObject(const std::string& schema, const std::string& name, const std::string& expression) {
    if (objectExists(schema, name))
        throw CatalogError("There is already an object named '" + name + "' in the database.");
    auto st = db_.prepare("INSERT INTO " + q(schema, "vantyr_defaults") + " (name, expression) VALUES (?, ?)");
    st.bind(1, Value(name));
    st.bind(2, Value(expression));
    st.step();
    auto obj = db_.prepare("INSERT INTO " + q(schema, "sysobjects") + " (name, xtype, type) VALUES (?, 'D', 'D')");
    obj.bind(1, Value(name));
    obj.step();
}

std::optional<std::string> Catalog::defaultObject(const std::string& schema, const std::string& name) {
    auto st = db_.prepare("SELECT expression FROM " + q(schema, "vantyr_defaults") + " WHERE name = ?");
    st.bind(1, Value(name));
    if (!st.step()) return std::nullopt;
    return st.column(0).toText();
}

}  // namespace vantyr::platform::sqlite
