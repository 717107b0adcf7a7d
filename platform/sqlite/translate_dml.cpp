#include "platform/sqlite/translator_parser.h"

#include <algorithm>

namespace vantyr::platform::sqlite {
namespace {

// The text a rewrite builds. Tokens copied as written are gathered into runs
// of the statement text, each run appended in one go.
class RewrittenText {
public:
    explicit RewrittenText(std::size_t capacity) { text_.reserve(capacity); }
    // a piece of the statement text (or a literal) copied as written
    void copy(std::string_view piece) {
        if (piece.data() == runEnd_ && runEnd_) {
            runEnd_ += piece.size();
            return;
        }
        flush();
        runBegin_ = piece.data();
        runEnd_ = runBegin_ + piece.size();
    }
    // a token as SQLite should read it
    void token(const Token& t) {
        if (readsAsWritten(t)) copy(t.text);
        else appendSqliteText(text(), t);
    }
    std::string& text() {
        flush();
        return text_;
    }
    std::size_t size() { return text().size(); }

private:
    void flush() {
        if (runBegin_ != runEnd_) text_.append(runBegin_, runEnd_);
        runBegin_ = runEnd_ = nullptr;
    }
    std::string text_;
    const char* runBegin_ = nullptr;
    const char* runEnd_ = nullptr;
};

}  // namespace

// SELECT, INSERT, UPDATE, DELETE: rewritten token by token.
Command Parser::dml() {
    skipSpace();
    const Token& first = t_[pos_];
    Verb verb = first.is("select") ? Verb::Select : first.is("insert") ? Verb::Insert
              : first.is("update") ? Verb::Update : Verb::Delete;
    if (verb == Verb::Select && intoFollows()) return selectInto();
    std::size_t end = statementEnd(verb);
    Passthrough cmd;
    cmd.verb = verb;
    cmd.sql = rewrite(end, cmd);
    pos_ = end;
    return cmd;
}

// SELECT [TOP n] * INTO name FROM ...
bool Parser::intoFollows() {
    std::size_t i = 1;
    if (peek(1).is("top")) i = 3;
    return peek(i).isSymbol("*") && peek(i + 1).is("into");
}

Command Parser::selectInto() {
    expect("select");
    SelectInto cmd;
    if (accept("top")) {
        const Token& n = next();
        if (n.text != "0") unsupported("SELECT TOP n INTO with n other than 0", sql_);
        cmd.topZero = true;
    }
    expectSymbol("*");
    expect("into");
    cmd.target = tableRef();
    expect("from");
    cmd.source = tableRef();
    std::size_t end = statementEnd(Verb::Select);
    scope_.push_back({"", cmd.source, model(cmd.source)});
    Passthrough rest;  // the conditions after the source, typed by its model
    rest.target = cmd.source;
    cmd.whereSql = rewrite(end, rest);
    pos_ = end;
    return cmd;
}

// Where a plain statement ends: a ';' or the start of the next statement at depth 0.
std::size_t Parser::statementEnd(Verb verb) {
    int depth = 0;
    bool sawSelect = false;
    std::size_t i = pos_;
    bool firstWord = true;
    for (; i < t_.size(); ++i) {
        const Token& t = t_[i];
        if (t.kind == TokenKind::Space) continue;
        if (t.isSymbol("(")) ++depth;
        if (t.isSymbol(")")) --depth;
        if (depth != 0) continue;
        if (firstWord) {
            firstWord = false;
            if (t.is("select")) sawSelect = true;
            continue;
        }
        if (t.isSymbol(";")) break;
        if (oneOf(t, kStatementStarts)) break;
        if (t.is("set") && nextWordIs(i, "identity_insert")) break;
        if (t.is("select")) {
            bool joined = previousWordIs(i, "union") || previousWordIs(i, "all") || previousWordIs(i, "except") ||
                          previousWordIs(i, "intersect");
            if (verb == Verb::Insert && !sawSelect) {
                sawSelect = true;
                continue;
            }
            if (!joined) break;
        }
    }
    return i;
}
bool Parser::nextWordIs(std::size_t i, Keyword w) const {
    for (++i; i < t_.size(); ++i)
        if (t_[i].kind != TokenKind::Space) return t_[i].is(w);
    return false;
}
bool Parser::previousWordIs(std::size_t i, Keyword w) const {
    while (i-- > 0)
        if (t_[i].kind != TokenKind::Space) return t_[i].is(w);
    return false;
}

// The statement rewritten for SQLite: table names qualified by schema,
// expressions typed and translated, values converted to the type of the
// column they are stored in where a conversion can change them.
std::string Parser::rewrite(std::size_t end, Passthrough& cmd) {
    enum class Mode { Other, Tables, Expressions, Set, Values };
    collectScope(end);
    RewrittenText out(sql_.size() * 2);   // names grow by their schema and quotes: one allocation
    std::string limit;
    Mode mode = Mode::Other;
    bool expectTable = false, inFrom = false, firstWord = true, afterInsertTarget = false, inSelectList = false;
    int depth = 0, fromDepth = 0, tables = 0, valuesDepth = -1, itemsDepth = 0;
    std::size_t targetEnd = 0, selectStart = std::string::npos, valueIndex = 0;
    // an INSERT's layout for the identity rules: where its source and that source's FROM begin
    std::size_t sourceStart = std::string::npos, selectToken = std::string::npos, fromAt = std::string::npos;
    std::vector<Typed> items;
    std::vector<ServerType> valueTargets;
    while (pos_ < end) {
        const Token& t = t_[pos_];
        const std::size_t start = pos_;
        if (t.kind == TokenKind::Space) {
            out.copy(t.text);
            ++pos_;
            continue;
        }
        if (expectTable && t.isName() && !t.is("select")) {
            TableRef ref = tableRef();
            out.text() += qualified(ref);
            expectTable = false;
            mode = Mode::Tables;
            ++tables;
            if (!cmd.target) {
                cmd.target = ref;
                afterInsertTarget = cmd.verb == Verb::Insert;
                targetEnd = out.size();
            }
            continue;
        }
        expectTable = false;
        if (afterInsertTarget) {
            afterInsertTarget = false;
            if (t.isSymbol("(") && peek(1).isName()) {
                std::size_t save = pos_;
                cmd.insertColumns = nameList();
                pos_ = save;
            }
        }
        if (firstWord && cmd.verb == Verb::Select && peek(1).is("top")) {
            out.copy(next().text);
            next();
            limit = " LIMIT " + std::string(next().text);
            firstWord = false;
            mode = Mode::Expressions;
            inSelectList = true;
            continue;
        }
        firstWord = false;
        if ((mode == Mode::Expressions || (mode == Mode::Values && depth > valuesDepth)) && expressionStart(t)) {
            Typed e = expr();
            if (mode == Mode::Values && depth == valuesDepth + 1 && valueIndex < valueTargets.size())
                e.sql = assigned(e, valueTargets[valueIndex++]);
            if (inSelectList && depth == itemsDepth) items.push_back(e);
            out.text() += e.sql;
            keepBlanksAfter(start);
            continue;
        }
        if (t.isSymbol("(")) {
            ++depth;
            if (mode == Mode::Values && depth == valuesDepth + 1) {
                valueTargets = insertTargetTypes(cmd, tupleSize(pos_));
                valueIndex = 0;
            }
        } else if (t.isSymbol(")")) {
            --depth;
            if (depth < fromDepth) inFrom = false;
        } else if (t.is("from") || t.is("join") || t.is("into") || t.is("update") ||
                   (t.is("delete") && !nextWordIs(pos_, "from"))) {
            if (depth == 0 && selectToken != std::string::npos && fromAt == std::string::npos && t.is("from"))
                fromAt = out.size();
            expectTable = true;
            inFrom = t.is("from") || t.is("join");
            fromDepth = depth;
            inSelectList = false;
            mode = Mode::Tables;
        } else if (inFrom && depth == fromDepth && t.isSymbol(",")) {
            expectTable = true;
        } else if (t.is("select")) {
            mode = Mode::Expressions;
            inSelectList = cmd.verb == Verb::Insert && selectStart == std::string::npos && depth == 0;
            if (inSelectList) selectStart = sourceStart = out.size(), itemsDepth = depth, selectToken = pos_;
        } else if (t.is("set")) {
            mode = Mode::Set;
        } else if (t.is("values")) {
            mode = Mode::Values;
            valuesDepth = depth;
            if (cmd.verb == Verb::Insert && depth == 0 && sourceStart == std::string::npos) sourceStart = out.size();
        } else if (t.is("on")) {
            mode = Mode::Expressions;
        } else if (t.is("where") || t.is("having") || t.is("by")) {
            mode = Mode::Expressions;
            inFrom = inSelectList = false;
        } else if (oneOf(t, kClauseEnds)) {
            inFrom = inSelectList = false;
        } else if (mode == Mode::Set && t.isName()) {
            std::vector<std::string> parts{name()};
            std::string column = sqliteText(t);
            while (acceptSymbol(".")) {
                parts.push_back(name());
                column += "." + quoteName(parts.back());
            }
            expectSymbol("=");
            Typed e = expr();
            auto m = cmd.target ? model(*cmd.target) : nullptr;
            const ColumnDef* c = m ? m->column(parts.back()) : nullptr;
            out.text() += column + " = " + assigned(e, c ? c->valueType() : ServerType{});
            keepBlanksAfter(start);
            continue;
        } else if (inSelectList && depth == itemsDepth && t.isSymbol("*")) {
            items.push_back({"*", {}});
        } else if (cmd.verb == Verb::Insert && depth == 0 && cmd.target && sourceStart == std::string::npos &&
                   t.is("default")) {
            sourceStart = out.size();
        }
        out.token(t);
        ++pos_;
    }
    if (cmd.verb == Verb::Select) {
        cmd.singleTable = tables == 1 && limit.empty();
        if (cmd.singleTable) cmd.afterTarget = out.text().substr(targetEnd);
    }
    if (cmd.verb == Verb::Insert && sourceStart != std::string::npos) {
        InsertLayout at{0, targetEnd, sourceStart, std::nullopt};
        if (fromAt != std::string::npos && plainSelect(t_.data() + selectToken, t_.data() + end))
            at.plainFrom = fromAt - sourceStart;
        cmd.insertLayout = at;
    }
    std::string& text = out.text();
    if (selectStart != std::string::npos) return convertedInsert(cmd, std::move(text), selectStart, std::move(items), limit);
    text += limit;
    return std::move(text);
}

// Steps back over the blanks that reading an expression skipped, so that
// they are copied as written.
void Parser::keepBlanksAfter(std::size_t start) {
    while (pos_ > start && t_[pos_ - 1].kind == TokenKind::Space) --pos_;
}

// INSERT ... SELECT whose values need converting reads the query as a named
// source: WITH source(c1, ...) AS (query) INSERT ... SELECT convert(c1), ...
std::string Parser::convertedInsert(Passthrough& cmd, std::string out, std::size_t selectStart,
                                    std::vector<Typed> items, const std::string& limit) const {
    if (items.size() == 1 && items[0].sql == "*" && scope_.size() == 2 && scope_[1].model) {  // the target, then the one source
        items.clear();
        for (const auto& c : scope_[1].model->columns)
            items.push_back({quoteName(c.name), c.valueType()});
    }
    std::vector<ServerType> targets = insertTargetTypes(cmd, items.size());
    if (targets.size() != items.size()) {
        out += limit;
        return out;
    }
    // most copies convert nothing: the named source is written only when a value needs it
    std::vector<bool> converts(items.size());
    bool converting = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        converts[i] = assigned(items[i], targets[i]) != items[i].sql;
        converting = converting || converts[i];
    }
    if (!converting) {
        out += limit;
        return out;
    }
    std::string names, values;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string column = "c" + std::to_string(i + 1);
        names += (i ? ", " : "") + column;
        values += (i ? ", " : "") + (converts[i] ? assigned({column, {}}, targets[i]) : column);
    }
    std::string with = "WITH \"vantyr$source\"(" + names + ") AS (" + out.substr(selectStart) + limit + ") ";
    std::string select = "SELECT " + values + " ";
    if (cmd.insertLayout) {   // the source is now the plain SELECT from the named rows
        InsertLayout& at = *cmd.insertLayout;
        at.withEnd = with.size();
        at.headEnd += with.size();
        at.sourceStart = with.size() + selectStart;
        at.plainFrom = select.size();
    }
    return with + out.substr(0, selectStart) + select + "FROM \"vantyr$source\"";
}

}  // namespace vantyr::platform::sqlite
