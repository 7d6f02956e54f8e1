/*
 * pcfg_platform.h - the line-card platform as the port-configuration CLI
 * library sees it: message transport, history service, service call,
 * shared-memory event log, port services, names and error texts, TLV arrays.
 *
 * Records here are in host byte order and never cross the wire. The library
 * reaches the platform through these declarations only and defines none of
 * them, so it links against the card's platform or against a stand-in.
 *
 * The contract of every call (arguments, results, the error numbers told
 * apart, who owns what, what may block) and every request and answer the
 * library exchanges with the manager are written down in doc/platform.md;
 * the comments below give each call's essentials. Unless a comment says
 * otherwise, what the library passes is valid only during the call, and
 * nothing a call does may call back into the library (the history service's
 * callback port_cfg_history_cli is the one exception): the library keeps
 * static buffers and its entry points must not overlap, from any thread.
 */
#ifndef PCFG_PLATFORM_H
#define PCFG_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A transport address, host order: the manager is {0xfe000000, 0x386}.
 * mts_msg_t: a message record the transport fills; the library zeroes it,
 * keeps it at one address until its mts_drop, and reads it only through the
 * mts_ accessors. front_port_list: count, then per front port its if_index
 * and port index (from 0). pm_idxmap_entry_t: the library reads `port`, the
 * port index (from 0). */
typedef struct mts_addr { uint32_t node; uint32_t sap; } mts_addr_t;
typedef struct mts_msg  { uint64_t opaque[8]; } mts_msg_t;           /* layout is the platform's */
typedef struct front_port_entry { uint32_t if_index; uint8_t port_index; uint8_t reserved[3]; } front_port_entry_t;
typedef struct front_port_list  { uint8_t count; uint8_t reserved[3]; front_port_entry_t entries[255]; } front_port_list;
typedef struct pm_idxmap_entry  { uint32_t if_index; uint32_t port; uint8_t reserved[24]; } pm_idxmap_entry_t;

/* Bind options of a queue that talks to the manager: six words passed to
 * mts_bind unchanged (their meaning is the transport's). Every client binds
 * with these: the library's private queues, the shell's own queue, tests. */
#define MTS_CLIENT_BIND_OPTIONS { 1u, 0u, 0x400u, 0u, 0u, 0xfu }

/* Binds a queue: the library passes 2, -1, MTS_CLIENT_BIND_OPTIONS and the
 * name "Port Cfg CLI". Returns a handle, any value but -1; -1 is a failure,
 * whose error number the library reads with mts_errno_get(-1). */
int         mts_bind(int type, int sap, const uint32_t *options /*6 words*/, const char *name);
/* Closes a queue the library bound (flags 0), after the library dropped
 * every message it held on it; what still waits goes with it. Result unread. */
int         mts_unbind(int handle, int flags);
/* Sends `length` bytes (copy them: they are gone after the call) to `dest`
 * with flags and reserved 0; returns 0 at once, without waiting for the
 * answer, which arrives on this queue carrying the request's token. With
 * `sent` (the FEC command) the sent message is recorded there and held until
 * mts_drop. A failure returns -1 and sets the queue's error number. */
int         mts_send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
                     uint32_t length, mts_msg_t *sent /*may be null*/, int flags, int reserved);
/* Takes the first message waiting on the queue, or with a non-zero word 3
 * the reply carrying that token; the only call that may block, no longer
 * than the limit in word 2 (3, or 5 for the FEC command). Options: word 0 1,
 * word 2 the limit, word 3 the token or 0, the others 0. Returns 0 with the
 * message held until mts_drop; on failure non-zero, nothing held, and the
 * error number 62 (ETIME) when the limit ran out: the library tells 62 apart
 * ("Timed out ...") and prints any other number ("Error receiving ...: 110"). */
int         mts_recv(int handle, mts_msg_t *msg, const uint32_t *options /*10 words*/);
/* The error number of the queue's last failure; with -1, of the last
 * failed mts_bind. */
