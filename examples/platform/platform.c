/*
 * The example's platform services: the card's four front ports and their
 * names, speed names, link-status reasons and error texts, the aligned TLV
 * arrays the manager's answers end in, service call 380 (the timestamp
 * settings of a port), and this process's reading of the manager's event log.
 */
#include <stdio.h>
#include <string.h>

#include "example.h"

int example_port_of(uint32_t if_index) {
    for (uint32_t i = 0; i < EXAMPLE_PORTS; ++i)
        if (EXAMPLE_IF_INDEX(i) == if_index) return (int)i;
    return -1;
}

int get_front_port_if_index_list(front_port_list *list) {
    if (list == NULL) return -1;
    list->count = EXAMPLE_PORTS;
    for (uint32_t i = 0; i < EXAMPLE_PORTS; ++i) {
        list->entries[i].if_index = EXAMPLE_IF_INDEX(i);
        list->entries[i].port_index = (uint8_t)i;
    }
    return 0;
}

int32_t get_total_lc_front_ports(void) { return EXAMPLE_PORTS; }

int pm_idxmap_entry_by_if_index(uint32_t if_index, pm_idxmap_entry_t *entry) {
    const int port = example_port_of(if_index);
    if (port < 0 || entry == NULL) return -1;
    entry->if_index = if_index;
    entry->port = (uint32_t)port;
    return 0;
}

int snprintf_if_index_short(char *buf, size_t size, uint32_t if_index) {
    const int port = example_port_of(if_index);
    if (port < 0) return snprintf(buf, size, "0x%x", (unsigned)if_index);
    return snprintf(buf, size, "fc1/%d", port + 1);
}

void lc_get_portspeed_name(uint32_t speed, char *name /* 8 bytes */) {
    static const struct { uint32_t speed; const char *name; } names[] = {
        {0, "auto"}, {1000, "1G"}, {2000, "2G"}, {4000, "4G"}, {8000, "8G"}, {16000, "16G"},
    };
    snprintf(name, 8, "unknown");
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (names[i].speed == speed) snprintf(name, 8, "%s", names[i].name);
}

void lc_get_portlinkstatus_reason(uint32_t reason, char *text /* 64 bytes */) {
    if (reason == 3)
        snprintf(text, 64, "link reset");
    else
        snprintf(text, 64, "reason %u", (unsigned)reason);
}

const char *syserr2str(int32_t code) {
    switch (code) {
    case EXAMPLE_ERR_OUT_OF_RANGE: return "value out of range";
    case EXAMPLE_ERR_PORT_NOT_PRESENT: return "port not present";
    default: return NULL;
    }
}

/* Service call 380: the 32-byte timestamp record of the port in byte 0. */
int32_t sse_call(uint32_t function, void *record) {
    static const uint8_t flags[6] = {1, 0, 1, 1, 0, 255}; /* the last line left out */
    const uint32_t words[6] = {20, 400, 0x1000, 0x1010, 0x2a, 0x15}; /* offsets 8 to 28 */
    uint8_t *rec = record;
    if (function != 380 || rec == NULL) return -38;
    if (rec[0] >= EXAMPLE_PORTS) return -EXAMPLE_ERR_PORT_NOT_PRESENT;
    memcpy(rec + 1, flags, sizeof flags);
    memcpy(rec + 8, words, sizeof words); /* host byte order */
    return 0;
}

/* TLV arrays (see manager.c): read only inside the held answer holding them. */
int tlv_aligned_array_get_num_tlvs(const void *array, int flags) {
    const uint8_t *a = array;
    const uint8_t *end = example_payload_end(array);
    if (flags != 1 || end == NULL || end - a < 4) return -1;
    return (int)example_get16(a);
}

int tlv_aligned_array_get_next_tlv(const void *array, uint16_t *type, uint16_t *length,
                                   const void **value, int flags, uint32_t *position) {
    const uint8_t *a = array;
    const uint8_t *end = example_payload_end(array);
    if (flags != 1 || end == NULL || type == NULL || length == NULL || value == NULL ||
        position == NULL)
        return -1;
    const size_t room = (size_t)(end - a);
    const size_t at = *position == 0 ? 4 : *position;
    if (at < 4 || at > room || room - at < 4) return -1;
    const uint32_t size = example_get16(a + at + 2);
    if (room - at - 4 < size) return -1;
    *type = (uint16_t)example_get16(a + at);
    *length = (uint16_t)size;
    *value = a + at + 4;
    *position = (uint32_t)(at + 4 + ((size + 3u) & ~3u));
    return 0;
}

/* The event log: this process reads it from its oldest message on. */
static unsigned cursor;

int init_shm_eventlog(const uint32_t *params) {
    static const uint32_t expected[7] = {1, 1, 0, 0, 0, 0, 0};
    if (params == NULL || memcmp(params, expected, sizeof expected) != 0) return -1;
    cursor = 0;
    return 0;
}

/* The first logged message of the opcode from *at on; *at is left on it. */
static const uint8_t *next_logged(unsigned *at, uint32_t opcode) {
    for (const uint8_t *r; (r = example_logged(*at)) != NULL; ++*at)
        if (example_get32(r + 28) == opcode) return r;
    return NULL;
}

int shm_eventlog_read_rec(uint32_t log_id, uint32_t *more, const void **record, uint32_t a,
                          int32_t b, uint32_t c, uint32_t opcode) {
    if (log_id != 2 || more == NULL || record == NULL || a != 0 || b != -1 || c != 0) return -1;
    const uint8_t *r = next_logged(&cursor, opcode);
    if (r == NULL) return -1;
    unsigned after = ++cursor;
    *record = r;
    *more = next_logged(&after, opcode) != NULL;
    return 0;
}
