#pragma once
// Release 8.50's upgrade of the current year's cost-accounting schema, run
// before the carry-over's transaction on a connection of its own. It raises
// nothing: every failure of its own is passed over.
#include <memory>

namespace vantyr::platform {
class AdoConnection;
}

namespace vantyr::upgrade {

// The statement groups arrive with the schema upgrade; until then the driver
// sends nothing and the carry-over goes on with the schema as it finds it.
void UpgradeCaSchema(const std::shared_ptr<platform::AdoConnection>& connection);

}  // namespace vantyr::upgrade
