// The card in this process: unit tests, fuzzing, benchmarks and
// `pcfg --embedded` run it. It starts on first use, with a fixed clock that
// moves as the calling process lets real time pass.
#pragma once

#include "card_access.h"

namespace pcfg_sim::card {

CardAccess &this_process_card();

}  // namespace pcfg_sim::card
