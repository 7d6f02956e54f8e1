// The JSON writer: one compact JSON document per writer, on one line.
// Numbers are JSON numbers (64-bit counters in full), named values objects
// of the name and the raw number, times the UTC time and the seconds.
// Strings are escaped; a byte that does not belong to a UTF-8 sequence is
// written as the character of its value (\u00XX), so the document is valid
// UTF-8 whatever the platform's texts hold. Scopes nested deeper than the
// writer keeps are written as nothing; finish() closes what is still open,
// so a printer that stops early still leaves a whole document.
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "common/writer.h"

namespace pcfg::out {
namespace {

// In the order of Fail.
constexpr std::array<const char *, static_cast<size_t>(Fail::Count_)> kFailNames{
    "invalid_command", "invalid_port",   "invalid_argument", "invalid_event",
    "bind_failed",     "send_failed",    "timeout",          "receive_failed",
    "wrong_opcode",    "null_payload",   "short_payload",    "manager_status",
    "short_body",      "beyond_body",    "beyond_record",    "tlv_count",
    "tlv_fetch",       "tlv_type",       "tlv_size",         "tlv_status",
    "platform_failed", "no_memory",      "short_message",    "invalid_message",
    "unsupported_opcode", "unknown_cfg_type",
};

constexpr size_t kMessageSize = 512;

// Bytes of the UTF-8 sequence at p (1 to 4), or 0 when it is not one.
size_t utf8_sequence(const unsigned char *p) {
    const unsigned char c = p[0];
    size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3;
    else if (c >= 0xF0 && c <= 0xF4) n = 4;
    else return 0;
    for (size_t i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F) || (c == 0xF0 && p[1] < 0x90) ||
        (c == 0xF4 && p[1] > 0x8F))
        return 0;
    return n;
}

// The escape of a character that cannot stand in a JSON string as it is,
// or null.
const char *short_escape(unsigned char c) {
    switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\n': return "\\n";
    case '\t': return "\\t";
    case '\r': return "\\r";
    default: return nullptr;
    }
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
struct Date {
    unsigned year, month, day;
};
Date civil(uint32_t days) {
    const uint32_t z = days + 719468u;
    const uint32_t era = z / 146097u;
    const uint32_t doe = z - era * 146097u;
    const uint32_t yoe = (doe - doe / 1460u + doe / 36524u - doe / 146096u) / 365u;
    const uint32_t doy = doe - (365u * yoe + yoe / 4u - yoe / 100u);
    const uint32_t mp = (5u * doy + 2u) / 153u;
    const unsigned day = doy - (153u * mp + 2u) / 5u + 1u;
    const unsigned month = mp < 10 ? mp + 3u : mp - 9u;
    return {yoe + era * 400u + (month <= 2 ? 1u : 0u), month, day};
}

Writer *g_running = nullptr;

// True for a text that stands in a JSON string as it is: printable ASCII
// without quote or backslash (the usual case, written with one printf).
bool plain(const char *s) {
    if (s == nullptr) return false;
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    while (*p >= 0x20 && *p < 0x80 && *p != '"' && *p != '\\') ++p;
    return *p == '\0';
}

}  // namespace

const char *fail_name(Fail f) noexcept {
    const auto i = static_cast<size_t>(f);
    return i < kFailNames.size() ? kFailNames[i] : "unknown";
}

Writer *running_json_command() noexcept { return g_running; }
void set_running_json_command(Writer *w) noexcept { g_running = w; }

