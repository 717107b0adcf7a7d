#include "platform/sqlite/module_catalog.h"

#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

std::string q(const std::string& schema, const std::string& name) { return quoteName(schema, name); }

const char* xtypeOf(ModuleKind kind) {
    switch (kind) {
        case ModuleKind::View: return "V";
        case ModuleKind::Procedure: return "P";
        case ModuleKind::Trigger: return "TR";
    }
    return "?";
}

const char* wordOf(ModuleKind kind) {
    switch (kind) {
        case ModuleKind::View: return "view";
        case ModuleKind::Procedure: return "procedure";
        case ModuleKind::Trigger: return "trigger";
    }
    return "object";
}

constexpr const char* kNotRun = "the embedded engine stores procedures and triggers but does not run them";

[[noreturn]] void refuse(const std::string& message) { throw CatalogError(message); }

}  // namespace

// The store of module texts and the sysobjects rows are the engine's own
// bookkeeping: a failure reading or writing them is the file's, never the
// statement's (only a view's own CREATE and DROP are the statement's work).
void ModuleCatalog::ensureStore(const std::string& schema) {
    ownStatement([&] {
        db_.exec("CREATE TABLE IF NOT EXISTS " + q(schema, "vantyr_modules") +
                 " (name TEXT PRIMARY KEY COLLATE NOCASE, xtype TEXT NOT NULL, definition TEXT NOT NULL)");
    });
}

std::optional<ModuleCatalog::Found> ModuleCatalog::object(const std::string& schema, const std::string& name) {
    return ownStatement([&]() -> std::optional<Found> {
        auto st = db_.prepare("SELECT id, name, xtype FROM " + q(schema, "sysobjects") +
                              " WHERE name = ? AND parent_obj = 0 OR name = ? AND xtype = 'TR'");
        st.bind(1, Value(name));
        st.bind(2, Value(name));
        if (!st.step()) return std::nullopt;
        return Found{static_cast<long long>(st.column(0).toDouble()), st.column(1).toText(), st.column(2).toText()};
    });
}

void ModuleCatalog::write(const std::string& sql, std::initializer_list<Value> values) {
    ownStatement([&] {
        auto st = db_.prepare(sql);
        int i = 0;
        for (const auto& v : values) st.bind(++i, v);
        st.step();
    });
}

void ModuleCatalog::record(const CreateModule& m, const char* xtype, long long parent) {
    const std::string& schema = m.name.schema;
    ensureStore(schema);
    write("INSERT OR REPLACE INTO " + q(schema, "vantyr_modules") + " (name, xtype, definition) VALUES (?, ?, ?)",
          {Value(m.name.table), Value(xtype), Value(m.text)});
    if (m.alter) return;
    write("INSERT INTO " + q(schema, "sysobjects") + " (name, xtype, type, parent_obj) VALUES (?, ?, ?, ?)",
          {Value(m.name.table), Value(xtype), Value(xtype), Value(static_cast<std::int64_t>(parent))});
}

void ModuleCatalog::createView(const CreateModule& m) {
    const std::string view = q(m.name.schema, m.name.table);
    auto existing = object(m.name.schema, m.name.table);
    if (m.alter) {
        if (!existing || existing->xtype != "V") refuse("Invalid object name '" + m.name.table + "'.");
        db_.exec("DROP VIEW " + view);
    }
    db_.exec("CREATE VIEW " + view + " AS " + m.viewSelect);
    try {
        db_.prepare("SELECT * FROM " + view);  // SQLite resolves a view's sources only when it is read
    } catch (const SqliteFailure& f) {
        refuse(std::string(f.what()) + " (view '" + m.name.table + "')");
    }
    record(m, "V", 0);
}

void ModuleCatalog::create(const CreateModule& m) {
    tables_.forgetTriggers();
    if (!m.alter && (object(m.name.schema, m.name.table) || tables_.table(m.name.schema, m.name.table)))
        refuse("There is already an object named '" + m.name.table + "' in the database.");
    switch (m.kind) {
        case ModuleKind::View:
            createView(m);
            return;
        case ModuleKind::Procedure:
            record(m, "P", 0);
            return;
        case ModuleKind::Trigger: {
            auto table = object(m.table->schema, m.table->table);
            if (!table || table->xtype != "U") refuse("Invalid object name '" + m.table->table + "'.");
            record(m, "TR", table->id);
            return;
        }
    }
}

void ModuleCatalog::drop(const DropModule& m) {
    tables_.forgetTriggers();
    const std::string& schema = m.name.schema;
    auto found = object(schema, m.name.table);
    if (!found || found->xtype != xtypeOf(m.kind)) {
        if (found && found->xtype == "U" && m.kind == ModuleKind::View)
            refuse("Cannot use DROP VIEW with '" + m.name.table + "' because '" + m.name.table +
                   "' is a table. Use DROP TABLE.");
        refuse(std::string("Cannot drop the ") + wordOf(m.kind) + " '" + m.name.table +
               "', because it does not exist or you do not have permission.");
    }
    if (m.kind == ModuleKind::View) db_.exec("DROP VIEW " + q(schema, found->name));
    write("DELETE FROM " + q(schema, "sysobjects") + " WHERE id = ?", {Value(static_cast<std::int64_t>(found->id))});
    ensureStore(schema);
    write("DELETE FROM " + q(schema, "vantyr_modules") + " WHERE name = ?", {Value(found->name)});
}

void ModuleCatalog::run(const RunProcedure& call) {
    auto found = object(call.name.schema, call.name.table);
    if (!found || found->xtype != "P") refuse("Could not find stored procedure '" + call.name.table + "'.");
    refuse("Procedure '" + found->name + "' is not run: " + kNotRun + ".");
}

void ModuleCatalog::refuseInsertFiringTrigger(const TableRef& table) {
    if (auto trigger = tables_.triggerOn(table.schema, table.table))
        refuse("Insert into '" + table.table + "' refused: it would fire trigger '" + *trigger + "', and " + kNotRun + ".");
}

std::optional<std::string> ModuleCatalog::text(const std::string& schema, const std::string& name) {
    ensureStore(schema);
    return ownStatement([&]() -> std::optional<std::string> {
        auto st = db_.prepare("SELECT definition FROM " + q(schema, "vantyr_modules") + " WHERE name = ?");
        st.bind(1, Value(name));
        if (!st.step()) return std::nullopt;
        return st.column(0).toText();
    });
}

}  // namespace vantyr::platform::sqlite
