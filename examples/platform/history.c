/*
 * The example's history service: the manager's history (identifier 173), one
 * record in each of the eight instances, as the manager wrote them on the
 * card (host byte order). Showing an instance hands each of its records,
 * oldest first, to the library's formatter and ends the line the formatter
 * leaves open.
 */
#include <stdio.h>

#include "example.h"

#define HISTORY_ID 173u
#define TEXT_EVENT 12u

/* The logs' record layouts, field offsets as the formatter reads them. */
struct error_rec { uint32_t if_index; uint8_t cfg_type, unused[3]; uint32_t value; int32_t error; };
struct port_rec { uint32_t if_index; int32_t error; };
struct link_rec {
    uint32_t if_index, speed;
    uint8_t link_event, reason, unused[2];
    uint32_t port_mode;
    uint8_t fec_ok, unused2[3];
};
struct value_rec { uint32_t value; };
struct mts_rec { uint32_t opcode, rr_token; };
struct serdes_rec { uint32_t if_index; uint8_t action, unused[3]; int32_t error; };

static const struct error_rec refused = {EXAMPLE_IF_INDEX(2), 3, {0}, 32000, EXAMPLE_ERR_OUT_OF_RANGE};
static const struct port_rec enabled = {EXAMPLE_IF_INDEX(0), 0};
static const struct link_rec link_up = {EXAMPLE_IF_INDEX(0), 8000, 1, 0, {0}, 0xFE3F, 0, {0}};
static const struct value_rec ts_value = {0x1234abcd};
static const char started[] = "card started";
static const struct mts_rec received = {435, 0x100};
static const struct serdes_rec serdes_on = {EXAMPLE_IF_INDEX(0), 1, {0}, 0};
static const struct port_rec reserved = {EXAMPLE_IF_INDEX(1), 0};

static const struct {
    uint32_t instance, event, seconds;
    const void *record;
    uint32_t size;
} history[] = {
#define T0 1764950400u /* 2025-12-05 16:00:00 UTC */
    {0, 0, T0 + 1, &refused, sizeof refused},      /* speed 32000 refused */
    {1, 1, T0 + 2, &enabled, sizeof enabled},      /* Enable */
    {2, 6, T0 + 3, &link_up, sizeof link_up},      /* link up */
    {3, 10, T0 + 4, &ts_value, sizeof ts_value},   /* Update TS Value */
    {4, TEXT_EVENT, 0x80000000u, started, sizeof started}, /* 2^31 s: 2038, past 32-bit time */
    {5, 13, T0 + 5, &received, sizeof received},   /* MTS_RECV */
    {6, 16, T0 + 2, &serdes_on, sizeof serdes_on}, /* serdes Enable */
    {7, 19, T0 + 6, &reserved, sizeof reserved},   /* Bandwidth config */
};

int sdstub_show_hist_inst(void *params, const mts_addr_t *addr, uint32_t hist_id,
                          uint32_t instance, uint32_t flags) {
    (void)params; /* the shell's block, passed on unread */
    if (addr == NULL || addr->node != EXAMPLE_MANAGER_NODE || addr->sap != EXAMPLE_MANAGER_SAP ||
        hist_id != HISTORY_ID || flags != 0) {
        printf("example: history asked of the wrong manager or history\n");
        return -1;
    }
    uint32_t first = 1;
    for (size_t i = 0; i < sizeof history / sizeof history[0]; ++i) {
        if (history[i].instance != instance) continue;
        const hist_timestamp when = {history[i].seconds, (uint32_t)i + 1};
        example_lib.history(history[i].record, history[i].size,
                            HISTORY_ID << 16 | history[i].event, &when, first);
        if (history[i].event != TEXT_EVENT) putchar('\n');
        first = 0;
    }
    return 0;
}
