#pragma once
// The statement parser shared by the translator's families of rules: token
// access over one statement text, names, lists and expressions. Each family
// (statements and IF, DML, identity, DDL and constraints) defines its members
// in a unit of its own. Internal to the embedded engine.
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlite/connection.h"
#include "platform/sqlite/conversion.h"
#include "platform/sqlite/tokenizer.h"
#include "platform/sqlite/translator.h"

namespace vantyr::platform::sqlite {

inline constexpr auto kStatementStarts = keywordSet<12>({"insert", "delete", "update", "create", "alter", "drop", "if",
                                         "exec", "execute", "declare", "print", "truncate"});
inline constexpr auto kClauseEnds = keywordSet<19>({"where", "group", "order", "having", "union", "set", "select",
                                    "values", "inner", "left", "right", "outer", "cross", "full", "join",
                                    "except", "intersect", "option", "with"});
inline constexpr auto kColumnOptions = keywordSet<11>({"null", "not", "constraint", "default", "primary", "unique",
                                       "references", "identity", "collate", "check", "foreign"});

[[noreturn]] inline void unsupported(std::string_view why, std::string_view sql) {
    throw UnsupportedStatement("statement form not supported by the embedded engine (" + std::string(why) +
                               "): " + std::string(sql));
}

// True when SQLite reads the token as it is written.
inline bool readsAsWritten(const Token& t) {
    if (t.kind == TokenKind::Word) return !t.is("isnull") && !t.is("len");
    return t.kind != TokenKind::QuotedName && !(t.kind == TokenKind::String && t.national);
}
// Appends the text of a token as SQLite should read it.
inline void appendSqliteText(std::string& out, const Token& t) {
    if (readsAsWritten(t)) out += t.text;
    else if (t.kind == TokenKind::QuotedName) out += quoteName(t.value());
    else if (t.kind == TokenKind::String) out += t.text.substr(1);   // N'text' is 'text'
    else if (t.is("isnull")) out += "ifnull";
    else out += "length";
}
inline std::string sqliteText(const Token& t) {
    std::string out;
    appendSqliteText(out, t);
    return out;
}

// A value of `type` (`literal`: written in the statement) as it is stored in a
// column of type `target`: unchanged when no conversion can change it.
std::string assignedSql(const std::string& sql, const ServerType& type, bool literal, const ServerType& target);

// The one command of a plain delete, column-to-column insert-select or
// update by numbers, read without the parser (translate_plain_copy.cpp);
// nullopt for any other text. Gives what the parser gives for the same text.
std::optional<Command> plainStatement(std::string_view sql, const SchemaResolver& resolve, const ModelResolver& models);

// Every statement of the text through the parser.
std::vector<Command> parseStatements(std::string_view sql, const SchemaResolver& resolve, const ModelResolver& models);

class Parser {
public:
    // The tokens are views of the text: a parser of a text made for it keeps the text.
    Parser(std::string_view sql, const SchemaResolver& resolve, const ModelResolver& models)
        : sql_(sql), t_(tokenize(sql_)), resolve_(resolve), models_(models) {}
    Parser(std::string&& sql, const SchemaResolver& resolve, const ModelResolver& models)
        : owned_(std::move(sql)), sql_(owned_), t_(tokenize(sql_)), resolve_(resolve), models_(models) {}
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

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
        static const Token end{};
        std::size_t i = pos_;
        for (std::size_t n = 0;; ++i) {
            while (i < t_.size() && t_[i].kind == TokenKind::Space) ++i;
            if (i >= t_.size()) return end;
            if (n++ == ahead) return t_[i];
        }
    }
    const Token& next() {
        skipSpace();
        if (pos_ >= t_.size()) unsupported("unexpected end", sql_);
        return t_[pos_++];
    }
    bool accept(Keyword keyword) {
        if (!peek().is(keyword)) return false;
        next();
        return true;
    }
    void expect(Keyword keyword) {
        if (!accept(keyword)) unsupported("expected " + std::string(keyword.text), sql_);
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
        const Token& n = next();
        if (!n.isName()) unsupported("expected a name", sql_);
        return n.value();
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
    static std::string qualified(const TableRef& r) { return quoteName(r.schema, r.table); }

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


    // Statements, SET options and IF [NOT] EXISTS.
    std::optional<Command> statement();
    std::optional<Command> setOption();
    Command ifExists();
    std::string joinText(std::size_t from, std::size_t to) const;

    // SELECT, INSERT, UPDATE, DELETE and SELECT INTO.
    Command dml();
    bool intoFollows();
    Command selectInto();
    std::size_t statementEnd(Verb verb);
    bool nextWordIs(std::size_t i, Keyword w) const;
    bool previousWordIs(std::size_t i, Keyword w) const;
    std::string rewrite(std::size_t end, Passthrough& cmd);

    // DDL: tables, columns, constraints, defaults, indexes.
    Command create();
    Command createTable();
    void skipFilegroup();
    void columnDefinition(TableModel& model);
    std::string dataType();
    ConstraintDef tableConstraint();
    std::int64_t signedNumber();
    Command createIndex(bool unique);
    Command alter();
    Command drop();
    Command procedureCall();

    // Views, procedures and triggers (CREATE, ALTER VIEW, DROP, EXEC).
    std::optional<Command> moduleDefinition(bool alter);
    std::optional<Command> moduleDrop();
    Command procedureRun();
    std::string viewSelect();
    std::size_t nextSolid(std::size_t i) const;
    bool joinedSourceOpensGroup(std::size_t i) const;

    // Typed expressions and the server's functions (translate_expressions.cpp).
    struct Typed {
        std::string sql;
        ServerType type;
        bool literal = false;
    };
    struct ScopeTable {
        std::string alias;
        TableRef ref;
        ModelRef model;
        mutable std::size_t hint = 0;   // where the next column is looked for first
    };
    ModelRef model(const TableRef& table) const;
    void collectScope(std::size_t end);
    ServerType columnType(std::span<const std::string> parts) const;
    bool expressionStart(const Token& t);
    Typed expr(int minPrecedence = 0);
    Typed operand();
    Typed infix(Typed left, const Token& op, int precedence);
    Typed functionCall(const std::string& name);
    Typed caseExpression();
    Typed castExpression(bool convert);
    Typed subquery();
    std::string comparedTo(const Typed& value, const Typed& other) const;
    // The value converted to a column's type on assignment: unchanged when no conversion can change it.
    static std::string assigned(const Typed& value, const ServerType& target);
    // The types of the columns an INSERT fills, in order.
    std::vector<ServerType> insertTargetTypes(const Passthrough& cmd, std::size_t count) const;
    std::size_t tupleSize(std::size_t open) const;
    void keepBlanksAfter(std::size_t start);
    std::string convertedInsert(Passthrough& cmd, std::string out, std::size_t selectStart,
                                std::vector<Typed> items, const std::string& limit) const;

    std::string owned_;
    std::string_view sql_;
    std::vector<Token> t_;
    const SchemaResolver& resolve_;
    const ModelResolver& models_;
    std::vector<ScopeTable> scope_;
    std::size_t pos_ = 0;
};

}  // namespace vantyr::platform::sqlite
