// The platform calls of pcfg_platform.h as the stand-in platform answers
// them: one line each, in the order `sim fail` lists them.
//
//   name     the function (pcfg_platform.h declares it; the build checks)
//   where    Card: answered by the simulated card (in this process, or the
//            card process over its socket), whose faults it meets there;
//            Shell: answered in the calling process from what it holds
//   fails    how an armed fault shows (see Failure)
//   what     what the call does, as `sim fail` lists it
//
// Everything that names a call is made from this list or checked against it
// while compiling: the calls' identifiers, the names `sim fail` takes and
// completes, which calls the card answers and which the calling process
// answers, and the fault sweep's ways of failing each call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pcfg_sim {

// X(name, where, fails, what)
#define PCFG_PLATFORM_CALLS(X)                                                                     \
    X(mts_bind, Card, Result, "open a transport queue")                                            \
    X(mts_unbind, Card, Release, "close a transport queue")                                        \
    X(mts_send, Card, Result, "send a message")                                                    \
    X(mts_recv, Card, Result, "receive a message")                                                 \
    X(mts_drop, Card, Release, "release a message")                                                \
    X(mts_errno_get, Shell, Result, "error number of a queue (the result)")                        \
    X(mts_opc_get, Shell, Result, "opcode of a message (the result)")                              \
    X(mts_payload_size, Shell, Result, "payload size of a message (the result)")                   \
    X(mts_rr_token_get, Shell, Result, "request/response token of a sent message (the result)")    \
    X(mts_payload_get, Shell, Null, "payload of a message (null)")                                 \
    X(mts_opc_name_get, Shell, Null, "name of an opcode (null)")                                   \
    X(sdstub_show_hist_inst, Card, Result, "display a history instance")                           \
    X(sse_call, Card, Result, "service call (timestamp record)")                                   \
    X(init_shm_eventlog, Shell, Result, "open the shared-memory event log")                        \
    X(shm_eventlog_read_rec, Shell, Result, "read an event-log record")                            \
    X(get_front_port_if_index_list, Card, Result, "list the front ports")                          \
    X(get_total_lc_front_ports, Card, Result, "count the front ports")                             \
    X(pm_idxmap_entry_by_if_index, Card, Result, "port-map entry of an interface")                 \
    X(snprintf_if_index_short, Shell, Result, "short interface name")                              \
    X(lc_get_portspeed_name, Shell, Untouched, "speed name (text left alone)")                     \
    X(lc_get_portlinkstatus_reason, Shell, Untouched, "link-status reason (text left alone)")      \
    X(syserr2str, Shell, Null, "platform error text (null)")                                       \
    X(tlv_aligned_array_get_num_tlvs, Shell, Result, "count the TLVs of an array")                 \
    X(tlv_aligned_array_get_next_tlv, Shell, Result, "next TLV of an array")

enum class CallId : uint8_t {
#define PCFG_CALL_ID(name, where, fails, what) name,
    PCFG_PLATFORM_CALLS(PCFG_CALL_ID)
#undef PCFG_CALL_ID
};

enum class Answered : uint8_t { Card, Shell };

// What a call does when an armed fault meets it.
enum class Failure : uint8_t {
    Result,     // gives the fault's result (and error number) without doing its work
    Release,    // a release: gives the fault's result and error number, and the
                // queue or message is released all the same, as a transport
                // frees what it was asked to free whatever it reports
    Null,       // gives a null address
    Untouched,  // leaves the text it was handed as it was
};

struct PlatformCall {
    std::string_view name;
    Answered where;
    Failure fails;
    std::string_view what;
};

inline constexpr std::array kPlatformCalls{
#define PCFG_CALL_ROW(name, where, fails, what) \
    PlatformCall{#name, Answered::where, Failure::fails, what},
    PCFG_PLATFORM_CALLS(PCFG_CALL_ROW)
#undef PCFG_CALL_ROW
};

constexpr const PlatformCall &platform_call(CallId id) {
    return kPlatformCalls[static_cast<size_t>(id)];
}

constexpr std::optional<CallId> call_named(std::string_view name) {
    for (size_t i = 0; i < kPlatformCalls.size(); ++i)
        if (kPlatformCalls[i].name == name) return static_cast<CallId>(i);
    return std::nullopt;
}

// A call and whether the card answers it, for checks while compiling.
constexpr bool answered_by_card(CallId id) { return platform_call(id).where == Answered::Card; }

}  // namespace pcfg_sim
