#include "platform/sqlite/session.h"

#include <algorithm>

#include <sqlite3.h>
#include <nlohmann/json.hpp>

#include "platform/error.h"
#include "platform/sqlite/module_catalog.h"
#include "platform/sqlite/conversion.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

constexpr const char* kSavepoint = "vantyr_statement";

std::string refKey(const TableRef& r) { return lowerCase(r.schema) + "." + lowerCase(r.table); }
std::string q(const TableRef& r) { return quoteName(r.schema, r.table); }

Error statementFailure(const std::string& what, const std::string& sql) {
    return Error(kErrStatementFailed, what + " [statement: " + sql + "]");
}

[[noreturn]] void refuse(const std::string& message) { throw CatalogError(message); }

// The schema a command writes, if it writes one.
std::optional<std::string> writtenSchema(const Command& command) {
    return std::visit([](const auto& c) -> std::optional<std::string> {
        using T = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<T, Passthrough>) {
            if (c.verb == Verb::Select || !c.target) return std::nullopt;
            return c.target->schema;
        } else if constexpr (std::is_same_v<T, std::shared_ptr<IfExists>>) {
            return writtenSchema(c->then);
        } else if constexpr (std::is_same_v<T, IdentityInsert> || std::is_same_v<T, RunProcedure>) {
            return std::nullopt;
        } else if constexpr (std::is_same_v<T, SelectInto>) {
            return c.target.schema;
        } else if constexpr (std::is_same_v<T, BindDefault> || std::is_same_v<T, CreateDefault>) {
            return c.schema;
        } else if constexpr (std::is_same_v<T, CreateModule> || std::is_same_v<T, DropModule>) {
            return c.name.schema;
        } else {
            return c.table.schema;
        }
    }, command);
}

std::vector<std::string> names(const TableModel& m) {
    std::vector<std::string> out;
    for (const auto& c : m.columns) out.push_back(c.name);
    return out;
}

}  // namespace

ModelResolver Session::models() {
    return [this](const TableRef& r) { return catalog_->table(r.schema, r.table); };
}

// "?" or, for a column of a modelled table, the bound value converted to the column's type.
std::string Session::assignedMark(const TableRef& table, const std::string& column) {
    auto m = catalog_->table(table.schema, table.table);
    const ColumnDef* c = m ? m->column(column) : nullptr;
    if (!c || c->identity || !c->valueType().known()) return "?";
    return "vantyr_assign(?, " + quoteText(c->valueType().spelling()) + ")";
}

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
auto Session::guarded(const std::string& sql, F&& body, bool savepoint, const std::string& schema) {
    Connection& db = connection();
    auto identityBefore = identityInsertOn_;
    bool inTransaction = db.inTransaction();
    if (savepoint)
        bookkeeping(std::string("SAVEPOINT ") + kSavepoint, schema, "The engine could not open its savepoint around a statement",
                    true);
    const std::uint64_t writesBefore = db.writes();
    catalog_->statementStarts();
    // Undoes the statement; false when SQLite rolled back the whole transaction on its own.
    auto undo = [&] {
        identityInsertOn_ = identityBefore;
        if (!db.inTransaction()) {  // the savepoint is gone with the transaction
            catalog_->forget();
            return !inTransaction;
        }
        catalog_->statementUndone();
        if (!savepoint) return true;  // one plain statement: SQLite undid it itself
        if (!inTransaction) {  // the savepoint was the transaction (its RELEASE may have been refused)
            bookkeeping("ROLLBACK", schema, "The engine could not undo a failed statement");
            return true;
        }
        // A statement refused before it wrote leaves nothing to undo; rolling
        // back to the savepoint would also make SQLite read every schema
        // again once the transaction has changed one.
        if (db.writes() == writesBefore)
            bookkeeping(std::string("RELEASE ") + kSavepoint, schema, "The engine could not undo a failed statement", true);
        else
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
        // outside a transaction the statement's catalogue rows go with it
        if (!inTransaction) flushCatalog(schema, "The engine could not write its catalogue");
        if (savepoint)
            bookkeeping(std::string("RELEASE ") + kSavepoint, schema, "The engine could not keep a statement's changes", true);
        catalog_->statementKept();
        return result;
    } catch (const Error& e) {
        throw ending(e);
    } catch (const SqliteFailure& f) {
        if (auto key = dynamic_cast<const BookkeepingFailure*>(&f) ? std::nullopt : keyViolation(f, sql)) throw ending(*key);
        throw ending(funnel(f, FailureSite::Statement, files(schema), sql));
    } catch (const nlohmann::json::exception& e) {  // a table model in the catalogue that cannot be read
        throw ending(Error(kErrNotADatabase, "The catalogue of the account-year database " + files(schema).describe() +
                                                 " is damaged (" + e.what() + ") [statement: " + sql + "]."));
    } catch (const std::exception& e) {  // CatalogError, UnsupportedStatement
        throw ending(statementFailure(e.what(), sql));
    }
}

