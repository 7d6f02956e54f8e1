#include "card_reach_text.h"

namespace pcfg_link {
namespace {

struct Unreached {
    pcfg_sim::Reach how;
    const char *lead;  // then the socket's path
    const char *tail;
};
constexpr Unreached kUnreached[] = {
    {pcfg_sim::Reach::NoCard, "no card on ", ""},
    {pcfg_sim::Reach::OtherUser, "the card on ", " refused this user"},
    {pcfg_sim::Reach::Full, "the card on ", " is full"},
    {pcfg_sim::Reach::TimedOut, "the card on ", " did not answer in time"},
};

}  // namespace

std::string unreached_text(pcfg_sim::Reach how, const std::string &path) {
    for (const Unreached &u : kUnreached)
        if (u.how == how) return u.lead + path + u.tail;
    return "the card on " + path + " was reached";
}

}  // namespace pcfg_link
