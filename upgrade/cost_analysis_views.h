#pragma once
// The five a_cbfx_ views that the plan-versus-actual query procedures read,
// each dropped by its dbo-qualified name and created again (part of group 10).
#include "upgrade/upgrade_session.h"

namespace vantyr::upgrade {

void CostAnalysisViews(UpgradeSession& s);

}  // namespace vantyr::upgrade
