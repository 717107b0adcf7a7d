#pragma once
// Assembly of the upgrade's longer statements from their literal pieces:
// output columns (expression and name), sources, joins, filters, grouping.
// Pieces are used as written; only the separators come from here.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vantyr::upgrade {

// One output column: its expression and, when the expression does not name
// the column itself, the name it is given.
struct OutputColumn {
    std::string_view expression;
    std::string_view name = {};
};

// "expression AS name, expression, ..." in the order given.
std::string selectList(std::initializer_list<OutputColumn> columns);

// The pieces in order, separated by `separator`.
std::string joined(std::initializer_list<std::string_view> pieces, std::string_view separator = " ");

// A procedure body built line by line, each line followed by CR LF.
class BodyLines {
public:
    BodyLines& operator<<(std::string line) {
        lines_.push_back(std::move(line));
        return *this;
    }
    std::string text() const;

private:
    std::vector<std::string> lines_;
};

// A text with every single quote doubled, as it must be written inside a
// quoted literal of a dynamic statement.
std::string quotesDoubled(std::string_view text);

}  // namespace vantyr::upgrade
