// Golden expected outputs kept as data files: tests/golden/<area>/<case>.txt
// holds the exact bytes a test must see, compared whole (every space and
// newline; a file ends with a newline only where the output does).
//
// Usage:
//   expect_golden("print/counter_tlvs", show(answer(tlvs)));
//
//   Transcript t;                      // several outputs, one file
//   for (const Case &c : cases) t.add(c.name, run(c));
//   expect_golden("cli/fec_outcomes", t.str());
//
//   expect_transcript("shell/grammar", [&](const std::string &in) { ... });
//     // the inputs are the file's "> " lines; each is followed by its output
//
// Take each output in a statement (or call) of its own: in `run(a) + run(b)`
// or `out() + errors()` the two sides run in no fixed order.
//
// Deliberate output changes: run the tests with PCFG_UPDATE_GOLDEN=1. A file
// that differs is rewritten with the output seen, and the test still FAILS
// (naming the file), so an update never passes unnoticed: review the change
// with `git diff tests/golden`, then run the tests again without the variable.
// Missing files are created the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <source_location>
#include <span>
#include <string>
#include <string_view>

namespace pcfg_test {

void expect_golden(const std::string &name, const std::string &actual,
                   std::source_location where = std::source_location::current());

// Labelled outputs of one test, for one golden file. Each output follows a
// line "=== <label>"; an output that does not end in a newline gets one and
// the line "\ no newline at end", so the file shows exactly what was printed.
class Transcript {
public:
    Transcript &add(const std::string &label, const std::string &output);
    const std::string &str() const { return text_; }

private:
    std::string text_;
};

// Golden transcript whose inputs are the lines of the file starting with "> "
// (without that mark); every other line is expected output. Each input is
// written back as "> <input>", followed by what `run` returns for it (an
// output without a final newline is marked as in Transcript).
void expect_transcript(const std::string &name,
                       const std::function<std::string(const std::string &input)> &run,
                       std::source_location where = std::source_location::current());

// "00 01 ff": bytes as they were sent.
std::string hex(std::span<const uint8_t> bytes);

// The platform call log (only the calls named `only`, when given), one call a
// line: name(args) words{..} payload[..] "text". Arguments print in decimal,
// or in hex when they are 65536 or more away from 0 (addresses, interface
// indexes).
std::string calls_text(std::string_view only = {});

}  // namespace pcfg_test
