/*
 * The example's test manager: answers the four requests the library sends
 * (report 435, port counters 3120, bandwidth statistics 3187, set port
 * configuration 395) with the layouts of doc/platform.md, every field
 * big-endian, and keeps the event log of the set-port-configuration
 * messages it received and sent. A request of the wrong length gets no
 * answer, so the library reports a timeout and the test sees it.
 */
#include <string.h>

#include "example.h"

enum { OPC_SET_PORT_CFG = 395, OPC_REPORT = 435, OPC_PORT_COUNTERS = 3120, OPC_BANDWIDTH = 3187 };
enum { KIND_REQUEST = 1, KIND_REPLY = 2 };

static uint32_t handled; /* requests answered, shown by "commands processed" */

void example_be16(uint8_t *p, uint32_t v) { p[0] = (uint8_t)(v >> 8); p[1] = (uint8_t)v; }
void example_be32(uint8_t *p, uint32_t v) { example_be16(p, v >> 16); example_be16(p + 2, v); }
void example_be64(uint8_t *p, uint64_t v) {
    example_be32(p, (uint32_t)(v >> 32));
    example_be32(p + 4, (uint32_t)v);
}
uint32_t example_get16(const uint8_t *p) { return (uint32_t)p[0] << 8 | p[1]; }
uint32_t example_get32(const uint8_t *p) { return example_get16(p) << 16 | example_get16(p + 2); }

#define be16 example_be16
#define be32 example_be32
#define be64 example_be64

/* ---------------------------------------------------------------- event log */
#define LOG_RECORDS 8
#define LOG_RECORD_MAX 128
#define LOG_HEADER 48

static uint8_t log_records[LOG_RECORDS][LOG_RECORD_MAX];
static unsigned logged;

static void log_message(uint32_t kind, uint32_t opcode, const uint8_t *payload, uint32_t length) {
    if (logged == LOG_RECORDS || length > LOG_RECORD_MAX - LOG_HEADER) return;
    uint8_t *r = log_records[logged++];
    be32(r + 12, logged); /* seq_no */
    be32(r + 16, LOG_HEADER + length);
    be32(r + 24, kind);
    be32(r + 28, opcode);
    memcpy(r + LOG_HEADER, payload, length);
}

/* The configuration the manager received when the card started. */
static const uint8_t start_up_cfg[] = {
    0, 2,                          /* fsm_flag, num_ports */
    0x01, 0x00, 0x00, 0x00, 5,     /* fc1/1, 5 TLVs */
    3, 4, 0, 0, 0x1f, 0x40,        /* speed 8000 */
    12, 1, 1,                      /* enable state: up */
    2, 4, 0, 0, 0, 0x20,           /* port mode F */
    44, 1, 2,                      /* rate mode shared */
    25, 4, 0, 0, 0, 0,             /* RX B2B credit: default */
    0x01, 0x00, 0x10, 0x00, 3,     /* fc1/2, 3 TLVs */
    3, 4, 0, 0, 0x3e, 0x80,        /* speed 16000 */
    12, 1, 2,                      /* enable state: down */
    37, 4, 0, 0, 0, 40,            /* performance buffers 40 */
};

const uint8_t *example_logged(unsigned i) {
    if (logged == 0) log_message(KIND_REQUEST, OPC_SET_PORT_CFG, start_up_cfg, sizeof start_up_cfg);
    return i < logged ? log_records[i] : NULL;
}

/* -------------------------------------------------------------- TLV arrays */
/* u16 TLV count, u16 zero, then per TLV u16 type, u16 length, the value and
 * zero padding to 4 bytes (the answer buffer starts zeroed). Appends one TLV
 * to the array of `length` bytes (0 for a new one); gives the new length. */
static uint32_t tlv_add(uint8_t *array, uint32_t length, uint16_t type, const uint8_t *value,
                        uint16_t size) {
    if (length == 0) length = 4;
    be16(array, example_get16(array) + 1);
    be16(array + length, type);
    be16(array + length + 2, size);
    memcpy(array + length + 4, value, size);
    return length + 4 + ((size + 3u) & ~3u);
}

