#include "carryover/period_values.h"

#include "carryover/policy.h"
#include "platform/database.h"

namespace vantyr::carryover {
namespace {

// The highest iPeriod of one previous-year table, or -1.
std::int16_t maxPeriod(platform::Database& prev, Policy& policy, const char* sql) {
    std::int16_t result = -1;
    policy.ignoring([&] {
        auto rs = prev.OpenRecordset(sql);
        platform::Value value = rs->Field("periodofmax");
        if (!value.isNull()) result = value.toInt16();
        rs->Close();
    });
    return result;
}

std::int16_t atLeast(std::int16_t value, std::int16_t floor) { return value >= floor ? value : -1; }

}  // namespace

void readClosingPeriods(platform::Database& prev, Policy& policy, PeriodValues& values) {
    values.amoCt = maxPeriod(prev, policy, "SELECT Max(iPeriod) AS PeriodOfMax FROM CA_AmoCt");
    values.enMMC = atLeast(maxPeriod(prev, policy, "SELECT Max(iPeriod) AS PeriodOfMax FROM CA_EnMMC"), values.amoCt);
    values.enMOM = atLeast(maxPeriod(prev, policy, "SELECT Max(iPeriod) AS PeriodOfMax FROM CA_EnMOM"), values.amoCt);
    values.enMOP = atLeast(maxPeriod(prev, policy, "SELECT Max(iPeriod) AS PeriodOfMax FROM CA_EnMOP"), values.amoCt);
}

void adjustPrevEndMonth(PeriodValues& values) {
    if (values.prevEndMonth == 13) values.prevEndMonth = 12;
}

}  // namespace vantyr::carryover
