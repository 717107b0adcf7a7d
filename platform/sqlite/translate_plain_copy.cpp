// The shapes that make up most of a carry-over, read straight from the text:
//   DELETE FROM t [WHERE column op number]
//   INSERT INTO t (columns) SELECT columns FROM s [WHERE column op number]
//   UPDATE t SET column = number [, column = number ...]
// where every name is a plain word, every copied value keeps its server type
// (nothing to convert) and every compared column is a number. The commands
// are the ones the parser makes of the same texts, to the character: any
// other text, or any doubt, is left to the parser.
#include <array>

#include "platform/sqlite/translator_parser.h"

namespace vantyr::platform::sqlite {
namespace {

// Words the parser reads as something other than a name in these shapes:
// statement and clause words, operators, functions it renames, aggregates
// and the words that make a SELECT other than a plain one.
constexpr auto kNotNames = keywordSet<66>(
    {"select", "insert", "delete", "update", "create", "alter", "drop", "if", "exec", "execute", "declare", "print",
     "truncate", "where", "group", "order", "having", "union", "set", "values", "inner", "left", "right", "outer",
     "cross", "full", "join", "except", "intersect", "option", "with", "from", "into", "as", "asc", "desc", "by",
     "distinct", "all", "on", "top", "end", "then", "else", "when", "null", "case", "exists", "current_timestamp",
     "isnull", "len", "count", "sum", "max", "min", "avg", "total", "group_concat", "limit", "window", "over", "not",
     "and", "or", "default", "identity_insert"});
// For each length, the first letters of the words above of that length: most
// names share neither with any of them and are passed by one test.
constexpr std::array<std::uint32_t, 18> kNotNameStarts = [] {
    std::array<std::uint32_t, 18> starts{};
    for (std::string_view w : kNotNames.words) starts[w.size()] |= 1u << (fold(w[0]) - 'a');
    return starts;
}();
constexpr std::array<std::string_view, 7> kComparisons = {"=", "<>", "!=", "<=", ">=", "<", ">"};

// Any text the reader does not expect is thrown as this and sent to the parser.
struct NotPlain {};

class PlainReader {
public:
    explicit PlainReader(std::string_view sql) : s_(sql) {}

