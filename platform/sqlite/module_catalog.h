#pragma once
// Views, procedures and triggers of one account-year database as catalogue
// objects: each listed in sysobjects with the server's type letter (V, P,
// TR; a trigger's parent_obj is its table) and its full text kept as sent
// (vantyr_modules). A view is also a SQLite view that can be queried; it is
// created only when every table and view it reads exists, as on the server.
// Procedures and triggers are stored, never run: running one is refused by
// name. Refusals raise CatalogError with the server's wording.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

#include "platform/sqlite/catalog.h"
#include "platform/sqlite/connection.h"
#include "platform/sqlite/translator.h"

namespace vantyr::platform::sqlite {

class ModuleCatalog {
public:
    ModuleCatalog(Connection& connection, Catalog& tables) : db_(connection), tables_(tables) {}

    void create(const CreateModule& module);
    void drop(const DropModule& module);
    // Always raises: the engine does not run procedures.
    [[noreturn]] void run(const RunProcedure& call);
    // Raises when an insert into the table would fire a trigger.
    void refuseInsertFiringTrigger(const TableRef& table);

    // The text a module was created with.
    std::optional<std::string> text(const std::string& schema, const std::string& name);

private:
    struct Found {
        long long id;
        std::string name, xtype;
    };
    std::optional<Found> object(const std::string& schema, const std::string& name);
    void ensureStore(const std::string& schema);
    void createView(const CreateModule& module);
    void record(const CreateModule& module, const char* xtype, long long parent);
    void write(const std::string& sql, std::initializer_list<Value> values);

    Connection& db_;
    Catalog& tables_;
};

}  // namespace vantyr::platform::sqlite
