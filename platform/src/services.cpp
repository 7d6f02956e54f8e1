// The stand-in platform's service call, sse_call.
#include "sim_state.h"

using namespace pcfg_sim::detail;

namespace {
constexpr int32_t kNoService = -38;  // ENOSYS: the function is not served
}  // namespace

extern "C" int32_t sse_call(uint32_t function, void *record) {
    if (auto f = enter({"sse_call", {function, given(record)}, {}, {}, {}}))
        return static_cast<int32_t>(f->result);
    return kNoService;
}
