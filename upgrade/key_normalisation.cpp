#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {

void KeyNormalisation(UpgradeSession&) {}

}  // namespace vantyr::upgrade
