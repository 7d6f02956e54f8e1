/*
 * port_cfg_cli.h - external interface of the port-configuration manager's
 * command-line back end (libport_cfg_cli.so).
 *
 * Three platform facilities call in:
 *   - the command shell:        port_cfg_cli_main(), once per command;
 *   - the history service:      port_cfg_history_cli(), once per history record;
 *   - the event-log display:    eventlog_port_cfg_cli(), once per logged message.
 *
 * Each has a twin ending in _json (since version 1.1) that prints the same
 * answer as JSON instead of text: one document per command, one object on a
 * line of its own per history record or logged message. A caller tells
 * whether the library it loaded has them by looking the names up. The
 * documents' schemas are installed beside the headers (share/port_cfg_cli/
 * schema).
 *
 * Every manager payload is big-endian. The records below that hold pointers
 * (the parameter block, the decoder table, the counter-name table) are in
 * host layout and never cross the wire.
 *
 * Threads and re-entry: the library starts no thread and takes no lock, and
 * it keeps static buffers (the decoders' indent, the history formatter's
 * port name) and uses ctime. Calls to any function of this header must not
 * overlap: one at a time, from whichever thread, never from a signal handler,
 * and never from inside a platform call the library made, except that the
 * history service calls port_cfg_history_cli while a history command waits
 * in sdstub_show_hist_inst. doc/platform.md has the whole contract.
 */
#ifndef PORT_CFG_CLI_H
#define PORT_CFG_CLI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* No exception ever leaves an entry point. */
#ifdef __cplusplus
#define PCFG_NOEXCEPT noexcept
#else
#define PCFG_NOEXCEPT
#endif

#if defined(PCFG_BUILDING_LIBRARY)
#define PCFG_API __attribute__((visibility("default")))
#else
#define PCFG_API
#endif

/* ---------------------------------------------------------------------------
 * Parameter block handed over by the command shell.
 *
 *   byte   0  token count (u8): entries of the token list the commands scan
 *   byte  40  the shell's own transport queue handle
 *   byte  44  command identifier
 *   byte 840  token list: one pointer per parsed token, then a null pointer
 * ------------------------------------------------------------------------- */

/* Capacity of the token list, not counting its terminating null pointer. */
#define PCFG_MAX_TOKENS 64

/* One parsed token. `value` points to the value, it never holds it: for a
 * number, a host-order 32-bit word (read with memcpy, so unaligned is fine)
 * that the shell keeps valid during the call. A null `value` counts as a
 * token without a value. */
typedef struct cli_param_token {
    int32_t param_id;     /* byte 0: parameter of the command grammar        */
    uint8_t reserved[12]; /* bytes 4-15                                      */
    void *value;          /* byte 16: value; numbers are a host-order 32-bit word */
} cli_param_token;

typedef struct cli_param_block {
    uint8_t token_count;   /* byte 0   */
    uint8_t reserved0[39]; /* bytes 1-39 */
    int32_t mts_handle;    /* byte 40  */
    int32_t cmd_id;        /* byte 44  */
    uint8_t reserved1[792];/* bytes 48-839 */
    cli_param_token *tokens[PCFG_MAX_TOKENS + 1]; /* byte 840 */
} cli_param_block;

/* The shell and the library agree on these byte positions on every host. */
#ifdef __cplusplus
#define PCFG_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define PCFG_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif
PCFG_STATIC_ASSERT(offsetof(cli_param_block, mts_handle) == 40, "queue handle at byte 40");
PCFG_STATIC_ASSERT(offsetof(cli_param_block, cmd_id) == 44, "command id at byte 44");
PCFG_STATIC_ASSERT(offsetof(cli_param_block, tokens) == 840, "token list at byte 840");
PCFG_STATIC_ASSERT(offsetof(cli_param_token, value) == 16, "token value at byte 16");