/* ----------------------------------------------------------- report bodies */
static uint32_t resource_tables(int one_port, unsigned port, uint8_t *body) {
    const unsigned first = one_port ? port : 0;
    const unsigned count = !one_port ? EXAMPLE_PORTS : port < EXAMPLE_PORTS ? 1 : 0;
    const unsigned groups = count == 0 ? 0 : one_port ? 1 : EXAMPLE_PORTS / 2;
    uint8_t *data = body + 20;
    for (unsigned k = 0; k < count; ++k) { /* index entries */
        uint8_t *e = data + 12 * k;
        const unsigned i = first + k;
        e[0] = (uint8_t)i;
        be16(e + 2, 16 * i);
        be16(e + 4, i);
        e[7] = 1; /* lanes */
        be32(e + 8, EXAMPLE_IF_INDEX(i));
    }
    for (unsigned g = 0; g < groups; ++g) { /* buffer groups: a pair of ports each */
        uint8_t *e = data + 12 * (count + g);
        const unsigned pair = first / 2 + g;
        be16(e, 500);
        be16(e + 2, 460 - 20 * pair);
        be32(e + 4, 2 * pair);
        be32(e + 8, 2 * pair + 1);
    }
    be16(body + 6, 12 * count); /* index table at 0, groups after it */
    body[8] = (uint8_t)count;
    be32(body + 12, groups);
    return 20 + 12 * (count + groups);
}

static void credit_entry(uint8_t *e, unsigned number, unsigned b2b, unsigned mult,
                         unsigned shared, unsigned dedicated) {
    e[0] = (uint8_t)number;
    be16(e + 2, b2b);
    be16(e + 4, mult);
    be16(e + 8, shared);
    be16(e + 10, dedicated);
}

static uint32_t credit_table(unsigned port, uint8_t *body) {
    const unsigned first = port == 255 ? 0 : port;
    const unsigned count = port == 255 ? EXAMPLE_PORTS : port < EXAMPLE_PORTS ? 1 : 0;
    be32(body + 1048, count);
    be32(body + 1052, first);
    for (unsigned i = first; i < first + count; ++i) {
        uint8_t *r = body + 1056 + 312 * i;
        credit_entry(r, i, 32 + i, 1, 16, 16);
        r[262] = 1; /* no virtual link, one class of service */
        credit_entry(r + 264, 3, 16, 0, 8, 8);
    }
    return 1056 + 312 * (first + count);
}

static uint32_t port_info(unsigned port, uint8_t *body) {
    static const uint8_t head[16] = {1, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1};
    memcpy(body, head, sizeof head); /* update .. vlink_cnt */
    body[2] = (uint8_t)port;
    be32(body + 4, EXAMPLE_IF_INDEX(port));
    body[10] = body[11] = body[12] = (uint8_t)(16 * port);
    be32(body + 20, 16000);
    be32(body + 24, 1000);
    be32(body + 32, 0x20);                     /* port mode F */
    be32(body + 56, 1);                        /* service state */
    body[40] = 1;                              /* one virtual link: one lane */
    body[42] = 1;
    body[43] = (uint8_t)(16 * port);
    body[60] = 2;                              /* force-timeout entries */
    be32(body + 64, 32);                       /* F: on, 100 ms */
    body[72] = 1;
    be32(body + 76, 100);
    be32(body + 80, 4);                        /* E: off, 500 ms */
    be32(body + 92, 500);
    uint8_t *cap = body + 576;
    be64(cap, 0x3f);
    be32(cap + 8, 16000);
    be32(cap + 12, 1000);
    be32(cap + 20, 2112);
    be32(cap + 24, 2112);
    be32(cap + 36, 0x8);                       /* SFP+ */
    be32(cap + 40, 2112);
    be32(cap + 44, 256);
    be32(cap + 68, 0x8);                       /* class 3 */
    for (unsigned g = 0; g < 6; ++g) {         /* credits: min 1, max 500, default 32 */
        be16(cap + 80 + 18 * g, 1);
        be16(cap + 82 + 18 * g, 500);
        be16(cap + 84 + 18 * g, 32);
    }
    return 912;
}

static uint32_t diagnostics(unsigned port, uint8_t *body) {
    uint8_t value[24] = {0};
    be32(value + 8, 0x10); /* a warning flag */
    if (port >= EXAMPLE_PORTS) be32(value + 16, EXAMPLE_ERR_PORT_NOT_PRESENT);
    be32(value + 20, EXAMPLE_IF_INDEX(port));
    return tlv_add(body, 0, 79, value, sizeof value);
}

