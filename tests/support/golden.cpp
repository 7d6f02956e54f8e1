#include "support/golden.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "pcfg_sim.h"

namespace pcfg_test {
namespace {

std::string path_of(const std::string &name) { return PCFG_GOLDEN_DIR "/" + name + ".txt"; }

bool read_file(const std::string &path, std::string &text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return static_cast<bool>(in);
}

// Lines with their newline, so a missing last newline shows as a difference.
std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    for (size_t at = 0, next; at < text.size(); at = next) {
        next = std::min(text.find('\n', at), text.size() - 1) + 1;
        lines.push_back(text.substr(at, next - at));
    }
    return lines;
}

// Lines for a difference: without their newline, a missing last one named.
std::vector<std::string> diff_lines(const std::string &text) {
    std::vector<std::string> lines = lines_of(text);
    for (std::string &l : lines)
        if (l.back() == '\n') l.pop_back();
        else l += "\\ (no newline at end)";
    return lines;
}

void end_line(std::string &text) {
    if (!text.empty() && text.back() != '\n') text += "\n\\ no newline at end\n";
}

}  // namespace

void expect_golden(const std::string &name, const std::string &actual, std::source_location where) {
    const std::string path = path_of(name);
    std::string expected;
    const bool found = read_file(path, expected);
    if (found && expected == actual) return;
    const char *update = std::getenv("PCFG_UPDATE_GOLDEN");
    // The lines that differ, as Google Test shows a difference.
    std::string why = !found ? "no golden file " + path + " (PCFG_UPDATE_GOLDEN=1 writes it)"
                             : "output differs from " + path + " (PCFG_UPDATE_GOLDEN=1 accepts it):\n" +
                                   ::testing::internal::edit_distance::CreateUnifiedDiff(
                                       diff_lines(expected), diff_lines(actual));
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << actual;
        why = (out ? "rewrote " : "could not write ") + path +
              ": review `git diff tests/golden`, then run the tests again without PCFG_UPDATE_GOLDEN";
    }
    ADD_FAILURE_AT(where.file_name(), where.line()) << why;
}

Transcript &Transcript::add(const std::string &label, const std::string &output) {
    text_ += "=== " + label + "\n" + output;
    end_line(text_);
    return *this;
}

void expect_transcript(const std::string &name,
                       const std::function<std::string(const std::string &input)> &run,
                       std::source_location where) {
    std::string script, actual;
    if (!read_file(path_of(name), script))
        ADD_FAILURE_AT(where.file_name(), where.line()) << "no transcript " << path_of(name);
    for (std::string line : lines_of(script)) {
        if (!line.starts_with("> ")) continue;
        if (line.back() == '\n') line.pop_back();
        actual += line + "\n" + run(line.substr(2));
        end_line(actual);
    }
    expect_golden(name, actual, where);
}

std::string hex(std::span<const uint8_t> bytes) {
    std::string out;
    char b[4];
    for (uint8_t v : bytes) out.append(out.empty() ? "" : " ").append(b, snprintf(b, sizeof b, "%02x", v));
    return out;
}

std::string calls_text(std::string_view only) {
    std::string out;
    char b[32];
    const auto number = [&](int64_t v) {
        const auto size = static_cast<unsigned long long>(v < 0 ? -v : v);
        if (size < 65536) return std::string(b, snprintf(b, sizeof b, "%lld", static_cast<long long>(v)));
        return std::string(b, snprintf(b, sizeof b, "%s%#llx", v < 0 ? "-" : "", size));
    };
    for (const pcfg_sim::Call &c : pcfg_sim::calls()) {
        if (!only.empty() && c.name != only) continue;
        out += c.name + "(";
        for (size_t i = 0; i < c.args.size(); ++i) out += (i == 0 ? "" : ", ") + number(c.args[i]);
        out += ")";
        for (size_t i = 0; i < c.words.size(); ++i)
            out += (i == 0 ? " words{" : " ") +
                   std::string(b, snprintf(b, sizeof b, "%#x", static_cast<unsigned>(c.words[i])));
        if (!c.words.empty()) out += "}";
        if (!c.payload.empty()) out += " payload[" + hex(c.payload) + "]";
        if (!c.text.empty()) out += " \"" + c.text + "\"";
        out += "\n";
    }
    return out;
}

}  // namespace pcfg_test
