// The opcode-to-decoder table of the manager's logged messages and the
// dispatcher the event-log display calls once per logged message.
#include <cstdio>

#include "decode/decode_common.h"

using pcfg::decode::logged_opcode;

// Searched from row 0 upwards; the first row with the opcode wins.
extern "C" const mts_filter_entry_t shm_mts_filter_tbl[PCFG_FILTER_TBL_ROWS] = {
    {395, show_set_port_cfg_handler, 0},
    {398, show_control_handler, 0},
    {403, show_set_rdl_label_handler, 0},
    {421, show_set_ver2_rdl_label_handler, 0},
    {3120, show_get_port_counters_handler, 0},
    {3119, show_get_avg_counters_handler, 0},
    {3187, show_get_interval_avg_counters_handler, 0},
    {409, show_clear_port_counters_handler, 0},
    {513, show_clear_fc_mac_port_counters_handler, 0},
    {425, show_get_sfp_diag_info_handler, 0},
    {397, show_fl_port_services_handler, 0},
    {394, show_get_port_capabilities_handler, 0},
    {399, show_link_status_handler, 0},
    {3134, show_lcp_verify_port_credit_handler, 0},
    {436, show_lc_port_sig_loss_timer_ctrl_handler, 0},
    {442, show_lc_get_port_misc_info_handler, 0},
    {3144, show_lcp_misc_cfg_handler, 0},
    {3146, show_lcp_lci_reserve_handler, 0},
    {8188, show_lcpc_vqi_ldi_map_handler, 0},
    {420, show_lc_ext_link_status_handler, 0},
};

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
    pcfg::decode::set_indent(5);
    row->decoder(msg);
    return 0;
}
