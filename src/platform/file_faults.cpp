#include "platform/file_faults.h"

#include <array>

namespace platform {
namespace {

struct Plan {
    int calls = 0;     // calls of the operation since the plan was armed
    int failAt = 0;    // 0 = never fail
};

std::array<Plan, static_cast<int>(FileOp::Count)> plans;

}  // namespace

void failNth(FileOp op, int n) {
    Plan& plan = plans[static_cast<int>(op)];
    plan.calls = 0;
    plan.failAt = n;
}

void clearFaults() {
    plans = {};
}

bool shouldFail(FileOp op) {
    Plan& plan = plans[static_cast<int>(op)];
    if (plan.failAt == 0) return false;
    return ++plan.calls == plan.failAt;
}

}  // namespace platform
