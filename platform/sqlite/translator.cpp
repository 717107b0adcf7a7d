#include "platform/sqlite/translator.h"

#include <algorithm>
#include <array>
#include <functional>

#include "platform/sqlite/connection.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

constexpr std::array kStatementStarts = {"insert", "delete", "update", "create", "alter", "drop", "if",
                                         "exec", "execute", "declare", "print", "truncate"};
constexpr std::array kClauseEnds = {"where", "group", "order", "having", "union", "set", "select",
                                    "values", "inner", "left", "right", "outer", "cross", "full", "join",
                                    "except", "intersect", "option", "with"};
constexpr std::array kColumnOptions = {"null", "not", "constraint", "default", "primary", "unique",
                                       "references", "identity", "collate", "check", "foreign"};

template <std::size_t N>
bool oneOf(const Token& t, const std::array<const char*, N>& words) {
    return std::any_of(words.begin(), words.end(), [&](const char* w) { return t.is(w); });
}

[[noreturn]] void unsupported(std::string_view why, std::string_view sql) {
    throw UnsupportedStatement("statement form not supported by the embedded engine (" + std::string(why) +
                               "): " + std::string(sql));
}

// The text of a token as SQLite should read it.
std::string sqliteText(const Token& t) {
    if (t.kind == TokenKind::QuotedName) return quoteName(t.value);
    if (t.kind == TokenKind::String && t.national) return t.text.substr(1);
    if (t.is("isnull")) return "ifnull";
    if (t.is("len")) return "length";
    return t.text;
}

class Parser {
public:
    Parser(std::string_view sql, const SchemaResolver& resolve) : sql_(sql), t_(tokenize(sql)), resolve_(resolve) {}

    std::vector<Command> batch() {
        std::vector<Command> out;
        while (true) {
            skipSeparators();
            if (atEnd()) break;
            if (auto c = statement()) out.push_back(std::move(*c));
        }
        return out;
    }

private:
    // ---- token access over the non-space tokens -------------------------------------------------
    void skipSpace() {
        while (pos_ < t_.size() && t_[pos_].kind == TokenKind::Space) ++pos_;
    }
    void skipSeparators() {
        while (pos_ < t_.size() && (t_[pos_].kind == TokenKind::Space || t_[pos_].isSymbol(";"))) ++pos_;
    }
    bool atEnd() {
        skipSpace();
        return pos_ >= t_.size();
    }
    const Token& peek(std::size_t ahead = 0) {
        static const Token end{TokenKind::Space, "", {}};
        std::size_t i = pos_;
        for (std::size_t n = 0;; ++i) {
            while (i < t_.size() && t_[i].kind == TokenKind::Space) ++i;
            if (i >= t_.size()) return end;
            if (n++ == ahead) return t_[i];
        }
    }
    Token next() {
        skipSpace();
        if (pos_ >= t_.size()) unsupported("unexpected end", sql_);
        return t_[pos_++];
    }
    bool accept(std::string_view keyword) {
        if (!peek().is(keyword)) return false;
        next();
        return true;
    }
    void expect(std::string_view keyword) {
        if (!accept(keyword)) unsupported("expected " + std::string(keyword), sql_);
    }
    bool acceptSymbol(std::string_view s) {
        if (!peek().isSymbol(s)) return false;
        next();
        return true;
    }
    void expectSymbol(std::string_view s) {
        if (!acceptSymbol(s)) unsupported("expected " + std::string(s), sql_);
    }
    std::string name() {
        Token n = next();
        if (!n.isName()) unsupported("expected a name", sql_);
        return n.value;
    }

    // db.owner.name, db..name, owner.name or name
    std::vector<std::string> qualifiedParts() {
        std::vector<std::string> parts{name()};
        while (peek().isSymbol(".")) {
            next();
            if (peek().isSymbol(".")) parts.emplace_back();
            else parts.push_back(name());
        }
        return parts;
    }
    TableRef tableRef() { return refOf(qualifiedParts()); }
    TableRef refOf(const std::vector<std::string>& parts) {
        if (parts.size() == 1) return {resolve_(""), parts[0]};
        if (parts.size() == 2) return {resolve_(""), parts[1]};
        if (parts.size() == 3) return {resolve_(parts[0]), parts[2]};
        unsupported("a name of more than three parts", sql_);
    }
    static std::string qualified(const TableRef& r) { return quoteName(r.schema) + "." + quoteName(r.table); }

    std::vector<std::string> nameList() {
        expectSymbol("(");
        std::vector<std::string> names;
        do {
            names.push_back(name());
            accept("asc") || accept("desc");
        } while (acceptSymbol(","));
        expectSymbol(")");
        return names;
    }

