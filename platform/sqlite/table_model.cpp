#include "platform/sqlite/table_model.h"

#include <nlohmann/json.hpp>

#include "platform/sqlite/collation.h"
#include "platform/sqlite/connection.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

using nlohmann::json;

std::string joinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + quoteName(n);
    return out;
}

// An identity column that is the whole primary key becomes SQLite's integer
// key, which numbers new rows by itself.
bool integerKey(const TableModel& m, const ColumnDef& c) {
    const ConstraintDef* pk = m.primaryKey();
    return c.identity && pk && pk->columns.size() == 1 && sameName(pk->columns[0], c.name);
}

std::string columnSql(const ColumnDef& c) {
    std::string sql = quoteName(c.name) + " " + (c.identity ? std::string("INTEGER") : c.type);
    if (!c.nullable && !c.identity) sql += " NOT NULL";
    if (c.hasDefault()) {
        if (!c.defaultName.empty()) sql += " CONSTRAINT " + quoteName(c.defaultName);
        sql += " DEFAULT (" + c.defaultExpr + ")";
    }
    if (textType(c.type)) sql += std::string(" COLLATE ") + kTextCollation;
    return sql;
}

std::string constraintSql(const ConstraintDef& k) {
    std::string sql = "CONSTRAINT " + quoteName(k.name);
    switch (k.kind) {
        case ConstraintKind::PrimaryKey: return sql + " PRIMARY KEY (" + joinNames(k.columns) + ")";
        case ConstraintKind::Unique: return sql + " UNIQUE (" + joinNames(k.columns) + ")";
        case ConstraintKind::ForeignKey:
            return sql + " FOREIGN KEY (" + joinNames(k.columns) + ") REFERENCES " + quoteName(k.refTable) + " (" +
                   joinNames(k.refColumns) + ")";
    }
    return sql;
}

json columnJson(const ColumnDef& c) {
    return {{"name", c.name}, {"type", c.type}, {"nullable", c.nullable}, {"identity", c.identity},
            {"defaultName", c.defaultName}, {"boundDefault", c.boundDefault}, {"defaultExpr", c.defaultExpr}};
}

}  // namespace

bool textType(const std::string& type) {
    std::string t = lowerCase(type);
    return t.find("char") != std::string::npos || t.find("text") != std::string::npos;
}

ColumnDef* TableModel::column(const std::string& n) {
    for (auto& c : columns)
        if (sameName(c.name, n)) return &c;
    return nullptr;
}
const ColumnDef* TableModel::column(const std::string& n) const {
    return const_cast<TableModel*>(this)->column(n);
}
const ColumnDef* TableModel::identityColumn() const {
    for (const auto& c : columns)
        if (c.identity) return &c;
    return nullptr;
}
const ConstraintDef* TableModel::primaryKey() const {
    for (const auto& k : constraints)
        if (k.kind == ConstraintKind::PrimaryKey) return &k;
    return nullptr;
}
const ConstraintDef* TableModel::constraint(const std::string& n) const {
    for (const auto& k : constraints)
        if (sameName(k.name, n)) return &k;
    return nullptr;
}
const IndexDef* TableModel::index(const std::string& n) const {
    for (const auto& i : indexes)
        if (sameName(i.name, n)) return &i;
    return nullptr;
}
ColumnDef* TableModel::columnWithDefault(const std::string& n) {
    for (auto& c : columns)
        if (!c.defaultName.empty() && sameName(c.defaultName, n)) return &c;
    return nullptr;
}

std::string TableModel::toJson() const {
    json j;
    j["name"] = name;
    j["columns"] = json::array();
    for (const auto& c : columns) j["columns"].push_back(columnJson(c));
    j["constraints"] = json::array();
    for (const auto& k : constraints)
        j["constraints"].push_back({{"name", k.name}, {"kind", static_cast<int>(k.kind)}, {"columns", k.columns},
                                    {"refTable", k.refTable}, {"refColumns", k.refColumns}});
    j["indexes"] = json::array();
    for (const auto& i : indexes) j["indexes"].push_back({{"name", i.name}, {"columns", i.columns}, {"unique", i.unique}});
    return j.dump();
}

TableModel TableModel::fromJson(const std::string& text) {
    json j = json::parse(text);
    TableModel m;
    m.name = j.at("name");
    for (const auto& c : j.at("columns"))
        m.columns.push_back({c.at("name"), c.at("type"), c.at("nullable"), c.at("identity"), c.at("defaultName"),
                             c.at("boundDefault"), c.at("defaultExpr")});
    for (const auto& k : j.at("constraints"))
        m.constraints.push_back({k.at("name"), static_cast<ConstraintKind>(k.at("kind").get<int>()),
                                 k.at("columns").get<std::vector<std::string>>(), k.at("refTable"),
                                 k.at("refColumns").get<std::vector<std::string>>()});
    for (const auto& i : j.at("indexes"))
        m.indexes.push_back({i.at("name"), i.at("columns").get<std::vector<std::string>>(), i.at("unique")});
    return m;
}

std::string sqliteIndexName(const std::string& table, const std::string& index) { return table + "$" + index; }

std::vector<std::string> createStatements(const TableModel& m, const std::string& schema) {
    std::string body;
    for (const auto& c : m.columns) body += (body.empty() ? "" : ", ") + columnSql(c);
    for (const auto& k : m.constraints) body += ", " + constraintSql(k);
    std::vector<std::string> out{"CREATE TABLE " + quoteName(schema) + "." + quoteName(m.name) + " (" + body + ")"};
    for (const auto& i : m.indexes) {
        out.push_back(std::string("CREATE ") + (i.unique ? "UNIQUE " : "") + "INDEX " + quoteName(schema) + "." +
                      quoteName(sqliteIndexName(m.name, i.name)) + " ON " + quoteName(m.name) + " (" +
                      joinNames(i.columns) + ")");
    }
    const ColumnDef* id = m.identityColumn();
    if (id && !integerKey(m, *id)) {
        std::string t = quoteName(m.name), c = quoteName(id->name);
        out.push_back("CREATE INDEX " + quoteName(schema) + "." + quoteName(m.name + "$identity") + " ON " + t + " (" + c + ")");
        out.push_back("CREATE TRIGGER " + quoteName(schema) + "." + quoteName(m.name + "$identity") + " AFTER INSERT ON " + t +
                      " WHEN NEW." + c + " IS NULL BEGIN UPDATE " + t + " SET " + c + " = (SELECT ifnull(max(" + c +
                      "), 0) + 1 FROM " + t + ") WHERE rowid = NEW.rowid; END");
    }
    return out;
}

}  // namespace vantyr::platform::sqlite
