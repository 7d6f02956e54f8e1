/*
 * The consumer's own minimal platform: every call of pcfg_platform.h, as a
 * program that links libport_cfg_cli.so must supply them. The history
 * service is the one that works: it checks what the library asked for and
 * hands the library one Event Log record, 2^31 seconds after the epoch.
 * Every other call fails.
 */
#include <stdio.h>
#include <string.h>

#include "pcfg_platform.h"
#include "port_cfg_cli.h"

#define HISTORY_ID 173u
#define EVENT_TEXT 12u

int sdstub_show_hist_inst(void *params, const mts_addr_t *addr, uint32_t hist_id,
                          uint32_t instance, uint32_t flags) {
    static const char text[] = "card started";
    const hist_timestamp when = {0x80000000u, 1u};
    (void)params;
    (void)flags;
    if (addr == NULL || addr->node != 0xfe000000u || addr->sap != 0x386u || hist_id != HISTORY_ID) {
        printf("consumer: history asked of the wrong manager or history\n");
        return -1;
    }
    printf("consumer: history instance %u\n", (unsigned)instance);
    port_cfg_history_cli(text, (uint32_t)sizeof text, (HISTORY_ID << 16) | EVENT_TEXT, &when, 1);
    return 0;
}

/* The command needs none of these. */
int mts_bind(int type, int sap, const uint32_t *options, const char *name)
{ (void)type, (void)sap, (void)options, (void)name; return -1; }
int mts_unbind(int handle, int flags) { (void)handle, (void)flags; return -1; }
int mts_send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
             uint32_t length, mts_msg_t *sent, int flags, int reserved)
{ (void)handle, (void)dest, (void)opcode, (void)payload, (void)length, (void)sent, (void)flags,
  (void)reserved; return -1; }
int mts_recv(int handle, mts_msg_t *msg, const uint32_t *options)
{ (void)handle, (void)msg, (void)options; return -1; }
int mts_errno_get(int handle) { (void)handle; return -1; }
uint32_t mts_opc_get(const mts_msg_t *msg) { (void)msg; return 0; }
void *mts_payload_get(const mts_msg_t *msg) { (void)msg; return NULL; }
uint32_t mts_payload_size(const mts_msg_t *msg) { (void)msg; return 0; }
int mts_drop(int handle, mts_msg_t *msg) { (void)handle, (void)msg; return -1; }
uint32_t mts_rr_token_get(const mts_msg_t *sent) { (void)sent; return 0; }
const char *mts_opc_name_get(uint32_t opcode) { (void)opcode; return ""; }
int32_t sse_call(uint32_t function, void *record) { (void)function, (void)record; return -1; }
int init_shm_eventlog(const uint32_t *params) { (void)params; return -1; }
int shm_eventlog_read_rec(uint32_t log_id, uint32_t *more, const void **record, uint32_t a,
                          int32_t b, uint32_t c, uint32_t opcode)
{ (void)log_id, (void)more, (void)record, (void)a, (void)b, (void)c, (void)opcode; return -1; }
int get_front_port_if_index_list(front_port_list *list) { (void)list; return -1; }
int32_t get_total_lc_front_ports(void) { return 0; }
int pm_idxmap_entry_by_if_index(uint32_t if_index, pm_idxmap_entry_t *entry)
{ (void)if_index, (void)entry; return -1; }
int snprintf_if_index_short(char *buf, size_t size, uint32_t if_index)
{ return snprintf(buf, size, "if%08x", (unsigned)if_index); }
void lc_get_portspeed_name(uint32_t speed, char *name) { (void)speed; strcpy(name, "auto"); }
void lc_get_portlinkstatus_reason(uint32_t reason, char *text) { (void)reason; strcpy(text, "none"); }
const char *syserr2str(int32_t code) { (void)code; return "error"; }
int tlv_aligned_array_get_num_tlvs(const void *array, int flags)
{ (void)array, (void)flags; return 0; }
int tlv_aligned_array_get_next_tlv(const void *array, uint16_t *type, uint16_t *length,
                                   const void **value, int flags, uint32_t *position)
{ (void)array, (void)type, (void)length, (void)value, (void)flags, (void)position; return -1; }
