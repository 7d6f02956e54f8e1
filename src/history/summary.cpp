// Configuration event summary (commands 30 and 31): the set-port-
// configuration requests of the manager's shared-memory event log, one row
// per configured port.
#include <array>
#include <cstdio>

#include "cli/commands.h"
#include "common/mts_session.h"
#include "common/params.h"
#include "history/summary_record.h"
#include "pcfg_platform.h"
#include "port_cfg_cli.h"

using namespace pcfg;
using namespace pcfg::out;

namespace {

constexpr uint32_t kManagerLog = 2;
// The fixed words of the log's set-up and of each read: their meaning is the
// platform's, and every reader of the log passes them unchanged.
constexpr std::array<uint32_t, 7> kInitParams{1, 1, 0, 0, 0, 0, 0};
struct ReadArgs {
    uint32_t first;
    int32_t second;
    uint32_t third;
};
constexpr ReadArgs kReadArgs{0, -1, 0};

constexpr Field kPortFilter = json_only<"port", Type::Int>();

bool selects_summary(int32_t param_id) {
    return param_id == PCFG_PARAM_SUMMARY_ALL || param_id == PCFG_PARAM_SUMMARY_PORT;
}

// 0 when the log was read to its end, 1 on any failure.
int show_summary(const cli_param_block &params, Writer &w) {
    // The whole token list, up to its null pointer: token 30 asks for every
    // port, token 31 for one. The last token decides whether records are
    // shown.
    const size_t count = listed_tokens(params);
    bool selected = false;
    uint8_t port_filter = summary::kNoFilter;
    int32_t last_id = 0;
    for (size_t i = 0; i < count; ++i) {
        const cli_param_token *tok = params.tokens[i];
        if (tok->param_id == PCFG_PARAM_SUMMARY_PORT) {
            const auto typed = value_number(tok);
            if (!typed) {  // a port token without a port
                selected = false;
                break;
            }
            port_filter = static_cast<uint8_t>(*typed - 1u);
        }
        selected = selected || selects_summary(tok->param_id);
        last_id = tok->param_id;
    }
    if (!selected) {
        w.fail(Fail::InvalidArgument, "Invalid command!\n");
        return 1;
    }
    if (port_filter != summary::kNoFilter) w.put(kPortFilter, port_filter + 1u);
    if (init_shm_eventlog(kInitParams.data()) != 0) {
        w.fail(Fail::PlatformFailed, "Unable to init_shm_eventlog.\n");
        return 1;
    }

    uint32_t more = 0;
    bool heading = false;
    const Scope rows(w, "rows", true);
    do {
        const void *record = nullptr;
        if (shm_eventlog_read_rec(kManagerLog, &more, &record, kReadArgs.first, kReadArgs.second,
                                  kReadArgs.third, kOpcSetPortCfg) != 0)
            return 1;
        if (!selects_summary(last_id)) {
            w.fail(Fail::InvalidArgument, "invalid taken\n");
            continue;
        }
        if (!heading) {
            summary::print_heading(w);
            heading = true;
        }
        summary::print_record(static_cast<const uint8_t *>(record), port_filter, w);
    } while (more != 0);
    return 0;
}

}  // namespace

extern "C" int set_port_cfg_summary_cli(cli_param_block *params) noexcept {
    if (params == nullptr) {
        puts("VSH Parameter information NULL");
        return 1;
    }
    return show_summary(*params, text_writer());
}

// Its result is not the shell's.
// Every port, or one (the token list tells which).
template <>
void pcfg::run_command<PCFG_CMD_SUMMARY_ALL>(const cli_param_block &params, Writer &w) noexcept {
    show_summary(params, w);
}
template <>
void pcfg::run_command<PCFG_CMD_SUMMARY_PORT>(const cli_param_block &params, Writer &w) noexcept {
    show_summary(params, w);
}
