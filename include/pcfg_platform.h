/*
 * pcfg_platform.h - the line-card platform as the port-configuration CLI
 * library sees it: message transport, history service, service call,
 * shared-memory event log, port services, names and error texts, TLV arrays.
 *
 * Records here are in host byte order and never cross the wire. The library
 * reaches the platform through these declarations only and defines none of
 * them, so it links against the card's platform or against a stand-in.
 */
#ifndef PCFG_PLATFORM_H
#define PCFG_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mts_addr { uint32_t node; uint32_t sap; } mts_addr_t;
typedef struct mts_msg  { uint64_t opaque[8]; } mts_msg_t;           /* layout is the platform's */
typedef struct front_port_entry { uint32_t if_index; uint8_t port_index; uint8_t reserved[3]; } front_port_entry_t;
typedef struct front_port_list  { uint8_t count; uint8_t reserved[3]; front_port_entry_t entries[255]; } front_port_list;
typedef struct pm_idxmap_entry  { uint32_t if_index; uint32_t port; uint8_t reserved[24]; } pm_idxmap_entry_t;

/* Bind options of a queue that talks to the manager: six words passed to
 * mts_bind unchanged (their meaning is the transport's). Every client binds
 * with these: the library's private queues, the shell's own queue, tests. */
#define MTS_CLIENT_BIND_OPTIONS { 1u, 0u, 0x400u, 0u, 0u, 0xfu }

int         mts_bind(int type, int sap, const uint32_t *options /*6 words*/, const char *name);
int         mts_unbind(int handle, int flags);
int         mts_send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
                     uint32_t length, mts_msg_t *sent /*may be null*/, int flags, int reserved);
int         mts_recv(int handle, mts_msg_t *msg, const uint32_t *options /*10 words*/);
int         mts_errno_get(int handle);
uint32_t    mts_opc_get(const mts_msg_t *msg);
void       *mts_payload_get(const mts_msg_t *msg);
uint32_t    mts_payload_size(const mts_msg_t *msg);
int         mts_drop(int handle, mts_msg_t *msg);
uint32_t    mts_rr_token_get(const mts_msg_t *sent);
const char *mts_opc_name_get(uint32_t opcode);
int         sdstub_show_hist_inst(void *params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance, uint32_t flags);
int32_t     sse_call(uint32_t function, void *record);
int         init_shm_eventlog(const uint32_t *params /*7 words*/);
int         shm_eventlog_read_rec(uint32_t log_id, uint32_t *more, const void **record, uint32_t a, int32_t b, uint32_t c, uint32_t opcode);
int         get_front_port_if_index_list(front_port_list *list);
int32_t     get_total_lc_front_ports(void);
int         pm_idxmap_entry_by_if_index(uint32_t if_index, pm_idxmap_entry_t *entry);
int         snprintf_if_index_short(char *buf, size_t size, uint32_t if_index);
void        lc_get_portspeed_name(uint32_t speed, char *name /*8 bytes*/);
void        lc_get_portlinkstatus_reason(uint32_t reason, char *text /*64 bytes*/);
const char *syserr2str(int32_t code);
int         tlv_aligned_array_get_num_tlvs(const void *array, int flags);
int         tlv_aligned_array_get_next_tlv(const void *array, uint16_t *type, uint16_t *length,
                                           const void **value, int flags, uint32_t *position);

#ifdef __cplusplus
}
#endif

#endif /* PCFG_PLATFORM_H */