/* Parameter ids the commands look for. */
enum {
    PCFG_PARAM_PORT = 12,          /* commands 13, 28, 29, 33, 34, 41 */
    PCFG_PARAM_RSRC_PORT = 17,     /* commands 17, 19, 26 */
    PCFG_PARAM_SUMMARY_ALL = 30,   /* command 30 */
    PCFG_PARAM_SUMMARY_PORT = 31,  /* command 31 */
    PCFG_PARAM_INTERVAL = 40,      /* command 40 */
    PCFG_PARAM_FEC = 41            /* command 41 */
};

/* Command identifiers, the value of byte 44 of the parameter block: one
 * line per command, X(name, identifier, what it shows). The enum below, the
 * library's command table and the shell's rows are all made from or checked
 * against this list; an identifier between 4 and 41 that it does not name is
 * unassigned. */
#define PCFG_COMMANDS(X)                                                          \
    X(PCFG_CMD_HIST_ERROR_LOG, 4, "history instance 0")                           \
    X(PCFG_CMD_HIST_PORT_CONTROL, 5, "history instance 1")                        \
    X(PCFG_CMD_HIST_LINK_EVENTS, 6, "history instance 2")                         \
    X(PCFG_CMD_HIST_TIMESTAMP, 7, "history instance 3")                           \
    X(PCFG_CMD_HIST_EVENT_LOG, 8, "history instance 4")                           \
    X(PCFG_CMD_HIST_MTS_EVENTS, 9, "history instance 5")                          \
    X(PCFG_CMD_CMDS_PROCESSED, 10, "commands processed by the manager")           \
    X(PCFG_CMD_CMDS_PROCESSED_HISTORY, 11, "commands processed, instances 0-6")   \
    X(PCFG_CMD_PORT_TS_INFO, 13, "time-stamping settings of a port")              \
    X(PCFG_CMD_HIST_SERDES, 14, "history instance 6")                             \
    X(PCFG_CMD_RSRC_CARD, 16, "resource tables of the card")                      \
    X(PCFG_CMD_RSRC_PORT, 17, "resource tables of one port")                      \
    X(PCFG_CMD_EVENTS, 18, "event count of the manager")                          \
    X(PCFG_CMD_CREDIT_TBL, 19, "buffer-credit table")                             \
    X(PCFG_CMD_CREDIT_TBL_2, 26, "buffer-credit table, second form")              \
    X(PCFG_CMD_PORT_AGGR_CNTR, 28, "aggregate counters of a port")                \
    X(PCFG_CMD_PORT_CUR_CNTR, 29, "current counters of a port")                   \
    X(PCFG_CMD_SUMMARY_ALL, 30, "configuration event summary, all ports")         \
    X(PCFG_CMD_SUMMARY_PORT, 31, "configuration event summary of one port")       \
    X(PCFG_CMD_PORT_INFO, 33, "resource information of a port")                   \
    X(PCFG_CMD_PORT_DDM_INFO, 34, "digital diagnostics of a port")                \
    X(PCFG_CMD_HIST_BW_RESERVATION, 35, "history instance 7")                     \
    X(PCFG_CMD_PERFSTATS, 40, "bandwidth statistics of the front ports")          \
    X(PCFG_CMD_SET_FEC, 41, "set the FEC state of a port")

#define PCFG_CMD_ENUMERATOR(name, id, what) name = id,
enum pcfg_cmd_id { PCFG_COMMANDS(PCFG_CMD_ENUMERATOR) };
#undef PCFG_CMD_ENUMERATOR

/* Command entry point: runs one command, prints its result, returns 0. */
PCFG_API int32_t port_cfg_cli_main(cli_param_block *params) PCFG_NOEXCEPT;

/* The same command, its result printed as one JSON document on one line
 * (failures included, as the member "error" with a code and the message
 * the text shows); returns 0. History records the history service shows
 * during the command join the document. */
PCFG_API int32_t port_cfg_cli_main_json(cli_param_block *params) PCFG_NOEXCEPT;

/* ---------------------------------------------------------------------------
 * History records (history identifier 173).
 * ------------------------------------------------------------------------- */
typedef struct hist_timestamp {
    uint32_t seconds; /* seconds since the epoch */
    uint32_t second_word;
} hist_timestamp;

