#include "platform/sqlite/session.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "platform/error.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

constexpr const char* kSavepoint = "vantyr_statement";

std::string refKey(const TableRef& r) { return lowerCase(r.schema) + "." + lowerCase(r.table); }
std::string q(const TableRef& r) { return quoteName(r.schema) + "." + quoteName(r.table); }

Error statementFailure(const std::string& what, const std::string& sql) {
    return Error(kErrStatementFailed, what + " [statement: " + sql + "]");
}

[[noreturn]] void refuse(const std::string& message) { throw CatalogError(message); }

std::vector<std::string> names(const TableModel& m) {
    std::vector<std::string> out;
    for (const auto& c : m.columns) out.push_back(c.name);
    return out;
}

}  // namespace

Connection& Session::connection() {
    if (!connection_) throw Error(3420, "Object invalid or no longer set: no account-year database is open.");
    return *connection_;
}

std::string Session::resolve(const std::string& schema, const std::string& database) {
    if (database.empty()) return schema;
    if (auto it = aliases_.find(lowerCase(database)); it != aliases_.end()) return it->second;
    if (auto found = directory_.byName(database); found && !connection().inTransaction()) return attach(*found);
    throw CatalogError("Database '" + database + "' does not exist or is not reachable from this statement.");
}

template <class F>
auto Session::guarded(const std::string& sql, F&& body, const std::string& schema) {
    Connection& db = connection();
    auto identityBefore = identityInsertOn_;
    bool inTransaction = db.inTransaction();
    bookkeeping(std::string("SAVEPOINT ") + kSavepoint, schema, "The engine could not open its savepoint around a statement");
    // Undoes the statement; false when SQLite rolled back the whole transaction on its own.
    auto undo = [&] {
        catalog_->forget();
        identityInsertOn_ = identityBefore;
        if (!db.inTransaction()) return !inTransaction;  // the savepoint is gone with the transaction
        if (!inTransaction) {  // the savepoint was the transaction (its RELEASE may have been refused)
            bookkeeping("ROLLBACK", schema, "The engine could not undo a failed statement");
            return true;
        }
        bookkeeping(std::string("ROLLBACK TO ") + kSavepoint + "; RELEASE " + kSavepoint, schema,
                    "The engine could not undo a failed statement");
        return true;
    };
    // A failure after which the run's transaction is gone is never one to pass over.
    auto ending = [&](const Error& e) {
        if (undo() || isStorageFailure(e.number())) return e;
        return Error(kErrIo, "The engine rolled back the whole transaction after this failure: " + e.description());
    };
    try {
        auto result = body();
        bookkeeping(std::string("RELEASE ") + kSavepoint, schema, "The engine could not keep a statement's changes");
        return result;
    } catch (const Error& e) {
        throw ending(e);
    } catch (const SqliteFailure& f) {
        throw ending(funnel(f, FailureSite::Statement, files(schema), sql));
    } catch (const nlohmann::json::exception& e) {  // a table model in the catalogue that cannot be read
        throw ending(Error(kErrNotADatabase, "The catalogue of the account-year database " + files(schema).describe() +
                                                 " is damaged (" + e.what() + ") [statement: " + sql + "]."));
    } catch (const std::exception& e) {  // CatalogError, UnsupportedStatement
        throw ending(statementFailure(e.what(), sql));
    }
}

std::int64_t Session::execute(const std::string& schema, const std::string& sql) {
    return guarded(sql, [&] {
        auto commands = translate(sql, [&](const std::string& database) { return resolve(schema, database); });
        std::int64_t rows = 0;
        for (const auto& command : commands) rows += run(schema, command);
        return rows;
    }, schema);
}

