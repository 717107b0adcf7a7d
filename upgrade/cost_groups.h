#pragma once
// The six cost groups of the batch detail reports, in the order every
// detail procedure inserts them: material, scrap recovery, overhead,
// auxiliary, other, labour. Each names its rows' source and filter and the
// columns that describe a cost item of the group.
#include <array>
#include <string>
#include <string_view>

namespace vantyr::upgrade {

struct CostGroup {
    std::string_view heading;       // the block's heading comment
    std::string_view typeNumber;    // AmoTypeNo
    std::string_view typeCode;      // AmoType, as a quoted literal
    std::string_view source;        // from ... [where ...]
    std::string_view typeFilter;    // the group's cost type (and item) condition
    std::string_view invClass, invClassName, amoCode, amoName, unit, invStd;

    // AmoTypeNo through InvStd, comma separated.
    std::string describingColumns() const;
    // The source with the type filter and `more` conditions.
    std::string sourceAndFilter(std::string_view more) const;
};

const std::array<CostGroup, 6>& costGroups();

}  // namespace vantyr::upgrade
