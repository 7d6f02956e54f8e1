// The manager's answers to the report request (opcode 435).
//
// Request:  0 req_type, 1 port byte, 2..7 zero.
// Answer:   0 req_type, 1 port byte, 2..3 zero, 4..7 body length (u32),
//           then the body of the request type. Types the manager does not
//           know get a header and an empty body.
#include <array>

#include "manager.h"
#include "wire.h"

namespace pcfg_sim::card {
namespace {

struct ReportType {
    uint8_t req_type;
    std::vector<uint8_t> (*body)(uint8_t port);
};

constexpr std::array<ReportType, 8> kReportTypes{{
    {1, report_cmds_processed},
    {4, report_rsrc_card},
    {5, report_rsrc_port},
    {6, report_events},
    {8, report_credit_tbl},
    {9, report_credit_tbl_hw},
    {10, report_port_info},
    {11, report_ddm_info},
}};

}  // namespace

Answer answer_report(std::span<const uint8_t> request) {
    if (request.size() < 2) return std::nullopt;
    const uint8_t type = request[0];
    const uint8_t port = request[1];
    std::vector<uint8_t> body;
    for (const ReportType &t : kReportTypes)
        if (t.req_type == type) body = t.body(port);
    Wire answer;
    answer.u8(type).u8(port).u16(0).u32(static_cast<uint32_t>(body.size())).bytes(body);
    return answer.take();
}

// Body: 0..1 zero, 2..3 requests handled (u16).
std::vector<uint8_t> report_cmds_processed(uint8_t) {
    Wire w;
    w.u16(0).u16(static_cast<uint16_t>(manager_handled()));
    return w.take();
}

// Body: 0..1 history events recorded (u16).
std::vector<uint8_t> report_events(uint8_t) {
    Wire w;
    w.u16(static_cast<uint16_t>(history_event_count()));
    return w.take();
}

}  // namespace pcfg_sim::card
