#pragma once
// A recording stand-in for the ADO objects of the schema upgrade: every open,
// statement, recordset operation and field assignment in one journal, scripted
// query results (all rows, in order) and failures injected by text or kind.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ado.h"
#include "tests/support/fakes.h"

namespace vantyr::testing {

class FakeAdo : public platform::AdoFactory {
public:
    std::string connectionString = "Data Source=fake;Initial Catalog=QXDATA_001_2005";
    // Rows per query text; a query without a script gives no row.
    std::map<std::string, std::vector<Row>> results;
    // Failures per text (a statement, a query, "open", "addnew", "update", "set:<field>").
    std::map<std::string, Failure> failures;
    std::function<std::optional<Failure>(const std::string& kind, const std::string& text)> failWhen;
    bool failCreate = false;   // CreateAdoConnection / CreateAdoRecordset raise

    // kinds: "create", "open", "exec", "cursor", "query", "addnew", "set", "update", "close",
    // "release" (a connection the upgrade created is destroyed)
    std::vector<Event> journal;
    std::vector<Event>* also = nullptr;   // a second journal the events are copied to (a FakeWorld's)
    void record(Event event);
    int recordsets = 0;

    std::unique_ptr<platform::AdoConnection> CreateAdoConnection() override;
    std::unique_ptr<platform::AdoRecordset> CreateAdoRecordset() override;

    void failIfScripted(const std::string& kind, const std::string& text);
    // The statements executed, in order.
    std::vector<std::string> executed() const;
    std::vector<Event> of(const std::string& kind) const;
    // A connection of this world that was handed to the component (the given one).
    std::shared_ptr<platform::AdoConnection> given();
};

}  // namespace vantyr::testing
