#include "platform/sqlite/translator_parser.h"

#include <algorithm>

namespace vantyr::platform::sqlite {
std::optional<Command> Parser::statement() {
    const Token& first = peek();
    if (first.is("select") || first.is("insert") || first.is("update") || first.is("delete")) return dml();
    if (first.is("set")) return setOption();
    if (first.is("if")) return ifExists();
    if (first.is("create")) return create();
    if (first.is("alter")) return alter();
    if (first.is("drop")) return drop();
    if (first.is("exec") || first.is("execute")) {
        next();
        return peek().is("sp_bindefault") ? procedureCall() : procedureRun();
    }
    if (first.is("sp_bindefault")) return procedureCall();
    unsupported("unknown statement", sql_);
}

std::optional<Command> Parser::setOption() {
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

Command Parser::ifExists() {
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
    Parser inner(joinText(start, end), resolve_, models_);
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

std::string Parser::joinText(std::size_t from, std::size_t to) const {
    std::string out;
    for (std::size_t i = from; i < to; ++i) out += t_[i].text;
    return out;
}


std::vector<Command> parseStatements(std::string_view sql, const SchemaResolver& resolve, const ModelResolver& models) {
    try {
        return Parser(sql, resolve, models).batch();
    } catch (const std::invalid_argument& e) {
        throw UnsupportedStatement(std::string(e.what()) + ": " + std::string(sql));
    }
}

std::vector<Command> translate(std::string_view sql, const SchemaResolver& resolve, const ModelResolver& models) {
    // most statements of a carry-over are plain copies: read without tokens
    if (auto plain = plainStatement(sql, resolve, models)) {
        std::vector<Command> one;
        one.push_back(std::move(*plain));
        return one;
    }
    return parseStatements(sql, resolve, models);
}

}  // namespace vantyr::platform::sqlite
