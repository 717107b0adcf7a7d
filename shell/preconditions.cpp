#include "shell/preconditions.h"

#include <memory>

#include "platform/database.h"
#include "platform/error.h"
#include "shell/messages.h"
#include "shell/run_policy.h"

namespace vantyr::shell {
namespace {

using platform::Database;
using platform::Recordset;

platform::Database& required(platform::Database* db) {
    if (!db) throw platform::Error::objectNotSet();
    return *db;
}

Recordset& required(const std::unique_ptr<Recordset>& rs) {
    if (!rs) throw platform::Error::objectNotSet();
    return *rs;
}

// Raises the closing month of the row from 12 to 13: the mark that a carry-over
// from this year has been started. Each operation on its own; a failing one
// leaves the mark unwritten and the run goes on.
void markCarryOverStarted(RunPolicy& policy, const std::unique_ptr<Recordset>& rs) {
    policy.ignoring([&] { required(rs).Edit(); });
    policy.ignoring([&] {
        platform::Value next(static_cast<std::int64_t>(required(rs).Field("iendmonth").toDouble() + 1));
        required(rs).SetField("iendmonth", next);
    });
    policy.ignoring([&] { required(rs).Update(); });
}

void show(const PreconditionContext& c, MessageId id, bool withYear = false) {
    c.policy.ignoring([&] { c.messenger.show(id, withYear ? c.previousYearNumber() : std::string()); });
}

}  // namespace

Verdict checkPreviousYear(const PreconditionContext& c, Database* prev, std::int16_t& prevEndMonth) {
    std::unique_ptr<Recordset> rs;
    c.policy.ignoring([&] { rs = required(prev).OpenRecordset(kStateQuery); });
    if (c.policy.test([&] { return required(rs).Eof(); })) {
        show(c, MessageId::FirstYear);
        return Verdict::Stop;
    }
    c.policy.ignoring([&] { prevEndMonth = required(rs).Field("iendmonth").toInt16(); });
    if (prevEndMonth == 12) {
        markCarryOverStarted(c.policy, rs);
    } else if (prevEndMonth < 12) {
        show(c, MessageId::PeriodNotClosed, true);
        return Verdict::Stop;
    }
    c.policy.ignoring([&] { required(rs).Close(); });
    return Verdict::Go;
}

Verdict confirmOverwrite(const PreconditionContext& c, Database* cur, bool& overwriting) {
    overwriting = false;
    std::unique_ptr<Recordset> rs;
    c.policy.ignoring([&] { rs = required(cur).OpenRecordset(kStateQuery); });
    if (c.policy.test([&] { return required(rs).Eof(); })) return Verdict::Go;
    if (c.release == Release::V861 &&
        !c.policy.test([&] { return required(rs).Field("binitleft").equalsNumber(1); })) {
        overwriting = true;
        return Verdict::Go;
    }
    long answer = 0;
    c.policy.ignoring([&] { answer = c.messenger.show(MessageId::ConfirmOverwrite, c.previousYearNumber()); });
    overwriting = answer == platform::kAnswerOk;
    return overwriting ? Verdict::Go : Verdict::Stop;
}

}  // namespace vantyr::shell
