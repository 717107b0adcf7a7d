#pragma once
// A policy for reports that only read: a failing read is abandoned and the
// report notes what it could not learn. Nothing is raised further.
#include <exception>

#include "carryover/policy.h"

namespace vantyr::carryover {

class QuietReads : public Policy {
public:
    void guarded(const std::function<void()>& unit) override { ignoring(unit); }
    bool ignoring(const std::function<void()>& unit) override {
        try {
            unit();
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
};

}  // namespace vantyr::carryover
