#include "simulated_card.h"

#include "pcfg_sim.h"
#include "text.h"

namespace pcfg {

SimulatedCard::SimulatedCard(bool (*link_card)(const char *program), Clock clock)
    : link_card_(link_card), clock_(std::move(clock)), last_tick_(clock_()) {}

bool SimulatedCard::reach(const char *program, bool embedded) {
    return link_card_ == nullptr || embedded || link_card_(program);
}

void SimulatedCard::keep_real_time() { pcfg_sim::use_real_time(); }

// Whole seconds of real time since the last command pass on the card, at
// least one, so that counters grow while the operator watches (a shared
// card keeps its own time).
void SimulatedCard::before_command() {
    using std::chrono::seconds;
    const auto now = clock_();
    const auto whole = std::chrono::duration_cast<seconds>(now - last_tick_);
    uint32_t step = 1;
    if (whole.count() >= 1) {
        step = static_cast<uint32_t>(std::min<int64_t>(whole.count(), pcfg_sim::kLastSecond));
        last_tick_ += whole;
    }
    pcfg_sim::let_real_time_pass(step);
}

std::string SimulatedCard::greeting() {
    return pcfg_shell::cat({"pcfg: port-configuration commands on a simulated line card with ",
                            std::to_string(pcfg_sim::num_ports()), " front ports."});
}

pcfg_shell::PortNames SimulatedCard::port_names() { return {"fc", pcfg_sim::slot()}; }

}  // namespace pcfg
