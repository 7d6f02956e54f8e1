/*
 * The example's message transport: queues by handle, messages with
 * request/response tokens, the manager reached at its address. The manager
 * answers as soon as a request is sent, so a receive never needs to wait: with
 * nothing to deliver it fails at once with error 62, as a real receive does
 * when its wait limit runs out. It checks the option words the library must
 * pass and says so on standard output when one is wrong.
 */
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "example.h"

#define QUEUES 8
#define MESSAGES 8
#define ERR_TIMED_OUT 62 /* ETIME: the one the library tells apart */

enum state { FREE, WAITING, HELD };

struct message {
    enum state state;
    int queue;            /* handle */
    uint32_t arrival;     /* receive order */
    uint32_t opcode, token, size;
    uint8_t payload[EXAMPLE_PAYLOAD_MAX];
};

static struct { int bound, err; } queues[QUEUES];
static struct message messages[MESSAGES];
static int bind_err;                 /* mts_errno_get(-1) */
static uint32_t next_token = 0x100;  /* never 0: 0 in a receive means any message */
static uint32_t arrivals;

static int bound(int handle) { return handle >= 1 && handle <= QUEUES && queues[handle - 1].bound; }

static int fail(int handle, int err) {
    if (bound(handle)) queues[handle - 1].err = err;
    return -1;
}

/* A free message, on a queue, in a state; null when all are in use. */
static struct message *take(int queue, enum state state, uint32_t opcode, uint32_t token) {
    for (int i = 0; i < MESSAGES; ++i) {
        if (messages[i].state != FREE) continue;
        messages[i].state = state;
        messages[i].queue = queue;
        messages[i].arrival = arrivals++;
        messages[i].opcode = opcode;
        messages[i].token = token;
        messages[i].size = 0;
        return &messages[i];
    }
    return NULL;
}

/* The record names its message by number in its first word. */
static void fill(mts_msg_t *msg, const struct message *m) {
    memset(msg, 0, sizeof *msg);
    msg->opaque[0] = (uint64_t)(m - messages) + 1;
}

static struct message *held(const mts_msg_t *msg) {
    if (msg == NULL || msg->opaque[0] < 1 || msg->opaque[0] > MESSAGES) return NULL;
    struct message *m = &messages[msg->opaque[0] - 1];
    return m->state == HELD ? m : NULL;
}

int mts_bind(int type, int sap, const uint32_t *options, const char *name) {
    static const uint32_t expected[6] = MTS_CLIENT_BIND_OPTIONS;
    if (type != 2 || sap != -1 || options == NULL || name == NULL ||
        memcmp(options, expected, sizeof expected) != 0) {
        printf("example: mts_bind with unexpected arguments\n");
        bind_err = EINVAL;
        return -1;
    }
    for (int i = 0; i < QUEUES; ++i) {
        if (queues[i].bound) continue;
        queues[i].bound = 1;
        queues[i].err = 0;
        return i + 1;
    }
    bind_err = EMFILE;
    return -1;
}

int mts_unbind(int handle, int flags) {
    (void)flags;
    if (!bound(handle)) return -1;
    for (int i = 0; i < MESSAGES; ++i) /* what still waits goes with the queue */
        if (messages[i].state == WAITING && messages[i].queue == handle) messages[i].state = FREE;
    queues[handle - 1].bound = 0;
    return 0;
}

