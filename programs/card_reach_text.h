// Why a program reached no card, in the words pcfg and pcfg-card both use.
#pragma once

#include <string>

#include "pcfg_sim.h"

namespace pcfg_link {

// "no card on PATH", "the card on PATH refused this user", "the card on PATH
// is full", "the card on PATH did not answer in time".
std::string unreached_text(pcfg_sim::Reach how, const std::string &path);

}  // namespace pcfg_link
