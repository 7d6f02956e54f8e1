/*
 * example.h - what the pieces of the example platform share.
 *
 * The example is a whole platform for libport_cfg_cli, written from
 * doc/platform.md: a message transport (transport.c), a test manager that
 * answers every request the library sends (manager.c), the history service
 * (history.c), and the port services, names, texts, TLV arrays, service call
 * and event-log reads (platform.c). consumer.c runs every command through it.
 */
#ifndef EXAMPLE_H
#define EXAMPLE_H

#include <stddef.h>
#include <stdint.h>

#include "pcfg_platform.h"
#include "port_cfg_cli.h"

/* The library's entry points as the platform reaches them: linked, or
 * looked up after dlopen (consumer.c fills this in before the first call). */
struct example_library {
    int32_t (*cli_main)(cli_param_block *params);
    int (*history)(const void *record, uint32_t record_len, uint32_t hist_event_id,
                   const hist_timestamp *timestamp, uint32_t first);
    int (*eventlog)(const pcfg_logged_msg_t *msg);
};
extern struct example_library example_lib;

/* The manager's transport address. */
#define EXAMPLE_MANAGER_NODE 0xfe000000u
#define EXAMPLE_MANAGER_SAP 0x386u

/* The card's front ports: port index i (from 0) is fc1/<i+1>. */
#define EXAMPLE_PORTS 4u
#define EXAMPLE_IF_INDEX(i) (0x01000000u | ((uint32_t)(i) << 12))
int example_port_of(uint32_t if_index); /* the port index, or -1 */

/* Platform error codes the example's texts name. */
#define EXAMPLE_ERR_OUT_OF_RANGE 0x40290009
#define EXAMPLE_ERR_PORT_NOT_PRESENT 0x4029000B

/* Largest payload the transport carries. */
#define EXAMPLE_PAYLOAD_MAX 4096u

/* The test manager: answers one request sent to its address. Returns 0 with
 * the answer's opcode, bytes and length, or -1 when it gives no answer. */
int example_manager(uint32_t opcode, const uint8_t *request, uint32_t length,
                    uint32_t *answer_opcode, uint8_t *answer, uint32_t *answer_length);

/* The manager's event log of transport messages: logged message i (from 0,
 * oldest first), or null past the newest. */
const uint8_t *example_logged(unsigned i);

/* Transport: the end of the payload of the held message that contains p
 * (null when none does), and what is still open or held. */
const uint8_t *example_payload_end(const void *p);
int example_open_queues(void);
int example_held_messages(void);

/* Big-endian fields. */
void example_be16(uint8_t *p, uint32_t v);
void example_be32(uint8_t *p, uint32_t v);
void example_be64(uint8_t *p, uint64_t v);
uint32_t example_get16(const uint8_t *p);
uint32_t example_get32(const uint8_t *p);

#endif /* EXAMPLE_H */
