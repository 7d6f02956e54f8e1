#!/usr/bin/env bash
# Prints every number the installed public headers of a build define, one
# line each, sorted: the value of every enumerator and of every macro, as the
# build's own compiler sees them in C, for the build's target (a PowerPC
# build's values are printed under its emulator).
#   scripts/abi-constants.sh BUILD_DIR
#
#   enumerator NAME = VALUE (enum TAG)    TAG "-" for an enum without a tag
#   macro NAME = VALUE (TYPE)             an arithmetic constant and its type
#   macro NAME = {V, V, ...}              a braced list of numbers
#   macro NAME = "TEXT"                   a string
#   macro NAME(PARAMETERS)                a function-like macro (the numbers
#                                         it carries show in what is made of it)
#   macro NAME                            defined empty (header guards)
#
# The preprocessor lists what the headers define (every #define and enum
# inside the installed folder, #undef honoured); a generated C program
# prints each value, so the compiler, not this script, evaluates them.
# scripts/abi-check.sh compares the list with abi/port_cfg_cli.<processor>.constants.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/lib/build-target.sh
source "$root/scripts/lib/build-target.sh"
(($# == 1)) || { sed -n '2,6p' "$0"; exit 2; }
build=$(cd "$1" && pwd)
build_target "$build"
work=$(mktemp -d "${TMPDIR:-/tmp}/pcfg-constants.XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" --component library >/dev/null
incdir=$(dirname "$(find "$work/prefix" -name port_cfg_cli.h)")
for header in "$incdir"/*.h; do
    echo "#include <${header##*/}>"
done >"$work/headers.h"

# The definitions, as the preprocessor sees them, turned into a program that
# prints each one's value.
"$target_cc" -std=c11 -E -dD -I "$incdir" "$work/headers.h" | awk -v dir="$incdir/" '
function literal(s) { gsub(/\\/, "\\\\", s); gsub(/"/, "\\\"", s); return "\"" s "\"" }
/^# [0-9]+ "/ { file = $3; gsub(/"/, "", file); ours = index(file, dir) == 1; next }
!ours { next }
/^#undef / { delete kind[$2]; next }
/^#define / {
    line = substr($0, 9)
    match(line, /^[A-Za-z_][A-Za-z0-9_]*/)
    name = substr(line, 1, RLENGTH)
    rest = substr(line, RLENGTH + 1)
    if (!(name in kind)) order[++count] = name
    if (substr(rest, 1, 1) == "(") {
        kind[name] = "function"; params[name] = substr(rest, 1, index(rest, ")"))
    } else {
        sub(/^[ \t]+/, "", rest)
        first = substr(rest, 1, 1)
        kind[name] = rest == "" ? "empty" : first == "{" ? "list" : first == "\"" ? "string" : "number"
    }
    next
}
/^#/ { next }
{ text = text " " $0 }
END {
    print "#include <stdio.h>"
    print "#include \"headers.h\""
    print "static void number_s(const char *n, const char *t, long long v) { printf(\"macro %s = %lld (%s)\\n\", n, v, t); }"
    print "static void number_u(const char *n, const char *t, unsigned long long v) { printf(\"macro %s = %llu (%s)\\n\", n, v, t); }"
    print "static void number_f(const char *n, const char *t, long double v) { printf(\"macro %s = %.21Lg (%s)\\n\", n, v, t); }"
    print "#define TYPE(v) _Generic((v), char: \"char\", signed char: \"signed char\", unsigned char: \"unsigned char\", \\"
    print "    short: \"short\", unsigned short: \"unsigned short\", int: \"int\", unsigned: \"unsigned int\", \\"
    print "    long: \"long\", unsigned long: \"unsigned long\", long long: \"long long\", \\"
    print "    unsigned long long: \"unsigned long long\", float: \"float\", double: \"double\", long double: \"long double\")"
    print "#define NUMBER(n, v) _Generic((v), float: number_f, double: number_f, long double: number_f, \\"
    print "    unsigned char: number_u, unsigned short: number_u, unsigned: number_u, unsigned long: number_u, \\"
    print "    unsigned long long: number_u, default: number_s)(n, TYPE(v), v)"
    print "int main(void) {"
    for (i = 1; i <= count; i++) {
        name = order[i]
        if (!(name in kind)) continue
        k = kind[name]
        if (k == "function") printf "    puts(%s);\n", literal("macro " name params[name])
        else if (k == "empty") printf "    puts(%s);\n", literal("macro " name)
        else if (k == "string") printf "    printf(\"macro %%s = \\\"%%s\\\"\\n\", \"%s\", %s);\n", name, name
        else if (k == "number") printf "    NUMBER(\"%s\", %s);\n", name, name
        else {
            printf "    { static const unsigned long long v[] = %s; size_t i;\n", name
            printf "      printf(\"macro %%s = {\", \"%s\");\n", name
            print  "      for (i = 0; i < sizeof v / sizeof v[0]; i++) printf(\"%s%llu\", i ? \", \" : \"\", v[i]);"
            print  "      puts(\"}\"); }"
        }
    }
    # Enumerators: each "enum [TAG] { NAME [= VALUE], ... }" of the headers.
    while (match(text, /[^A-Za-z0-9_]enum([ \t]+[A-Za-z_][A-Za-z0-9_]*)?[ \t]*[{]/)) {
        tag = substr(text, RSTART + 5, RLENGTH - 6)
        gsub(/[ \t]/, "", tag)
        text = substr(text, RSTART + RLENGTH)
        n = split(substr(text, 1, index(text, "}") - 1), items, ",")
        for (j = 1; j <= n; j++)
            if (match(items[j], /[A-Za-z_][A-Za-z0-9_]*/))
                printf "    printf(\"enumerator %%s = %%lld (enum %%s)\\n\", \"%s\", (long long)%s, \"%s\");\n",
                       substr(items[j], RSTART, RLENGTH), substr(items[j], RSTART, RLENGTH), tag == "" ? "-" : tag
        text = substr(text, index(text, "}") + 1)
    }
    print "    return 0;"
    print "}"
}' >"$work/print.c"

if ! "$target_cc" -std=c11 -I "$incdir" -I "$work" -o "$work/print" "$work/print.c" 2>"$work/errors"; then
    cat "$work/errors" >&2
    echo "abi-constants: a definition above is of a kind this script cannot print yet" >&2
    exit 1
fi
"${target_run[@]}" "$work/print" | LC_ALL=C sort
