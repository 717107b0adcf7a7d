#pragma once
// The CREATE PROCEDURE texts of group 14 that are built in units of their
// own: the archive merge and the three batch report procedures whose
// statements are dynamic. The codes they splice into dynamic statements are
// quoted with every single quote doubled, so a code holding a quote stays
// one literal of one statement.
#include <string>

namespace vantyr::upgrade {

std::string archiveMergeProcedure();        // sp_UniteArchive_CA
std::string batchSummaryProcedure();        // CA_BatchCB_HZB
std::string periodSummaryProcedure();       // CA_BM_CB_TZ
std::string periodBesidePeriodProcedure();  // CA_BmCBMx

}  // namespace vantyr::upgrade
