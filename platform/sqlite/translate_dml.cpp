#include "platform/sqlite/translator_parser.h"

#include <algorithm>

namespace vantyr::platform::sqlite {
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
bool Parser::nextWordIs(std::size_t i, std::string_view w) const {
    for (++i; i < t_.size(); ++i)
        if (t_[i].kind != TokenKind::Space) return t_[i].is(w);
    return false;
}
bool Parser::previousWordIs(std::size_t i, std::string_view w) const {
    while (i-- > 0)
        if (t_[i].kind != TokenKind::Space) return t_[i].is(w);
    return false;
}

// left(text, n) is substr(text, 1, n): the name, and the comma after the
// first argument at the call's depth.
bool Parser::leftCall(const Token& t, int depth, std::string& out) {
    if (t.is("left") && peek(1).isSymbol("(")) {
        leftCalls_.push_back(depth + 1);
        out += "substr";
        ++pos_;
        return true;
    }
    std::erase_if(leftCalls_, [&](int d) { return d > depth; });   // calls closed by now
    auto call = std::find(leftCalls_.begin(), leftCalls_.end(), depth);
    if (!t.isSymbol(",") || call == leftCalls_.end()) return false;
    leftCalls_.erase(call);
    out += ", 1,";
    ++pos_;
    return true;
}

std::string Parser::rewrite(std::size_t end, Passthrough& cmd) {
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
        if (leftCall(t, depth, out)) continue;
        out += sqliteText(t);
        ++pos_;
    }
    if (cmd.verb == Verb::Select) {
        cmd.singleTable = tables == 1 && limit.empty();
        if (cmd.singleTable) cmd.afterTarget = out.substr(targetEnd);
    }
    return out + limit;
}

}  // namespace vantyr::platform::sqlite
