// The opcode-to-decoder table of the manager's logged messages, the
// dispatchers the event-log display calls once per logged message (the
// text, or one JSON object on a line of its own), and the writer form of
// every exported decoder.
#include <cstdio>

#include "decode/decode_common.h"

using namespace pcfg::decode;
using namespace pcfg::out;

// The table's rows: searched from row 0 upwards; the first row with the
// opcode wins.
#define PCFG_FILTER_ROWS(X)                           \
    X(395, show_set_port_cfg_handler)                 \
    X(398, show_control_handler)                      \
    X(403, show_set_rdl_label_handler)                \
    X(421, show_set_ver2_rdl_label_handler)           \
    X(3120, show_get_port_counters_handler)           \
    X(3119, show_get_avg_counters_handler)            \
    X(3187, show_get_interval_avg_counters_handler)   \
    X(409, show_clear_port_counters_handler)          \
    X(513, show_clear_fc_mac_port_counters_handler)   \
    X(425, show_get_sfp_diag_info_handler)            \
    X(397, show_fl_port_services_handler)             \
    X(394, show_get_port_capabilities_handler)        \
    X(399, show_link_status_handler)                  \
    X(3134, show_lcp_verify_port_credit_handler)      \
    X(436, show_lc_port_sig_loss_timer_ctrl_handler)  \
    X(442, show_lc_get_port_misc_info_handler)        \
    X(3144, show_lcp_misc_cfg_handler)                \
    X(3146, show_lcp_lci_reserve_handler)             \
    X(8188, show_lcpc_vqi_ldi_map_handler)            \
    X(420, show_lc_ext_link_status_handler)
// The exported decoders without an opcode of their own.
#define PCFG_UNLISTED_DECODERS(X)      \
    X(0, show_get_one_port_counter_handler)  \
    X(0, show_lcp_get_port_info_handler)     \
    X(0, show_pcfg_query_port_capabilities_handler)

#define PCFG_TABLE_ROW(opcode, name) {opcode, name, 0},
extern "C" const mts_filter_entry_t shm_mts_filter_tbl[PCFG_FILTER_TBL_ROWS] = {
    PCFG_FILTER_ROWS(PCFG_TABLE_ROW)};
#undef PCFG_TABLE_ROW

namespace {

#define PCFG_FORM_ROW(opcode, name) DecoderForm{name, decode<name>, #name},
constexpr DecoderForm kForms[] = {PCFG_FILTER_ROWS(PCFG_FORM_ROW)
                                      PCFG_UNLISTED_DECODERS(PCFG_FORM_ROW)};
#undef PCFG_FORM_ROW

constexpr Field kSeqNo = json_only<"seq_no", Type::Uint>();
constexpr Field kLength = json_only<"length_bytes", Type::Uint>(Unit::Bytes);
constexpr Field kKind = json_only<"kind", Type::NamedUint>();
constexpr Field kOpcode = json_only<"opcode", Type::Uint>();
constexpr Field kDecoder = json_only<"decoder", Type::Str>();

const char *kind_name(uint32_t kind) {
    return kind == 1 ? "request" : kind == 2 ? "reply" : nullptr;
}

}  // namespace

const DecoderForm *pcfg::decode::decoder_form(pcfg_decoder_fn exported) noexcept {
    for (const DecoderForm &f : kForms)
        if (f.exported == exported) return &f;
    return nullptr;
}

extern "C" int get_mts_filter_tbl_size(void) noexcept { return PCFG_FILTER_TBL_ROWS; }

extern "C" const mts_filter_entry_t *get_mts_filter_tbl_ptr(void) noexcept {
    return &shm_mts_filter_tbl[0];
}

extern "C" const mts_filter_entry_t *get_mts_filter_tbl_entry(uint32_t opcode) noexcept {
    const int rows = get_mts_filter_tbl_size();
    for (int i = 0; i < rows; ++i)
        if (shm_mts_filter_tbl[i].opcode == opcode) return &shm_mts_filter_tbl[i];
    return nullptr;
}

// Debug-print hook of the platform's buffers: hands its word back untouched.
extern "C" uint32_t pcfg_buginf_wrap(uint32_t word) noexcept { return word; }

// Only the opcode is read here; the decoder reads the header for itself.
extern "C" int eventlog_port_cfg_cli(const pcfg_logged_msg_t *msg) noexcept {
    const mts_filter_entry_t *row =
        msg != nullptr ? get_mts_filter_tbl_entry(logged_opcode(msg)) : nullptr;
    if (row == nullptr || row->decoder == nullptr) {
        puts("Unsupported MTS opc");
        return -1;
    }
    set_indent(5);
    row->decoder(msg);
    return 0;
}

// The record's header, then what its decoder shows.
extern "C" int eventlog_port_cfg_cli_json(const pcfg_logged_msg_t *msg) noexcept {
    const mts_filter_entry_t *row =
        msg != nullptr ? get_mts_filter_tbl_entry(logged_opcode(msg)) : nullptr;
    const DecoderForm *form = row != nullptr ? decoder_form(row->decoder) : nullptr;
    JsonWriter w;
    if (msg != nullptr) {
        const LoggedMsg m = open_logged_msg(msg);
        w.put(kSeqNo, m.seq_no);
        w.put(kLength, m.length);
        w.named(kKind, kind_name(m.kind), m.kind);
        w.put(kOpcode, m.opcode);
    }
    w.str(kDecoder, form != nullptr ? form->name : nullptr);
    if (form == nullptr) {
        w.fail(Fail::UnsupportedOpcode, "Unsupported MTS opc\n");
        w.finish();
        return -1;
    }
    set_indent(5);
    form->with_writer(msg, w);
    w.finish();
    return 0;
}
