#pragma once
// The run's two ways of treating a failure, as the carry-over sees them.
// The component shell implements them (its outcome handler and its tolerant
// mode); the carry-over only says which one each unit of work runs under.
#include <functional>

namespace vantyr::carryover {

class Policy {
public:
    virtual ~Policy() = default;
    // Run one unit under the outcome handler: a failure it passes over
    // (an ordinary statement failure) returns normally, any other ends the run
    // by throwing.
    virtual void guarded(const std::function<void()>& unit) = 0;
    // Run one unit with its failure ignored. False when it failed.
    virtual bool ignoring(const std::function<void()>& unit) = 0;
};

}  // namespace vantyr::carryover
