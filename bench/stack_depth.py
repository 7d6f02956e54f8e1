#!/usr/bin/env python3
"""Peak stack use of the library per command, from the compiler's own figures.

  stack_depth.py OBJECT_DIR LIMIT

The library's objects are compiled with -fstack-usage and -fcallgraph-info=su
(preset "bench"): every .ci file holds the functions of one source file with
their frame sizes and the calls they make. The deepest chain of library
frames is followed from port_cfg_cli_main through each command. Frames of
the C library and of the platform are not the library's and count 0; the
history service calls back into port_cfg_history_cli, so that chain goes on
there. The commands and the functions indirect calls reach are read from the
library's own tables in the sources (the command table, the decoder table,
the history logs' formats, the printers an exchange may be handed), so a
renamed function is followed, and a table the script cannot read stops it.
An exchange's indirect call counts the deepest printer of them all.
"""
import glob
import os
import re
import sys

NODE = re.compile(r'node: \{ title: "([^"]*)" label: "([^"]*)"')
EDGE = re.compile(r'edge: \{ sourcename: "([^"]*)" targetname: "([^"]*)"')
FRAME = re.compile(r"\\n(\d+) bytes \(([a-z,]+)\)")

SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def table_names(path, start):
    """The identifiers in the table that starts at the first line matching
    `start` in the source file, up to the line that closes it."""
    with open(os.path.join(SRC, path)) as f:
        text = f.read()
    m = re.search(start, text)
    if not m:
        raise SystemExit("no table %r in %s" % (start, path))
    body = text[m.end():text.index("\n}", m.end())]
    body = re.sub(r"//[^\n]*", "", body)
    return re.findall(r"[A-Za-z_]\w*(?:<\d+>)?", body)


def commands():
    """Command id: the operation bound to it, run_command<PCFG_CMD_...>."""
    with open(os.path.join(SRC, "include", "port_cfg_cli.h")) as f:
        ids = re.findall(r"X\((PCFG_CMD_\w+), (\d+),", f.read())
    if not ids:
        raise SystemExit("no command list in the public header")
    return {int(num): "run_command<%s>" % name for name, num in ids}


def list_rows(path, macro):
    """The decoders of the X-list `macro` in a source file: X(<opcode>, <name>)."""
    with open(os.path.join(SRC, path)) as f:
        text = f.read()
    m = re.search(r"#define %s\(X\)(.*?)\n\n" % macro, text, re.S)
    if not m:
        raise SystemExit("no list %s in %s" % (macro, path))
    return re.findall(r"X\(\d+, (\w+)\)", m.group(1))


def printers():
    """The printers an exchange may be handed: those printers.h declares."""
    with open(os.path.join(SRC, "src", "print", "printers.h")) as f:
        return re.findall(r"^\w[\w ]*?\b(\w+)\([^;]*\) noexcept;", f.read(), re.M)


def pattern_of(fn):
    """A regex for the call graph's label of a function written as in the
    source: name, or name<N> for a template instance."""
    m = re.fullmatch(r"(\w+)<(\w+)>", fn)
    if m:
        return r"(^|[ :])%s\(.*= %s[;\]]" % (m.group(1), m.group(2))
    return r"(^|[ :])%s\(" % fn


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

    def functions_of(names_in_table):
        return [t for n in names_in_table for t in matching(pattern_of(n))]

    # Indirect calls go to the functions of the tables the library hands
    # out: the decoder table, the history logs' formats, the printers.
    fixed_indirect = {
        "eventlog_port_cfg_cli": functions_of(list_rows("src/decode/filter_table.cpp", "PCFG_FILTER_ROWS")),
        "port_cfg_history_cli": functions_of(
            table_names("src/history/hist_events.cpp", r"kFormats = [^\n]*\n")),
    }
    printer_fns = functions_of(printers())
    # Every other indirect call is a writer's (text or JSON) method.
    writer_fns = matching(r"(TextWriter|JsonWriter)::")
    # "dynamic,bounded" frames (stack adjusted around calls with many
    # arguments) are reported at their bound; unbounded ones are not allowed.
    dynamic = [t for t, (_, kind) in frames.items() if kind == "dynamic"]

    memo = {}

    def deepest(fn, printers, seen):
        """(bytes, chain) of the deepest chain of library frames from fn; a
        call back into a function on the chain ends it."""
        if fn in CALLBACKS:
            fn = CALLBACKS[fn]
        if fn not in frames or fn in seen:
            return 0, []
        if fn in memo:
            return memo[fn]
        best, best_chain = 0, []
        for callee in calls.get(fn, []):
            targets = [callee]
            if callee == "__indirect_call":
                short = names.get(fn, fn)
                targets = next((v for k, v in fixed_indirect.items() if short.startswith("int " + k) or k in short), None)
                if targets is None:
                    # The exchanges call the printer they are handed.
                    targets = printers if "pcfg_mts_send_rcv" in short else writer_fns
            for t in targets:
                depth, chain = deepest(t, printers, seen | {fn})
                if depth > best:
                    best, best_chain = depth, chain
        memo[fn] = (frames[fn][0] + best, [fn] + best_chain)
        return memo[fn]

    # The text entry point or the JSON one, whichever takes more.
    mains = find(pattern_of("port_cfg_cli_main")) + find(pattern_of("port_cfg_cli_main_json"))
    main_fn = max(mains, key=lambda t: frames[t][0])
    worst = 0
    print("  %-4s %7s  %s" % ("cmd", "bytes", "deepest chain of library frames"))
    for cmd, entry in sorted(commands().items()):
        (start,) = find(pattern_of(entry))
        depth, chain = deepest(start, printer_fns, set(mains))
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