    std::size_t at() const { return i_; }
    void blanks() {
        while (i_ < s_.size() && blank(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    bool atEnd() {
        blanks();
        return i_ == s_.size();
    }
    // A word the parser takes as a name: a letter or _ first, then letters, digits and _.
    std::string_view name() {
        std::string_view w = word();
        if (w.size() >= kNotNameStarts.size() || w[0] == '_' || !(kNotNameStarts[w.size()] >> (fold(w[0]) - 'a') & 1u))
            return w;
        Token t;
        t.kind = TokenKind::Word, t.text = w, t.head = wordHead(w);
        if (oneOf(t, kNotNames)) throw NotPlain{};
        return w;
    }
    void keyword(std::string_view k) {
        if (!sameName(word(), k)) throw NotPlain{};
    }
    bool nextIs(std::string_view k) {
        std::size_t save = i_;
        blanks();
        std::size_t start = i_;
        while (i_ < s_.size() && wordPart(static_cast<unsigned char>(s_[i_]))) ++i_;
        bool is = sameName(s_.substr(start, i_ - start), k);
        i_ = save;
        return is;
    }
    bool symbol(char c) {
        blanks();
        if (i_ == s_.size() || s_[i_] != c) return false;
        ++i_;
        return true;
    }
    // A name of one to three parts (a..b for the default owner), not spread over blanks.
    std::vector<std::string_view> parts() {
        std::vector<std::string_view> out{name()};
        while (i_ < s_.size() && s_[i_] == '.') {
            ++i_;
            if (i_ < s_.size() && s_[i_] == '.') {
                out.emplace_back();
                ++i_;
            }
            out.push_back(name());
            if (out.size() > 3) throw NotPlain{};
        }
        return out;
    }
    // A comparison operator as the tokenizer reads it.
    std::string_view comparison() {
        blanks();
        for (std::string_view op : kComparisons)
            if (s_.substr(i_, op.size()) == op) {
                i_ += op.size();
                if (i_ < s_.size() && (s_[i_] == '=' || s_[i_] == '>' || s_[i_] == '<' || s_[i_] == '|')) throw NotPlain{};
                return op;
            }
        throw NotPlain{};
    }
    // Digits alone, not run into a word or a decimal point.
    std::string_view number() {
        blanks();
        std::size_t start = i_;
        while (i_ < s_.size() && digit(static_cast<unsigned char>(s_[i_]))) ++i_;
        if (i_ == start || i_ - start > 18 || (i_ < s_.size() && (wordPart(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.')))
            throw NotPlain{};
        return s_.substr(start, i_ - start);
    }

private:
    std::string_view word() {
        blanks();
        std::size_t start = i_;
        if (i_ == s_.size() || !(letter(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_')) throw NotPlain{};
        while (i_ < s_.size() && (letter(static_cast<unsigned char>(s_[i_])) || digit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_'))
            ++i_;
        if (i_ < s_.size() && wordPart(static_cast<unsigned char>(s_[i_]))) throw NotPlain{};
        return s_.substr(start, i_ - start);
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

class PlainStatement {
public:
    PlainStatement(std::string_view sql, const SchemaResolver& resolve, const ModelResolver& models)
        : sql_(sql), in_(sql), resolve_(resolve), models_(models) {}

    std::optional<Command> read() {
        try {
            in_.blanks();
            begin_ = in_.at();
            if (in_.nextIs("delete")) return remove();
            if (in_.nextIs("insert")) return insert();
            if (in_.nextIs("update")) return update();
        } catch (const NotPlain&) {
        }
        return std::nullopt;
    }

private:
    struct Name {
        TableRef ref;
        std::size_t from, to;   // where it is written
    };
    Name table() {
        in_.blanks();
        std::size_t from = in_.at();
        auto p = in_.parts();
        std::string db = p.size() == 3 ? std::string(p[0]) : std::string();
        return {{resolve_(db), std::string(p.back())}, from, in_.at()};
    }
    ModelRef model(const TableRef& t) const { return models_ ? models_(t) : nullptr; }
    // The text from `from` on as written, up to `to`.
    void copy(std::size_t from, std::size_t to) { out_.append(sql_.substr(from, to - from)); }

    // [WHERE column op number] to the end, written as the parser writes it:
    // the comparison with one blank either side of the operator.
    void whereToEnd(std::size_t from, const ModelRef& m) {
        if (in_.atEnd()) {
            copy(from, sql_.size());
            return;
        }
        in_.keyword("where");
        in_.blanks();
        std::size_t columnAt = in_.at();
        std::string_view column = in_.name();
        std::size_t hint = 0;
        const ColumnDef* c = m ? m->column(column, hint) : nullptr;
        if (!c || !c->valueType().isNumber()) throw NotPlain{};
        std::string_view op = in_.comparison();
        std::string_view value = in_.number();
        std::size_t valueEnd = in_.at();
        if (!in_.atEnd()) throw NotPlain{};
        copy(from, columnAt);
        out_.append(column).append(" ").append(op).append(" ").append(value);
        copy(valueEnd, sql_.size());
    }

    Command remove() {
        in_.keyword("delete");
        in_.keyword("from");
        Name t = table();
        Passthrough cmd;
        cmd.verb = Verb::Delete;
        cmd.target = t.ref;
        out_.reserve(sql_.size() + 40);
        copy(begin_, t.from);
        out_ += quoteName(t.ref.schema, t.ref.table);
        whereToEnd(t.to, model(t.ref));
        cmd.sql = std::move(out_);
        return cmd;
    }

    Command insert() {
        in_.keyword("insert");
        in_.keyword("into");
        Name target = table();
        if (!in_.symbol('(')) throw NotPlain{};
        std::vector<std::string> columns;
        do columns.emplace_back(in_.name());
        while (in_.symbol(','));
        if (!in_.symbol(')')) throw NotPlain{};
        in_.blanks();
        std::size_t selectAt = in_.at();
        in_.keyword("select");
        std::vector<std::string_view> items;
        do items.push_back(in_.name());
        while (in_.symbol(','));
        in_.blanks();
        std::size_t fromAt = in_.at();
        in_.keyword("from");
        Name source = table();
        if (items.size() != columns.size()) throw NotPlain{};
        // every value keeps its type in the column it goes to
        ModelRef to = model(target.ref), from = model(source.ref);
        if (!to || !from) throw NotPlain{};
        std::size_t toHint = 0, fromHint = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const ColumnDef* c = to->column(columns[i], toHint);
            const ColumnDef* v = from->column(items[i], fromHint);
            if (!c || !v) throw NotPlain{};
            ServerType type = c->valueType();
            if (type.known() && !keepsEveryValue(v->valueType(), type)) throw NotPlain{};
        }
        Passthrough cmd;
        cmd.verb = Verb::Insert;
        cmd.target = target.ref;
        cmd.insertColumns = std::move(columns);
        out_.reserve(sql_.size() + 60);
        copy(begin_, target.from);
        out_ += quoteName(target.ref.schema, target.ref.table);
        InsertLayout layout;
        layout.headEnd = out_.size();
        copy(target.to, selectAt);
        layout.sourceStart = out_.size();
        copy(selectAt, source.from);
        layout.plainFrom = fromAt - selectAt;
        out_ += quoteName(source.ref.schema, source.ref.table);
        whereToEnd(source.to, from);
        cmd.insertLayout = layout;
        cmd.sql = std::move(out_);
        return cmd;
    }

    // SET column = number, ...: each value as it is stored in its column.
    Command update() {
        in_.keyword("update");
        Name t = table();
        ModelRef m = model(t.ref);
        if (!m) throw NotPlain{};
        out_.reserve(sql_.size() + 40);
        copy(begin_, t.from);
        out_ += quoteName(t.ref.schema, t.ref.table);
        std::size_t written = t.to;   // the text up to here is in out_
        in_.keyword("set");
        do {
            in_.blanks();
            copy(written, in_.at());
            std::string_view column = in_.name();
            if (!in_.symbol('=')) throw NotPlain{};
            std::string_view value = in_.number();
            std::size_t hint = 0;
            const ColumnDef* c = m->column(column, hint);
            if (!c) throw NotPlain{};
            out_.append(column).append(" = ").append(
                assignedSql(std::string(value), literalType(value, false), true, c->valueType()));
            written = in_.at();
        } while (in_.symbol(','));
        if (!in_.atEnd()) throw NotPlain{};
        copy(written, sql_.size());
        Passthrough cmd;
        cmd.verb = Verb::Update;
        cmd.target = t.ref;
        cmd.sql = std::move(out_);
        return cmd;
    }

    std::string_view sql_;
    PlainReader in_;
    const SchemaResolver& resolve_;
    const ModelResolver& models_;
    std::size_t begin_ = 0;
    std::string out_;
};

}  // namespace

std::optional<Command> plainStatement(std::string_view sql, const SchemaResolver& resolve, const ModelResolver& models) {
    return PlainStatement(sql, resolve, models).read();
}

}  // namespace vantyr::platform::sqlite
