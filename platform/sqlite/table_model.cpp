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
    void value(const std::string& text) { item(json(text).dump()); }
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

namespace {

// Reads a model's text straight into the model, without building the JSON
// tree first: models are read at every run. Anything it does not expect (an
// unknown key, a value of another kind, text that is no JSON) makes it give
// up, and the text is read through the tree, which names the fault.
class ModelReader : public nlohmann::json_sax<json> {
public:
    explicit ModelReader(TableModel& m) : m_(m) {}
    bool complete() const { return !irregular_ && named_ && depth_ == 0; }

    bool null() override { return fail(); }
    bool boolean(bool v) override {
        if (depth_ == 3 && section_ == Section::Columns) {
            ColumnDef& c = m_.columns.back();
            if (key_ == "nullable") return c.nullable = v, true;
            if (key_ == "identity") return c.identity = v, true;
            if (key_ == "defaultInTable") return c.defaultInTable = v, true;
        }
        if (depth_ == 3 && section_ == Section::Indexes && key_ == "unique") return m_.indexes.back().unique = v, true;
        return fail();
    }
    bool number_integer(number_integer_t v) override { return integer(v); }
    bool number_unsigned(number_unsigned_t v) override { return integer(static_cast<std::int64_t>(v)); }
    bool number_float(number_float_t, const string_t&) override { return fail(); }
    bool binary(binary_t&) override { return fail(); }
    bool string(string_t& v) override {
        if (depth_ == 1 && key_ == "name") return m_.name = v, named_ = true;
        if (depth_ == 3 && section_ == Section::Columns) {
            ColumnDef& c = m_.columns.back();
            if (key_ == "name") return c.name = v, typed_ = typed_ | 1, true;
            if (key_ == "type") return c.type = v, typed_ = typed_ | 2, true;
            if (key_ == "defaultName") return c.defaultName = v, true;
            if (key_ == "boundDefault") return c.boundDefault = v, true;
            if (key_ == "defaultExpr") return c.defaultExpr = v, true;
            if (key_ == "addedDefault") return c.addedDefault = v, true;
            return fail();
        }
        if (depth_ == 3 && key_ == "name") {
            if (section_ == Section::Constraints) return m_.constraints.back().name = v, true;
            if (section_ == Section::Indexes) return m_.indexes.back().name = v, true;
        }
        if (depth_ == 3 && section_ == Section::Constraints && key_ == "refTable") return m_.constraints.back().refTable = v, true;
        if (depth_ == 4 && list_) return list_->push_back(v), true;
        return fail();
    }
    bool start_object(std::size_t) override {
        ++depth_;
        if (depth_ == 1) return true;
        if (depth_ != 3) return fail();
        typed_ = 0;
        switch (section_) {
            case Section::Columns: m_.columns.emplace_back(); return true;
            case Section::Constraints: m_.constraints.emplace_back(); return true;
            case Section::Indexes: m_.indexes.emplace_back(); return true;
            default: return fail();
        }
    }
    bool end_object() override {
        if (depth_ == 3 && section_ == Section::Columns && typed_ != 3) return fail();  // a column names its type
        --depth_;
        return true;
    }
    bool key(string_t& k) override {
        key_ = k;
        if (depth_ == 1) {
            section_ = k == "columns" ? Section::Columns : k == "constraints" ? Section::Constraints
                     : k == "indexes" ? Section::Indexes : Section::None;
            return section_ != Section::None || k == "name" || fail();
        }
        return true;
    }
    bool start_array(std::size_t) override {
        ++depth_;
        if (depth_ == 2 && section_ != Section::None) return true;
        if (depth_ == 4 && section_ == Section::Constraints && (key_ == "columns" || key_ == "refColumns")) {
            list_ = key_ == "columns" ? &m_.constraints.back().columns : &m_.constraints.back().refColumns;
            return true;
        }
        if (depth_ == 4 && section_ == Section::Indexes && key_ == "columns") return list_ = &m_.indexes.back().columns, true;
        return fail();
    }
    bool end_array() override {
        if (depth_ == 4) list_ = nullptr;
        --depth_;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return fail(); }

private:
    enum class Section { None, Columns, Constraints, Indexes };
    bool integer(std::int64_t v) {
        if (depth_ == 3 && section_ == Section::Columns && key_ == "seed") return m_.columns.back().seed = v, true;
        if (depth_ == 3 && section_ == Section::Columns && key_ == "increment") return m_.columns.back().increment = v, true;
        if (depth_ == 3 && section_ == Section::Constraints && key_ == "kind" && v >= 0 && v <= 2)
            return m_.constraints.back().kind = static_cast<ConstraintKind>(v), true;
        return fail();
    }
    bool fail() { return irregular_ = true, false; }

    TableModel& m_;
    int depth_ = 0;
    Section section_ = Section::None;
    std::string key_;
    std::vector<std::string>* list_ = nullptr;
    int typed_ = 0;
    bool named_ = false, irregular_ = false;
};

}  // namespace

TableModel TableModel::fromJson(const std::string& text) {
    {
        TableModel m;
        ModelReader reader(m);
        if (json::sax_parse(text, &reader) && reader.complete()) return m;
    }
    json j = json::parse(text);
    TableModel m;
    m.name = j.at("name");
    for (const auto& c : j.at("columns")) {
        ColumnDef d;
        d.name = c.at("name");
        d.type = c.at("type");
        d.nullable = c.value("nullable", true);
        d.identity = c.value("identity", false);
        d.defaultName = c.value("defaultName", std::string());
        d.boundDefault = c.value("boundDefault", std::string());
        d.defaultExpr = c.value("defaultExpr", std::string());
        d.seed = c.value("seed", std::int64_t{1});
        d.increment = c.value("increment", std::int64_t{1});
        if (c.contains("addedDefault")) d.addedDefault = c.at("addedDefault").get<std::string>();
        d.defaultInTable = c.value("defaultInTable", true);
        m.columns.push_back(d);
    }
    for (const auto& k : j.at("constraints"))
        m.constraints.push_back({k.at("name"), static_cast<ConstraintKind>(k.at("kind").get<int>()),
                                 k.at("columns").get<std::vector<std::string>>(), k.value("refTable", std::string()),
                                 k.value("refColumns", std::vector<std::string>())});
    for (const auto& i : j.at("indexes"))
        m.indexes.push_back({i.at("name"), i.at("columns").get<std::vector<std::string>>(), i.at("unique")});
    return m;
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
