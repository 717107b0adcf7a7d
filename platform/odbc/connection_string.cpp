#include "platform/odbc/connection_string.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace vantyr::platform::odbc {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string trimmed(std::string_view s) {
    auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

// Where a braced value that opens at `open` ends (one past its closing
// brace); "}}" inside it is a literal brace.
std::size_t bracedEnd(std::string_view cs, std::size_t open) {
    for (std::size_t i = open + 1; i < cs.size(); ++i) {
        if (cs[i] != '}') continue;
        if (i + 1 < cs.size() && cs[i + 1] == '}') {
            ++i;
            continue;
        }
        return i + 1;
    }
    return cs.size();
}

// The attributes of a connection string as written, split at the semicolons
// that are not inside braces.
std::vector<std::string> attributes(std::string_view cs) {
    std::vector<std::string> out;
    std::string current;
    for (std::size_t i = 0; i < cs.size(); ++i) {
        if (cs[i] == '{') {
            std::size_t end = bracedEnd(cs, i);
            current += cs.substr(i, end - i);
            i = end - 1;
        } else if (cs[i] == ';') {
            out.push_back(current);
            current.clear();
        } else {
            current += cs[i];
        }
    }
    if (!current.empty()) out.push_back(current);
    return out;
}

}  // namespace

std::string maskSecrets(std::string_view text) {
    static const char* const kSecretKeys[] = {"pwd", "password", "pass", "accesstoken", "access token", "authentication key"};
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        // At the start of an attribute: after a separator or at the text's start.
        bool atStart = i == 0 || text[i - 1] == ';' || text[i - 1] == ' ' || text[i - 1] == '"' || text[i - 1] == '\'';
        std::optional<std::size_t> valueAt;
        if (atStart) {
            for (const char* key : kSecretKeys) {
                std::string_view k(key);
                std::size_t j = i + k.size();
                if (lower(text.substr(i, k.size())) != k) continue;
                while (j < text.size() && text[j] == ' ') ++j;
                if (j < text.size() && text[j] == '=') valueAt = j + 1;
                break;
            }
        }
        if (!valueAt) {
            out += text[i++];
            continue;
        }
        out += text.substr(i, *valueAt - i);
        out += "***";
        std::size_t j = *valueAt;
        if (j < text.size() && text[j] == '{') {  // a braced value may hold ';'
            j = bracedEnd(text, j);
        } else {
            while (j < text.size() && text[j] != ';' && text[j] != '"' && text[j] != '\'' && text[j] != '\n') ++j;
        }
        i = j;
    }
    return out;
}

std::string withDatabase(std::string_view connectionString, const std::string& database) {
    std::string out;
    for (const auto& attribute : attributes(connectionString)) {
        std::string key = lower(trimmed(attribute.substr(0, attribute.find('='))));
        if (key == "database" || key == "initial catalog" || trimmed(attribute).empty()) continue;
        out += attribute + ";";
    }
    return out + "DATABASE=" + database;
}

std::string dsnConnectionString(const std::string& dsn) { return "DSN=" + dsn; }

}  // namespace vantyr::platform::odbc
