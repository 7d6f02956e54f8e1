// Decoders of the manager's opcodes whose payloads this library does not
// show: each opcode keeps a decoder of its own that returns at once.
//   3187 interval average counters     436  port signal-loss timer control
//   513  clear FC MAC port counters    442  port miscellaneous information
//   3134 verify port credit            3144 miscellaneous configuration
//   3146 LCI reserve                   8188 VQI/LDI map
//   420  extended link status
#include "port_cfg_cli.h"

extern "C" void show_get_interval_avg_counters_handler(const pcfg_logged_msg_t *) noexcept {}
extern "C" void show_clear_fc_mac_port_counters_handler(const pcfg_logged_msg_t *) noexcept {}
extern "C" void show_lcp_verify_port_credit_handler(const pcfg_logged_msg_t *) noexcept {}
extern "C" void show_lc_port_sig_loss_timer_ctrl_handler(const pcfg_logged_msg_t *) noexcept {}
extern "C" void show_lc_get_port_misc_info_handler(const pcfg_logged_msg_t *) noexcept {}
extern "C" void show_lcp_misc_cfg_handler(const pcfg_logged_msg_t *) noexcept {}
extern "C" void show_lcp_lci_reserve_handler(const pcfg_logged_msg_t *) noexcept {}
extern "C" void show_lcpc_vqi_ldi_map_handler(const pcfg_logged_msg_t *) noexcept {}
extern "C" void show_lc_ext_link_status_handler(const pcfg_logged_msg_t *) noexcept {}