int json_string(const char *s) noexcept {
    if (s == nullptr) return printf("null");
    if (plain(s)) return printf("\"%s\"", s);
    const auto *p = reinterpret_cast<const unsigned char *>(s);

    Count n;
    n += putchar('"') == EOF ? -1 : 1;
    while (*p != '\0') {
        const unsigned char *run = p;
        size_t seq = 0;
        while (*p != '\0') {
            if (*p >= 0x20 && *p < 0x80 && *p != '"' && *p != '\\') {
                ++p;
            } else if (*p >= 0x80 && (seq = utf8_sequence(p)) != 0) {
                p += seq;
            } else {
                break;
            }
        }
        if (p > run) n += printf("%.*s", static_cast<int>(p - run), reinterpret_cast<const char *>(run));
        if (*p == '\0') break;
        if (const char *e = short_escape(*p)) n += printf("%s", e);
        else n += printf("\\u%04x", static_cast<unsigned>(*p));
        ++p;
    }
    n += putchar('"') == EOF ? -1 : 1;
    return n.n;
}

JsonWriter::JsonWriter() noexcept {
    putchar('{');
    push(false);
}

void JsonWriter::finish() noexcept {
    while (depth_ > 0 || too_deep_ > 0) close();
    putchar('\n');
}

void JsonWriter::push(bool list) noexcept {
    first_[depth_] = true;
    list_[depth_] = list;
    ++depth_;
}

const char *JsonWriter::next() noexcept {
    bool &first = first_[depth_ - 1];
    const char *sep = first ? "" : ",";
    first = false;
    return sep;
}

const char *JsonWriter::format(const Field &f) noexcept {
    const char *fmt = list_[depth_ - 1] ? f.json + f.element_at : f.json;
    return next()[0] == '\0' ? fmt + 1 : fmt;
}

// The separator and the member's name (none for an element of a list).
int JsonWriter::key(const Field &f, const char *label) noexcept {
    const char *sep = next();
    if (list_[depth_ - 1]) return printf("%s", sep);
    if (f.lead != Lead::Label) return printf("%s\"%s\":", sep, f.key);
    const char *l = label != nullptr ? label : "";
    int len = 0;
    while (l[len] != '\0' && l[len] != ' ') ++len;
    return printf("%s\"%.*s\":", sep, len, l);
}

void JsonWriter::open(const char *key) noexcept {
    if (depth_ == 0 || depth_ == kMaxDepth) {
        ++too_deep_;
        return;
    }
    const char *sep = next();
    if (key == nullptr || list_[depth_ - 1]) printf("%s{", sep);
    else printf("%s\"%s\":{", sep, key);
    push(false);
}

void JsonWriter::open_list(const char *key) noexcept {
    if (depth_ == 0 || depth_ == kMaxDepth) {
        ++too_deep_;
        return;
    }
    const char *sep = next();
    if (key == nullptr || list_[depth_ - 1]) printf("%s[", sep);
    else printf("%s\"%s\":[", sep, key);
    push(true);
}

void JsonWriter::close() noexcept {
    if (too_deep_ > 0) {
        --too_deep_;
        return;
    }
    if (depth_ == 0) return;
    --depth_;
    putchar(list_[depth_] ? ']' : '}');
}

// The field's format prints separator, name and value in one printf; a
// label names the member of a table's row.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
int JsonWriter::put(const Field &f, uint64_t v, const char *label) noexcept {
    if (depth_ == 0 || too_deep_ > 0) return 0;
    if (f.json != nullptr) {
        const char *fmt = format(f);
        switch (f.type) {
        case Type::Int: return printf(fmt, static_cast<int32_t>(static_cast<uint32_t>(v)));
        case Type::Long:
        case Type::U64: return printf(fmt, static_cast<unsigned long long>(v));
        default: return printf(fmt, static_cast<unsigned>(v));
        }
    }
    const char *sep = next();
    const char *name = f.key;
    int len = INT_MAX;
    if (f.lead == Lead::Label) {
        name = label != nullptr ? label : "";
        len = 0;
        while (name[len] != '\0' && name[len] != ' ') ++len;
    }
    if (list_[depth_ - 1]) {
        name = "";
        len = -1;
    }
    const bool member = len >= 0;
    switch (f.type) {
    case Type::Int: {
        const auto i = static_cast<int32_t>(static_cast<uint32_t>(v));
        return member ? printf("%s\"%.*s\":%d", sep, len, name, i) : printf("%s%d", sep, i);
    }
    case Type::Long:
    case Type::U64: {
        const auto u = static_cast<unsigned long long>(v);
        return member ? printf("%s\"%.*s\":%llu", sep, len, name, u) : printf("%s%llu", sep, u);
    }
    default: {
        const auto u = static_cast<unsigned>(v);
        return member ? printf("%s\"%.*s\":%u", sep, len, name, u) : printf("%s%u", sep, u);
    }
    }
}