void Session::checkIdentityInsert(const Passthrough& c) {
    auto model = catalog_->table(c.target->schema, c.target->table);
    if (!model) return;
    const ColumnDef* id = model->identityColumn();
    if (!id) return;
    bool explicitValue = !c.insertColumns || std::any_of(c.insertColumns->begin(), c.insertColumns->end(),
                                                         [&](const std::string& n) { return sameName(n, id->name); });
    if (!explicitValue) return;
    if (!c.insertColumns)
        refuse("An explicit value for the identity column in table '" + model->name +
               "' can only be specified when a column list is used and IDENTITY_INSERT is ON.");
    if (identityInsertOn_ != refKey(*c.target))
        refuse("Cannot insert explicit value for identity column in table '" + model->name +
               "' when IDENTITY_INSERT is set to OFF.");
}

std::int64_t Session::runPassthrough(const Passthrough& c) {
    if (c.verb == Verb::Insert && c.target) checkIdentityInsert(c);
    try {
        auto st = connection().prepare(c.sql);
        while (st.step()) {
        }
    } catch (const SqliteFailure& f) {
        if (f.foreignKey() && (c.verb == Verb::Delete || c.verb == Verb::Update)) {
            throw Error(kErrRelatedRecords, "The record cannot be deleted or changed because another table includes "
                                            "related records of table '" + (c.target ? c.target->table : std::string()) +
                                            "' (" + f.what() + ").");
        }
        throw;
    }
    return c.verb == Verb::Select ? 0 : connection().changes();
}

