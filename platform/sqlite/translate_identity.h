#pragma once
// Identity columns as the server numbers them. Each table's counter lives in
// the catalogue (the last value handed out), so numbering survives deletes,
// never hands a value out twice and moves on with explicit values inserted
// under IDENTITY_INSERT. An INSERT into a table with an identity column is
// rewritten so that SQLite computes the values in the same statement: the
// identity column is added to the column list (the implicit list of an insert
// without one leaves it out) and numbered from the counter; explicit values
// are checked (no NULL) and raise the counter. Defaults that live in the
// table's model only (added to an existing column) are filled in the same way
// for the columns an insert leaves out. The server's refusals (544, 545, 8101,
// 515, and 8102 for an update of the column) are raised as CatalogError. Internal to the embedded engine.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/sqlite/catalog.h"
#include "platform/sqlite/connection.h"
#include "platform/sqlite/translator.h"

namespace vantyr::platform::sqlite {

class IdentityRules {
public:
    // Registers the numbering functions on the connection; the rules must
    // outlive every statement the connection runs.
    explicit IdentityRules(Connection& connection);
    IdentityRules(const IdentityRules&) = delete;
    IdentityRules& operator=(const IdentityRules&) = delete;

    // The SQLite text to run for an INSERT; `identityInsert` is true when
    // IDENTITY_INSERT is ON for its table. The counter is armed until finish().
    std::string prepareInsert(Catalog& catalog, const Passthrough& insert, bool identityInsert);
    // An UPDATE that assigns the identity column is refused (8102).
    void checkUpdate(Catalog& catalog, const Passthrough& update);
    // After the insert ran: writes the moved counter into the catalogue.
    void finishInsert(Catalog& catalog);
    // After rows were copied into a new table (SELECT INTO): the counter
    // continues after the highest copied value.
    void continueAfterRows(Catalog& catalog, const TableRef& table);

    // State of the statement being run, read by the registered functions.
    struct Counter {
        bool armed = false;
        bool explicitValues = false;
        std::string schema, table, column;
        std::int64_t next = 1, increment = 1;
        std::int64_t handedOut = 0;
        std::optional<std::int64_t> highest;   // explicit values: furthest in the counting direction
    };

private:
    Connection& db_;
    Counter counter_;
};

}  // namespace vantyr::platform::sqlite
