// The query of a view in SQLite form. Names lose their dbo owner (a view's
// sources are resolved in the view's own database), TOP 100 PERCENT goes (a
// view may keep its ORDER BY in SQLite), and a join whose ON condition comes
// after further joins ("A JOIN B LEFT JOIN C ON bc ON ab", the server's
// nesting without parentheses) is given the parentheses SQLite needs.
// Expressions pass through the statement rewrite of single tokens.
#include "platform/sqlite/translator_parser.h"

#include <vector>

namespace vantyr::platform::sqlite {
namespace {

bool joinWord(const Token& t) {
    return t.is("join") || t.is("inner") || t.is("left") || t.is("right") || t.is("full") || t.is("cross");
}

bool clauseWord(const Token& t) { return joinWord(t) || t.is("on") || oneOf(t, kClauseEnds); }

bool ownerName(const Token& t) { return t.isName() && sameName(t.value(), "dbo"); }

}  // namespace

std::size_t Parser::nextSolid(std::size_t i) const {
    while (i < t_.size() && t_[i].kind == TokenKind::Space) ++i;
    return i;
}

// Whether the joined source starting at token i (a name, its alias) is
// followed by another join before its own ON.
bool Parser::joinedSourceOpensGroup(std::size_t i) const {
    i = nextSolid(i);
    if (i >= t_.size() || !t_[i].isName()) return false;
    ++i;
    for (std::size_t dot = nextSolid(i); dot < t_.size() && t_[dot].isSymbol(".");) {
        i = nextSolid(dot + 1) + 1;
        dot = nextSolid(i);
    }
    std::size_t after = nextSolid(i);
    if (after < t_.size() && t_[after].is("as")) after = nextSolid(nextSolid(after + 1) + 1);
    else if (after < t_.size() && t_[after].isName() && !clauseWord(t_[after])) after = nextSolid(after + 1);
    return after < t_.size() && joinWord(t_[after]);
}

std::string Parser::viewSelect() {
    std::string out;
    std::vector<int> openGroups;  // parenthesis depth of each join group opened here
    bool onPending = false;       // the last join still waits for its ON
    int depth = 0;
    bool first = true;
    while (pos_ < t_.size()) {
        const Token& t = t_[pos_];
        if (t.kind == TokenKind::Space) {
            out += t.text;
            ++pos_;
            continue;
        }
        if (ownerName(t)) {
            std::size_t dot = nextSolid(pos_ + 1);
            if (dot < t_.size() && t_[dot].isSymbol(".")) {
                pos_ = nextSolid(dot + 1);
                continue;
            }
        }
        if (first) {
            first = false;
            out += sqliteText(next());
            if (peek().is("top")) {
                next();
                if (next().text != "100" || !accept("percent")) unsupported("TOP in a view other than 100 PERCENT", sql_);
            }
            continue;
        }
        if (t.isSymbol("(")) ++depth;
        if (t.isSymbol(")")) --depth;
        if (t.is("on")) {
            if (!onPending && !openGroups.empty() && openGroups.back() == depth) {
                out += ") ";
                openGroups.pop_back();
            }
            onPending = false;
        }
        appendSqliteText(out, t);
        ++pos_;
        if (t.is("join")) {
            onPending = true;
            if (joinedSourceOpensGroup(pos_)) {
                out += " (";
                openGroups.push_back(depth);
            }
        }
    }
    if (!openGroups.empty()) unsupported("a join without its ON condition", sql_);
    return out;
}

}  // namespace vantyr::platform::sqlite
