#include "shell/run_policy.h"

#include "platform/error.h"

namespace vantyr::shell {

using platform::Error;

void RunPolicy::guarded(const std::function<void()>& unit) {
    try {
        unit();
    } catch (const Error& e) {
        if (e.number() != platform::kErrStatementFailed) throw;
        ++passedOver_;
        observer_.PassedOver(e);
    }
}

bool RunPolicy::ignoring(const std::function<void()>& unit) {
    try {
        unit();
        return true;
    } catch (const Error& e) {
        observer_.PassedOver(e);
        return false;
    }
}

bool RunPolicy::test(const std::function<bool()>& predicate) {
    bool result = true;
    ignoring([&] { result = predicate(); });
    return result;
}

}  // namespace vantyr::shell
