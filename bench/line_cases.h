// What the per-line cost benchmark measures: one case per printer family,
// each with inputs a busy card produces and the library call that prints
// them. Shared by the recorder (which records the library's output calls)
// and the measuring harness (which replays them as the floor).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pcfg_bench {

struct LineCase {
    std::string name;
    void (*prepare)();       // builds the inputs (the simulated card must exist)
    void (*library)();       // prints every input through the library
    void (*json)();          // prints the same inputs as JSON
    bool lines_are_records;  // history lines end without a newline: count records
    size_t records;          // inputs printed per call of library()
};

// Every case, in report order; call after pcfg_sim::reset().
const std::vector<LineCase> &line_cases();

}  // namespace pcfg_bench
