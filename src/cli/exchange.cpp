// The two request/answer exchanges with the port-configuration manager: the
// report request (opcode 435) and the port counter request (opcode 3120).
// Each binds a private queue for the one request and closes it before
// returning; every failure prints one message and gives 1, 0 means the
// answer reached the point of printing.
//
// Report request, 8 bytes:        0 req_type, 1 port byte, 2..7 zero.
// Report answer:                  0..7 header (not read), 8.. body.
// Port counter answer:            0..3 status (0 = success), then the
//                                 counter record and counter TLVs.
#include "cli/exchange.h"

#include <array>
#include <cstdio>

#include "common/be_reader.h"

using namespace pcfg;
using pcfg::out::Fail;
using pcfg::out::Writer;

namespace {

constexpr ExchangeRules kReportRules{kOpcReport, SendFails::OnMinusOne, false, kWaitExchange,
                                     OpcodeUse::Check, kReportHdrLen};
constexpr ExchangeRules kCntrRules{kOpcPortCounters, SendFails::OnMinusOne, false, kWaitExchange,
                                   OpcodeUse::Check, 4};

// How an exchange names itself and the manager in its failure texts: the
// counter exchange puts its operation name before the bind and send texts
// and calls the manager "LC Port Cfg Mgr".
struct Wording {
    const char *prefix;  // "" or "<operation>:"
    const char *peer;    // after "LC Port Cfg"
};

constexpr Wording kReportWording{"", ""};
constexpr Wording kCntrWording{"pcfg_mts_send_rcv_port_cntr:", " Mgr"};

void print_failure(const Wording &w, const ExchangeFailure &f, Writer &out) {
    switch (f.step) {
    case ExchangeStep::Send:
        out.fail(Fail::SendFailed, "%sFailed to send request to LC Port Cfg: %d", w.prefix,
                 mts_errno_get(f.handle));
        return;
    case ExchangeStep::Receive: {
        const int err = mts_errno_get(f.handle);
        if (err == kErrTimedOut)
            out.fail(Fail::Timeout, "Timed out waiting for response from LC Port Cfg%s", w.peer);
        else
            out.fail(Fail::ReceiveFailed, "Error receiving response from LC Port Cfg%s: %d",
                     w.peer, err);
        return;
    }
    case ExchangeStep::Opcode:
        out.fail(Fail::WrongOpcode,
                 "Received invalid opcode (%d) waiting for responsefrom LC Port Cfg%s",
                 static_cast<int>(f.found), w.peer);
        return;
    case ExchangeStep::NullPayload:
        out.fail(Fail::NullPayload, "LC Port Cfg%s passed back NULL pointer", w.peer);
        return;
    case ExchangeStep::ShortPayload:
        out.fail(Fail::ShortPayload, "LC Port Cfg%s passed back short payload (%u bytes)", w.peer,
                 static_cast<unsigned>(f.found));
        return;
    }
}

// Binds a private queue and runs the conversation on it.
template <typename OnAnswer>
int exchange(const Wording &w, const ExchangeRules &rules, std::span<const uint8_t> request,
             Writer &out, OnAnswer on_answer) {
    MtsQueue queue;
    if (!queue.bound()) {
        print_bind_failure(w.prefix, out);
        return 1;
    }
    return converse(queue.handle(), request, rules, kNothingAfterSend,
                    [&](const ExchangeFailure &f) { print_failure(w, f, out); }, on_answer);
}

}  // namespace

int pcfg_mts_send_rcv_cli_req(int req_type, int port, pcfg_body_printer printer,
                              Writer &w) noexcept {
    std::array<uint8_t, kReportReqLen> req{};
    BeWriter(req).u8(static_cast<uint8_t>(req_type)).u8(static_cast<uint8_t>(port)).zeros(6);
    return exchange(kReportWording, kReportRules, req, w, [printer, &w](const Answer &a) {
        if (printer != nullptr) printer({a.payload + kReportHdrLen, a.size - kReportHdrLen}, w);
        return 0;
    });
}

int pcfg_mts_send_rcv_port_cntr(const uint8_t *request, pcfg_cntr_printer printer,
                                Writer &w) noexcept {
    return exchange(kCntrWording, kCntrRules, {request, kPortCntrReqLen}, w,
                    [printer, &w](const Answer &a) {
        const uint32_t status = BeReader(a.payload, a.size).u32();
        if (status != 0) {
            w.fail(Fail::ManagerStatus, "%sGet port counter error, code = %x\n",
                   kCntrWording.prefix, static_cast<unsigned>(status));
            return 1;
        }
        const pcfg_rsp_view view{a.payload, a.size};
        if (printer != nullptr) printer(&view, w);
        return 0;
    });
}

void print_bind_failure(const char *prefix, Writer &w) noexcept {
    w.fail(Fail::BindFailed, "%sFailed to get mts queue handle for LC Config Mgr CLI: %d", prefix,
           mts_errno_get(-1));
}
