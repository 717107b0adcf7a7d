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
        if (depth_ == 2 && section_ == Section::Columns) m_.columns.reserve(16);
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
            case '"': return string() && reader_.string(scratch_);
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
            if (!peek('"') || !string() || !reader_.key(scratch_) || !peek(':')) return false;
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
    // The string at the cursor, unescaped into scratch_.
    bool string() {
        scratch_.clear();
        for (++at_; at_ < text_.size(); ++at_) {
            char c = text_[at_];
            if (c == '"') return ++at_, true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                std::size_t end = at_;
                while (end < text_.size() && text_[end] != '"' && text_[end] != '\\') {
                    if (static_cast<unsigned char>(text_[end]) < 0x20) return false;
                    ++end;
                }
                scratch_.append(text_.substr(at_, end - at_));
                at_ = end - 1;
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
