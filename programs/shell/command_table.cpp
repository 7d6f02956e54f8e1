// The command table: every command of the shell, one row each.
//
// To add a command, add one row below; nothing else needs to change.
//   .syntax   the words (see syntax.h): keywords, <name:lo-hi> numbers,
//             <name:port> ports, <name> words, a final <name...>, [optional parts]
//   .summary  one line for the command list
//   .help     one line per syntax element (brackets excepted), each ending
//             in '\n'; the HELP_* texts below cover the common words
//   then either a library command
//     .cmd = <identifier> (or .cmd_by_value = a list indexed by the number
//     in argument slot 0) and .tokens = {number_token(<param id>, <slot>),
//     bare_token(<param id>)} - argument slots count the <...> numbers and
//     words from 0, in the order written
//   or a shell command
//     .run = a handler `Outcome f(Session &, const Args &)` (session.h),
//     and no .cmd;
//     .more_help optionally prints extra text for `help <command>`;
//     .needs_card when it steers or asks the card (refused while the card
//     is gone, as every library command is).
// The build checks every row: a malformed syntax, a help line too many or
// too few, or a token naming a missing slot stops the compile.
#include "command_table.h"

#include <algorithm>

#include "eventlog_commands.h"
#include "help.h"
#include "info_commands.h"
#include "raw_form.h"
#include "sim_commands.h"

