#include "platform/sqlite/translator_parser.h"

#include <algorithm>

namespace vantyr::platform::sqlite {
Command Parser::create() {
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

Command Parser::createTable() {
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

void Parser::skipFilegroup() {
    while (accept("on") || accept("textimage_on")) name();
}

std::string Parser::generatedName(const char* prefix, const std::string& table, const std::string& column) {
    return std::string(prefix) + "__" + table.substr(0, std::min<std::size_t>(table.size(), 16)) + "__" +
           column.substr(0, std::min<std::size_t>(column.size(), 16)) + "__" +
           std::to_string(std::hash<std::string_view>{}(sql_) % 100000000u) + std::to_string(++generated_);
}

// A column definition, with its column-level constraints added to the model.
void Parser::columnDefinition(TableModel& model) {
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

std::string Parser::dataType() {
    std::string type = name();
    if (acceptSymbol("(")) {
        type += "(";
        while (!acceptSymbol(")")) type += next().text;
        type += ")";
    }
    return type;
}

ConstraintDef Parser::tableConstraint(const std::string& table) {
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

Command Parser::createIndex(bool unique) {
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

Command Parser::alter() {
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

Command Parser::drop() {
    expect("drop");
    if (accept("table")) return DropTable{tableRef()};
    unsupported("DROP form", sql_);
}

// sp_bindefault 'default', 'table.column'
Command Parser::procedureCall() {
    if (!accept("sp_bindefault")) unsupported("procedure call", sql_);
    Token object = next();
    expectSymbol(",");
    Token target = next();
    if (object.kind != TokenKind::String || target.kind != TokenKind::String) unsupported("sp_bindefault arguments", sql_);
    Parser objectNames(object.value, resolve_, models_);
    auto objectParts = objectNames.qualifiedParts();
    Parser targetNames(target.value, resolve_, models_);
    auto targetParts = targetNames.qualifiedParts();
    if (targetParts.size() < 2) unsupported("sp_bindefault on a user data type", sql_);
    BindDefault cmd;
    cmd.schema = resolve_("");
    cmd.defaultName = objectParts.back();
    cmd.table = targetParts[targetParts.size() - 2];
    cmd.column = targetParts.back();
    return cmd;
}

}  // namespace vantyr::platform::sqlite
