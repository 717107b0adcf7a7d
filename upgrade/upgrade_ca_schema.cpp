#include "upgrade/upgrade_ca_schema.h"

namespace vantyr::upgrade {

void UpgradeCaSchema(const std::shared_ptr<platform::AdoConnection>& /*connection*/) {}

}  // namespace vantyr::upgrade