int mts_send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
             uint32_t length, mts_msg_t *sent, int flags, int reserved) {
    if (!bound(handle)) return -1;
    if (flags != 0 || reserved != 0) printf("example: mts_send with flags %d, %d\n", flags, reserved);
    if (dest == NULL || dest->node != EXAMPLE_MANAGER_NODE || dest->sap != EXAMPLE_MANAGER_SAP)
        return fail(handle, EHOSTUNREACH);
    if (length > EXAMPLE_PAYLOAD_MAX || (payload == NULL && length != 0))
        return fail(handle, EMSGSIZE);
    const uint32_t token = next_token++;
    struct message *record = NULL;
    if (sent != NULL) { /* the sent request, held until the caller drops it */
        record = take(handle, HELD, opcode, token);
        if (record == NULL) return fail(handle, ENOBUFS);
        if (length != 0) memcpy(record->payload, payload, length);
        record->size = length;
        fill(sent, record);
    }
    struct message *answer = take(handle, WAITING, 0, token);
    if (answer == NULL) {
        if (record != NULL) record->state = FREE;
        return fail(handle, ENOBUFS);
    }
    memset(answer->payload, 0, sizeof answer->payload);
    if (example_manager(opcode, payload, length, &answer->opcode, answer->payload,
                        &answer->size) != 0)
        answer->state = FREE; /* no answer: the receive will time out */
    return 0;
}

int mts_recv(int handle, mts_msg_t *msg, const uint32_t *options) {
    if (!bound(handle) || msg == NULL || options == NULL) return fail(handle, EINVAL);
    int words_ok = options[0] == 1 && options[1] == 0 && (options[2] == 3 || options[2] == 5);
    for (int i = 4; i < 10; ++i) words_ok = words_ok && options[i] == 0;
    if (!words_ok) printf("example: mts_recv with unexpected option words\n");
    struct message *first = NULL;
    for (int i = 0; i < MESSAGES; ++i) {
        struct message *m = &messages[i];
        if (m->state != WAITING || m->queue != handle) continue;
        if (options[3] != 0 && m->token != options[3]) continue;
        if (first == NULL || m->arrival < first->arrival) first = m;
    }
    if (first == NULL) return fail(handle, ERR_TIMED_OUT);
    first->state = HELD;
    fill(msg, first);
    return 0;
}

int mts_errno_get(int handle) { return handle == -1 ? bind_err : bound(handle) ? queues[handle - 1].err : EBADF; }

uint32_t mts_opc_get(const mts_msg_t *msg) {
    const struct message *m = held(msg);
    return m != NULL ? m->opcode : 0;
}

void *mts_payload_get(const mts_msg_t *msg) {
    struct message *m = held(msg);
    return m != NULL ? m->payload : NULL;
}

uint32_t mts_payload_size(const mts_msg_t *msg) {
    const struct message *m = held(msg);
    return m != NULL ? m->size : 0;
}

int mts_drop(int handle, mts_msg_t *msg) {
    struct message *m = held(msg);
    if (m == NULL || m->queue != handle) return fail(handle, EINVAL);
    m->state = FREE;
    memset(msg, 0, sizeof *msg);
    return 0;
}

uint32_t mts_rr_token_get(const mts_msg_t *sent) {
    const struct message *m = held(sent);
    return m != NULL ? m->token : 0;
}

const char *mts_opc_name_get(uint32_t opcode) {
    static const struct { uint32_t opcode; const char *name; } names[] = {
        {395, "PCFG_SET_PORT_CFG"}, {435, "PCFG_CLI_REQ"},
        {3120, "PCFG_GET_PORT_COUNTERS"}, {3187, "PCFG_GET_INTERVAL_AVG_COUNTERS"},
    };
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (names[i].opcode == opcode) return names[i].name;
    return NULL;
}

const uint8_t *example_payload_end(const void *p) {
    const uintptr_t at = (uintptr_t)p;
    for (int i = 0; i < MESSAGES; ++i) {
        const struct message *m = &messages[i];
        const uintptr_t base = (uintptr_t)m->payload;
        if (m->state == HELD && at >= base && at - base <= m->size) return m->payload + m->size;
    }
    return NULL;
}

int example_open_queues(void) {
    int n = 0;
    for (int i = 0; i < QUEUES; ++i) n += queues[i].bound;
    return n;
}

int example_held_messages(void) {
    int n = 0;
    for (int i = 0; i < MESSAGES; ++i) n += messages[i].state == HELD;
    return n;
}