    // Tokens of an expression up to (not including) a stop at depth 0.
    std::string expression(const std::function<bool(const Token&)>& stop) {
        std::string out;
        int depth = 0;
        while (!atEnd()) {
            const Token& t = peek();
            if (depth == 0 && (stop(t) || t.isSymbol(",") || t.isSymbol(")") || t.isSymbol(";"))) break;
            if (t.isSymbol("(")) ++depth;
            if (t.isSymbol(")")) --depth;
            out += (out.empty() ? "" : " ") + sqliteText(next());
        }
        if (out.empty()) unsupported("expected an expression", sql_);
        return out;
    }

    // ---- statements ------------------------------------------------------------------------------
    std::optional<Command> statement() {
        const Token& first = peek();
        if (first.is("select") || first.is("insert") || first.is("update") || first.is("delete")) return dml();
        if (first.is("set")) return setOption();
        if (first.is("if")) return ifExists();
        if (first.is("create")) return create();
        if (first.is("alter")) return alter();
        if (first.is("drop")) return drop();
        if (first.is("exec") || first.is("execute")) {
            next();
            return procedureCall();
        }
        if (first.is("sp_bindefault")) return procedureCall();
        unsupported("unknown statement", sql_);
    }

    std::optional<Command> setOption() {
        expect("set");
        if (accept("identity_insert")) {
            IdentityInsert cmd{tableRef(), false};
            if (accept("on")) cmd.on = true;
            else expect("off");
            return cmd;
        }
        if (accept("nocount") || accept("ansi_nulls") || accept("quoted_identifier") || accept("ansi_warnings")) {
            if (!accept("on")) expect("off");
            return std::nullopt;
        }
        unsupported("SET option", sql_);
    }

    Command ifExists() {
        expect("if");
        auto cmd = std::make_shared<IfExists>();
        cmd->negate = accept("not");
        expect("exists");
        expectSymbol("(");
        std::size_t start = pos_;
        int depth = 1;
        std::size_t end = start;
        for (; end < t_.size(); ++end) {
            if (t_[end].isSymbol("(")) ++depth;
            if (t_[end].isSymbol(")") && --depth == 0) break;
        }
        if (end >= t_.size()) unsupported("unbalanced parentheses", sql_);
        Parser inner(joinText(start, end), resolve_);
        auto query = inner.batch();
        if (query.size() != 1 || !std::holds_alternative<Passthrough>(query[0]) ||
            std::get<Passthrough>(query[0]).verb != Verb::Select)
            unsupported("IF EXISTS without a query", sql_);
        cmd->querySql = std::get<Passthrough>(query[0]).sql;
        pos_ = end + 1;
        auto then = statement();
        if (!then) unsupported("IF without a statement", sql_);
        cmd->then = std::move(*then);
        return cmd;
    }

    std::string joinText(std::size_t from, std::size_t to) const {
        std::string out;
        for (std::size_t i = from; i < to; ++i) out += t_[i].text;
        return out;
    }

