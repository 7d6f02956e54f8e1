// The JSON twins of the outputs the tests compare with goldens: the same
// input printed through the JSON entry points (or a printer's JSON writer),
// kept beside its text in the file $PCFG_JSON_OUT names. The ctest "json"
// (tests/json/check_json.py) validates every kept document against its
// schema and checks that every number the text shows is in the JSON.
#pragma once

#include <functional>
#include <string>

#include "common/writer.h"

namespace pcfg_test {

// Keeps the pair (nothing without $PCFG_JSON_OUT); the first pair of a run
// starts the file afresh.
void keep_json(const std::string &text, const std::string &json);

// What `body` prints, its platform calls left out of the call log (a twin
// must not change what a test reads from the log).
std::string unlogged(const std::function<void()> &body);

// What `print` writes as one JSON document, unlogged.
std::string json_of(const std::function<void(pcfg::out::Writer &)> &print);

}  // namespace pcfg_test
