// The platform's event-log display: walks logged transport messages of the
// manager and hands each one to the library's decoder dispatcher. The log of
// the running card, or back-to-back records saved to a file (so that a log
// saved on a card can be decoded on a workstation).
//
// Record header (big-endian): 12 seq_no, 16 length (header included),
// 24 kind (1 request, 2 reply), 28 opcode; the payload follows at 48.
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "pcfg_platform.h"
#include "eventlog_segment.h"
#include "pcfg_sim.h"
#include "port_cfg_cli.h"
#include "wire.h"

namespace pcfg_sim {
namespace {

// A file of the C library's, closed when it goes out of scope (unless
// closed before, to learn whether the last writes reached the disk).
struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr size_t kHeaderLen = PCFG_LOGGED_MSG_HDR_LEN;
constexpr size_t kLengthOffset = 16;

// Record kinds by their number; others are shown as a number.
constexpr std::array<const char *, 3> kKindNames{nullptr, "request", "reply"};

const char *kind_name(uint32_t kind) {
    return kind < kKindNames.size() ? kKindNames[kind] : nullptr;
}

// "seq 12 request opcode 395 (MTS_OPC_PCFG_SET_PORT_CFG)"
void print_record_header(std::span<const uint8_t> rec) {
    const auto seq = static_cast<unsigned>(card::be_at(rec, 12, 4));
    const auto kind = static_cast<uint32_t>(card::be_at(rec, 24, 4));
    const auto opcode = static_cast<uint32_t>(card::be_at(rec, 28, 4));
    if (const char *k = kind_name(kind))
        printf("seq %u %s opcode %u", seq, k, static_cast<unsigned>(opcode));
    else
        printf("seq %u kind %u opcode %u", seq, static_cast<unsigned>(kind),
               static_cast<unsigned>(opcode));
    if (const char *name = mts_opc_name_get(opcode)) printf(" (%s)", name);
    printf("\n");
}

// Header line, then the library's decode, or the JSON dispatcher's line.
// `rec` is exactly one record.
void show_record(const std::vector<uint8_t> &rec, LogJson json) {
    const auto *msg = reinterpret_cast<const pcfg_logged_msg_t *>(rec.data());
    if (json != nullptr) {
        json(msg);
        return;
    }
    print_record_header(rec);
    eventlog_port_cfg_cli(msg);
}

// What the display has to say: a line of text, or in JSON a line of its own
// holding an error with `code` and the text.
__attribute__((format(printf, 3, 4))) void say(LogJson json, const char *code, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    if (json == nullptr) {
        vprintf(fmt, ap);
        va_end(ap);
        return;
    }
    char text[512];
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    printf("{\"error\":{\"code\":\"%s\",\"message\":\"", code);
    for (const char *p = text; *p != '\0' && *p != '\n'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') printf("\\%c", c);
        else if (c < 0x20 || c >= 0x7f) printf("\\u%04x", c);
        else putchar(c);
    }
    printf("\"}}\n");
}

}  // namespace

void show_event_log(LogJson json) {
    const auto records = event_log();
    if (records.empty()) {
        if (!card::segment_usable())
            say(json, "log_unreadable",
                "event-log: the log cannot be read; \"clear event-log\" starts a new log\n");
        else if (json == nullptr)
            printf("event-log: no records\n");
        return;
    }
    for (const auto &rec : records) show_record(rec, json);
}

bool save_event_log(const std::string &path) {
    File out(std::fopen(path.c_str(), "wb"));
    size_t n = 0;
    bool written = out != nullptr;
    for (const auto &rec : event_log()) {
        if (!written) break;
        written = std::fwrite(rec.data(), 1, rec.size(), out.get()) == rec.size();
        ++n;
    }
    // Closing writes what is still buffered: a full disk shows here.
    if (out != nullptr && std::fclose(out.release()) != 0) written = false;
    if (!written) {
        printf("event-log: cannot write %s: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    printf("event-log: %zu records saved to %s\n", n, path.c_str());
    return true;
}

LogDecodeResult decode_log_bytes(std::span<const uint8_t> data, LogJson json) {
    LogDecodeResult result;
    size_t off = 0;
    while (off < data.size()) {
        const size_t left = data.size() - off;
        if (left < kLengthOffset + 4) {
            say(json, "damaged_record",
                "decode-log: damaged record at byte offset %zu: %zu bytes left, no length\n", off, left);
            result.complete = false;
            break;
        }
        const auto length = static_cast<size_t>(card::be_at(data, off + kLengthOffset, 4));
        if (length < kHeaderLen) {
            say(json, "damaged_record", "decode-log: damaged record at byte offset %zu: length %zu\n",
                off, length);
            result.complete = false;
            break;
        }
        if (length > left) {
            say(json, "damaged_record",
                "decode-log: damaged record at byte offset %zu: length %zu runs past the end "
                "(%zu bytes left)\n",
                off, length, left);
            result.complete = false;
            break;
        }
        // The decoder gets a buffer of exactly the record's own length.
        const std::vector<uint8_t> rec(data.begin() + static_cast<std::ptrdiff_t>(off),
                                       data.begin() + static_cast<std::ptrdiff_t>(off + length));
        show_record(rec, json);
        ++result.records;
        off += length;
    }
    return result;
}

LogDecodeResult decode_log_file(const std::string &path, LogJson json) {
    const File in(std::fopen(path.c_str(), "rb"));
    if (in == nullptr) {
        say(json, "cannot_read", "decode-log: cannot read %s: %s\n", path.c_str(), strerror(errno));
        return {0, false};
    }
    // Read in bounded chunks: a device or an endless stream is refused once
    // it has given more than a saved log can hold.
    std::vector<uint8_t> data;
    std::array<uint8_t, 65536> chunk;
    size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), in.get())) > 0) {
        data.insert(data.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
        if (data.size() > kMaxSavedLogBytes) {
            say(json, "cannot_read", "decode-log: cannot read %s: more than %zu bytes, not a saved log\n",
                path.c_str(), kMaxSavedLogBytes);
            return {0, false};
        }
    }
    if (std::ferror(in.get()) != 0) {
        say(json, "cannot_read", "decode-log: cannot read %s\n", path.c_str());
        return {0, false};
    }
    return decode_log_bytes(data, json);
}

}  // namespace pcfg_sim
