#include "raw_form.h"

#include <cstdint>

#include "numbers.h"
#include "text.h"

namespace pcfg_shell {
namespace {

// Any 32-bit value: signed or unsigned as typed, stored as the 32-bit word.
constexpr int64_t kLowest = INT32_MIN;
constexpr int64_t kHighest = UINT32_MAX;

bool raw_number(std::string_view what, std::string_view text, size_t token_no, uint32_t &out,
                std::string &error) {
    const NumberCheck n = parse_number(text, kLowest, kHighest);
    if (n.error != NumberCheck::Error::None) {
        error = cat({number_error(what, text, n, kLowest, kHighest), " (token ",
                     std::to_string(token_no), ")"});
        return false;
    }
    out = static_cast<uint32_t>(n.value);
    return true;
}

}  // namespace

std::string add_raw_tokens(std::span<const std::string_view> tokens, ParamBlock &block) {
    if (tokens.size() > PCFG_MAX_TOKENS)
        return cat({"Too many raw tokens: ", std::to_string(tokens.size()), ", at most ",
                    std::to_string(PCFG_MAX_TOKENS)});
    std::string error;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string_view token = tokens[i];
        const size_t eq = token.find('=');
        const std::string_view id_text = token.substr(0, eq);
        if (id_text.empty())
            return cat({"Bad raw token ", quoted(token), ": the parameter id is missing"});
        uint32_t id = 0;
        if (!raw_number("parameter id", id_text, i + 1, id, error)) return error;
        if (eq == std::string_view::npos) {
            block.add_bare(static_cast<int32_t>(id));
            continue;
        }
        const std::string_view value_text = token.substr(eq + 1);
        if (value_text.empty())
            return cat({"Bad raw token ", quoted(token), ": the value is missing"});
        uint32_t value = 0;
        if (!raw_number("value", value_text, i + 1, value, error)) return error;
        block.add_number(static_cast<int32_t>(id), value);
    }
    return {};
}

Outcome run_raw(Session &session, const Args &args) {
    ParamBlock block(session.queue_handle());
    block.set_command(static_cast<int32_t>(static_cast<uint32_t>(args.number(0))));
    std::string error = add_raw_tokens(args.rest, block);
    if (!error.empty()) return Outcome::rejected(std::move(error));
    session.run_library(block.block());
    return Outcome::done();
}

}  // namespace pcfg_shell
