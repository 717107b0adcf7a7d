#include "platform/sqlite/table_model.h"

#include <nlohmann/json.hpp>

#include <algorithm>

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

std::string columnSql(const ColumnDef& c) {
    std::string sql = quoteName(c.name) + " " + (c.identity ? std::string("INTEGER") : c.type);
    if (!c.nullable) sql += " NOT NULL";
    if (c.hasDefault()) {
        if (!c.defaultName.empty()) sql += " CONSTRAINT " + quoteName(c.defaultName);
        sql += " DEFAULT (" + c.defaultExpr + ")";
    }
    if (textType(c.type)) sql += std::string(" COLLATE ") + kTextCollation;
    return sql;
}

std::string foreignKeySql(const ConstraintDef& k) {
    return "CONSTRAINT " + quoteName(k.name) + " FOREIGN KEY (" + joinNames(k.columns) + ") REFERENCES " +
           quoteName(k.refTable) + " (" + joinNames(k.refColumns) + ")";
}

// A model's text, written a member at a time in the form the JSON library
// dumps (members in the order of their keys, no blanks): a model is written
// at every change of it. Strings are escaped by the library.
class ModelText {
public:
    std::string take() { return std::move(out_); }
    void open(char bracket) {
        out_ += bracket;
        first_ = true;
    }
    void close(char bracket) {
        out_ += bracket;
        first_ = false;
    }
    void key(const char* name) {
        if (!first_) out_ += ',';
        out_ += '"';
        out_ += name;
        out_ += "\":";
        first_ = true;
    }
    // Printable ASCII without quote or backslash is written as it stands, as
    // the library would write it; anything else the library escapes.
    void value(const std::string& text) {
        bool plain = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; });
        if (!plain) return item(json(text).dump());
        if (!first_) out_ += ',';
        out_ += '"';
        out_ += text;
        out_ += '"';
        first_ = false;
    }
    void value(bool b) { item(b ? "true" : "false"); }
    void value(std::int64_t n) { item(std::to_string(n)); }
    void value(const std::vector<std::string>& names) {
        element();
        open('[');
        for (const auto& n : names) value(n);
        close(']');
    }
    // Every element after the first of an array is preceded by a comma.
    void element() {
        if (!first_) out_ += ',';
        first_ = true;
    }

private:
    void item(const std::string& text) {
        if (!first_) out_ += ',';
        out_ += text;
        first_ = false;
    }
    std::string out_;
    bool first_ = true;
};

// Only what differs from a plain nullable column is written: the models are
// read at every run, and a short text parses in a fraction of the time.
void writeColumn(ModelText& w, const ColumnDef& c) {
    w.element();
    w.open('{');
    if (c.addedDefault) w.key("addedDefault"), w.value(*c.addedDefault);
    if (!c.boundDefault.empty()) w.key("boundDefault"), w.value(c.boundDefault);
    if (!c.defaultExpr.empty()) w.key("defaultExpr"), w.value(c.defaultExpr);
    if (!c.defaultInTable) w.key("defaultInTable"), w.value(false);
    if (!c.defaultName.empty()) w.key("defaultName"), w.value(c.defaultName);
    if (c.identity) w.key("identity"), w.value(true);
    if (c.increment != 1) w.key("increment"), w.value(c.increment);
    w.key("name"), w.value(c.name);
    if (!c.nullable) w.key("nullable"), w.value(false);
    if (c.seed != 1) w.key("seed"), w.value(c.seed);
    w.key("type"), w.value(c.type);
    w.close('}');
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
const ColumnDef* TableModel::column(std::string_view n, std::size_t& hint) const {
    const std::size_t count = columns.size();
    for (std::size_t k = 0; k < count; ++k) {
        std::size_t i = (hint + k) % count;
        if (sameName(columns[i].name, n)) {
            hint = i + 1 == count ? 0 : i + 1;
            return &columns[i];
        }
    }
    return nullptr;
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
bool TableModel::holdsForeignKey() const {
    return std::any_of(constraints.begin(), constraints.end(),
                       [](const ConstraintDef& k) { return k.kind == ConstraintKind::ForeignKey; });
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
    ModelText w;
    w.open('{');
    w.key("columns");
    w.open('[');
    for (const auto& c : columns) writeColumn(w, c);
    w.close(']');
    w.key("constraints");
    w.open('[');
    for (const auto& k : constraints) {
        w.element();
        w.open('{');
        w.key("columns"), w.value(k.columns);
        w.key("kind"), w.value(static_cast<std::int64_t>(k.kind));
        w.key("name"), w.value(k.name);
        if (k.kind == ConstraintKind::ForeignKey) w.key("refColumns"), w.value(k.refColumns), w.key("refTable"), w.value(k.refTable);
        w.close('}');
    }
    w.close(']');
    w.key("indexes");
    w.open('[');
    for (const auto& i : indexes) {
        w.element();
        w.open('{');
        w.key("columns"), w.value(i.columns);
        w.key("name"), w.value(i.name);
        w.key("unique"), w.value(i.unique);
        w.close('}');
    }
    w.close(']');
    w.key("name"), w.value(name);
    w.close('}');
    return w.take();
}

std::string sqliteIndexName(const std::string& table, const std::string& index) { return table + "$" + index; }

std::string columnDefinition(const ColumnDef& c) { return columnSql(c); }

std::string tableDefinition(const TableModel& m) {
    std::string body;
    for (const auto& c : m.columns) body += (body.empty() ? "" : ", ") + columnSql(c);
    for (const auto& k : m.constraints)
        if (k.kind == ConstraintKind::ForeignKey) body += ", " + foreignKeySql(k);
    return "CREATE TABLE " + quoteName(m.name) + " (" + body + ")";
}

std::string createIndexStatement(const std::string& schema, const std::string& table, const std::string& name,
                                 const std::vector<std::string>& columns, bool unique) {
    return std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + quoteName(schema) + "." +
           quoteName(sqliteIndexName(table, name)) + " ON " + quoteName(table) + " (" + joinNames(columns) + ")";
}

std::vector<std::string> createStatements(const TableModel& m, const std::string& schema) {
    std::string table = tableDefinition(m);
    std::vector<std::string> out{"CREATE TABLE " + quoteName(schema) + "." + table.substr(std::string("CREATE TABLE ").size())};
    for (const auto& k : m.constraints)
        if (k.kind != ConstraintKind::ForeignKey) out.push_back(createIndexStatement(schema, m.name, k.name, k.columns, true));
    for (const auto& i : m.indexes) out.push_back(createIndexStatement(schema, m.name, i.name, i.columns, i.unique));
    return out;
}

bool literalDefault(const std::string& e) {
    auto tokens = tokenize(e);
    std::vector<Token> words;
    for (auto& t : tokens)
        if (t.kind != TokenKind::Space) words.push_back(t);
    if (words.size() == 2 && (words[0].isSymbol("-") || words[0].isSymbol("+"))) return words[1].kind == TokenKind::Number;
    return words.size() == 1 && (words[0].kind == TokenKind::Number || words[0].kind == TokenKind::String || words[0].is("null"));
}

}  // namespace vantyr::platform::sqlite
