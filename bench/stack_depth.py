#!/usr/bin/env python3
"""Peak stack use of the library per command, from the compiler's own figures.

  stack_depth.py OBJECT_DIR LIMIT

The library's objects are compiled with -fstack-usage and -fcallgraph-info=su
(preset "bench"): every .ci file holds the functions of one source file with
their frame sizes and the calls they make. The deepest chain of library
frames is followed from port_cfg_cli_main through each command. Frames of
the C library and of the platform are not the library's and count 0; the
history service calls back into port_cfg_history_cli, so that chain goes on
there. Indirect calls are resolved from what the library hands over: the
command table, the printer an exchange is given, the decoder table, the
history logs' heading and line functions.
"""
import glob
import os
import re
import sys

NODE = re.compile(r'node: \{ title: "([^"]*)" label: "([^"]*)"')
EDGE = re.compile(r'edge: \{ sourcename: "([^"]*)" targetname: "([^"]*)"')
FRAME = re.compile(r"\\n(\d+) bytes \(([a-z,]+)\)")

# Command id: the function of the command table, and the printers its
# exchange is handed (matched against the functions' names).
COMMANDS = {
    4: (r"cmd_history\(.*Instance = 0\]", []), 5: (r"cmd_history\(.*Instance = 1\]", []), 6: (r"cmd_history\(.*Instance = 2\]", []),
    7: (r"cmd_history\(.*Instance = 3\]", []), 8: (r"cmd_history\(.*Instance = 4\]", []), 9: (r"cmd_history\(.*Instance = 5\]", []),
    10: (r"cmd_cmds_processed\(", [r"pcfg_print_cmds_processed\("]),
    11: (r"cmd_cmds_processed_and_history\(", [r"pcfg_print_cmds_processed\("]),
    13: (r"cmd_ts_info\(", []), 14: (r"cmd_history\(.*Instance = 6\]", []),
    16: (r"cmd_rsrc_card\(", [r"pcfg_rsrc_show_all_body\("]),
    17: (r"cmd_rsrc_port\(", [r"pcfg_rsrc_show_all_body\("]),
    18: (r"cmd_events\(", [r"pcfg_print_not_implemented\("]),
    19: (r"cmd_credit_tbl\(", [r"pcfg_print_credit_tbl\("]),
    26: (r"cmd_credit_tbl2\(", [r"pcfg_print_credit_tbl\("]),
    28: (r"cmd_aggr_cntr\(", [r"pcfg_print_port_cntr\("]),
    29: (r"cmd_cur_cntr\(", [r"pcfg_print_port_cntr\("]),
    30: (r"cmd_summary\(", []), 31: (r"cmd_summary\(", []),
    33: (r"cmd_port_info\(", [r"pcfg_rsrc_print_port_info_body\("]),
    34: (r"cmd_ddm_info\(", [r"pcfg_print_ddm_info\("]),
    35: (r"cmd_history\(.*Instance = 7\]", []),
    40: (r"cmd_perfstats\(", []), 41: (r"cmd_set_fec\(", []),
}
# Platform calls that call back into the library.
CALLBACKS = {"sdstub_show_hist_inst": "port_cfg_history_cli"}


def short_name(label):
    """The function's name without its return type, scope or parameters."""
    return re.sub(r"\(.*", "", label).split(" ")[-1].replace("{anonymous}::", "")


def load(obj_dir):
    frames, names, calls = {}, {}, {}
    files = glob.glob(os.path.join(obj_dir, "**", "*.ci"), recursive=True)
    if not files:
        raise SystemExit("no .ci files under %s (build the bench preset)" % obj_dir)
    for path in files:
        with open(path) as f:
            for line in f:
                m = NODE.search(line)
                if m:
                    title, label = m.groups()
                    names.setdefault(title, label.split("\\n")[0])
                    fm = FRAME.search(label)
                    if fm:
                        frames[title] = (int(fm.group(1)), fm.group(2))
                    continue
                m = EDGE.search(line)
                if m:
                    calls.setdefault(m.group(1), []).append(m.group(2))
    return frames, names, calls


def main():
    obj_dir, limit = sys.argv[1], int(sys.argv[2])
    frames, names, calls = load(obj_dir)

    def find(pattern):
        found = [t for t in frames if re.search(pattern, names.get(t, t))]
        if not found:
            raise SystemExit("no function matches %r" % pattern)
        return found

    def matching(regex):
        return [t for t in frames if re.search(regex, names.get(t, t))]

    fixed_indirect = {
        "eventlog_port_cfg_cli": matching(r"\bshow_\w+_handler\("),
        "port_cfg_history_cli": matching(r"_log_(heading|line)\("),
    }
    # "dynamic,bounded" frames (stack adjusted around calls with many
    # arguments) are reported at their bound; unbounded ones are not allowed.
    dynamic = [t for t, (_, kind) in frames.items() if kind == "dynamic"]

    def deepest(fn, printers, seen):
        """(bytes, chain) of the deepest chain of library frames from fn."""
        if fn in CALLBACKS:
            fn = CALLBACKS[fn]
        if fn not in frames or fn in seen:
            return 0, []
        best, best_chain = 0, []
        for callee in calls.get(fn, []):
            targets = [callee]
            if callee == "__indirect_call":
                short = names.get(fn, fn)
                targets = next((v for k, v in fixed_indirect.items() if short.startswith("int " + k) or k in short), None)
                if targets is None:
                    targets = printers
            for t in targets:
                depth, chain = deepest(t, printers, seen | {fn})
                if depth > best:
                    best, best_chain = depth, chain
        return frames[fn][0] + best, [fn] + best_chain

    (main_fn,) = find(r"port_cfg_cli_main\(")
    worst = 0
    print("  %-4s %7s  %s" % ("cmd", "bytes", "deepest chain of library frames"))
    for cmd, (entry, printer_names) in sorted(COMMANDS.items()):
        printers = [t for p in printer_names for t in find(p)]
        (start,) = find(entry)
        depth, chain = deepest(start, printers, {main_fn})
        depth += frames[main_fn][0]
        chain = [main_fn] + chain
        worst = max(worst, depth)
        text = " > ".join("%s %d" % (short_name(names[t]), frames[t][0]) for t in chain)
        print("  %-4d %7d  %s %s" % (cmd, depth, text, "PASS" if depth <= limit else "MISS"))
    if dynamic:
        print("  frames of unbounded size: %s" % ", ".join(names[t] for t in dynamic))
    print("worst %d" % worst)
    return 0 if worst <= limit and not dynamic else 1


if __name__ == "__main__":
    sys.exit(main())
