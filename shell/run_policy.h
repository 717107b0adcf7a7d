#pragma once
// The run's two error modes in one place. Tolerant mode (before the
// transaction): a failing step is abandoned and the run goes on; a test that
// cannot be evaluated counts as true. The outcome handler (from the arming on):
// an ordinary statement failure (-2147220991) is passed over and the run goes
// on with the next statement; any other failure ends the run. A storage
// failure (platform::isStorageFailure) is never passed over, in either mode:
// it is raised to the run, which ends. Every failure passed over is reported
// to the observer and counted. An exception that is not a platform::Error
// counts as an internal error (number 51) in both modes.
#include <functional>

#include "carryover/policy.h"
#include "platform/run_observer.h"

namespace vantyr::shell {

class RunPolicy : public carryover::Policy {
public:
    explicit RunPolicy(platform::RunObserver& observer) : observer_(observer) {}

    // Outcome handler: passes over kErrStatementFailed, rethrows anything else.
    void guarded(const std::function<void()>& unit) override;
    // Tolerant mode: false when the unit failed and was abandoned; raises a storage failure.
    bool ignoring(const std::function<void()>& unit) override;
    // Tolerant mode for a test: one that raises counts as true (a storage failure is raised).
    bool test(const std::function<bool()>& predicate);

    // Failures passed over in either mode.
    int passedOver() const { return passedOver_; }

private:
    platform::RunObserver& observer_;
    int passedOver_ = 0;
};

}  // namespace vantyr::shell
