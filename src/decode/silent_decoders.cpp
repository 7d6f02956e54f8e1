// Decoders of the manager's opcodes whose payloads this library does not
// show: each opcode keeps a decoder of its own that prints nothing.
//   3187 interval average counters     436  port signal-loss timer control
//   513  clear FC MAC port counters    442  port miscellaneous information
//   3134 verify port credit            3144 miscellaneous configuration
//   3146 LCI reserve                   8188 VQI/LDI map
//   420  extended link status
#include "decode/decode_common.h"

#define PCFG_SILENT_DECODER(name)                                                        \
    template <>                                                                          \
    void pcfg::decode::decode<name>(const pcfg_logged_msg_t *, Writer &) noexcept {}     \
    PCFG_TEXT_DECODER(name)

PCFG_SILENT_DECODER(show_get_interval_avg_counters_handler)
PCFG_SILENT_DECODER(show_clear_fc_mac_port_counters_handler)
PCFG_SILENT_DECODER(show_lcp_verify_port_credit_handler)
PCFG_SILENT_DECODER(show_lc_port_sig_loss_timer_ctrl_handler)
PCFG_SILENT_DECODER(show_lc_get_port_misc_info_handler)
PCFG_SILENT_DECODER(show_lcp_misc_cfg_handler)
PCFG_SILENT_DECODER(show_lcp_lci_reserve_handler)
PCFG_SILENT_DECODER(show_lcpc_vqi_ldi_map_handler)
PCFG_SILENT_DECODER(show_lc_ext_link_status_handler)