PCFG_API int port_cfg_history_cli(const void *record, uint32_t record_len,
                                  uint32_t hist_event_id,
                                  const hist_timestamp *timestamp,
                                  uint32_t first) PCFG_NOEXCEPT;

/* The same record as one JSON object on a line of its own (JSON Lines):
 * 0, or -1 when it could not be printed. */
PCFG_API int port_cfg_history_cli_json(const void *record, uint32_t record_len,
                                       uint32_t hist_event_id,
                                       const hist_timestamp *timestamp,
                                       uint32_t first) PCFG_NOEXCEPT;

/* Configuration event summary (commands 30 and 31): 0 when the log was read
 * to its end, 1 on any failure. */
PCFG_API int set_port_cfg_summary_cli(cli_param_block *params) PCFG_NOEXCEPT;

/* ---------------------------------------------------------------------------
 * Logged transport messages.
 *
 * A logged message is a 48-byte big-endian header followed by its payload:
 *   12 seq_no, 16 length (header included), 24 kind (1 request, 2 reply),
 *   28 opcode, 48 payload.
 * The type is kept incomplete: its bytes are read, never overlaid.
 * ------------------------------------------------------------------------- */
typedef struct pcfg_logged_msg pcfg_logged_msg_t;

#define PCFG_LOGGED_MSG_HDR_LEN 48u

typedef void (*pcfg_decoder_fn)(const pcfg_logged_msg_t *msg);

typedef struct mts_filter_entry {
    uint32_t opcode;
    pcfg_decoder_fn decoder;
    uint32_t reserved;
} mts_filter_entry_t;

PCFG_API int eventlog_port_cfg_cli(const pcfg_logged_msg_t *msg) PCFG_NOEXCEPT;
/* The same message as one JSON object on a line of its own (JSON Lines),
 * its header fields first; 0, or -1 for an opcode without a decoder. */
PCFG_API int eventlog_port_cfg_cli_json(const pcfg_logged_msg_t *msg) PCFG_NOEXCEPT;
PCFG_API int get_mts_filter_tbl_size(void) PCFG_NOEXCEPT;
PCFG_API const mts_filter_entry_t *get_mts_filter_tbl_ptr(void) PCFG_NOEXCEPT;
PCFG_API const mts_filter_entry_t *get_mts_filter_tbl_entry(uint32_t opcode) PCFG_NOEXCEPT;
PCFG_API uint32_t pcfg_buginf_wrap(uint32_t word) PCFG_NOEXCEPT;

/* Exported decoders: each prints one logged message of its opcode. */
#define PCFG_DECODER(name) PCFG_API void name(const pcfg_logged_msg_t *msg) PCFG_NOEXCEPT
PCFG_DECODER(show_set_port_cfg_handler);
PCFG_DECODER(show_control_handler);
PCFG_DECODER(show_set_rdl_label_handler);
PCFG_DECODER(show_set_ver2_rdl_label_handler);
PCFG_DECODER(show_get_port_counters_handler);
PCFG_DECODER(show_get_avg_counters_handler);
PCFG_DECODER(show_get_interval_avg_counters_handler);
PCFG_DECODER(show_clear_port_counters_handler);
PCFG_DECODER(show_clear_fc_mac_port_counters_handler);
PCFG_DECODER(show_get_sfp_diag_info_handler);
PCFG_DECODER(show_fl_port_services_handler);
PCFG_DECODER(show_get_port_capabilities_handler);
PCFG_DECODER(show_link_status_handler);
PCFG_DECODER(show_lcp_verify_port_credit_handler);
PCFG_DECODER(show_lc_port_sig_loss_timer_ctrl_handler);
PCFG_DECODER(show_lc_get_port_misc_info_handler);
PCFG_DECODER(show_lcp_misc_cfg_handler);
PCFG_DECODER(show_lcp_lci_reserve_handler);
PCFG_DECODER(show_lcpc_vqi_ldi_map_handler);
PCFG_DECODER(show_lc_ext_link_status_handler);
PCFG_DECODER(show_get_one_port_counter_handler);
PCFG_DECODER(show_lcp_get_port_info_handler);
PCFG_DECODER(show_pcfg_query_port_capabilities_handler);
#undef PCFG_DECODER

