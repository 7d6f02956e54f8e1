#include "output_calls.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

namespace pcfg_bench {
namespace {

void put_u64(std::ofstream &o, uint64_t v) { o.write(reinterpret_cast<const char *>(&v), sizeof v); }
void put_text(std::ofstream &o, const std::string &s) {
    put_u64(o, s.size());
    o.write(s.data(), static_cast<std::streamsize>(s.size()));
}
bool get_u64(std::ifstream &i, uint64_t &v) {
    return static_cast<bool>(i.read(reinterpret_cast<char *>(&v), sizeof v));
}
bool get_text(std::ifstream &i, std::string &s) {
    uint64_t n = 0;
    if (!get_u64(i, n) || n > (1u << 20)) return false;
    s.resize(n);
    return static_cast<bool>(i.read(s.data(), static_cast<std::streamsize>(n)));
}

uint64_t arg_word(const OutputArg &a) {
    switch (a.kind) {
    case OutputArg::Kind::Text: return reinterpret_cast<uintptr_t>(a.text.c_str());
    case OutputArg::Kind::Null: return 0;
    case OutputArg::Kind::Word: break;
    }
    return a.word;
}

}  // namespace

bool save_recordings(const std::string &path, const std::vector<OutputCalls> &cases) {
    std::ofstream o(path, std::ios::binary | std::ios::trunc);
    put_u64(o, cases.size());
    for (const OutputCalls &calls : cases) {
        put_u64(o, calls.size());
        for (const OutputCall &c : calls) {
            put_u64(o, static_cast<uint64_t>(c.kind));
            put_text(o, c.format);
            put_u64(o, static_cast<uint64_t>(c.character));
            put_u64(o, c.args.size());
            for (const OutputArg &a : c.args) {
                put_u64(o, static_cast<uint64_t>(a.kind));
                put_u64(o, a.word);
                put_text(o, a.text);
            }
        }
    }
    return static_cast<bool>(o);
}

bool load_recordings(const std::string &path, std::vector<OutputCalls> &cases) {
    std::ifstream in(path, std::ios::binary);
    uint64_t n = 0;
    if (!get_u64(in, n)) return false;
    cases.assign(n, {});
    for (OutputCalls &calls : cases) {
        uint64_t count = 0;
        if (!get_u64(in, count)) return false;
        calls.resize(count);
        for (OutputCall &c : calls) {
            uint64_t kind = 0, character = 0, nargs = 0;
            if (!get_u64(in, kind) || !get_text(in, c.format) || !get_u64(in, character) ||
                !get_u64(in, nargs) || nargs > 32)
                return false;
            c.kind = static_cast<OutputCall::Kind>(kind);
            c.character = static_cast<int>(character);
            c.args.resize(nargs);
            for (OutputArg &a : c.args) {
                uint64_t akind = 0;
                if (!get_u64(in, akind) || !get_u64(in, a.word) || !get_text(in, a.text))
                    return false;
                a.kind = static_cast<OutputArg::Kind>(akind);
            }
        }
    }
    return true;
}

// Every argument travels as one 64-bit word: on the x86-64 host the bench
// runs on, variadic integers, characters and pointers each take one such
// slot, and printf reads from it the width its conversion names.
static_assert(sizeof(void *) == 8, "the replay passes every argument as a 64-bit word");
constexpr size_t kMaxArgs = 24;

// The replay prints the formats the library used, recorded as data.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void replay(const OutputCalls &calls) {
    for (const OutputCall &c : calls) {
        switch (c.kind) {
        case OutputCall::Kind::Puts: puts(c.format.c_str()); continue;
        case OutputCall::Kind::Putchar: putchar(c.character); continue;
        case OutputCall::Kind::Ctime: {
            const auto when = static_cast<time_t>(c.args.at(0).word);
            const char *volatile text = ctime(&when);
            (void)text;
            continue;
        }
        case OutputCall::Kind::Printf: break;
        }
        uint64_t w[kMaxArgs] = {};
        if (c.args.size() > kMaxArgs) {
            fprintf(stderr, "replay: %zu arguments, at most %zu\n", c.args.size(), kMaxArgs);
            std::abort();
        }
        for (size_t i = 0; i < c.args.size(); ++i) w[i] = arg_word(c.args[i]);
        const char *f = c.format.c_str();
        switch (c.args.size()) {
        case 0: printf(f); break;
        case 1: printf(f, w[0]); break;
        case 2: printf(f, w[0], w[1]); break;
        case 3: printf(f, w[0], w[1], w[2]); break;
        case 4: printf(f, w[0], w[1], w[2], w[3]); break;
        case 5: printf(f, w[0], w[1], w[2], w[3], w[4]); break;
        case 6: printf(f, w[0], w[1], w[2], w[3], w[4], w[5]); break;
        case 7: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6]); break;
        case 8: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]); break;
        case 9: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8]); break;
        case 10: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9]); break;
        case 11: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10]); break;
        case 12: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11]); break;
        case 13: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12]); break;
        case 14: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13]); break;
        case 15: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14]); break;
        case 16: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15]); break;
        case 17: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15], w[16]); break;
        case 18: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15], w[16], w[17]); break;
        case 19: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15], w[16], w[17], w[18]); break;
        case 20: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15], w[16], w[17], w[18], w[19]); break;
        case 21: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15], w[16], w[17], w[18], w[19], w[20]); break;
        case 22: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15], w[16], w[17], w[18], w[19], w[20], w[21]); break;
        case 23: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15], w[16], w[17], w[18], w[19], w[20], w[21], w[22]); break;
        default: printf(f, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13], w[14], w[15], w[16], w[17], w[18], w[19], w[20], w[21], w[22], w[23]); break;
        }
    }
}
#pragma GCC diagnostic pop

}  // namespace pcfg_bench