    // SELECT, INSERT, UPDATE, DELETE: rewritten token by token.
    Command dml() {
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
    bool intoFollows() {
        std::size_t i = 1;
        if (peek(1).is("top")) i = 3;
        return peek(i).isSymbol("*") && peek(i + 1).is("into");
    }

    Command selectInto() {
        expect("select");
        SelectInto cmd;
        if (accept("top")) {
            Token n = next();
            if (n.text != "0") unsupported("SELECT TOP n INTO with n other than 0", sql_);
            cmd.topZero = true;
        }
        expectSymbol("*");
        expect("into");
        cmd.target = tableRef();
        expect("from");
        cmd.source = tableRef();
        std::size_t end = statementEnd(Verb::Select);
        std::string rest;
        for (std::size_t i = pos_; i < end; ++i) rest += sqliteText(t_[i]);
        cmd.whereSql = rest;
        pos_ = end;
        return cmd;
    }

    // Where a plain statement ends: a ';' or the start of the next statement at depth 0.
    std::size_t statementEnd(Verb verb) {
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
    bool nextWordIs(std::size_t i, std::string_view w) const {
        for (++i; i < t_.size(); ++i)
            if (t_[i].kind != TokenKind::Space) return t_[i].is(w);
        return false;
    }
    bool previousWordIs(std::size_t i, std::string_view w) const {
        while (i-- > 0)
            if (t_[i].kind != TokenKind::Space) return t_[i].is(w);
        return false;
    }

    std::string rewrite(std::size_t end, Passthrough& cmd) {
        std::string out;
        std::string limit;
        bool expectTable = false, inFrom = false, firstWord = true, afterInsertTarget = false;
        int depth = 0, fromDepth = 0, tables = 0;
        std::size_t targetEnd = 0;
        while (pos_ < end) {
            const Token& t = t_[pos_];
            if (t.kind == TokenKind::Space) {
                out += t.text;
                ++pos_;
                continue;
            }
            if (expectTable && t.isName()) {
                TableRef ref = tableRef();
                out += qualified(ref);
                expectTable = false;
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
                out += next().text;
                next();
                limit = " LIMIT " + next().text;
                firstWord = false;
                continue;
            }
            firstWord = false;
            if (t.isSymbol("(")) ++depth;
            if (t.isSymbol(")")) {
                --depth;
                if (depth < fromDepth) inFrom = false;
            }
            if (t.is("from") || t.is("join") || t.is("into") || t.is("update") ||
                (t.is("delete") && !nextWordIs(pos_, "from"))) {
                expectTable = true;
                inFrom = t.is("from") || t.is("join");
                fromDepth = depth;
            } else if (inFrom && depth == fromDepth && t.isSymbol(",")) {
                expectTable = true;
            } else if (oneOf(t, kClauseEnds)) {
                inFrom = false;
            }
            out += sqliteText(t);
            ++pos_;
        }
        if (cmd.verb == Verb::Select) {
            cmd.singleTable = tables == 1 && limit.empty();
            if (cmd.singleTable) cmd.afterTarget = out.substr(targetEnd);
        }
        return out + limit;
    }

    // ---- DDL -------------------------------------------------------------------------------------
    Command create() {
        expect("create");
        if (accept("table")) return createTable();
        if (accept("default")) {
            CreateDefault cmd;
            cmd.schema = resolve_("");
            cmd.name = tableRef().table;
            expect("as");
            cmd.expression = expression([](const Token&) { return false; });
            return cmd;
        }
        bool unique = accept("unique");
        accept("clustered") || accept("nonclustered");
        if (accept("index")) return createIndex(unique);
        unsupported("CREATE form", sql_);
    }

    Command createTable() {
        CreateTable cmd;
        cmd.table = tableRef();
        cmd.model.name = cmd.table.table;
        expectSymbol("(");
        do {
            const Token& t = peek();
            if (t.is("constraint") || t.is("primary") || t.is("unique") || t.is("foreign"))
                cmd.model.constraints.push_back(tableConstraint(cmd.model.name));
            else
                columnDefinition(cmd.model);
        } while (acceptSymbol(","));
        expectSymbol(")");
        skipFilegroup();
        return cmd;
    }

    void skipFilegroup() {
        while (accept("on") || accept("textimage_on")) name();
    }

    std::string generatedName(const char* prefix, const std::string& table, const std::string& column) {
        return std::string(prefix) + "__" + table.substr(0, std::min<std::size_t>(table.size(), 16)) + "__" +
               column.substr(0, std::min<std::size_t>(column.size(), 16)) + "__" +
               std::to_string(std::hash<std::string_view>{}(sql_) % 100000000u) + std::to_string(++generated_);
    }

    // A column definition, with its column-level constraints added to the model.
    void columnDefinition(TableModel& model) {
        ColumnDef c;
        c.name = name();
        c.type = dataType();
        std::string pendingName;
        while (!atEnd() && !peek().isSymbol(",") && !peek().isSymbol(")")) {
            if (accept("identity")) {
                c.identity = true;
                c.nullable = false;
                if (acceptSymbol("(")) {
                    next();
                    expectSymbol(",");
                    next();
                    expectSymbol(")");
                }
            } else if (accept("null")) {
                c.nullable = true;
            } else if (accept("not")) {
                expect("null");
                c.nullable = false;
            } else if (accept("constraint")) {
                pendingName = name();
            } else if (accept("default")) {
                c.defaultExpr = expression([](const Token& t) { return oneOf(t, kColumnOptions); });
                c.defaultName = pendingName.empty() ? generatedName("DF", model.name, c.name) : pendingName;
                pendingName.clear();
            } else if (peek().is("primary") || peek().is("unique")) {
                ConstraintDef k;
                k.kind = accept("primary") ? (expect("key"), ConstraintKind::PrimaryKey) : (next(), ConstraintKind::Unique);
                accept("clustered") || accept("nonclustered");
                k.columns = {c.name};
                k.name = pendingName.empty() ? generatedName(k.kind == ConstraintKind::PrimaryKey ? "PK" : "UQ", model.name, c.name)
                                             : pendingName;
                pendingName.clear();
                if (k.kind == ConstraintKind::PrimaryKey) c.nullable = false;
                model.constraints.push_back(k);
            } else if (accept("references")) {
                ConstraintDef k;
                k.kind = ConstraintKind::ForeignKey;
                k.columns = {c.name};
                k.refTable = tableRef().table;
                k.refColumns = nameList();
                k.name = pendingName.empty() ? generatedName("FK", model.name, c.name) : pendingName;
                pendingName.clear();
                model.constraints.push_back(k);
            } else if (accept("collate")) {
                name();
            } else {
                unsupported("column option " + peek().text, sql_);
            }
        }
        model.columns.push_back(c);
    }

    std::string dataType() {
        std::string type = name();
        if (acceptSymbol("(")) {
            type += "(";
            while (!acceptSymbol(")")) type += next().text;
            type += ")";
        }
        return type;
    }

    ConstraintDef tableConstraint(const std::string& table) {
        ConstraintDef k;
        if (accept("constraint")) k.name = name();
        if (accept("primary")) {
            expect("key");
            k.kind = ConstraintKind::PrimaryKey;
        } else if (accept("unique")) {
            k.kind = ConstraintKind::Unique;
        } else if (accept("foreign")) {
            expect("key");
            k.kind = ConstraintKind::ForeignKey;
        } else {
            unsupported("constraint kind", sql_);
        }
        accept("clustered") || accept("nonclustered");
        k.columns = nameList();
        if (k.kind == ConstraintKind::ForeignKey) {
            expect("references");
            k.refTable = tableRef().table;
            k.refColumns = nameList();
        }
        if (accept("with")) expression([](const Token& t) { return t.is("on"); });
        skipFilegroup();
        if (k.name.empty())
            k.name = generatedName(k.kind == ConstraintKind::PrimaryKey ? "PK" : k.kind == ConstraintKind::Unique ? "UQ" : "FK",
                                   table, k.columns.front());
        return k;
    }

    Command createIndex(bool unique) {
        CreateIndex cmd;
        cmd.index.unique = unique;
        cmd.index.name = name();
        expect("on");
        cmd.table = tableRef();
        cmd.index.columns = nameList();
        if (accept("with")) expression([](const Token& t) { return t.is("on"); });
        skipFilegroup();
        return cmd;
    }

    Command alter() {
        expect("alter");
        expect("table");
        TableRef table = tableRef();
        if (accept("with")) {
            if (!accept("nocheck")) expect("check");
        }
        if (accept("drop")) {
            expect("constraint");
            return DropConstraint{table, name()};
        }
        if (accept("alter")) {
            expect("column");
            TableModel scratch;
            scratch.name = table.table;
            columnDefinition(scratch);
            return AlterColumn{table, scratch.columns.front()};
        }
        expect("add");
        if (peek().is("constraint") || peek().is("primary") || peek().is("unique") || peek().is("foreign") ||
            peek().is("default")) {
            std::string constraintName;
            if (peek().is("constraint") && (peek(2).is("default"))) {
                next();
                constraintName = name();
            }
            if (accept("default")) {
                std::string expr = expression([](const Token& t) { return t.is("for"); });
                expect("for");
                std::string column = name();
                if (constraintName.empty()) constraintName = generatedName("DF", table.table, column);
                return AddDefault{table, constraintName, expr, column};
            }
            return AddConstraint{table, tableConstraint(table.table)};
        }
        TableModel scratch;
        scratch.name = table.table;
        do {
            columnDefinition(scratch);
        } while (acceptSymbol(","));
        if (!scratch.constraints.empty()) unsupported("constraints inside ADD column", sql_);
        return AddColumns{table, scratch.columns};
    }

    Command drop() {
        expect("drop");
        if (accept("table")) return DropTable{tableRef()};
        unsupported("DROP form", sql_);
    }

    // sp_bindefault 'default', 'table.column'
    Command procedureCall() {
        if (!accept("sp_bindefault")) unsupported("procedure call", sql_);
        Token object = next();
        expectSymbol(",");
        Token target = next();
        if (object.kind != TokenKind::String || target.kind != TokenKind::String) unsupported("sp_bindefault arguments", sql_);
        Parser objectNames(object.value, resolve_);
        auto objectParts = objectNames.qualifiedParts();
        Parser targetNames(target.value, resolve_);
        auto targetParts = targetNames.qualifiedParts();
        if (targetParts.size() < 2) unsupported("sp_bindefault on a user data type", sql_);
        BindDefault cmd;
        cmd.schema = resolve_("");
        cmd.defaultName = objectParts.back();
        cmd.table = targetParts[targetParts.size() - 2];
        cmd.column = targetParts.back();
        return cmd;
    }

    std::string_view sql_;
    std::vector<Token> t_;
    const SchemaResolver& resolve_;
    std::size_t pos_ = 0;
    int generated_ = 0;
};

}  // namespace

std::vector<Command> translate(std::string_view sql, const SchemaResolver& resolve) {
    try {
        return Parser(sql, resolve).batch();
    } catch (const std::invalid_argument& e) {
        throw UnsupportedStatement(std::string(e.what()) + ": " + std::string(sql));
    }
}

}  // namespace vantyr::platform::sqlite
