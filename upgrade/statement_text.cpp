#include "upgrade/statement_text.h"

namespace vantyr::upgrade {

std::string selectList(std::initializer_list<OutputColumn> columns) {
    std::string out;
    for (const OutputColumn& c : columns) {
        if (!out.empty()) out += ", ";
        out += c.expression;
        if (!c.name.empty()) {
            out += " AS ";
            out += c.name;
        }
    }
    return out;
}

std::string joined(std::initializer_list<std::string_view> pieces, std::string_view separator) {
    std::string out;
    for (std::string_view p : pieces) {
        if (!out.empty()) out += separator;
        out += p;
    }
    return out;
}

std::string BodyLines::text() const {
    std::string out;
    for (const std::string& line : lines_) out += line + "\r\n";
    return out;
}

std::string quotesDoubled(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\'') out += c;
    }
    return out;
}

}  // namespace vantyr::upgrade
