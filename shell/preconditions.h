#pragma once
// The tests that decide, before anything of the current year changes, whether
// a carry-over makes sense: the previous year must have a state row, its
// period 12 must be closed (a closing month of 12 is marked as 13 on the
// spot, outside any transaction), and a current year that already has state
// is overwritten only when the operator confirms. All run in tolerant mode.
#include <cstdint>
#include <functional>
#include <string>

#include "shell/release.h"

namespace vantyr::platform {
class Database;
}

namespace vantyr::shell {

class Messenger;
class RunPolicy;

inline constexpr const char* kStateQuery = "select * from ca_cbsys ";

enum class Verdict { Go, Stop };

struct PreconditionContext {
    Release release;
    RunPolicy& policy;
    Messenger& messenger;
    // The previous year's number for messages, computed at the moment of the message.
    std::function<std::string()> previousYearNumber;
};

// First-year test and closing test on the previous year. Sets prevEndMonth to
// the closing month read (before the mark), which stays 0 when it cannot be read.
Verdict checkPreviousYear(const PreconditionContext& c, platform::Database* prev, std::int16_t& prevEndMonth);

// Overwrite confirmation on the current year. Sets overwriting when the
// current year has a state row and the run goes on (confirmed, or release
// 8.61 going on without asking).
Verdict confirmOverwrite(const PreconditionContext& c, platform::Database* cur, bool& overwriting);

}  // namespace vantyr::shell
