// Reading a table model's text. Models are read at every run, so the text
// the engine writes (see TableModel::toJson) is scanned by hand straight
// into the model; anything the scanner does not expect hands the text to the
// JSON library's event reader, and anything that one does not expect to the
// library's tree, which names the fault.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string_view>

#include "platform/sqlite/table_model.h"

namespace vantyr::platform::sqlite {

using nlohmann::json;

namespace {

// Takes a model's members as events and puts them straight into the model,
// without building the JSON tree first. Anything it does not expect (an
// unknown key, a value of another kind, text that is no JSON) makes it give
// up, and the text is read through the tree, which names the fault. The
// scanner below calls the text() and name() members with views of its text;
// the library calls the overrides.
class ModelReader : public nlohmann::json_sax<json> {
public:
    explicit ModelReader(TableModel& m) : m_(m) {}
    bool complete() const { return !irregular_ && named_ && depth_ == 0; }

    bool null() override { return fail(); }
    bool boolean(bool v) override {
        if (depth_ == 3 && section_ == Section::Columns) {
            ColumnDef& c = m_.columns.back();
            if (key_ == Key::Nullable) return c.nullable = v, true;
            if (key_ == Key::Identity) return c.identity = v, true;
            if (key_ == Key::DefaultInTable) return c.defaultInTable = v, true;
        }
        if (depth_ == 3 && section_ == Section::Indexes && key_ == Key::Unique) return m_.indexes.back().unique = v, true;
        return fail();
    }
    bool number_integer(number_integer_t v) override { return integer(v); }
    bool number_unsigned(number_unsigned_t v) override { return integer(static_cast<std::int64_t>(v)); }
    bool number_float(number_float_t, const string_t&) override { return fail(); }
    bool binary(binary_t&) override { return fail(); }
    bool string(string_t& v) override { return text(v); }
    bool text(std::string_view v) {
        if (depth_ == 1 && key_ == Key::Name) return m_.name = v, named_ = true;
        if (depth_ == 3 && section_ == Section::Columns) {
            ColumnDef& c = m_.columns.back();
            switch (key_) {
                case Key::Name: return c.name = v, typed_ = typed_ | 1, true;
                case Key::Type: return c.type = v, typed_ = typed_ | 2, true;
                case Key::DefaultName: return c.defaultName = v, true;
                case Key::BoundDefault: return c.boundDefault = v, true;
                case Key::DefaultExpr: return c.defaultExpr = v, true;
                case Key::AddedDefault: return c.addedDefault = std::string(v), true;
                default: return fail();
            }
        }
        if (depth_ == 3 && key_ == Key::Name) {
            if (section_ == Section::Constraints) return m_.constraints.back().name = v, true;
            if (section_ == Section::Indexes) return m_.indexes.back().name = v, true;
        }
        if (depth_ == 3 && section_ == Section::Constraints && key_ == Key::RefTable) return m_.constraints.back().refTable = v, true;
        if (depth_ == 4 && list_) return list_->emplace_back(v), true;
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
    bool key(string_t& k) override { return name(k); }
    bool name(std::string_view k) {
        key_ = keyOf(k);
        if (key_ == Key::Other) return fail();
        if (depth_ == 1) {
            section_ = key_ == Key::Columns ? Section::Columns : key_ == Key::Constraints ? Section::Constraints
                     : key_ == Key::Indexes ? Section::Indexes : Section::None;
            return section_ != Section::None || key_ == Key::Name || fail();
        }
        return true;
    }
    bool start_array(std::size_t) override {
        ++depth_;
        if (depth_ == 2 && section_ == Section::Columns) m_.columns.reserve(16);
        if (depth_ == 2 && section_ != Section::None) return true;
        if (depth_ == 4 && section_ == Section::Constraints && (key_ == Key::Columns || key_ == Key::RefColumns)) {
            list_ = key_ == Key::Columns ? &m_.constraints.back().columns : &m_.constraints.back().refColumns;
            return true;
        }
        if (depth_ == 4 && section_ == Section::Indexes && key_ == Key::Columns) return list_ = &m_.indexes.back().columns, true;
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
    enum class Key {
        Other, Name, Type, Nullable, Identity, DefaultInTable, DefaultName, BoundDefault, DefaultExpr, AddedDefault,
        Seed, Increment, Kind, Columns, RefColumns, RefTable, Unique, Constraints, Indexes
    };
    static Key keyOf(std::string_view k) {
        static constexpr std::pair<std::string_view, Key> kKeys[] = {
            {"name", Key::Name}, {"type", Key::Type}, {"nullable", Key::Nullable}, {"defaultExpr", Key::DefaultExpr},
            {"defaultName", Key::DefaultName}, {"columns", Key::Columns}, {"kind", Key::Kind},
            {"constraints", Key::Constraints}, {"indexes", Key::Indexes}, {"identity", Key::Identity},
            {"seed", Key::Seed}, {"increment", Key::Increment}, {"unique", Key::Unique},
            {"defaultInTable", Key::DefaultInTable}, {"boundDefault", Key::BoundDefault},
            {"addedDefault", Key::AddedDefault}, {"refColumns", Key::RefColumns}, {"refTable", Key::RefTable}};
        for (const auto& [spelling, key] : kKeys)
            if (k == spelling) return key;
        return Key::Other;
    }
    bool integer(std::int64_t v) {
        if (depth_ == 3 && section_ == Section::Columns && key_ == Key::Seed) return m_.columns.back().seed = v, true;
        if (depth_ == 3 && section_ == Section::Columns && key_ == Key::Increment) return m_.columns.back().increment = v, true;
        if (depth_ == 3 && section_ == Section::Constraints && key_ == Key::Kind && v >= 0 && v <= 2)
            return m_.constraints.back().kind = static_cast<ConstraintKind>(v), true;
        return fail();
    }
    bool fail() { return irregular_ = true, false; }

    TableModel& m_;
    int depth_ = 0;
    Section section_ = Section::None;
    Key key_ = Key::Other;
    std::vector<std::string>* list_ = nullptr;
    int typed_ = 0;
    bool named_ = false, irregular_ = false;
};

// The events of a model's text in the form the engine writes it (no blanks,
// strings with the library's escapes, integers, true and false), scanned by
// hand and handed to the reader. Returns false on anything else (a blank, a
// number with a fraction, a \u escape beyond ASCII ...) so that the library
// reads the text instead.
class ModelScanner {
public:
    ModelScanner(std::string_view text, ModelReader& reader) : text_(text), reader_(reader) {}
    bool run() { return value() && at_ == text_.size(); }

private:
    bool value() {
        if (at_ >= text_.size()) return false;
        switch (text_[at_]) {
            case '{': return object();
            case '[': return array();
            case '"': return string() && reader_.text(view_);
            case 't': return word("true") && reader_.boolean(true);
            case 'f': return word("false") && reader_.boolean(false);
            default: return integer();
        }
    }
    bool object() {
        ++at_;
        if (!reader_.start_object(std::size_t(-1))) return false;
        if (peek('}')) return ++at_, reader_.end_object();
        for (;;) {
            if (!peek('"') || !string() || !reader_.name(view_) || !peek(':')) return false;
            ++at_;
            if (!value()) return false;
            if (peek('}')) return ++at_, reader_.end_object();
            if (!peek(',')) return false;
            ++at_;
        }
    }
    bool array() {
        ++at_;
        if (!reader_.start_array(std::size_t(-1))) return false;
        if (peek(']')) return ++at_, reader_.end_array();
        for (;;) {
            if (!value()) return false;
            if (peek(']')) return ++at_, reader_.end_array();
            if (!peek(',')) return false;
            ++at_;
        }
    }
    // The string at the cursor into view_: a view of the text itself, or of
    // scratch_ when it holds escapes.
    bool string() {
        std::size_t start = ++at_;
        while (at_ < text_.size() && text_[at_] != '"' && text_[at_] != '\\') {
            if (static_cast<unsigned char>(text_[at_]) < 0x20) return false;
            ++at_;
        }
        if (at_ >= text_.size()) return false;
        if (text_[at_] == '"') {
            view_ = text_.substr(start, at_ - start);
            ++at_;
            return true;
        }
        scratch_.assign(text_.substr(start, at_ - start));
        for (; at_ < text_.size(); ++at_) {
            char c = text_[at_];
            if (c == '"') {
                view_ = scratch_;
                ++at_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                scratch_ += c;
                continue;
            }
            if (++at_ >= text_.size()) return false;
            switch (text_[at_]) {
                case '"': scratch_ += '"'; break;
                case '\\': scratch_ += '\\'; break;
                case '/': scratch_ += '/'; break;
                case 'b': scratch_ += '\b'; break;
                case 'f': scratch_ += '\f'; break;
                case 'n': scratch_ += '\n'; break;
                case 'r': scratch_ += '\r'; break;
                case 't': scratch_ += '\t'; break;
                case 'u': {   // the control characters, \u0000 to \u007f
                    if (at_ + 4 >= text_.size() || text_.substr(at_ + 1, 2) != "00") return false;
                    int code = 0;
                    for (char h : text_.substr(at_ + 3, 2)) {
                        int d = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10
                              : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
                        if (d < 0) return false;
                        code = code * 16 + d;
                    }
                    if (code > 0x7f) return false;
                    scratch_ += static_cast<char>(code);
                    at_ += 4;
                    break;
                }
                default: return false;
            }
        }
        return false;
    }
    bool integer() {
        std::size_t start = at_;
        if (peek('-')) ++at_;
        std::size_t digits = at_;
        std::int64_t v = 0;
        for (; at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; ++at_) {
            if (v > (INT64_MAX - 9) / 10) return false;   // the library reads what is this long
            v = v * 10 + (text_[at_] - '0');
        }
        if (at_ == digits || (text_[digits] == '0' && at_ - digits > 1)) return false;
        if (at_ < text_.size() && (text_[at_] == '.' || text_[at_] == 'e' || text_[at_] == 'E')) return false;
        return reader_.number_integer(text_[start] == '-' ? -v : v);
    }
    bool word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }
    bool peek(char c) const { return at_ < text_.size() && text_[at_] == c; }

    std::string_view text_;
    ModelReader& reader_;
    std::size_t at_ = 0;
    std::string scratch_;
    std::string_view view_;
};

}  // namespace

TableModel TableModel::fromJson(const std::string& text) {
    {
        TableModel m;
        ModelReader reader(m);
        if (ModelScanner(text, reader).run() && reader.complete()) return m;
    }
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

}  // namespace vantyr::platform::sqlite
