// Table models as the catalogue stores them: every model of the account-year
// schemas reads back as written, in the compact form and in the full form
// that earlier versions wrote, and a damaged text is refused.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/sqlite/connection.h"
#include "platform/sqlite/demo_data.h"
#include "platform/sqlite/table_model.h"
#include "tests/support/engine_fixture.h"

namespace vantyr::testing {
namespace {

using platform::sqlite::TableModel;

// The model texts of the demo's files of both releases, 8.50 before and after its upgrade.
std::vector<std::string> demoModels() {
    std::vector<std::string> out;
    for (int variant = 0; variant < 3; ++variant) {
        TempDirectory temp;
        platform::sqlite::DataDirectory directory(temp.path());
        platform::sqlite::createAccountYear(directory, "001", "2005", variant == 0, variant == 2);
        platform::sqlite::Connection db(directory.locate("001", "2005").path.string(), false);
        auto st = db.prepare("SELECT definition FROM vantyr_tables");
        while (st.step()) out.push_back(st.column(0).toText());
    }
    return out;
}

// The same model with every key written, as earlier versions stored it.
std::string fullForm(const std::string& text) {
    auto j = nlohmann::json::parse(text);
    for (auto& c : j["columns"]) {
        for (const char* key : {"defaultName", "boundDefault", "defaultExpr"})
            if (!c.contains(key)) c[key] = "";
        if (!c.contains("nullable")) c["nullable"] = true;
        if (!c.contains("identity")) c["identity"] = false;
        if (!c.contains("seed")) c["seed"] = 1;
        if (!c.contains("increment")) c["increment"] = 1;
    }
    for (auto& k : j["constraints"]) {
        if (!k.contains("refTable")) k["refTable"] = "";
        if (!k.contains("refColumns")) k["refColumns"] = nlohmann::json::array();
    }
    return j.dump();
}

// The model's text as the JSON library dumps a tree of the same members.
std::string libraryDump(const TableModel& m) {
    using nlohmann::json;
    json j;
    j["name"] = m.name;
    j["columns"] = json::array();
    for (const auto& c : m.columns) {
        json col = {{"name", c.name}, {"type", c.type}};
        if (!c.nullable) col["nullable"] = false;
        if (c.identity) col["identity"] = true;
        if (!c.defaultName.empty()) col["defaultName"] = c.defaultName;
        if (!c.boundDefault.empty()) col["boundDefault"] = c.boundDefault;
        if (!c.defaultExpr.empty()) col["defaultExpr"] = c.defaultExpr;
        if (c.seed != 1) col["seed"] = c.seed;
        if (c.increment != 1) col["increment"] = c.increment;
        if (c.addedDefault) col["addedDefault"] = *c.addedDefault;
        if (!c.defaultInTable) col["defaultInTable"] = false;
        j["columns"].push_back(col);
    }
    j["constraints"] = json::array();
    for (const auto& k : m.constraints) {
        json c = {{"name", k.name}, {"kind", static_cast<int>(k.kind)}, {"columns", k.columns}};
        if (k.kind == platform::sqlite::ConstraintKind::ForeignKey) c["refTable"] = k.refTable, c["refColumns"] = k.refColumns;
        j["constraints"].push_back(c);
    }
    j["indexes"] = json::array();
    for (const auto& i : m.indexes) j["indexes"].push_back({{"name", i.name}, {"columns", i.columns}, {"unique", i.unique}});
    return j.dump();
}

TEST(TableModelTest, EveryModelOfTheSchemasReadsBackAsWrittenInBothForms) {
    auto models = demoModels();
    ASSERT_GT(models.size(), 150u);
    int identities = 0, keys = 0, defaults = 0;
    for (const auto& text : models) {
        TableModel m = TableModel::fromJson(text);
        EXPECT_EQ(m.toJson(), text);
        EXPECT_EQ(libraryDump(m), text);
        EXPECT_EQ(TableModel::fromJson(fullForm(text)).toJson(), text);
        // blanks between the members (a text not written by the engine): the same model
        EXPECT_EQ(TableModel::fromJson(nlohmann::json::parse(text).dump(2)).toJson(), text);
        // an unexpected key makes the reader take the slower way through the tree: same model
        auto withExtra = nlohmann::json::parse(text);
        withExtra["comment"] = "x";
        EXPECT_EQ(TableModel::fromJson(withExtra.dump()).toJson(), text);
        identities += m.identityColumn() != nullptr;
        keys += !m.constraints.empty();
        for (const auto& c : m.columns) defaults += c.hasDefault();
    }
    // the schemas exercise every part of a model
    EXPECT_GT(identities, 10);
    EXPECT_GT(keys, 10);
    EXPECT_GT(defaults, 10);
}

TEST(TableModelTest, AForeignKeyAndAnIndexKeepEveryField) {
    TableModel m;
    m.name = "R";
    platform::sqlite::ColumnDef id;
    id.name = "id";
    id.type = "int";
    id.identity = true;
    id.nullable = false;
    id.seed = 100;
    id.increment = -10;
    platform::sqlite::ColumnDef code;
    code.name = "code";
    code.type = "varchar(10)";
    code.defaultName = "DF_R_code";
    code.defaultExpr = "'a\"b\\c\t\x01 \xe6\x88\x90\xe6\x9c\xac'";  // quote, backslash, controls, UTF-8
    code.addedDefault = "";
    code.defaultInTable = false;
    m.columns = {id, code};
    m.constraints.push_back({"FK_R_S", platform::sqlite::ConstraintKind::ForeignKey, {"code"}, "S", {"code"}});
    m.indexes.push_back({"IX_R", {"code", "id"}, true});
    EXPECT_EQ(m.toJson(), libraryDump(m));
    TableModel back = TableModel::fromJson(m.toJson());
    EXPECT_EQ(back.toJson(), m.toJson());
    EXPECT_EQ(back.columns[0].seed, 100);
    EXPECT_EQ(back.columns[0].increment, -10);
    EXPECT_EQ(back.columns[1].defaultExpr, code.defaultExpr);
    EXPECT_FALSE(back.columns[1].defaultInTable);
    EXPECT_EQ(back.constraints[0].refColumns, std::vector<std::string>{"code"});
    EXPECT_TRUE(back.indexes[0].unique);
}

TEST(TableModelTest, EveryEscapeReadsAsTheLibraryReadsIt) {
    // escapes the engine writes itself and ones another writer may use
    for (std::string literal : {R"(a\"b\\c)", R"(\t\n\r\b\f\/)", R"(\u0001\u001F\u007f)", R"(\u00e9\u6210)", "\xe6\x88\x90"}) {
        std::string text = R"x({"columns":[{"defaultExpr":")x" + literal +
                           R"x(","name":"c","type":"varchar(9)"}],"constraints":[],"indexes":[],"name":"T"})x";
        auto expected = nlohmann::json::parse(text)["columns"][0]["defaultExpr"].get<std::string>();
        EXPECT_EQ(TableModel::fromJson(text).columns.at(0).defaultExpr, expected) << literal;
    }
}

TEST(TableModelTest, ADamagedTextIsRefused) {
    for (const char* text : {"{\"name\":\"T\",\"columns\":[{\"name\":\"a\"", "{\"name\":\"T\",\"columns\":[{\"name\":\"a\"}],"
                             "\"constraints\":[],\"indexes\":[]}", "{\"columns\":[],\"constraints\":[],\"indexes\":[]}",
                             "{\"name\":\"T\",\"columns\":[{\"name\":\"a\",\"type\":\"int\",\"nullable\":\"no\"}],"
                             "\"constraints\":[],\"indexes\":[]}", "not json",
                             "{\"columns\":[{\"name\":\"a\tb\",\"type\":\"int\"}],\"constraints\":[],\"indexes\":[],\"name\":\"T\"}",
                             "{\"columns\":[],\"constraints\":[],\"indexes\":[],\"name\":\"T\"}x"}) {
        EXPECT_THROW(TableModel::fromJson(text), nlohmann::json::exception) << text;
    }
}

}  // namespace
}  // namespace vantyr::testing