// Keys are unique indexes beside their table: a duplicate in the index of a
// primary key or unique constraint is the server's 2627, naming the constraint.
std::optional<Error> Session::keyViolation(const SqliteFailure& f, const std::string& sql) {
    const std::string marker = "UNIQUE constraint failed: ";
    std::string message = f.what();
    auto at = message.find(marker);
    if (f.code() != SQLITE_CONSTRAINT_UNIQUE || at == std::string::npos) return std::nullopt;
    std::string table;
    std::vector<std::string> columns;
    std::string list = message.substr(at + marker.size());
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find(", ", start);
        std::string item = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        auto dot = item.find('.');
        if (dot == std::string::npos) return std::nullopt;
        table = item.substr(0, dot);
        columns.push_back(item.substr(dot + 1));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    auto same = [&](const std::vector<std::string>& a) {
        if (a.size() != columns.size()) return false;
        for (const auto& c : columns)
            if (std::none_of(a.begin(), a.end(), [&](const std::string& n) { return sameName(n, c); })) return false;
        return true;
    };
    for (const auto& [key, alias] : aliases_) {
        auto model = catalog_->table(alias, table);
        if (!model) continue;
        for (const auto& k : model->constraints) {
            if (k.kind == ConstraintKind::ForeignKey || !same(k.columns)) continue;
            return Error(kErrStatementFailed,
                         "Msg 2627: Violation of " + std::string(k.kind == ConstraintKind::PrimaryKey ? "PRIMARY" : "UNIQUE") +
                             " KEY constraint '" + k.name + "'. Cannot insert duplicate key in object 'dbo." + model->name +
                             "'. (" + message + ") [statement: " + sql + "]");
        }
    }
    return std::nullopt;
}

std::int64_t Session::execute(const std::string& schema, const std::string& sql) {
    std::vector<Command> commands;
    guarded(sql, [&] {
        commands = translate(sql, [&](const std::string& database) { return resolve(schema, database); }, models());
        return 0;
    }, false, schema);
    for (const auto& c : commands)
        if (auto written = writtenSchema(c)) fullCacheFor(*written);
    // One plain statement is undone by SQLite itself when it fails: a savepoint
    // around it would only copy the pages it changes once more. So is a default
    // added inside a transaction: it is refused before it writes, and a failure
    // of its one catalogue row is the engine's own, which ends the transaction (outside
    // one, the savepoint keeps that row and the table's model in one commit).
    // SET IDENTITY_INSERT around such a statement writes nothing.
    const bool inTransaction = connection().inTransaction();
    auto writesNothing = [](const Command& c) { return std::holds_alternative<IdentityInsert>(c); };
    auto undoneAlone = [&](const Command& c) {
        return std::holds_alternative<Passthrough>(c) || (std::holds_alternative<AddDefault>(c) && inTransaction);
    };
    auto quiet = static_cast<std::size_t>(std::count_if(commands.begin(), commands.end(), writesNothing));
    bool single = quiet + 1 >= commands.size() &&
                  std::all_of(commands.begin(), commands.end(),
                              [&](const Command& c) { return writesNothing(c) || undoneAlone(c); });
    return guarded(sql, [&] {
        std::int64_t rows = 0;
        for (const auto& command : commands) rows += run(schema, command);
        return rows;
    }, !single, schema);
}

