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

// Line i as C would write it: blanks at its end, tabs and bytes that do not
// print are visible.
std::string shown(const std::vector<std::string> &lines, size_t i) {
    if (i >= lines.size()) return "(no line)";
    std::string out = "\"";
    char esc[8];
    for (unsigned char c : lines[i]) {
        if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') out += {'\\', static_cast<char>(c)};
        else if (c < 0x20 || c >= 0x7f) out.append(esc, snprintf(esc, sizeof esc, "\\x%02x", c));
        else out += static_cast<char>(c);
    }
    return out + "\"";
}

// The first differing line, after the line before it.
std::string difference(const std::string &expected, const std::string &actual) {
    const auto want = lines_of(expected), got = lines_of(actual);
    size_t k = 0;
    while (k < want.size() && k < got.size() && want[k] == got[k]) ++k;
    std::ostringstream msg;
    msg << "first difference at line " << k + 1 << " of " << want.size() << " expected, "
        << got.size() << " seen:\n";
    for (size_t i = std::min(k, want.size()); i-- > 0;)
        if (want[i].starts_with("=== ") || want[i].starts_with("> ")) {
            msg << "in " << want[i];
            break;
        }
    if (k > 0) msg << "    " << shown(want, k - 1) << "\n";
    msg << "  - " << shown(want, k) << "\n  + " << shown(got, k) << "\n";
    return msg.str();
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
    std::string why = !found ? "no golden file " + path + " (PCFG_UPDATE_GOLDEN=1 writes it)"
                             : "output differs from " + path + "\n" + difference(expected, actual) +
                                   "(PCFG_UPDATE_GOLDEN=1 accepts the output)";
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