#define PCFG_FILTER_TBL_ROWS 20
PCFG_API extern const mts_filter_entry_t shm_mts_filter_tbl[PCFG_FILTER_TBL_ROWS];

/* Prints 8 bytes as a WWN line. */
PCFG_API void print_wwn(const uint8_t *wwn) PCFG_NOEXCEPT;

/* Configuration-type display names, indexed by configuration type 0..28. */
#define PCFG_CFG_TYPE_NAMES_COUNT 29
PCFG_API extern const char *const tlv_cfg_type_names[PCFG_CFG_TYPE_NAMES_COUNT];

/* ---------------------------------------------------------------------------
 * Response printers and their tables. The records are big-endian byte
 * layouts; their types are incomplete so that nothing is laid over them.
 * ------------------------------------------------------------------------- */
typedef struct pcfg_rsrc_all_info pcfg_rsrc_all_info_t;
typedef struct pcft_rsrc_port_info pcft_rsrc_port_info_t;
typedef struct pcfg_port_cap_buf pcfg_port_cap_buf_t;
typedef struct pcfg_port_vlink_info pcfg_port_vlink_info_t;
typedef struct pcfg_credit_tbl pcfg_credit_tbl_t;

typedef struct fc_if_counter_entry {
    const char *name; /* 40 characters, name padded with spaces */
    uint32_t offset;  /* byte offset of the u64 inside the counter record */
} fc_if_counter_entry_t;

#define PCFG_NUM_IF_COUNTERS 85

/* Response view handed to the counters display: the payload of a port
 * counter answer and its size as the transport reports it. */
typedef struct pcfg_rsp_view {
    const uint8_t *payload;
    uint32_t size;
} pcfg_rsp_view;

PCFG_API extern const fc_if_counter_entry_t fcIfAllCounters_tab[PCFG_NUM_IF_COUNTERS + 1];

PCFG_API void pcfg_rsrc_show_all(const pcfg_rsrc_all_info_t *info) PCFG_NOEXCEPT;
PCFG_API void pcfg_rsrc_print_port_info(const pcft_rsrc_port_info_t *info) PCFG_NOEXCEPT;
PCFG_API void print_port_cap_buf(const pcfg_port_cap_buf_t *cap) PCFG_NOEXCEPT;
PCFG_API void print_port_vlink_info(const pcfg_port_vlink_info_t *vlink) PCFG_NOEXCEPT;
PCFG_API extern const char *const pcfg_rsrc_index_hdr[5];
PCFG_API extern const char *const pcfg_rsrc_buf_grp_hdr[5];

/* Bandwidth rates: unit "B", "K", "M" or "G" (factor 1000) and the value in it. */
PCFG_API const char *rate_unit(double rate) PCFG_NOEXCEPT;
PCFG_API double rate_value(double rate) PCFG_NOEXCEPT;

#ifdef __cplusplus
}

/* The command list as data, for C++ callers that derive their own tables
 * from it or check them against it at compile time. From C++17 on it is one
 * object in the whole program (an inline variable); C++11 and C++14 have no
 * inline variables, so there each translation unit holds its own copy (a
 * constexpr variable at namespace scope has internal linkage): the same
 * values, only the address differs between translation units. Nothing of it
 * is exported by the library. */
struct pcfg_cmd_info {
    pcfg_cmd_id id;
    const char *name; /* "PCFG_CMD_..." */
    const char *what;
};
#define PCFG_CMD_INFO(name, id, what) {name, #name, what},
#if __cplusplus >= 201703L
inline constexpr pcfg_cmd_info pcfg_cmd_list[] = {PCFG_COMMANDS(PCFG_CMD_INFO)};
#else
constexpr pcfg_cmd_info pcfg_cmd_list[] = {PCFG_COMMANDS(PCFG_CMD_INFO)};
#endif
#undef PCFG_CMD_INFO
#endif

#endif /* PORT_CFG_CLI_H */
