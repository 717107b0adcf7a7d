#pragma once
// The closing periods from which period data are carried, read from the
// previous year before the transaction opens.
#include <cstdint>

namespace vantyr::platform {
class Database;
}

namespace vantyr::carryover {

class Policy;

struct PeriodValues {
    std::int16_t amoCt = -1;        // iAmoCtPeriod: highest period of CA_AmoCt, -1 = copy nothing
    std::int16_t enMMC = -1;        // iEnMMCPeriod
    std::int16_t enMOM = -1;        // iEnMOMPeriod
    std::int16_t enMOP = -1;        // iEnMOPPeriod
    std::int16_t prevEndMonth = 0;  // iPrevEndMonth: the previous year's closing month as read
};

// Reads the four maximum periods on the previous year with every failure
// ignored: a Null, a missing table or any failing read gives -1; the three
// stock tables give -1 as well when their period lies below CA_AmoCt's.
void readClosingPeriods(platform::Database& prev, Policy& policy, PeriodValues& values);

// A closing month of 13 (a year already marked as carried over) is period 12.
void adjustPrevEndMonth(PeriodValues& values);

}  // namespace vantyr::carryover
