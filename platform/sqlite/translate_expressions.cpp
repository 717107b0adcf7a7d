// Expressions typed from the table models and the literals, translated with
// the server's meaning: + joins texts, / divides integers as integers and
// money and decimals with their scale, a zero divisor fails the statement,
// datetime literals compare in their stored form, texts compare under the
// collation, and the server's functions map to SQLite's or the engine's own.
// A function not listed here is refused by name.
#include <algorithm>
#include <array>

#include "platform/sqlite/collation.h"
#include "platform/sqlite/translator_parser.h"

namespace vantyr::platform::sqlite {
namespace {

constexpr std::array kComparisons = {"=", "<>", "!=", "<", ">", "<=", ">="};
constexpr std::array<std::string_view, 5> kAggregates = {"count", "sum", "max", "min", "avg"};

struct DatePartName {
    const char* full;
    std::array<const char*, 3> spellings;
};
constexpr DatePartName kDateParts[] = {
    {"year", {"year", "yy", "yyyy"}},        {"quarter", {"quarter", "qq", "q"}},
    {"month", {"month", "mm", "m"}},         {"dayofyear", {"dayofyear", "dy", "y"}},
    {"day", {"day", "dd", "d"}},             {"weekday", {"weekday", "dw", "w"}},
    {"hour", {"hour", "hh", "hh"}},          {"minute", {"minute", "mi", "n"}},
    {"second", {"second", "ss", "s"}},       {"millisecond", {"millisecond", "ms", "ms"}},
};

bool comparison(const Token& t) {
    return std::any_of(kComparisons.begin(), kComparisons.end(), [&](const char* c) { return t.isSymbol(c); });
}

std::string typeLiteral(const ServerType& t) { return quoteText(t.spelling()); }
std::string castTo(const std::string& sql, const ServerType& t) {
    return "vantyr_cast(" + sql + ", " + typeLiteral(t) + ")";
}

// A literal whose converted value is known while translating: an integer in
// the range of the column's type, a date in the form the column stores.
std::optional<std::string> constantAssigned(const std::string& sql, const ServerType& source, const ServerType& target) {
    if (source.kind == TypeKind::Int || source.kind == TypeKind::BigInt) {
        long long v = std::strtoll(sql.c_str(), nullptr, 10);
        if (sql.size() > 18) return std::nullopt;
        switch (target.kind) {
            case TypeKind::Bit: return v == 0 || v == 1 ? std::optional(sql) : std::nullopt;
            case TypeKind::TinyInt: return v >= 0 && v <= 255 ? std::optional(sql) : std::nullopt;
            case TypeKind::SmallInt: return v >= -32768 && v <= 32767 ? std::optional(sql) : std::nullopt;
            case TypeKind::Int: return v >= -2147483648LL && v <= 2147483647LL ? std::optional(sql) : std::nullopt;
            case TypeKind::BigInt: case TypeKind::Money: case TypeKind::Float: case TypeKind::Real: return sql;
            default: return std::nullopt;
        }
    }
    if (source.isText() && target.kind == TypeKind::DateTime && sql.size() >= 2) {
        if (auto canonical = canonicalDateTime(sql.substr(1, sql.size() - 2))) return quoteText(*canonical);
    }
    return std::nullopt;
}

}  // namespace

ModelRef Parser::model(const TableRef& table) const {
    if (!models_) return nullptr;
    return models_(table);
}

// The tables the statement names (with their aliases), so that a column can
// be typed before its FROM clause is reached.
void Parser::collectScope(std::size_t end) {
    std::vector<ScopeTable> found;
    bool expectTable = false, inFrom = false, intoTarget = false;
    for (std::size_t i = pos_; i < end; ++i) {
        const Token& t = t_[i];
        if (t.kind == TokenKind::Space) continue;
        if (expectTable && t.isName() && !t.is("select")) {
            std::size_t save = pos_;
            pos_ = i;
            ScopeTable entry;
            try {
                entry.ref = tableRef();
            } catch (const std::exception&) {
                pos_ = save;
                expectTable = false;
                continue;
            }
            entry.model = intoTarget ? nullptr : model(entry.ref);  // the INSERT's target names no columns
            std::size_t after = pos_;
            pos_ = save;
            std::size_t j = after;
            while (j < end && t_[j].kind == TokenKind::Space) ++j;
            if (j < end && t_[j].is("as")) ++j;
            while (j < end && t_[j].kind == TokenKind::Space) ++j;
            if (j < end && t_[j].isName() && !oneOf(t_[j], kClauseEnds) && !t_[j].is("on") && !t_[j].is("from"))
                entry.alias = t_[j].value();
            found.push_back(std::move(entry));
            i = after - 1;
            expectTable = false;
            continue;
        }
        expectTable = false;
        // DELETE FROM t names its table after the FROM, DELETE t before it
        if (t.is("from") || t.is("join") || t.is("into") || t.is("update") || (t.is("delete") && !nextWordIs(i, "from"))) {
            expectTable = true;
            intoTarget = t.is("into");
            inFrom = t.is("from") || t.is("join");
        } else if (inFrom && t.isSymbol(",")) {
            expectTable = true;
        } else if (oneOf(t, kClauseEnds)) {
            inFrom = false;
        }
    }
    scope_.insert(scope_.begin(), found.begin(), found.end());  // the statement's own tables before outer ones
}

ServerType Parser::columnType(std::span<const std::string> parts) const {
    if (parts.empty() || parts.size() > 2) return {};
    for (const auto& s : scope_) {
        if (!s.model) continue;
        if (parts.size() == 2 && !sameName(parts[0], s.alias) && !sameName(parts[0], s.ref.table)) continue;
        if (const ColumnDef* c = s.model->column(parts.back(), s.hint)) return c->valueType();
    }
    return {};
}

bool Parser::expressionStart(const Token& t) {
    if (t.kind == TokenKind::Number || t.kind == TokenKind::String || t.kind == TokenKind::QuotedName) return true;
    if (t.isSymbol("(") || t.isSymbol("-") || t.isSymbol("+") || t.isSymbol("~")) return true;
    if (t.kind != TokenKind::Word) return false;
    if (t.is("left") || t.is("right")) return peek(1).isSymbol("(");
    return !oneOf(t, kClauseEnds) && !oneOf(t, kStatementStarts) && !t.is("from") && !t.is("as") && !t.is("asc") &&
           !t.is("desc") && !t.is("by") && !t.is("distinct") && !t.is("all") && !t.is("on") && !t.is("into") &&
           !t.is("top") && !t.is("end") && !t.is("then") && !t.is("else") && !t.is("when");
}

// Precedence climbing: OR 1, AND 2, NOT 3, comparisons 4, + - 5, * / % 6.
Parser::Typed Parser::expr(int minPrecedence) {
    Typed left;
    if (peek().is("not")) {
        next();
        Typed inner = expr(3);
        left = {"NOT " + inner.sql, {}};
    } else {
        left = operand();
    }
    while (!atEnd()) {
        const Token& t = peek();
        int p = t.is("or") ? 1 : t.is("and") ? 2
              : comparison(t) || t.is("like") || t.is("in") || t.is("between") ||
                        t.is("is") || (t.is("not") && (peek(1).is("like") || peek(1).is("in") || peek(1).is("between")))
                    ? 4
              : t.isSymbol("+") || t.isSymbol("-") || t.isSymbol("&") || t.isSymbol("|") || t.isSymbol("^") ? 5
              : t.isSymbol("*") || t.isSymbol("/") || t.isSymbol("%") ? 6 : 0;
        if (p == 0 || p <= minPrecedence) break;
        const Token& op = next();
        left = infix(std::move(left), op, p);
    }
    return left;
}

Parser::Typed Parser::infix(Typed left, const Token& op, int p) {
    if (op.is("or") || op.is("and")) {
        Typed right = expr(p);
        return {left.sql + " " + lowerCase(op.text) + " " + right.sql, {}};
    }
    if (op.is("not")) {
        const Token& negated = next();  // NOT LIKE, NOT IN, NOT BETWEEN
        return infix({left.sql + " NOT", left.type}, negated, p);
    }
    if (op.is("is")) {
        std::string sql = left.sql + " IS ";
        if (accept("not")) sql += "NOT ";
        expect("null");
        return {sql + "NULL", {}};
    }
    if (op.is("like")) {
        Typed pattern = expr(p);
        std::string sql = left.sql + " LIKE " + pattern.sql;
        if (accept("escape")) sql += " ESCAPE " + operand().sql;
        return {sql, {}};
    }
    if (op.is("between")) {
        Typed low = expr(p), high = (expect("and"), expr(p));
        return {left.sql + " BETWEEN " + comparedTo(low, left) + " AND " + comparedTo(high, left), {}};
    }
    if (op.is("in")) {
        if (peek().isSymbol("(") && peek(1).is("select")) return {left.sql + " IN " + subquery().sql, {}};
        expectSymbol("(");
        std::string list;
        do {
            list += (list.empty() ? "" : ", ") + comparedTo(expr(), left);
        } while (acceptSymbol(","));
        expectSymbol(")");
        return {left.sql + " IN (" + list + ")", {}};
    }
    Typed right = expr(p);
    if (p == 4) return {comparedTo(left, right) + " " + std::string(op.text) + " " + comparedTo(right, left), {}};
    const ServerType &a = left.type, &b = right.type;
    if (a.kind == TypeKind::DateTime || b.kind == TypeKind::DateTime)
        unsupported("arithmetic on a datetime value", sql_);
    if (op.isSymbol("^")) unsupported("the ^ operator", sql_);
    if (op.isSymbol("+")) {
        if (a.isText() && b.isText()) {
            ServerType joined{TypeKind::VarChar};
            joined.length = a.length < 0 || b.length < 0 ? -1 : std::min(8000, a.length + b.length);
            return {"(" + left.sql + " || " + right.sql + ")", joined};
        }
        if (a.isText() && b.isNumber()) return {"(" + castTo(left.sql, b) + " + " + right.sql + ")", b};
        if (a.isNumber() && b.isText()) return {"(" + left.sql + " + " + castTo(right.sql, a) + ")", a};
        if (!a.isNumber() || !b.isNumber()) return {"vantyr_add(" + left.sql + ", " + right.sql + ")", {}};
    }
    ServerType result = arithmeticType(a, b, op.text[0]);
    if (op.isSymbol("/") || op.isSymbol("%")) {
        int mode = op.isSymbol("%") ? -3
                 : result.kind == TypeKind::Decimal ? result.scale
                 : result.kind == TypeKind::Money || result.kind == TypeKind::SmallMoney ? 4
                 : result.kind == TypeKind::Float || result.kind == TypeKind::Real ? -2 : -1;
        return {"vantyr_divide(" + left.sql + ", " + right.sql + ", " + std::to_string(mode) + ")", result};
    }
    std::string sql = "(" + left.sql + " " + std::string(op.text) + " " + right.sql + ")";
    if (result.isInteger() && (op.isSymbol("+") || op.isSymbol("-") || op.isSymbol("*")))
        return {castTo(sql, result), result};  // out of the type's range: arithmetic overflow
    return {sql, result};
}

// A value as it takes part in a comparison with `other`: a text compared with
// a datetime is read as one, a text with a text under the collation.
std::string Parser::comparedTo(const Typed& value, const Typed& other) const {
    if (other.type.kind == TypeKind::DateTime && value.type.isText()) {
        if (value.literal) {
            std::string raw = value.sql.substr(1, value.sql.size() - 2);
            if (auto canonical = canonicalDateTime(raw)) return quoteText(*canonical);
        }
        return castTo(value.sql, {TypeKind::DateTime});
    }
    if (value.literal && value.type.isText() && other.type.isText()) return value.sql + " COLLATE " + kTextCollation;
    if (value.type.isText() && other.type.isNumber()) return castTo(value.sql, other.type);  // compared as a number
    return value.sql;
}

Parser::Typed Parser::operand() {
    const Token& t = peek();
    // most operands are a column named alone: typed without trying every other form
    if (t.kind == TokenKind::Word || t.kind == TokenKind::QuotedName) {
        const Token& after = peek(1);
        bool plainName = !after.isSymbol("(") && !after.isSymbol(".") && t.text.front() != '@' &&
                         (t.kind == TokenKind::QuotedName ||
                          (!t.is("null") && !t.is("case") && !t.is("exists") && !t.is("current_timestamp")));
        if (plainName) {
            std::array<std::string, 1> name{next().value()};
            std::string sql;
            appendSqliteText(sql, t);
            return {sql, columnType(name)};
        }
    }
    if (t.kind == TokenKind::Number) {
        const Token& n = next();
        return {std::string(n.text), literalType(n.text, false), true};
    }
    if (t.kind == TokenKind::String) {
        const Token& s = next();
        return {quoteText(s.value()), literalType(s.value(), true, s.national), true};
    }
    if (t.isSymbol("-") || t.isSymbol("+") || t.isSymbol("~")) {
        const Token& sign = next();
        Typed inner = expr(6);
        return {std::string(sign.text) + inner.sql, inner.type, inner.literal && !sign.isSymbol("~")};
    }
    if (t.isSymbol("(")) {
        if (peek(1).is("select")) return subquery();
        next();
        Typed inner = expr();
        expectSymbol(")");
        return {"(" + inner.sql + ")", inner.type};
    }
    if (t.is("null")) {
        next();
        return {"NULL", {TypeKind::Null}};
    }
    if (t.is("case")) return caseExpression();
    if (t.is("exists")) {
        next();
        return {"EXISTS " + subquery().sql, {}};
    }
    if (t.is("cast") && peek(1).isSymbol("(")) return castExpression(false);
    if (t.is("convert") && peek(1).isSymbol("(")) return castExpression(true);
    if (t.kind == TokenKind::Word && peek(1).isSymbol("(")) {
        std::string fn = lowerCase(next().value());
        return functionCall(fn);
    }
    if (!t.isName()) unsupported("expected an expression at " + std::string(t.text), sql_);
    if (t.kind == TokenKind::Word && t.text.front() == '@') unsupported("variable " + std::string(t.text), sql_);
    if (t.is("current_timestamp")) {
        next();
        return {"vantyr_getdate()", {TypeKind::DateTime}};
    }
    std::array<std::string, 3> parts;   // the parts of a column's name (a longer name is of no known type)
    std::size_t count = 0;
    std::string sql;
    do {
        if (count) sql += ".";
        if (peek().isSymbol("*")) {
            next();
            return {sql + "*", {}};
        }
        const Token& n = next();
        if (!n.isName()) unsupported("expected a name", sql_);
        if (count < parts.size()) parts[count] = n.value();
        ++count;
        appendSqliteText(sql, n);
    } while (acceptSymbol("."));
    if (count > parts.size()) return {sql, {}};
    return {sql, columnType(std::span<const std::string>(parts.data(), count))};
}

Parser::Typed Parser::subquery() {
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
    inner.scope_ = scope_;  // correlated references reach the outer tables
    auto commands = inner.batch();
    if (commands.size() != 1 || !std::holds_alternative<Passthrough>(commands[0]))
        unsupported("a subquery that is not one query", sql_);
    pos_ = end + 1;
    return {"(" + std::get<Passthrough>(commands[0]).sql + ")", {}};
}

Parser::Typed Parser::caseExpression() {
    expect("case");
    std::string sql = "CASE";
    std::optional<Typed> input;
    if (!peek().is("when")) {
        input = expr();
        sql += " " + input->sql;
    }
    ServerType type;
    while (accept("when")) {
        Typed when = expr();
        Typed then = (expect("then"), expr());
        if (!type.known()) type = then.type;
        sql += " WHEN " + (input ? comparedTo(when, *input) : when.sql) + " THEN " + then.sql;
    }
    if (accept("else")) {
        Typed other = expr();
        if (!type.known()) type = other.type;
        sql += " ELSE " + other.sql;
    }
    expect("end");
    return {sql + " END", type};
}

// CAST(x AS type) and CONVERT(type, x [, style]): the server's conversion; a
// datetime converted to text with a style takes that style's layout.
Parser::Typed Parser::castExpression(bool convert) {
    next();
    expectSymbol("(");
    Typed value;
    ServerType target;
    std::optional<std::string> style;
    if (convert) {
        target = parseServerType(dataType());
        expectSymbol(",");
        value = expr();
        if (acceptSymbol(",")) style = next().text;
    } else {
        value = expr();
        expect("as");
        target = parseServerType(dataType());
    }
    expectSymbol(")");
    if (!target.known()) unsupported("CAST or CONVERT to a type the embedded engine does not convert", sql_);
    std::string sql = value.sql;
    if (style && *style != "0" && target.isText()) {
        std::string date = value.type.kind == TypeKind::DateTime ? sql : castTo(sql, {TypeKind::DateTime});
        if (*style == "112") sql = "strftime('%Y%m%d', " + date + ")";
        else if (*style == "102") sql = "strftime('%Y.%m.%d', " + date + ")";
        else if (*style == "111") sql = "strftime('%Y/%m/%d', " + date + ")";
        else if (*style == "23") sql = "substr(" + date + ", 1, 10)";
        else if (*style == "108") sql = "substr(" + date + ", 12, 8)";
        else if (*style == "120") sql = "substr(" + date + ", 1, 19)";
        else if (*style == "121") sql = date;
        else unsupported("CONVERT style " + *style, sql_);
    } else if (style && *style != "0") {
        unsupported("CONVERT style " + *style + " to a type other than text", sql_);
    }
    if (value.type == target && !style) return {sql, target};
    return {castTo(sql, target), target};
}

Parser::Typed Parser::functionCall(const std::string& fn) {
    expectSymbol("(");
    std::vector<Typed> args;
    std::string prefix;
    if (fn == "datepart") {
        const Token& part = next();
        std::string full;
        for (const auto& d : kDateParts)
            for (const char* spelling : d.spellings)
                if (part.is(Keyword::of(spelling))) full = d.full;
        if (full.empty()) unsupported("DATEPART(" + std::string(part.text) + ")", sql_);
        args.push_back({quoteText(full), {TypeKind::VarChar}, true});
        expectSymbol(",");
    }
    if (std::find(kAggregates.begin(), kAggregates.end(), fn) != kAggregates.end()) {
        if (accept("distinct")) prefix = "DISTINCT ";
        if (fn == "count" && acceptSymbol("*")) args.push_back({"*", {}});
    }
    if (!peek().isSymbol(")"))
        do {
            args.push_back(expr());
        } while (acceptSymbol(","));
    expectSymbol(")");
    auto arity = [&](std::size_t low, std::size_t high) {
        if (args.size() < low || args.size() > high) unsupported(fn + " with " + std::to_string(args.size()) + " arguments", sql_);
    };
    auto list = [&] {
        std::string out;
        for (const auto& a : args) out += (out.empty() ? "" : ", ") + a.sql;
        return out;
    };
    const ServerType intType{TypeKind::Int};
    if (fn == "isnull") {
        arity(2, 2);
        const ServerType& t = args[0].type;
        std::string fallback = t.known() && !(args[1].type == t) && args[1].type.kind != TypeKind::Null
                                   ? castTo(args[1].sql, t) : args[1].sql;
        return {"ifnull(" + args[0].sql + ", " + fallback + ")", t};
    }
    if (fn == "len") return arity(1, 1), Typed{"length(rtrim(" + args[0].sql + ", ' '))", intType};
    if (fn == "left") return arity(2, 2), Typed{"substr(" + args[0].sql + ", 1, " + args[1].sql + ")", {TypeKind::VarChar}};
    if (fn == "right") return arity(2, 2), Typed{"vantyr_right(" + list() + ")", {TypeKind::VarChar}};
    if (fn == "substring") return arity(3, 3), Typed{"substr(" + list() + ")", {TypeKind::VarChar}};
    if (fn == "charindex") return arity(2, 3), Typed{"vantyr_charindex(" + list() + ")", intType};
    if (fn == "ltrim" || fn == "rtrim") return arity(1, 1), Typed{fn + "(" + args[0].sql + ", ' ')", args[0].type};
    if (fn == "upper" || fn == "lower" || fn == "abs") return arity(1, 1), Typed{fn + "(" + args[0].sql + ")", args[0].type};
    if (fn == "round") return arity(2, 3), Typed{"vantyr_round(" + list() + ")", args[0].type};
    if (fn == "getdate") return arity(0, 0), Typed{"vantyr_getdate()", {TypeKind::DateTime}};
    if (fn == "year" || fn == "month" || fn == "day")
        return arity(1, 1), Typed{"vantyr_datepart('" + fn + "', " + args[0].sql + ")", intType};
    if (fn == "datepart") return arity(2, 2), Typed{"vantyr_datepart(" + list() + ")", intType};
    if (fn == "count") return arity(1, 1), Typed{"count(" + prefix + list() + ")", intType};
    if (fn == "max" || fn == "min") return arity(1, 1), Typed{fn + "(" + prefix + list() + ")", args[0].type};
    if (fn == "sum" || fn == "avg") {
        arity(1, 1);
        const ServerType& t = args[0].type;
        std::string sql = fn + "(" + prefix + args[0].sql + ")";
        if (t.isInteger()) return {fn == "avg" ? "CAST(" + sql + " AS INTEGER)" : sql, t.kind == TypeKind::BigInt ? t : intType};
        if (t.kind == TypeKind::Money || t.kind == TypeKind::SmallMoney || t.kind == TypeKind::Decimal)
            return {castTo(sql, t.kind == TypeKind::Decimal ? ServerType{TypeKind::Decimal, 38, t.scale} : t), t};
        return {sql, t};
    }
    throw UnsupportedStatement("function '" + fn + "' is not supported by the embedded engine: " + std::string(sql_));
}

std::string assignedSql(const std::string& sql, const ServerType& type, bool literal, const ServerType& target) {
    if (!target.known() || keepsEveryValue(type, target)) return sql;
    if (literal) {
        if (auto constant = constantAssigned(sql, type, target)) return *constant;
    }
    return "vantyr_assign(" + sql + ", " + typeLiteral(target) + ")";
}

std::string Parser::assigned(const Typed& value, const ServerType& target) {
    return assignedSql(value.sql, value.type, value.literal, target);
}

std::vector<ServerType> Parser::insertTargetTypes(const Passthrough& cmd, std::size_t count) const {
    std::vector<ServerType> out;
    auto m = cmd.target ? model(*cmd.target) : nullptr;
    if (!m) return out;
    auto typeOf = [](const ColumnDef& c) { return c.valueType(); };
    if (cmd.insertColumns) {
        std::size_t hint = 0;   // the list mostly follows the model's order
        for (const auto& name : *cmd.insertColumns) {
            const ColumnDef* c = m->column(name, hint);
            out.push_back(c ? typeOf(*c) : ServerType{});
        }
        return out;
    }
    bool withIdentity = count == m->columns.size();
    for (const auto& c : m->columns)
        if (withIdentity || !c.identity) out.push_back(typeOf(c));
    return out;
}

// The number of values in the parenthesised tuple that opens at `open`.
std::size_t Parser::tupleSize(std::size_t open) const {
    std::size_t n = 1;
    int depth = 0;
    for (std::size_t i = open; i < t_.size(); ++i) {
        if (t_[i].isSymbol("(")) ++depth;
        if (t_[i].isSymbol(")") && --depth == 0) break;
        if (depth == 1 && t_[i].isSymbol(",")) ++n;
    }
    return n;
}

}  // namespace vantyr::platform::sqlite
