// Conversations with the port-configuration manager.
//
// One core, `converse`, sends one request on a queue, waits a bounded time
// for the answer, checks it, hands it to the caller while it is held and
// releases it. The report, counter, bandwidth and FEC paths all run it;
// where they differ (which send result is a failure, whether the reply to
// the very request is awaited, whether the opcode is checked, how short an
// answer may be) the difference is a field of ExchangeRules, and each path
// prints its own failure texts from the step that failed.
#pragma once

#include <cstdint>
#include <span>

#include "common/mts_session.h"
#include "common/writer.h"
#include "port_cfg_cli.h"

// Printer of a report answer: the body (payload from byte 8) and its extent.
using pcfg_body_printer = void (*)(std::span<const uint8_t> body, pcfg::out::Writer &w);
// Printer of a port counter answer.
using pcfg_cntr_printer = int (*)(const pcfg_rsp_view *view, pcfg::out::Writer &w);

inline constexpr uint32_t kPortCntrReqLen = 9;
inline constexpr uint32_t kReportReqLen = 8;
inline constexpr uint32_t kReportHdrLen = 8;

// Report request types (byte 0 of a report request).
enum ReportType : int {
    kReqCmdsProcessed = 1,
    kReqRsrcCard = 4,
    kReqRsrcPort = 5,
    kReqEvents = 6,
    kReqCreditTbl = 8,
    kReqCreditTbl2 = 9,
    kReqPortInfo = 10,
    kReqDdmInfo = 11,
};

// Report request (opcode 435): the low 8 bits of req_type and port are sent.
// The printer and every failure write to `w`.
int pcfg_mts_send_rcv_cli_req(int req_type, int port, pcfg_body_printer printer,
                              pcfg::out::Writer &w = pcfg::out::text_writer()) noexcept;

// Port counter request (opcode 3120): request is a filled 9-byte port_cntr_req.
int pcfg_mts_send_rcv_port_cntr(const uint8_t *request, pcfg_cntr_printer printer,
                                pcfg::out::Writer &w = pcfg::out::text_writer()) noexcept;

// Prints the failure to bind a private queue: "<prefix>Failed to get ...".
void print_bind_failure(const char *prefix, pcfg::out::Writer &w) noexcept;

namespace pcfg {

// The step of a conversation that failed.
enum class ExchangeStep { Send, Receive, Opcode, NullPayload, ShortPayload };

// Which results of mts_send count as a failed send.
enum class SendFails { OnMinusOne, OnNonZero };

// What becomes of the answer's opcode: checked against the request's (a
// mismatch is a failure), read and handed on, or never asked for.
enum class OpcodeUse { Check, Read, Ignore };

struct ExchangeRules {
    uint32_t opcode;
    SendFails send_fails;
    bool await_own_reply;  // record the sent request and wait for the reply to its token
    uint32_t wait;         // receive wait limit
    OpcodeUse opcode_use;
    uint32_t min_payload;  // a shorter payload is a failure
};

// A failure as the path's message needs it: the queue (for mts_errno_get)
// and, for an opcode or a short payload, the value found.
struct ExchangeFailure {
    ExchangeStep step;
    int handle;
    uint32_t found;
};

// The held answer.
struct Answer {
    const uint8_t *payload;  // never null
    uint32_t size;
    uint32_t opcode;  // 0 where the rules ignore it
};

// Sends `request` on `handle` and hands the answer to on_answer (its result
// is returned), or the failure to on_failure (1 is returned). on_sent runs
// after a successful send, before the wait. Every message is released before
// the call returns; the queue stays with the caller.
template <typename OnSent, typename OnFailure, typename OnAnswer>
int converse(int handle, std::span<const uint8_t> request, const ExchangeRules &rules,
             OnSent on_sent, OnFailure on_failure, OnAnswer on_answer) {
    const auto length = static_cast<uint32_t>(request.size());
    MtsMessage sent(handle);
    const int rc = rules.await_own_reply
                       ? sent.send_recorded(kManagerAddr, rules.opcode, request.data(), length)
                       : mts_send(handle, &kManagerAddr, rules.opcode, request.data(), length,
                                  nullptr, 0, 0);
    if (rules.send_fails == SendFails::OnMinusOne ? rc == -1 : rc != 0) {
        on_failure(ExchangeFailure{ExchangeStep::Send, handle, 0});
        return 1;
    }
    on_sent();
    const uint32_t token = rules.await_own_reply ? mts_rr_token_get(sent.record()) : 0;
    // Only a receive that returns 0 hands over a message; anything else is a
    // failure with nothing to release.
    MtsMessage answer(handle);
    const int received = answer.receive(recv_options(rules.wait, token));
    sent.release();
    if (received != 0) {
        on_failure(ExchangeFailure{ExchangeStep::Receive, handle, 0});
        return 1;
    }
    // Asked once: the message shows the opcode that failed the check.
    uint32_t opcode = rules.opcode_use == OpcodeUse::Check ? answer.opcode() : 0;
    if (rules.opcode_use == OpcodeUse::Check && opcode != rules.opcode) {
        on_failure(ExchangeFailure{ExchangeStep::Opcode, handle, opcode});
        return 1;
    }
    const uint8_t *payload = answer.payload();
    if (payload == nullptr) {
        on_failure(ExchangeFailure{ExchangeStep::NullPayload, handle, 0});
        return 1;
    }
    if (rules.opcode_use == OpcodeUse::Read) opcode = answer.opcode();
    const uint32_t size = answer.payload_size();
    if (size < rules.min_payload) {
        on_failure(ExchangeFailure{ExchangeStep::ShortPayload, handle, size});
        return 1;
    }
    return on_answer(Answer{payload, size, opcode});
}

inline constexpr auto kNothingAfterSend = [] {};

}  // namespace pcfg