std::int64_t Session::run(const std::string& schema, const Command& command) {
    auto requireTable = [&](const TableRef& r) {
        auto m = catalog_->table(r.schema, r.table);
        if (!m) refuse("Msg 208: Invalid object name '" + r.table + "'.");
        return *m;
    };
    auto requireColumn = [&](TableModel& m, const std::string& name) -> ColumnDef& {
        ColumnDef* c = m.column(name);
        if (!c) refuse("Msg 207: Invalid column name '" + name + "' in table '" + m.name + "'.");
        return *c;
    };
    return std::visit(
        [&](const auto& c) -> std::int64_t {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, Passthrough>) {
                return runPassthrough(c);
            } else if constexpr (std::is_same_v<T, IdentityInsert>) {
                TableModel m = requireTable(c.table);
                if (!m.identityColumn())
                    refuse("Table '" + m.name + "' does not have the identity property. Cannot perform SET operation.");
                if (c.on) {
                    if (identityInsertOn_ && *identityInsertOn_ != refKey(c.table))
                        refuse("IDENTITY_INSERT is already ON for table '" + *identityInsertOn_ +
                               "'. Cannot perform SET operation for table '" + m.name + "'.");
                    identityInsertOn_ = refKey(c.table);
                } else if (identityInsertOn_ == refKey(c.table)) {
                    identityInsertOn_.reset();
                }
                return 0;
            } else if constexpr (std::is_same_v<T, SelectInto>) {
                TableModel source = requireTable(c.source);
                TableModel target;
                target.name = c.target.table;
                for (const auto& col : source.columns)
                    target.columns.push_back({col.name, col.type, col.nullable, col.identity, {}, {}, {}});
                catalog_->createTable(c.target.schema, target);
                if (c.topZero) return 0;
                std::string cols;
                for (const auto& col : target.columns) cols += (cols.empty() ? "" : ", ") + quoteName(col.name);
                connection().exec("INSERT INTO " + q(c.target) + " (" + cols + ") SELECT " + cols + " FROM " +
                                  q(c.source) + c.whereSql);
                return connection().changes();
            } else if constexpr (std::is_same_v<T, DropTable>) {
                catalog_->dropTable(c.table.schema, c.table.table);
                return 0;
            } else if constexpr (std::is_same_v<T, AddConstraint>) {
                TableModel m = requireTable(c.table);
                const ConstraintDef& k = c.constraint;
                if (k.kind == ConstraintKind::PrimaryKey && m.primaryKey())
                    refuse("Table '" + m.name + "' already has a primary key defined on it.");
                for (const auto& name : k.columns) {
                    ColumnDef& col = requireColumn(m, name);
                    if (k.kind == ConstraintKind::PrimaryKey && col.nullable)
                        refuse("Cannot define PRIMARY KEY constraint on nullable column '" + col.name + "' in table '" +
                               m.name + "'.");
                }
                if (k.kind == ConstraintKind::ForeignKey && !catalog_->table(c.table.schema, k.refTable))
                    refuse("Foreign key '" + k.name + "' references invalid table '" + k.refTable + "'.");
                m.constraints.push_back(k);
                catalog_->rebuildTable(c.table.schema, m);
                return 0;
            } else if constexpr (std::is_same_v<T, AddDefault>) {
                TableModel m = requireTable(c.table);
                ColumnDef& col = requireColumn(m, c.column);
                if (col.identity)
                    refuse("Defaults cannot be created on columns with an IDENTITY attribute. Table '" + m.name +
                           "', column '" + col.name + "'.");
                if (col.hasDefault())
                    refuse("Column already has a DEFAULT bound to it. Could not create constraint '" + c.name + "'.");
                col.defaultName = c.name;
                col.defaultExpr = c.expression;
                catalog_->rebuildTable(c.table.schema, m);
                return 0;
            } else if constexpr (std::is_same_v<T, DropConstraint>) {
                TableModel m = requireTable(c.table);
                auto it = std::find_if(m.constraints.begin(), m.constraints.end(),
                                       [&](const ConstraintDef& k) { return sameName(k.name, c.name); });
                if (it != m.constraints.end()) m.constraints.erase(it);
                else if (ColumnDef* col = m.columnWithDefault(c.name)) col->defaultName.clear(), col->defaultExpr.clear();
                else refuse("'" + c.name + "' is not a constraint.");
                catalog_->rebuildTable(c.table.schema, m);
                return 0;
            } else if constexpr (std::is_same_v<T, AddColumns>) {
                TableModel m = requireTable(c.table);
                std::vector<std::string> carried = names(m);
                for (const auto& col : c.columns) {
                    if (m.column(col.name))
                        refuse("Column names in each table must be unique. Column name '" + col.name + "' in table '" +
                               m.name + "' is specified more than once.");
                    m.columns.push_back(col);
                }
                catalog_->rebuildTable(c.table.schema, m, &carried);
                return 0;
            } else if constexpr (std::is_same_v<T, AlterColumn>) {
                TableModel m = requireTable(c.table);
                ColumnDef& col = requireColumn(m, c.column.name);
                col.type = c.column.type;
                col.nullable = c.column.nullable;
                catalog_->rebuildTable(c.table.schema, m);
                return 0;
            } else if constexpr (std::is_same_v<T, BindDefault>) {
                auto expression = catalog_->defaultObject(c.schema, c.defaultName);
                if (!expression) refuse("The default '" + c.defaultName + "' does not exist.");
                TableModel m = requireTable({c.schema, c.table});
                ColumnDef& col = requireColumn(m, c.column);
                if (!col.defaultName.empty())
                    refuse("Column '" + m.name + "." + col.name + "' already has a DEFAULT bound to it.");
                col.boundDefault = c.defaultName;
                col.defaultExpr = *expression;
                catalog_->rebuildTable(c.schema, m);
                return 0;
            } else if constexpr (std::is_same_v<T, CreateTable>) {
                TableModel m = c.model;
                catalog_->createTable(c.table.schema, m);
                return 0;
            } else if constexpr (std::is_same_v<T, CreateIndex>) {
                TableModel m = requireTable(c.table);
                if (m.index(c.index.name) || m.constraint(c.index.name))
                    refuse("The operation failed because an index or statistics with name '" + c.index.name +
                           "' already exists on table '" + m.name + "'.");
                for (const auto& name : c.index.columns) requireColumn(m, name);
                m.indexes.push_back(c.index);
                for (const auto& sql : createStatements(m, c.table.schema)) {
                    if (sql.find(quoteName(sqliteIndexName(m.name, c.index.name))) == std::string::npos) continue;
                    try {
                        connection().exec(sql);
                    } catch (const SqliteFailure& f) {
                        if (f.constraint())
                            refuse("The CREATE UNIQUE INDEX statement terminated because a duplicate key was found "
                                   "for the object name '" + m.name + "' (" + f.what() + ").");
                        throw;
                    }
                }
                catalog_->updateModel(c.table.schema, m);
                return 0;
            } else if constexpr (std::is_same_v<T, CreateDefault>) {
                catalog_->createDefaultObject(c.schema, c.name, c.expression);
                return 0;
            } else {
                bool exists = connection().prepare(c->querySql).step();  // finished before the statement runs
                if (exists != c->negate) return run(schema, c->then);
                return 0;
            }
        },
        command);
}

