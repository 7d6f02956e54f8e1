#include "card_state_text.h"

#include <cstdio>
#include <string>

namespace pcfg_shell {
namespace {

// A scripted answer as it is shown.
std::string scripted_text(const pcfg_sim::Reply &r) {
    switch (r.kind) {
        case pcfg_sim::Reply::Kind::NullPayload:
            return "next answer has no payload";
        case pcfg_sim::Reply::Kind::Silence:
            return "no answer to the next request";
        case pcfg_sim::Reply::Kind::Answer:
            break;
    }
    if (r.opcode != 0) return "next answer carries opcode " + std::to_string(r.opcode);
    return "next answer carries " + std::to_string(r.payload.size()) + " payload bytes";
}

}  // namespace

void print_manager_mode(bool silent, const std::vector<pcfg_sim::Reply> &script, uint32_t unlisted) {
    printf("manager           %s\n", silent ? "silent: answers no request" : "answers every request");
    for (const pcfg_sim::Reply &r : script) printf("  then            %s\n", scripted_text(r).c_str());
    if (unlisted > 0)
        printf("  then            %u more scripted answers, not listed (the card's answer has a size limit)\n",
               unlisted);
}

void print_armed_faults(const std::vector<pcfg_sim::ArmedFault> &faults) {
    printf("armed faults      %zu\n", faults.size());
    for (const pcfg_sim::ArmedFault &f : faults) {
        const std::string nth = std::to_string(f.nth);
        const std::string which =
            f.times == 1   ? "call " + nth + " from now on fails"
            : f.times == 0 ? "every call from call " + nth + " on fails"
                           : "calls " + nth + " to " + std::to_string(f.nth + f.times - 1) + " fail";
        printf("  %-30s %s with result %lld, errno %d\n", f.call.c_str(), which.c_str(),
               static_cast<long long>(f.result), f.err);
    }
}

}  // namespace pcfg_shell