int JsonWriter::real(const Field &f, double v) noexcept {
    if (depth_ == 0 || too_deep_ > 0) return 0;
    if (std::isfinite(v)) return printf(format(f), v);
    Count n;
    n += key(f, nullptr);
    n += printf("null");
    return n.n;
}

int JsonWriter::str(const Field &f, const char *s) noexcept {
    if (depth_ == 0 || too_deep_ > 0) return 0;
    if (plain(s)) return printf(format(f), s);
    Count n;
    n += key(f, nullptr);
    n += json_string(s);
    return n.n;
}

int JsonWriter::named(const Field &f, const char *name, uint64_t raw) noexcept {
    if (depth_ == 0 || too_deep_ > 0) return 0;
    if (plain(name)) {
        if (f.type == Type::NamedInt)
            return printf(format(f), name, static_cast<int32_t>(static_cast<uint32_t>(raw)));
        return printf(format(f), name, static_cast<unsigned>(raw));
    }
    Count n;
    n += key(f, nullptr);
    n += printf("{\"name\":");
    n += json_string(name);
    if (f.type == Type::NamedInt)
        n += printf(",\"raw\":%d}", static_cast<int32_t>(static_cast<uint32_t>(raw)));
    else
        n += printf(",\"raw\":%u}", static_cast<unsigned>(raw));
    return n.n;
}

#pragma GCC diagnostic pop

int JsonWriter::time(const Field &f, uint32_t seconds, const char *) noexcept {
    if (depth_ == 0 || too_deep_ > 0) return 0;
    const Date d = civil(seconds / 86400u);
    const uint32_t s = seconds % 86400u;
    Count n;
    n += key(f, nullptr);
    n += printf("{\"utc\":\"%04u-%02u-%02uT%02u:%02u:%02uZ\",\"seconds\":%u}", d.year, d.month,
                d.day, static_cast<unsigned>(s / 3600u), static_cast<unsigned>(s / 60u % 60u),
                static_cast<unsigned>(s % 60u), static_cast<unsigned>(seconds));
    return n.n;
}

int JsonWriter::shown_as(const Field &f, uint64_t v, const char *) noexcept {
    return put(f, v, nullptr);
}

int JsonWriter::absent(const Field &f, const char *) noexcept {
    if (depth_ == 0 || too_deep_ > 0) return 0;
    Count n;
    n += key(f, nullptr);
    n += printf("null");
    return n.n;
}

int JsonWriter::vfail(Fail code, const char *fmt, va_list ap) noexcept {
    if (depth_ == 0 || too_deep_ > 0) return 0;
    char message[kMessageSize];
    vsnprintf(message, sizeof message, fmt, ap);
    // The message without the blanks and line ends around it.
    char *start = message;
    while (*start == ' ' || *start == '\n') ++start;
    char *end = start;
    for (char *p = start; *p != '\0'; ++p)
        if (*p != ' ' && *p != '\n') end = p + 1;
    *end = '\0';
    Count n;
    const char *sep = next();
    n += printf(list_[depth_ - 1] ? "%s{\"error\":{\"code\":\"%s\",\"message\":"
                                  : "%s\"error\":{\"code\":\"%s\",\"message\":",
                sep, fail_name(code));
    n += json_string(start);
    n += printf(list_[depth_ - 1] ? "}}" : "}");
    return n.n;
}

}  // namespace pcfg::out
