#include "platform/sqlite/translator_parser.h"

#include <algorithm>

namespace vantyr::platform::sqlite {
Command Parser::create() {
    expect("create");
    if (auto module = moduleDefinition(false)) return std::move(*module);
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
            cmd.model.constraints.push_back(tableConstraint());
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
                c.seed = signedNumber();
                expectSymbol(",");
                c.increment = signedNumber();
                expectSymbol(")");
                if (c.increment == 0) unsupported("identity increment 0", sql_);
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
            c.defaultName = pendingName;
            pendingName.clear();
        } else if (peek().is("primary") || peek().is("unique")) {
            ConstraintDef k;
            k.kind = accept("primary") ? (expect("key"), ConstraintKind::PrimaryKey) : (next(), ConstraintKind::Unique);
            accept("clustered") || accept("nonclustered");
            k.columns = {c.name};
            k.name = pendingName;
            pendingName.clear();
            if (k.kind == ConstraintKind::PrimaryKey) c.nullable = false;
            model.constraints.push_back(k);
        } else if (accept("references")) {
            ConstraintDef k;
            k.kind = ConstraintKind::ForeignKey;
            k.columns = {c.name};
            k.refTable = tableRef().table;
            k.refColumns = nameList();
            k.name = pendingName;
            pendingName.clear();
            model.constraints.push_back(k);
        } else if (accept("collate")) {
            name();
        } else {
            unsupported("column option " + std::string(peek().text), sql_);
        }
    }
    model.columns.push_back(c);
}

std::string Parser::dataType() {
    std::string type = name();
    if (sameName(type, "userdecimal")) return "decimal(28,6)";  // the suite's user data type
    if (acceptSymbol("(")) {
        type += "(";
        while (!acceptSymbol(")")) type += next().text;
        type += ")";
    }
    return type;
}

ConstraintDef Parser::tableConstraint() {
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
    return k;
}

std::int64_t Parser::signedNumber() {
    bool negative = acceptSymbol("-");
    if (!negative) acceptSymbol("+");
    const Token& n = next();
    if (n.kind != TokenKind::Number || n.text.find_first_not_of("0123456789") != std::string::npos)
        unsupported("expected a whole number", sql_);
    std::int64_t v = std::stoll(std::string(n.text));
    return negative ? -v : v;
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
    if (auto module = moduleDefinition(true)) return std::move(*module);
    expect("table");
    TableRef table = tableRef();
    bool check = true;
    if (accept("with")) {
        check = !accept("nocheck");
        if (check) expect("check");
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
            return AddDefault{table, constraintName, expr, column};
        }
        return AddConstraint{table, tableConstraint(), check};
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
    if (auto module = moduleDrop()) return std::move(*module);
    if (accept("table")) return DropTable{tableRef()};
    unsupported("DROP form", sql_);
}

// sp_bindefault 'default', 'table.column'
Command Parser::procedureCall() {
    if (!accept("sp_bindefault")) unsupported("procedure call", sql_);
    // each argument a text ('a.b', N'[a].[b]') or a name written as it is
    auto argument = [&] {
        if (peek().kind == TokenKind::String) {
            Parser names(next().value(), resolve_, models_);
            return names.qualifiedParts();
        }
        return qualifiedParts();
    };
    auto objectParts = argument();
    expectSymbol(",");
    auto targetParts = argument();
    if (!atEnd() && !peek().isSymbol(";")) unsupported("sp_bindefault arguments", sql_);
    if (targetParts.size() < 2) unsupported("sp_bindefault on a user data type", sql_);
    BindDefault cmd;
    cmd.schema = resolve_("");
    cmd.defaultName = objectParts.back();
    cmd.table = targetParts[targetParts.size() - 2];
    cmd.column = targetParts.back();
    return cmd;
}

}  // namespace vantyr::platform::sqlite