int         mts_errno_get(int handle);
/* The opcode of a held received message. */
uint32_t    mts_opc_get(const mts_msg_t *msg);
/* Its payload, or null (reported): valid and unchanged until the message's
 * mts_drop; big-endian, no alignment needed. */
void       *mts_payload_get(const mts_msg_t *msg);
/* Its payload's length: the library reads no byte past it. */
uint32_t    mts_payload_size(const mts_msg_t *msg);
/* Releases a held message (received, or recorded by mts_send) on the queue
 * it belongs to; the library drops each exactly once. Result unread. */
int         mts_drop(int handle, mts_msg_t *msg);
/* The request/response token of a message recorded by mts_send; not 0 (a
 * receive with token 0 takes any message). */
uint32_t    mts_rr_token_get(const mts_msg_t *sent);
/* A name for an opcode (a constant), or null: the history line then shows
 * the number. */
const char *mts_opc_name_get(uint32_t opcode);
/* Shows one history instance: the library passes the shell's parameter
 * block (pass it on unread), the manager's address, history 173, the
 * instance 0-7 and flags 0, and ignores the result. Calls
 * port_cfg_history_cli once per record, oldest first, with
 * (173 << 16) | event, `first` 1 for the first record, and ends each line
 * the formatter leaves open (all but the Event Log's text records). */
int         sdstub_show_hist_inst(void *params, const mts_addr_t *addr, uint32_t hist_id, uint32_t instance, uint32_t flags);
/* Service call 380: fills the 32-byte host-order timestamp record of the
 * port whose index the library put in byte 0. Returns 0; -0x4029000B (port
 * not present), -0x40290016 (port access error) and other codes are
 * reported. Synchronous. */
int32_t     sse_call(uint32_t function, void *record);
/* Sets this process's reading of the event log to its oldest message; the
 * library passes {1, 1, 0, 0, 0, 0, 0}. Returns 0 on success. */
int         init_shm_eventlog(const uint32_t *params /*7 words*/);
/* The next logged message of `opcode` in log 2 (the library passes 2, 0, -1,
 * 0 and 395): 0 with *record at a 48-byte big-endian header and its payload,
 * valid until the next read, and *more non-zero when another follows;
 * non-zero when there is none (the summary then ends). */
int         shm_eventlog_read_rec(uint32_t log_id, uint32_t *more, const void **record, uint32_t a, int32_t b, uint32_t c, uint32_t opcode);
/* Fills the zeroed list with the card's front ports; 0 on success, else an
 * error code the per-port commands print. */
int         get_front_port_if_index_list(front_port_list *list);
/* The number of front ports of the card. */
int32_t     get_total_lc_front_ports(void);
/* 0 when the if_index is a known port, entry->port then its index. */
int         pm_idxmap_entry_by_if_index(uint32_t if_index, pm_idxmap_entry_t *entry);
/* The port's short name, within `size` bytes (13 or 30) with its end. */
int         snprintf_if_index_short(char *buf, size_t size, uint32_t if_index);
/* A speed's name, written into a zeroed field of 8 bytes. */
void        lc_get_portspeed_name(uint32_t speed, char *name /*8 bytes*/);
/* A link-status reason's text, written into a zeroed field of 64 bytes. */
void        lc_get_portlinkstatus_reason(uint32_t reason, char *text /*64 bytes*/);
/* The text of a platform error code (a constant), or null when none. */
const char *syserr2str(int32_t code);
/* TLV arrays end some of the manager's answers; their encoding is the
 * platform's and the manager's. The number of TLVs of the array (inside a
 * held answer; flags 1); 0 or less reads none. */
int         tlv_aligned_array_get_num_tlvs(const void *array, int flags);
/* 0 with the next TLV's type, value length and value address (inside the
 * held answer) and *position advanced; the library sets *position to 0
 * before the first call and passes flags 1. Non-zero when there is none. */
int         tlv_aligned_array_get_next_tlv(const void *array, uint16_t *type, uint16_t *length,
                                           const void **value, int flags, uint32_t *position);

#ifdef __cplusplus
}
#endif

#endif /* PCFG_PLATFORM_H */
