// CREATE and ALTER VIEW, CREATE PROCEDURE / PROC and CREATE TRIGGER, their
// DROP statements, EXEC of a procedure, and DROP INDEX table.index. A view, a procedure or a trigger
// is the whole rest of its batch, as on the server; its text is kept as sent.
#include "platform/sqlite/translator_parser.h"

namespace vantyr::platform::sqlite {

std::optional<Command> Parser::moduleDefinition(bool alter) {
    CreateModule cmd;
    cmd.alter = alter;
    if (accept("view")) {
        cmd.kind = ModuleKind::View;
    } else if (!alter && (accept("procedure") || accept("proc"))) {
        cmd.kind = ModuleKind::Procedure;
    } else if (!alter && accept("trigger")) {
        cmd.kind = ModuleKind::Trigger;
    } else {
        return std::nullopt;
    }
    cmd.name = tableRef();
    cmd.text = std::string(sql_);
    if (cmd.kind == ModuleKind::View) {
        expect("as");
        if (!peek().is("select")) unsupported("a view that is not a query", sql_);
        cmd.viewSelect = viewSelect();
    } else if (cmd.kind == ModuleKind::Trigger) {
        expect("on");
        cmd.table = tableRef();
    }
    pos_ = t_.size();  // the body runs to the end of the batch
    return cmd;
}

std::optional<Command> Parser::moduleDrop() {
    if (accept("index")) {
        auto parts = qualifiedParts();
        if (parts.size() < 2) unsupported("DROP INDEX without its table", sql_);
        std::string index = parts.back();
        parts.pop_back();
        return DropIndex{refOf(parts), index};
    }
    DropModule cmd;
    if (accept("view")) cmd.kind = ModuleKind::View;
    else if (accept("procedure") || accept("proc")) cmd.kind = ModuleKind::Procedure;
    else if (accept("trigger")) cmd.kind = ModuleKind::Trigger;
    else return std::nullopt;
    cmd.name = tableRef();
    return cmd;
}

// EXEC name [arguments]: the arguments are not evaluated.
Command Parser::procedureRun() {
    if (!peek().isName()) unsupported("EXEC of a statement text", sql_);
    RunProcedure cmd{tableRef()};
    std::size_t end = statementEnd(Verb::Select);
    pos_ = end;
    return cmd;
}

}  // namespace vantyr::platform::sqlite