std::int64_t Session::runPassthrough(const Passthrough& c) {
    bool insert = c.verb == Verb::Insert && c.target;
    if (insert) ModuleCatalog(connection(), *catalog_).refuseInsertFiringTrigger(*c.target);
    std::string sql = insert ? identity_->prepareInsert(*catalog_, c, identityInsertOn_ == refKey(*c.target)) : c.sql;
    if (c.verb == Verb::Update) identity_->checkUpdate(*catalog_, c);
    if (c.verb != Verb::Select && c.target && sameName(c.target->table, "sysobjects")) catalog_->forgetObjectIds();
    try {
        auto st = connection().prepare(sql);
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
    std::int64_t changed = c.verb == Verb::Select ? 0 : connection().changes();
    if (insert) {
        try {
            identity_->finishInsert(*catalog_);
        } catch (const SqliteFailure& f) {  // the counter is the engine's own bookkeeping
            throw funnel(f, FailureSite::Bookkeeping, files(c.target->schema), "");
        }
    }
    return changed;
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
                    throw CatalogError(8106, "Table '" + m.name +
                                                 "' does not have the identity property. Cannot perform SET operation.");
                if (c.on) {
                    if (identityInsertOn_ && *identityInsertOn_ != refKey(c.table))
                        throw CatalogError(8107, "IDENTITY_INSERT is already ON for table '" + *identityInsertOn_ +
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
                for (ColumnDef col : source.columns) {  // defaults stay with the source
                    col.defaultName.clear(), col.boundDefault.clear(), col.defaultExpr.clear(), col.addedDefault.reset();
                    target.columns.push_back(col);
                }
                catalog_->createTable(c.target.schema, target);
                if (c.topZero) return 0;
                std::string cols;
                for (const auto& col : target.columns) cols += (cols.empty() ? "" : ", ") + quoteName(col.name);
                connection().exec("INSERT INTO " + q(c.target) + " (" + cols + ") SELECT " + cols + " FROM " +
                                  q(c.source) + c.whereSql);
                std::int64_t copied = connection().changes();
                identity_->continueAfterRows(*catalog_, c.target);
                return copied;
            } else if constexpr (std::is_same_v<T, DropTable>) {
                catalog_->dropTable(c.table.schema, c.table.table);
                return 0;
            } else if constexpr (std::is_same_v<T, AddConstraint>) {
                catalog_->addConstraint(c.table.schema, c.table.table, c.constraint, c.check);
                return 0;
            } else if constexpr (std::is_same_v<T, AddDefault>) {
                catalog_->setDefault(c.table.schema, c.table.table, c.column, c.name, c.expression);
                return 0;
            } else if constexpr (std::is_same_v<T, DropConstraint>) {
                catalog_->dropConstraint(c.table.schema, c.table.table, c.name);
                return 0;
            } else if constexpr (std::is_same_v<T, AddColumns>) {
                catalog_->addColumns(c.table.schema, c.table.table, c.columns);
                return 0;
            } else if constexpr (std::is_same_v<T, AlterColumn>) {
                TableModel m = requireTable(c.table);
                ServerType before = parseServerType(requireColumn(m, c.column.name).type);
                ServerType after = parseServerType(c.column.type);
                catalog_->alterColumn(c.table.schema, c.table.table, c.column);
                if (after.known() && !keepsEveryValue(before, after))  // the stored values take the new type
                    connection().exec("UPDATE " + q(c.table) + " SET " + quoteName(c.column.name) + " = vantyr_assign(" +
                                      quoteName(c.column.name) + ", " + quoteText(after.spelling()) + ")");
                return 0;
            } else if constexpr (std::is_same_v<T, BindDefault>) {
                auto expression = catalog_->defaultObject(c.schema, c.defaultName);
                if (!expression) refuse("The default '" + c.defaultName + "' does not exist.");
                catalog_->setDefault(c.schema, c.table, c.column, {}, *expression, c.defaultName);
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
                catalog_->updateModel(c.table.schema, std::move(m), c.index.name, true);
                return 0;
            } else if constexpr (std::is_same_v<T, CreateDefault>) {
                catalog_->createDefaultObject(c.schema, c.name, c.expression);
                return 0;
            } else if constexpr (std::is_same_v<T, CreateModule>) {
                ModuleCatalog(connection(), *catalog_).create(c);
                return 0;
            } else if constexpr (std::is_same_v<T, DropModule>) {
                ModuleCatalog(connection(), *catalog_).drop(c);
                return 0;
            } else if constexpr (std::is_same_v<T, RunProcedure>) {
                ModuleCatalog(connection(), *catalog_).run(c);
            } else if constexpr (std::is_same_v<T, DropIndex>) {
                TableModel m = requireTable(c.table);
                auto it = std::find_if(m.indexes.begin(), m.indexes.end(),
                                       [&](const IndexDef& i) { return sameName(i.name, c.index); });
                if (it == m.indexes.end())
                    refuse("Cannot drop the index '" + c.table.table + "." + c.index +
                           "', because it does not exist or you do not have permission.");
                connection().exec("DROP INDEX " + quoteName(c.table.schema) + "." +
                                  quoteName(sqliteIndexName(m.name, it->name)));
                std::string name = it->name;
                m.indexes.erase(it);
                catalog_->updateModel(c.table.schema, std::move(m), name, false);
                return 0;
            } else {
                bool exists = connection().prepare(c->querySql).step();  // finished before the statement runs
                if (exists != c->negate) return run(schema, c->then);
                return 0;
            }
        },
        command);
}

