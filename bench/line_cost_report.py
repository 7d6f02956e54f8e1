#!/usr/bin/env python3
"""Library cost per printed line from a line_cost run under callgrind.

  line_cost_report.py CASES_FILE CALLGRIND_OUT TARGET [JSON_TARGET]

CASES_FILE holds line_cost's "case|<name>|<lines>" lines; CALLGRIND_OUT is the
--callgrind-out-file base: part 3k+1 is case k's library side, part 3k+2 its
floor (the replayed output calls), part 3k+3 the same inputs printed as JSON.
Instructions spent inside platform calls are not the library's and are taken
out of the library and JSON sides. Prints one row per case and exits 1 when
any case is above TARGET times its floor; with JSON_TARGET, a second table
compares each case's JSON with its text (the same answer): the JSON's cost
per field over the text's, each side's cost divided by its own fields (the
JSON holds more: every counter, the records' headers; line_cost counts
them), and exits 1 when any is above JSON_TARGET.

The history formatter takes its time text from the C library's ctime, as the
formatter is defined to: one call per record. That call is part of the
floor too (the recording replays it), so both sides carry it; its cost per
line is shown in its own column with the ratio both sides have without it,
so a miss shows where the cost lies.
"""
import re
import subprocess
import sys

# The platform calls the printers, decoders and formatter make, and those of
# the exchanges the printers' commands run (the simulated manager answers
# inside them).
PLATFORM = ("pm_idxmap_entry_by_if_index", "snprintf_if_index_short", "syserr2str",
            "lc_get_portspeed_name", "lc_get_portlinkstatus_reason", "mts_opc_name_get",
            "tlv_aligned_array_get_num_tlvs", "tlv_aligned_array_get_next_tlv",
            "mts_bind", "mts_unbind", "mts_send", "mts_recv", "mts_errno_get", "mts_opc_get",
            "mts_payload_get", "mts_payload_size", "mts_drop", "get_front_port_if_index_list",
            "get_total_lc_front_ports")
# callgrind_annotate splits a function's inclusive cost over the source
# files its inlined code comes from, and the line that holds all of it may
# be spelt with either path: the largest line of a function is its cost.
PLATFORM_LINE = re.compile(r"^\s*([\d,]+) \(.*?\)\s+\S*:(%s)(\s|$)" % "|".join(PLATFORM))
CTIME_LINE = re.compile(r"^\s*([\d,]+) \(.*?\)\s+\S*:(ctime)(\s|$)")


def summary(path):
    with open(path) as f:
        for line in f:
            if line.startswith("summary:"):
                return int(line.split()[1])
    raise SystemExit("no summary in %s" % path)


def inclusive_cost(path, pattern):
    out = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100", path],
                         capture_output=True, text=True, check=True).stdout
    cost = {}
    for m in filter(None, map(pattern.match, out.splitlines())):
        cost[m.group(2)] = max(cost.get(m.group(2), 0), int(m.group(1).replace(",", "")))
    return sum(cost.values())


def main():
    cases_file, base, target = sys.argv[1], sys.argv[2], float(sys.argv[3])
    cases = []
    with open(cases_file) as f:
        for line in f:
            if line.startswith("case|"):
                _, name, lines, text_fields, json_fields = line.rstrip("\n").split("|")
                cases.append((name, int(lines), int(text_fields), int(json_fields)))
    json_target = float(sys.argv[4]) if len(sys.argv) > 4 else None
    worst = 0.0
    text_cost = []
    print("  %-50s %6s %11s %11s %9s %7s %6s %13s" % (
        "case", "lines", "library/ln", "floor/ln", "platform", "ctime", "ratio", "without ctime"))
    for k, (name, lines, _, _) in enumerate(cases):
        lib_part, floor_part = "%s.%d" % (base, 3 * k + 1), "%s.%d" % (base, 3 * k + 2)
        plat = inclusive_cost(lib_part, PLATFORM_LINE)
        ctime = inclusive_cost(lib_part, CTIME_LINE)
        floor_ctime = inclusive_cost(floor_part, CTIME_LINE)
        lib = summary(lib_part) - plat
        text_cost.append(lib)
        floor = summary(floor_part)
        ratio = lib / floor
        worst = max(worst, ratio)
        print("  %-50s %6d %11.0f %11.0f %9.0f %7.0f %6.3f %13.3f %s" % (
            name, lines, lib / lines, floor / lines, plat / lines, ctime / lines, ratio,
            (lib - ctime) / (floor - floor_ctime), "PASS" if ratio <= target else "MISS"))
    print("worst %.3f" % worst)
    if json_target is None:
        return 0 if worst <= target else 1
    json_worst = 0.0
    print()
    print("  %-50s %7s %8s %7s %8s %6s" % ("case: the same answer as JSON and as text", "fields",
                                          "text/fd", "fields", "json/fd", "ratio"))
    for k, (name, _, text_fields, json_fields) in enumerate(cases):
        part = "%s.%d" % (base, 3 * k + 3)
        json_cost = summary(part) - inclusive_cost(part, PLATFORM_LINE)
        text_per = text_cost[k] / max(text_fields, 1)
        json_per = json_cost / max(json_fields, 1)
        ratio = json_per / text_per
        json_worst = max(json_worst, ratio)
        print("  %-50s %7d %8.0f %7d %8.0f %6.3f %s" % (name, text_fields, text_per, json_fields,
                                                     json_per, ratio,
                                                     "PASS" if ratio <= json_target else "MISS"))
    print("json worst %.3f" % json_worst)
    return 0 if worst <= target and json_worst <= json_target else 1


if __name__ == "__main__":
    sys.exit(main())
