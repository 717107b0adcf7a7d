#include "upgrade/cost_groups.h"

#include "upgrade/statement_text.h"

namespace vantyr::upgrade {

std::string CostGroup::describingColumns() const {
    return joined({typeNumber, typeCode, invClass, invClassName, amoCode, amoName, unit, invStd}, ",");
}

std::string CostGroup::sourceAndFilter(std::string_view more) const {
    const bool hasWhere = source.find(" where ") != std::string_view::npos;
    return std::string(source) + (hasWhere ? " and " : " where ") + std::string(typeFilter) + " and " + std::string(more);
}

const std::array<CostGroup, 6>& costGroups() {
    static const std::array<CostGroup, 6> groups{{
        {"-- 材料费用", "0", "'0'",
         "from ca_amoct a , ca_inventory b ,inventoryclass c where b.cinvccode=c.cinvccode and a.camoid=b.cinvcode",
         "a.camotype='0'", "max(c.cinvccode)", "max(c.cinvcname)", "max(b.cinvcode)", "max(b.cinvname)",
         "max(b.cinvm_unit)", "max(b.cinvstd)"},
        {"-- 废品回收", "1", "'0'", "from ca_amoct a", "a.camotype='0' and a.camoid='-1'", "''", "''", "'废品回收'",
         "'废品回收'", "''", "''"},
        {"-- 制造费用", "2", "'3'", "from ca_amoct a,caq_manufacture b where a.camoid=b.camoid", "a.camotype='3'", "''",
         "''", "max(b.camoid)", "max(b.camoname)", "''", "''"},
        {"-- 辅助费用", "3", "'2'", "from ca_amoct a,ca_predf b where a.camoid=b.cprocedureid", "a.camotype='2'", "''",
         "''", "max(b.cprocedureid)", "max(b.cprocedurename)", "max(b.cunit)", "''"},
        {"-- 其他费用", "4", "'4'", "from ca_amoct a,caq_others b where a.camoid=b.camoid", "a.camotype='4'", "''", "''",
         "max(b.camoid)", "max(b.camoname)", "''", "''"},
        {"-- 人工费用", "5", "'1'", "from ca_amoct a", "a.camotype='1'", "''", "''", "''", "'直接人工'", "''", "''"},
    }};
    return groups;
}

}  // namespace vantyr::upgrade
