// Pieces every decoder uses: the logged-message view, the port lookup, the
// counter-set names, the error lines and the WWN line.
#include "common/names.h"
#include "decode/decode_common.h"

#include <array>
#include <cstdio>

#include "pcfg_platform.h"

namespace pcfg::decode {

using namespace pcfg::out;

LoggedMsg open_logged_msg(const pcfg_logged_msg_t *msg) noexcept {
    LoggedMsg m;
    if (msg == nullptr) return m;
    const auto *bytes = reinterpret_cast<const uint8_t *>(msg);
    BeReader hdr(bytes, kHeaderLen);
    hdr.skip(12);
    m.seq_no = hdr.u32();
    m.length = hdr.u32();
    hdr.skip(4);
    m.kind = hdr.u32();
    m.opcode = hdr.u32();
    // A length below the header's own counts as an empty payload.
    const size_t payload_len = m.length > kHeaderLen ? m.length - kHeaderLen : 0;
    m.payload = BeReader(bytes + kHeaderLen, payload_len);
    return m;
}

uint32_t logged_opcode(const pcfg_logged_msg_t *msg) noexcept {
    return BeReader(reinterpret_cast<const uint8_t *>(msg), kHeaderLen).at(28).u32();
}

std::optional<uint32_t> port_of(uint32_t if_index) noexcept {
    pm_idxmap_entry_t entry{};
    if (pm_idxmap_entry_by_if_index(if_index, &entry) != 0) return std::nullopt;
    return entry.port;
}

namespace {
// Counter sets, by their `aggr` value.
constexpr std::array<const char *, 2> kAggrNames{
    "MAC_STAT_CNTR_TYPE_AGGR",  // 0: aggregate counters
    "MAC_STAT_CNTR_TYPE_CURR",  // 1: current counters
};
}  // namespace

const char *aggr_name(uint8_t aggr) noexcept {
    return name_at(kAggrNames, aggr, "UNKNOWN");
}

void indented_text(Writer &w, const char *s) noexcept {
    w.text(pcfg_show_indent);
    w.text(s);
}

bool has_fixed_part(const BeReader &payload, size_t need, Writer &w) noexcept {
    if (payload.has(need)) return true;
    w.fail(Fail::ShortMessage, "%sSYSERR_PM_INVALID_ARG\n", pcfg_show_indent);
    return false;
}

void print_invalid_message(Writer &w) noexcept {
    w.fail(Fail::InvalidMessage, "%sSYSERR_PM_INVALID_MTS_MESSAGE\n", pcfg_show_indent);
}

void print_wwn_line(std::span<const uint8_t, 8> b, const Field &f, Writer &w) noexcept {
    char text[24];
    snprintf(text, sizeof text, "%.2x %.2x %.2x %.2x %.2x %.2x %.2x %.2x", b[0], b[1], b[2], b[3],
             b[4], b[5], b[6], b[7]);
    w.str(f, text);
}

}  // namespace pcfg::decode

extern "C" void print_wwn(const uint8_t *wwn) noexcept {
    // The caller vouches for eight bytes; without an address there is no line.
    if (wwn == nullptr) return;
    pcfg::decode::print_wwn_line(std::span<const uint8_t, 8>(wwn, 8), pcfg::decode::kWwnLine,
                                 pcfg::out::text_writer());
}
