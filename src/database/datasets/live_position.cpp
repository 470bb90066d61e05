#include "database/datasets/live_position.h"

#include "platform/numbers.h"

namespace {

constexpr int64_t kOffFieldMM = 99999999;

}  // namespace

bool TqeldbPosition::OnField() const {
    return Round(Fx_pos * 1000) != kOffFieldMM && Round(Fy_pos * 1000) != kOffFieldMM;
}
