// The two exchanges with the port-configuration manager: the report request
// (opcode 435) and the port counter request (opcode 3120).
//
// Report request, 8 bytes:        0 req_type, 1 port byte, 2..7 zero.
// Report answer:                  0..7 header (not read), 8.. body.
// Port counter answer:            0..3 status (0 = success), then the
//                                 counter record and counter TLVs.
#include "cli/exchange.h"

#include <array>
#include <cstdio>

#include "common/be_reader.h"
#include "common/mts_session.h"

using namespace pcfg;

namespace {

// Wording of one exchange's failure messages.
struct ExchangeTexts {
    const char *op;  // operation name for texts that start with "%s:", or null
    const char *bind_failed;
    const char *send_failed;
    const char *timed_out;
    const char *recv_failed;
    const char *bad_opcode;
    const char *null_payload;
    const char *short_payload;
};

constexpr ExchangeTexts kReportTexts{
    nullptr,
    "Failed to get mts queue handle for LC Config Mgr CLI: %d",
    "Failed to send request to LC Port Cfg: %d",
    "Timed out waiting for response from LC Port Cfg",
    "Error receiving response from LC Port Cfg: %d",
    "Received invalid opcode (%d) waiting for responsefrom LC Port Cfg",
    "LC Port Cfg passed back NULL pointer",
    "LC Port Cfg passed back short payload (%u bytes)",
};

constexpr ExchangeTexts kCntrTexts{
    "pcfg_mts_send_rcv_port_cntr",
    "%s:Failed to get mts queue handle for LC Config Mgr CLI: %d",
    "%s:Failed to send request to LC Port Cfg: %d",
    "Timed out waiting for response from LC Port Cfg Mgr",
    "Error receiving response from LC Port Cfg Mgr: %d",
    "Received invalid opcode (%d) waiting for responsefrom LC Port Cfg Mgr",
    "LC Port Cfg Mgr passed back NULL pointer",
    "LC Port Cfg Mgr passed back short payload (%u bytes)",
};

// Prints a bind or send failure, with the operation name where the
// exchange's texts carry one.
void print_failure(const ExchangeTexts &t, const char *fmt, int value) {
    if (t.op != nullptr)
        printf(fmt, t.op, value);
    else
        printf(fmt, value);
}

// Binds, sends, receives and checks one answer; on success calls
// on_answer(payload, size) while the answer is held and returns its result.
template <typename OnAnswer>
int exchange(const ExchangeTexts &t, uint32_t opcode, const uint8_t *request,
             uint32_t length, uint32_t min_payload, OnAnswer on_answer) {
    MtsQueue queue;
    if (!queue.bound()) {
        print_failure(t, t.bind_failed, mts_errno_get(-1));
        return 1;
    }
    if (mts_send(queue.handle(), &kManagerAddr, opcode, request, length, nullptr, 0, 0) == -1) {
        print_failure(t, t.send_failed, mts_errno_get(queue.handle()));
        return 1;
    }
    // Only a receive that returns 0 hands over a message; anything else is a
    // failure with nothing to release.
    MtsMessage answer(queue.handle());
    if (answer.receive(recv_options(kWaitExchange)) != 0) {
        const int err = mts_errno_get(queue.handle());
        if (err == kErrTimedOut)
            printf("%s", t.timed_out);
        else
            printf(t.recv_failed, err);
        return 1;
    }
    // Asked once: the message shows the opcode that failed the check.
    const uint32_t received = answer.opcode();
    if (received != opcode) {
        printf(t.bad_opcode, static_cast<int>(received));
        return 1;
    }
    const uint8_t *payload = answer.payload();
    if (payload == nullptr) {
        printf("%s", t.null_payload);
        return 1;
    }
    const uint32_t size = answer.payload_size();
    if (size < min_payload) {
        printf(t.short_payload, static_cast<unsigned>(size));
        return 1;
    }
    return on_answer(payload, size);
}

}  // namespace

int pcfg_mts_send_rcv_cli_req(int req_type, int port, pcfg_body_printer printer) noexcept {
    std::array<uint8_t, kReportReqLen> req{};
    BeWriter(req).u8(static_cast<uint8_t>(req_type)).u8(static_cast<uint8_t>(port)).zeros(6);
    return exchange(kReportTexts, kOpcReport, req.data(), kReportReqLen, kReportHdrLen,
                    [printer](const uint8_t *payload, uint32_t size) {
                        if (printer != nullptr)
                            printer({payload + kReportHdrLen, size - kReportHdrLen});
                        return 0;
                    });
}

int pcfg_mts_send_rcv_port_cntr(const uint8_t *request, pcfg_cntr_printer printer) noexcept {
    return exchange(kCntrTexts, kOpcPortCounters, request, kPortCntrReqLen, 4,
                    [printer](const uint8_t *payload, uint32_t size) {
                        const uint32_t status = BeReader(payload, size).u32();
                        if (status != 0) {
                            printf("%s:Get port counter error, code = %x\n", kCntrTexts.op,
                                   static_cast<unsigned>(status));
                            return 1;
                        }
                        const pcfg_rsp_view view{payload, size};
                        if (printer != nullptr) printer(&view);
                        return 0;
                    });
}
