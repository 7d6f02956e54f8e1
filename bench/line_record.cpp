// Records the output calls each line-cost case makes through the library.
// Linked with a copy of the library whose printf, vprintf, puts, putchar and
// putc are renamed to the recorders below, and whose ctime calls are
// recorded too.
//
//   line_record RECORDING_FILE
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "line_cases.h"
#include "output_calls.h"
#include "pcfg_sim.h"

using pcfg_bench::OutputArg;
using pcfg_bench::OutputCall;

namespace {

pcfg_bench::OutputCalls g_calls;

[[noreturn]] void unsupported(const char *fmt) {
    fprintf(stderr, "line_record: conversion not recorded in \"%s\"\n", fmt);
    std::exit(2);
}

// Walks the conversions of fmt and copies out the arguments they take.
std::vector<OutputArg> take_args(const char *fmt, va_list ap) {
    std::vector<OutputArg> args;
    auto word = [&](uint64_t v) { args.push_back({OutputArg::Kind::Word, v, {}}); };
    for (const char *p = fmt; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (std::strchr("-+ #0'", *p) != nullptr && *p != '\0') ++p;
        if (*p == '*') {
            word(static_cast<uint64_t>(static_cast<int64_t>(va_arg(ap, int))));
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') ++p;
        }
        long precision = -1;
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                precision = va_arg(ap, int);
                word(static_cast<uint64_t>(static_cast<int64_t>(precision)));
                ++p;
            } else {
                precision = std::strtol(p, nullptr, 10);
                while (*p >= '0' && *p <= '9') ++p;
            }
        }
        int longs = 0;
        while (std::strchr("hlLqjzt", *p) != nullptr && *p != '\0') {
            if (*p == 'l' || *p == 'q' || *p == 'j' || *p == 'z' || *p == 't') ++longs;
            ++p;
        }
        switch (*p) {
        case 'd': case 'i':
            if (longs > 0) word(static_cast<uint64_t>(va_arg(ap, long long)));
            else word(static_cast<uint64_t>(static_cast<int64_t>(va_arg(ap, int))));
            break;
        case 'u': case 'x': case 'X': case 'o':
            if (longs > 0) word(va_arg(ap, unsigned long long));
            else word(va_arg(ap, unsigned));
            break;
        case 'c': word(static_cast<uint64_t>(va_arg(ap, int))); break;
        case 'p': word(reinterpret_cast<uintptr_t>(va_arg(ap, void *))); break;
        case 's': {
            const char *s = va_arg(ap, const char *);
            if (s == nullptr) {
                args.push_back({OutputArg::Kind::Null, 0, {}});
                break;
            }
            const size_t n = precision >= 0 ? strnlen(s, static_cast<size_t>(precision)) : std::strlen(s);
            args.push_back({OutputArg::Kind::Text, 0, std::string(s, n)});
            break;
        }
        default: unsupported(fmt);
        }
    }
    return args;
}

}  // namespace

extern "C" {
int pcfg_rec_printf(const char *fmt, ...) {
    va_list ap, copy;
    va_start(ap, fmt);
    va_copy(copy, ap);
    g_calls.push_back({OutputCall::Kind::Printf, fmt, 0, take_args(fmt, copy)});
    va_end(copy);
    const int n = vprintf(fmt, ap);
    va_end(ap);
    return n;
}
int pcfg_rec_vprintf(const char *fmt, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    g_calls.push_back({OutputCall::Kind::Printf, fmt, 0, take_args(fmt, copy)});
    va_end(copy);
    return vprintf(fmt, ap);
}
int pcfg_rec_puts(const char *s) {
    g_calls.push_back({OutputCall::Kind::Puts, s, 0, {}});
    return puts(s);
}
int pcfg_rec_putchar(int c) {
    g_calls.push_back({OutputCall::Kind::Putchar, {}, c, {}});
    return putchar(c);
}
char *pcfg_rec_ctime(const time_t *when) {
    g_calls.push_back({OutputCall::Kind::Ctime, {}, 0,
                       {{OutputArg::Kind::Word, static_cast<uint64_t>(*when), {}}}});
    return ctime(when);
}
int pcfg_rec_putc(int c, FILE *f) {
    if (f != stdout) {
        fprintf(stderr, "line_record: putc to another stream\n");
        std::exit(2);
    }
    return pcfg_rec_putchar(c);
}
}  // extern "C"

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: line_record RECORDING_FILE\n");
        return 2;
    }
    if (freopen("/dev/null", "w", stdout) == nullptr) return 2;
    pcfg_sim::reset();
    std::vector<pcfg_bench::OutputCalls> recordings;
    for (const pcfg_bench::LineCase &c : pcfg_bench::line_cases()) {
        c.prepare();
        g_calls.clear();
        c.library();
        recordings.push_back(std::move(g_calls));
    }
    if (!pcfg_bench::save_recordings(argv[1], recordings)) {
        fprintf(stderr, "line_record: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