FirstRow Session::firstRow(const std::string& schema, const std::string& sql) {
    try {
        auto commands = translate(sql, [&](const std::string& database) { return resolve(schema, database); });
        if (commands.size() != 1 || !std::holds_alternative<Passthrough>(commands[0]) ||
            std::get<Passthrough>(commands[0]).verb != Verb::Select)
            throw CatalogError("A recordset needs exactly one query.");
        const auto& query = std::get<Passthrough>(commands[0]);
        auto st = connection().prepare(query.sql);
        FirstRow row;
        for (int i = 0; i < st.columnCount(); ++i) row.columns.push_back(st.columnName(i));
        if (st.step()) {
            row.values.emplace();
            for (int i = 0; i < st.columnCount(); ++i) row.values->push_back(st.column(i));
        }
        if (query.singleTable) {
            row.table = query.target;
            row.afterTable = query.afterTarget;
        }
        return row;
    } catch (const Error&) {
        throw;
    } catch (const SqliteFailure& f) {
        throw funnel(f, FailureSite::Statement, files(schema), sql);
    } catch (const nlohmann::json::exception& e) {  // a table model in the catalogue that cannot be read
        throw Error(kErrNotADatabase, "The catalogue of the account-year database " + files(schema).describe() +
                                          " is damaged (" + e.what() + ") [statement: " + sql + "].");
    } catch (const std::exception& e) {
        throw statementFailure(e.what(), sql);
    }
}

void Session::updateFirstRow(const FirstRow& row, const std::vector<std::pair<std::string, Value>>& assignments) {
    if (!row.table) throw Error(3027, "Cannot update. Database or object is read-only.");
    std::string sets;
    for (const auto& [name, value] : assignments) sets += (sets.empty() ? "" : ", ") + quoteName(name) + " = ?";
    writeBound("UPDATE " + q(*row.table) + " SET " + sets + " WHERE rowid = (SELECT rowid FROM " + q(*row.table) +
                   row.afterTable + " LIMIT 1)",
               assignments);
}

void Session::insertRow(const TableRef& table, const std::vector<std::pair<std::string, Value>>& values) {
    std::string names, marks;
    for (const auto& [name, value] : values) {
        names += (names.empty() ? "" : ", ") + quoteName(name);
        marks += marks.empty() ? "?" : ", ?";
    }
    writeBound("INSERT INTO " + q(table) + (values.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")"),
               values);
}

void Session::writeBound(const std::string& sql, const std::vector<std::pair<std::string, Value>>& values) {
    guarded(sql, [&] {
        auto st = connection().prepare(sql);
        int i = 0;
        for (const auto& v : values) st.bind(++i, v.second);
        st.step();
        return 0;
    });
}

TableDefinition Session::tableDefinition(const std::string& schema, const std::string& table) {
    if (auto m = catalog_ ? catalog_->table(schema, table) : std::nullopt) return {m->name, names(*m)};
    throw Error(3265, "Item not found in this collection: no table '" + table + "'.");
}

}  // namespace vantyr::platform::sqlite