std::optional<Passthrough> Session::singleQuery(const std::string& schema, const std::string& sql) {
    auto commands = translate(sql, [&](const std::string& database) { return resolve(schema, database); }, models());
    if (commands.size() != 1 || !std::holds_alternative<Passthrough>(commands[0]) ||
        std::get<Passthrough>(commands[0]).verb != Verb::Select)
        return std::nullopt;
    return std::get<Passthrough>(commands[0]);
}

FirstRow Session::firstRow(const std::string& schema, const std::string& sql, std::vector<std::vector<Value>>* rest) {
    try {
        auto found = singleQuery(schema, sql);
        if (!found) throw CatalogError("A recordset needs exactly one query.");
        const auto& query = *found;
        auto st = connection().prepare(query.sql);
        FirstRow row;
        for (int i = 0; i < st.columnCount(); ++i) row.columns.push_back(st.columnName(i));
        if (st.step()) {
            row.values.emplace();
            for (int i = 0; i < st.columnCount(); ++i) row.values->push_back(st.column(i));
        }
        while (rest && row.values && st.step()) {
            rest->emplace_back();
            for (int i = 0; i < st.columnCount(); ++i) rest->back().push_back(st.column(i));
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

std::optional<QueryRows> Session::allRows(const std::string& schema, const std::string& sql) {
    try {
        auto query = singleQuery(schema, sql);
        if (!query) return std::nullopt;
        auto st = connection().prepare(query->sql);
        QueryRows out;
        for (int i = 0; i < st.columnCount(); ++i) out.columns.push_back(st.columnName(i));
        while (st.step()) {
            auto& row = out.rows.emplace_back();
            for (int i = 0; i < st.columnCount(); ++i) row.push_back(st.column(i));
        }
        return out;
    } catch (const Error&) {
        throw;
    } catch (const std::exception& e) {
        throw statementFailure(e.what(), sql);
    }
}

void Session::updateFirstRow(const FirstRow& row, const std::vector<std::pair<std::string, Value>>& assignments) {
    if (!row.table) throw Error(3027, "Cannot update. Database or object is read-only.");
    std::string sets;
    for (const auto& [name, value] : assignments)
        sets += (sets.empty() ? "" : ", ") + quoteName(name) + " = " + assignedMark(*row.table, name);
    writeBound("UPDATE " + q(*row.table) + " SET " + sets + " WHERE rowid = (SELECT rowid FROM " + q(*row.table) +
                   row.afterTable + " LIMIT 1)",
               assignments);
}

void Session::insertRow(const TableRef& table, const std::vector<std::pair<std::string, Value>>& values) {
    std::string names, marks;
    for (const auto& [name, value] : values) {
        names += (names.empty() ? "" : ", ") + quoteName(name);
        marks += (marks.empty() ? "" : ", ") + assignedMark(table, name);
    }
    std::string head = "INSERT INTO " + q(table), columns = values.empty() ? " " : " (" + names + ") ";
    InsertLayout at{0, head.size(), head.size() + columns.size(), std::nullopt};
    Passthrough insert{head + columns + (values.empty() ? "DEFAULT VALUES" : "VALUES (" + marks + ")"),
                       Verb::Insert, table, {}, false, std::vector<std::string>{}, at};
    for (const auto& v : values) insert.insertColumns->push_back(v.first);
    writeBound(insert.sql, values, &insert);
}

void Session::writeBound(const std::string& sql, const std::vector<std::pair<std::string, Value>>& values,
                         const Passthrough* insert) {
    guarded(sql, [&] {
        auto st = connection().prepare(
            insert ? identity_->prepareInsert(*catalog_, *insert, identityInsertOn_ == refKey(*insert->target)) : sql);
        int i = 0;
        for (const auto& v : values) st.bind(++i, v.second);
        st.step();
        if (insert) identity_->finishInsert(*catalog_);
        return 0;
    });
}

TableDefinition Session::tableDefinition(const std::string& schema, const std::string& table) {
    if (auto m = catalog_ ? catalog_->table(schema, table) : nullptr) return {m->name, names(*m)};
    throw Error(3265, "Item not found in this collection: no table '" + table + "'.");
}

}  // namespace vantyr::platform::sqlite
