#include "shell/run_policy.h"

#include "platform/error.h"

namespace vantyr::shell {

using platform::Error;

namespace {

// A failure that is not the platform's own (a library's exception) is an
// internal error: never passed over by the outcome handler.
Error internal(const std::exception& e) { return Error(platform::kErrInternal, e.what()); }

}  // namespace

void RunPolicy::guarded(const std::function<void()>& unit) {
    try {
        unit();
    } catch (const Error& e) {
        if (e.number() != platform::kErrStatementFailed) throw;
        ++passedOver_;
        observer_.PassedOver(e);
    } catch (const std::exception& e) {
        throw internal(e);
    }
}

bool RunPolicy::ignoring(const std::function<void()>& unit) {
    try {
        unit();
        return true;
    } catch (const Error& e) {
        if (platform::isStorageFailure(e.number())) throw;
        ++passedOver_;
        observer_.PassedOver(e);
    } catch (const std::exception& e) {
        ++passedOver_;
        observer_.PassedOver(internal(e));
    }
    return false;
}

bool RunPolicy::test(const std::function<bool()>& predicate) {
    bool result = true;
    ignoring([&] { result = predicate(); });
    return result;
}

}  // namespace vantyr::shell
