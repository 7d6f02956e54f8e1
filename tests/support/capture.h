// Captures what a piece of code writes to standard output.
#pragma once

#include <functional>
#include <string>

namespace pcfg_test {
std::string capture_stdout(const std::function<void()> &body);
}