namespace pcfg_shell {
namespace {

#define HELP_SHOW "Show information\n"
#define HELP_PCFG "Port-configuration manager of the line card\n"
#define HELP_PORT "Select one front port\n" "Port number, counted from 1\n"
#define HELP_SIM "Steer the simulated line card\n"
#define HELP_MANAGER "The simulated port-configuration manager\n"

// History instances 0 to 7.
constexpr std::array<int32_t, 8> kHistoryCommands{
    PCFG_CMD_HIST_ERROR_LOG, PCFG_CMD_HIST_PORT_CONTROL, PCFG_CMD_HIST_LINK_EVENTS,
    PCFG_CMD_HIST_TIMESTAMP, PCFG_CMD_HIST_EVENT_LOG,    PCFG_CMD_HIST_MTS_EVENTS,
    PCFG_CMD_HIST_SERDES,    PCFG_CMD_HIST_BW_RESERVATION};

constexpr CommandRow kRows[] = {
    // ------------------------------------------------ port-configuration manager
    {.syntax = "show port-config history instance <instance:0-7>",
     .summary = "One history instance of the manager",
     .help = HELP_SHOW HELP_PCFG "History of the manager\n" "Select a history instance\n"
             "Instance number\n",
     .cmd_by_value = kHistoryCommands},
    {.syntax = "show port-config commands",
     .summary = "Number of commands the manager has processed",
     .help = HELP_SHOW HELP_PCFG "Commands the manager has processed\n",
     .cmd = PCFG_CMD_CMDS_PROCESSED},
    {.syntax = "show port-config commands history",
     .summary = "Commands processed, then history instances 0 to 6",
     .help = HELP_SHOW HELP_PCFG "Commands the manager has processed\n"
             "Then history instances 0 to 6\n",
     .cmd = PCFG_CMD_CMDS_PROCESSED_HISTORY},
    {.syntax = "show port-config timestamp port <port:port>",
     .summary = "Time-stamping and time-out settings of a port",
     .help = HELP_SHOW HELP_PCFG "Time-stamping settings\n" HELP_PORT,
     .cmd = PCFG_CMD_PORT_TS_INFO,
     .tokens = {number_token(PCFG_PARAM_PORT, 0)}},
    {.syntax = "show port-config resources",
     .summary = "Resource tables of the line card",
     .help = HELP_SHOW HELP_PCFG "Resource tables\n",
     .cmd = PCFG_CMD_RSRC_CARD},
    {.syntax = "show port-config resources port <port:port>",
     .summary = "Resource tables of one port",
     .help = HELP_SHOW HELP_PCFG "Resource tables\n" HELP_PORT,
     .cmd = PCFG_CMD_RSRC_PORT,
     .tokens = {number_token(PCFG_PARAM_RSRC_PORT, 0)}},
    {.syntax = "show port-config events",
     .summary = "Event count of the manager",
     .help = HELP_SHOW HELP_PCFG "Events of the manager\n",
     .cmd = PCFG_CMD_EVENTS},
    {.syntax = "show port-config credits [port <port:port>]",
     .summary = "Buffer-credit table of every port, or of one",
     .help = HELP_SHOW HELP_PCFG "Buffer-credit table\n" HELP_PORT,
     .cmd = PCFG_CMD_CREDIT_TBL,
     .tokens = {number_token(PCFG_PARAM_RSRC_PORT, 0)}},
    {.syntax = "show port-config credits second-form [port <port:port>]",
     .summary = "Buffer-credit table in its second form",
     .help = HELP_SHOW HELP_PCFG "Buffer-credit table\n" "The table's second form\n" HELP_PORT,
     .cmd = PCFG_CMD_CREDIT_TBL_2,
     .tokens = {number_token(PCFG_PARAM_RSRC_PORT, 0)}},
    {.syntax = "show port-config counters port <port:port>",
     .summary = "Aggregate counters of a port",
     .help = HELP_SHOW HELP_PCFG "Counters of a port\n" HELP_PORT,
     .cmd = PCFG_CMD_PORT_AGGR_CNTR,
     .tokens = {number_token(PCFG_PARAM_PORT, 0)}},
    {.syntax = "show port-config counters current port <port:port>",
     .summary = "Current counters of a port",
     .help = HELP_SHOW HELP_PCFG "Counters of a port\n" "The current counters\n" HELP_PORT,
     .cmd = PCFG_CMD_PORT_CUR_CNTR,
     .tokens = {number_token(PCFG_PARAM_PORT, 0)}},
    {.syntax = "show port-config summary",
     .summary = "Configuration event summary of every port",
     .help = HELP_SHOW HELP_PCFG "Configuration event summary\n",
     .cmd = PCFG_CMD_SUMMARY_ALL,
     .tokens = {bare_token(PCFG_PARAM_SUMMARY_ALL)}},
    {.syntax = "show port-config summary port <port:port>",
     .summary = "Configuration event summary of one port",
     .help = HELP_SHOW HELP_PCFG "Configuration event summary\n" HELP_PORT,
     .cmd = PCFG_CMD_SUMMARY_PORT,
     .tokens = {number_token(PCFG_PARAM_SUMMARY_PORT, 0)}},
    {.syntax = "show port-config port-info port <port:port>",
     .summary = "Resource information of a port",
     .help = HELP_SHOW HELP_PCFG "Resource information of a port\n" HELP_PORT,
     .cmd = PCFG_CMD_PORT_INFO,
     .tokens = {number_token(PCFG_PARAM_PORT, 0)}},
    {.syntax = "show port-config transceiver port <port:port>",
     .summary = "Digital diagnostics of a port's transceiver",
     .help = HELP_SHOW HELP_PCFG "Transceiver diagnostics\n" HELP_PORT,
     .cmd = PCFG_CMD_PORT_DDM_INFO,
     .tokens = {number_token(PCFG_PARAM_PORT, 0)}},
    {.syntax = "show port-config bandwidth [interval <seconds:1-65535>]",
     .summary = "Bandwidth statistics of the front ports (300 s unless given)",
     .help = HELP_SHOW HELP_PCFG "Bandwidth statistics of the front ports\n"
             "Set the interval the rates are taken over\n" "Interval in seconds\n",
     .cmd = PCFG_CMD_PERFSTATS,
     .tokens = {number_token(PCFG_PARAM_INTERVAL, 0)}},
    {.syntax = "debug port-config fec port <port:port> state <state:0-255>",
     .summary = "Set the FEC state of a port",
     .help = "Debugging operations\n" HELP_PCFG "Forward error correction\n" HELP_PORT
             "Set the FEC state\n" "FEC state value\n",
     .cmd = PCFG_CMD_SET_FEC,
     .tokens = {number_token(PCFG_PARAM_PORT, 0), number_token(PCFG_PARAM_FEC, 1)}},
    // ------------------------------------------------------ the event log
    {.syntax = "show event-log",
     .summary = "The manager's logged transport messages, decoded",
     .help = HELP_SHOW "Logged transport messages of the manager, decoded\n",
     .run = eventlog_show,
     .json = true},
    {.syntax = "event-log save <file>",
     .summary = "Save the event log to a new file, records back to back",
     .help = "The manager's event log of transport messages\n" "Save it to a file\n"
             "File to write (one that exists is left alone)\n",
     .run = eventlog_save},
    {.syntax = "event-log save <file> overwrite",
     .summary = "Save the event log to a file, replacing the file",
     .help = "The manager's event log of transport messages\n" "Save it to a file\n"
             "File to write\n" "Replace the file when it exists\n",
     .run = eventlog_save_over},
    {.syntax = "decode-log <file>",
     .summary = "Decode a saved event-log file",
     .help = "Decode the records of a saved event-log file\n" "File to read\n",
     .run = eventlog_decode_file,
     .json = true},
    {.syntax = "decode-log <file> json",
     .summary = "Decode a saved event-log file, one JSON object a record",
     .help = "Decode the records of a saved event-log file\n" "File to read\n"
             "Each record as one line of JSON\n",
     .run = eventlog_decode_file_json},
    {.syntax = "clear event-log",
     .summary = "Empty the manager's event log of transport messages",
     .help = "Clear a log\n" "The manager's event log of transport messages (log 2)\n",
     .run = eventlog_clear,
     .needs_card = true},
    {.syntax = "raw <cmd-id:-2147483648-4294967295> [<tokens...>]",
     .summary = "Any command, parameter block filled exactly as typed",
     .help = "Fill the parameter block exactly as typed\n" "Command identifier\n"
             "Tokens: <param-id>=<value>, or <param-id> alone for a token without value\n",
     .run = run_raw,
     .json = true,
     .needs_card = true},

    // ------------------------------------------------------ the simulated card
    {.syntax = "sim manager silent",
     .summary = "The manager stops answering",
     .help = HELP_SIM HELP_MANAGER "Answer no request\n",
     .run = sim_manager_silent,
     .needs_card = true},
    {.syntax = "sim manager normal",
     .summary = "The manager answers every request again",
     .help = HELP_SIM HELP_MANAGER "Answer normally, forget scripted answers\n",
     .run = sim_manager_normal,
     .needs_card = true},
    {.syntax = "sim manager wrong-opcode <opcode:1-4294967295>",
     .summary = "The manager's next answer carries another opcode",
     .help = HELP_SIM HELP_MANAGER "Answer the next request with another opcode\n"
             "Opcode of the answer\n",
     .run = sim_manager_wrong_opcode,
     .needs_card = true},
    {.syntax = "sim manager null-payload",
     .summary = "The manager's next answer has no payload",
     .help = HELP_SIM HELP_MANAGER "Answer the next request without a payload\n",
     .run = sim_manager_null_payload,
     .needs_card = true},
    {.syntax = "sim manager short-payload <bytes:0-7>",
     .summary = "The manager's next answer is cut short",
     .help = HELP_SIM HELP_MANAGER "Answer the next request with a short payload\n"
             "Payload size in bytes\n",
     .run = sim_manager_short_payload,
     .needs_card = true},
    {.syntax = "sim fail <call> [<result:-2147483648-2147483647> [<errno:0-4095> "
               "[<nth:1-4294967295>]]]",
     .summary = "A platform call fails once (-1, errno 5 unless given)",
     .help = HELP_SIM "Make a platform call fail\n" "Platform call (see \"help sim fail\")\n"
             "What the call returns\n" "Transport error number it leaves\n"
             "Which call fails, counted from 1 from now on\n",
     .run = sim_fail,
     .more_help = sim_fail_help,
     .needs_card = true},
    {.syntax = "sim clear-faults",
     .summary = "No platform call fails any more",
     .help = HELP_SIM "Forget every platform call failure\n",
     .run = sim_clear_faults,
     .needs_card = true},
    {.syntax = "sim reset [ports <ports:1-255>]",
     .summary = "Start a fresh card (48 front ports unless given)",
     .help = HELP_SIM "Start a fresh card\n" "Set the number of front ports\n"
             "Number of front ports\n",
     .run = sim_reset,
     .needs_card = true},
    {.syntax = "sim advance <seconds:1-31622400>",
     .summary = "Let simulated time pass",
     .help = HELP_SIM "Let simulated time pass\n" "Seconds\n",
     .run = sim_advance,
     .needs_card = true},
    {.syntax = "sim status",
     .summary = "Time, manager mode and script, requests, queues, messages, armed faults",
     .help = HELP_SIM "Show the state of the simulated card\n",
     .run = sim_status,
     .needs_card = true},

    // -------------------------------------------------------------- the shell
    {.syntax = "show clock",
     .summary = "The card's time",
     .help = HELP_SHOW "The card's clock (in TZ)\n",
     .run = show_clock,
     .needs_card = true},
    {.syntax = "show version",
     .summary = "Versions of the shell, the library and the card's frames",
     .help = HELP_SHOW "Versions of the shell, the library and the frames the card speaks\n",
     .run = show_version},
    {.syntax = "terminal length <lines:0-512>",
     .summary = "Lines of a page before output stops at --More-- (0: no stops)",
     .help = "The operator's terminal, for this session\n" "Set the lines of a page\n"
             "Lines the terminal shows, 0 for no stops\n",
     .run = run_terminal_length},
    {.syntax = "help [<words...>]",
     .summary = "List the commands, or describe those starting so",
     .help = "List the commands\n" "First words of the commands to describe\n",
     .run = run_help},
    {.syntax = "exit",
     .summary = "Leave the shell",
     .help = "Leave the shell\n",
     .run = run_exit},
    {.syntax = "quit",
     .summary = "Leave the shell",
     .help = "Leave the shell\n",
     .run = run_exit},
};

#undef HELP_SHOW
#undef HELP_PCFG
#undef HELP_PORT
#undef HELP_SIM
#undef HELP_MANAGER

constexpr size_t kRowCount = std::size(kRows);

constexpr std::array<Syntax, kRowCount> kSyntaxes = [] {
    std::array<Syntax, kRowCount> out{};
    for (size_t i = 0; i < kRowCount; ++i) out[i] = parse_syntax(kRows[i].syntax);
    return out;
}();

// The element of a syntax that fills an argument slot.
constexpr const Element *slot_element(const Syntax &s, int8_t slot) {
    for (const Element &e : s.elements())
        if ((takes_number(e) || e.kind == ElemKind::Word) && e.slot == slot) return &e;
    return nullptr;
}

constexpr bool row_is_sound(const CommandRow &row, const Syntax &s) {
    if (!s.valid || help_line_count(row.help) != s.words || row.summary.empty()) return false;
    // A shell command (checked to have a handler by the tests: handler
    // addresses are not known while compiling).
    if (row.cmd == 0 && row.cmd_by_value.empty()) return true;
    if (!row.cmd_by_value.empty()) {
        const Element *e = slot_element(s, 0);
        if (row.cmd != 0 || e == nullptr || e->kind != ElemKind::Number || e->lo < 0 ||
            e->hi >= static_cast<int64_t>(row.cmd_by_value.size()))
            return false;
    }
    for (const TokenFill &t : row.tokens) {
        if (t.from < 0) continue;
        const Element *e = slot_element(s, t.from);
        if (e == nullptr || !takes_number(*e) || e->lo < INT32_MIN ||
            e->hi > UINT32_MAX)
            return false;
    }
    return true;
}

constexpr bool all_rows_sound() {
    for (size_t i = 0; i < kRowCount; ++i)
        if (!row_is_sound(kRows[i], kSyntaxes[i])) return false;
    return true;
}
static_assert(all_rows_sound(), "a row of the command table is malformed (see the top of this file)");

// Every command the library runs has a row that sends its identifier.
constexpr bool has_row(int32_t id) {
    for (const CommandRow &row : kRows) {
        if (row.cmd == id) return true;
        for (const int32_t v : row.cmd_by_value)
            if (v == id) return true;
    }
    return false;
}
constexpr bool every_command_has_a_row() {
    for (const pcfg_cmd_info &c : pcfg_cmd_list)
        if (!has_row(c.id)) return false;
    return true;
}
static_assert(every_command_has_a_row(), "a command of the library has no row");

}  // namespace

size_t command_count() { return kRowCount; }
const CommandRow &command_row(size_t index) { return kRows[index]; }
const Syntax &command_syntax(size_t index) { return kSyntaxes[index]; }

}  // namespace pcfg_shell