static int report(const uint8_t *req, uint32_t length, uint8_t *answer, uint32_t *answer_length) {
    if (length != 8) return -1;
    uint8_t *body = answer + 8; /* bytes 0..7: a header the library does not read */
    uint32_t size;
    switch (req[0]) {
    case 1: be16(body + 2, handled); size = 4; break;
    case 4: size = resource_tables(0, 0, body); break;
    case 5: size = resource_tables(1, req[1], body); break;
    case 6: be16(body, 2); size = 2; break;
    case 8: case 9: size = credit_table(req[1], body); break;
    case 10: size = port_info(req[1], body); break;
    case 11: size = diagnostics(req[1], body); break;
    default: return -1;
    }
    *answer_length = 8 + size;
    return 0;
}

/* ------------------------------------------------------ the other requests */
static int counters(const uint8_t *req, uint32_t length, uint8_t *a, uint32_t *answer_length) {
    if (length != 9) return -1;
    const int port = example_port_of(example_get32(req + 5));
    if (port < 0) {
        be32(a, 0x10);
        *answer_length = 4;
        return 0;
    }
    const uint64_t frames = (uint64_t)(port + 1) * (req[0] == 0 ? 100000u : 250u);
    be64(a + 8 + 8 * 10, frames);          /* class 3 frames in, out, octets in, out */
    be64(a + 8 + 8 * 11, frames / 2);
    be64(a + 8 + 8 * 12, frames * 2048);
    be64(a + 8 + 8 * 13, frames * 1024);
    uint8_t value[24] = {0};
    be64(value + 8, 2);
    uint32_t array = tlv_add(a + 696, 0, 80, value, 16);  /* fcIfTxFaults */
    be64(value + 8, 12);
    be64(value + 16, 1);
    array = tlv_add(a + 696, array, 168, value, 24);      /* FEC blocks */
    *answer_length = 696 + array;
    return 0;
}

static int bandwidth(const uint8_t *req, uint32_t length, uint8_t *a, uint32_t *answer_length) {
    if (length < 4) return -1;
    const uint32_t ports = example_get16(req);
    const uint64_t interval = example_get16(req + 2);
    if (length != 4 + 4 * ports || 8 + 52 * ports > EXAMPLE_PAYLOAD_MAX) return -1;
    be16(a + 6, ports);
    for (uint32_t i = 0; i < ports; ++i) {
        uint8_t *r = a + 8 + 52 * i;
        be32(r + 4, example_get32(req + 4 + 4 * i));
        be64(r + 28, interval * 1500000u * (i + 1));  /* in: 1.5 MB/s per port number */
        be64(r + 44, interval * 250000u);             /* out: 250 KB/s */
    }
    *answer_length = 8 + 52 * ports;
    return 0;
}

static int set_port_cfg(const uint8_t *req, uint32_t length, uint8_t *a, uint32_t *answer_length) {
    if (length < 6 || req[1] == 0) return -1;
    const uint32_t if_index = example_get32(req + 2);
    a[0] = req[0];
    a[1] = 1;
    be32(a + 2, if_index);
    be32(a + 6, example_port_of(if_index) < 0 ? 22 : 0);
    *answer_length = 10;
    example_logged(0); /* the start-up configuration comes first */
    log_message(KIND_REQUEST, OPC_SET_PORT_CFG, req, length);
    log_message(KIND_REPLY, OPC_SET_PORT_CFG, a, *answer_length);
    return 0;
}

int example_manager(uint32_t opcode, const uint8_t *request, uint32_t length,
                    uint32_t *answer_opcode, uint8_t *answer, uint32_t *answer_length) {
    int rc = -1;
    switch (opcode) {
    case OPC_REPORT: rc = report(request, length, answer, answer_length); break;
    case OPC_PORT_COUNTERS: rc = counters(request, length, answer, answer_length); break;
    case OPC_BANDWIDTH: rc = bandwidth(request, length, answer, answer_length); break;
    case OPC_SET_PORT_CFG: rc = set_port_cfg(request, length, answer, answer_length); break;
    default: break;
    }
    if (rc == 0) {
        *answer_opcode = opcode;
        ++handled;
    }
    return rc;
}
