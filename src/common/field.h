// One description per printed field: its JSON name, its type, its unit and
// how the text shows it. A printer hands a field and its value to a writer
// (common/writer.h); the text writer prints the value with the field's text
// format, the JSON writer as a member named by the key. The one value goes
// to both, so the two renderings cannot drift apart.
//
// Descriptions are made while compiling: the factories below are consteval
// and refuse a key that is not a plain JSON name, a unit the key does not
// end in, and a text format whose conversions do not take exactly what the
// writer passes for the field's type (the formats live in tables, where
// -Wformat cannot see them). They also write the field's JSON format from
// its name and type, so that the JSON writer prints a member with one
// printf of its value, as the text writer does.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pcfg::out {

// What the writer passes to the text format, and what JSON makes of it.
enum class Type : uint8_t {
    Int,        // int (%d %x %u %c ...); JSON: the signed 32-bit number
    Uint,       // unsigned (%u %x %d ...); JSON: the unsigned 32-bit number
    Long,       // unsigned long (%lu %lx); JSON: an unsigned number
    U64,        // unsigned long long (%llu %llx); JSON: the exact 64-bit number
    Real,       // double (%f %lf); JSON: the number as the text rounds it
    Str,        // const char * (%s); JSON: a string, null for no text
    NamedInt,   // the name (%s), then the raw value as int if the text shows it
    NamedUint,  // the same with the raw value as unsigned
    Time,       // seconds since the epoch; the text shows its date text (%s)
};

// Units of a value; the JSON name ends in the unit's suffix.
enum class Unit : uint8_t { None, Ms, TenMs, Seconds, Bytes, Jiffies };

// What a text format takes before the value.
enum class Lead : uint8_t {
    None,
    Indent,  // the decoders' indent (%s)
    Label,   // a label given with the value (%s); JSON names the member by
             // the label up to its first blank
};

struct Field {
    const char *key;     // JSON member name; null for Lead::Label
    Type type;
    Unit unit;
    Lead lead;
    bool hide_zero;      // the text leaves the field out when it is 0
    uint8_t element_at;  // where `json` holds the format of a list's element
    const char *text;    // printf format of the text; null: JSON only
    // printf format of the JSON member, ",\"<key>\":<value>" (without its
    // first character for the first member), then that of the value as a
    // list's element, ",<value>"; null for Lead::Label and Type::Time.
    const char *json;
};

// A JSON member name, as a template argument.
template <size_t N>
struct Key {
    char name[N] = {};
    consteval Key(const char (&s)[N]) {
        for (size_t i = 0; i < N; ++i) name[i] = s[i];
    }
};

namespace detail {

// Not constexpr: reaching it while compiling stops the build with its name.
void field_format_does_not_match_its_type();
void field_key_is_not_a_plain_json_name();
void field_key_lacks_the_suffix_of_its_unit();

enum class Arg : uint8_t { None, Int, Long, LongLong, Real, Str };

struct Args {
    Arg at[4] = {};
    int count = 0;
};

// The arguments a printf format takes, in order; stars and unknown
// conversions are refused.
consteval Args args_of(const char *fmt) {
    Args out;
    for (const char *p = fmt; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') ++p;
        while (*p >= '0' && *p <= '9') ++p;
        if (*p == '.') {
            ++p;
            while (*p >= '0' && *p <= '9') ++p;
        }
        int longs = 0;
        while (*p == 'l') ++longs, ++p;
        Arg a = Arg::None;
        switch (*p) {
        case 'd': case 'i': case 'u': case 'x': case 'X': case 'o': case 'c':
            a = longs == 0 ? Arg::Int : longs == 1 ? Arg::Long : longs == 2 ? Arg::LongLong : Arg::None;
            if (*p == 'c' && longs != 0) a = Arg::None;
            break;
        case 'f': case 'e': case 'g':
            a = longs <= 1 ? Arg::Real : Arg::None;
            break;
        case 's':
            a = longs == 0 ? Arg::Str : Arg::None;
            break;
        default:
            break;
        }
        if (a == Arg::None || out.count == 4) field_format_does_not_match_its_type();
        out.at[out.count++] = a;
    }
    return out;
}

consteval bool same(const Args &a, const Args &b) {
    if (a.count != b.count) return false;
    for (int i = 0; i < a.count; ++i)
        if (a.at[i] != b.at[i]) return false;
    return true;
}

consteval Args expected(Lead lead, Type type, bool with_raw) {
    Args e;
    if (lead != Lead::None) e.at[e.count++] = Arg::Str;
    switch (type) {
    case Type::Int: case Type::Uint: e.at[e.count++] = Arg::Int; break;
    case Type::Long: e.at[e.count++] = Arg::Long; break;
    case Type::U64: e.at[e.count++] = Arg::LongLong; break;
    case Type::Real: e.at[e.count++] = Arg::Real; break;
    case Type::Str: case Type::Time: e.at[e.count++] = Arg::Str; break;
    case Type::NamedInt: case Type::NamedUint:
        e.at[e.count++] = Arg::Str;
        if (with_raw) e.at[e.count++] = Arg::Int;
        break;
    }
    return e;
}

consteval bool ends_with(const char *s, const char *suffix) {
    size_t n = 0, m = 0;
    while (s[n] != '\0') ++n;
    while (suffix[m] != '\0') ++m;
    if (m > n) return false;
    for (size_t i = 0; i < m; ++i)
        if (s[n - m + i] != suffix[i]) return false;
    return true;
}

consteval const char *suffix_of(Unit u) {
    switch (u) {
    case Unit::None: return "";
    case Unit::Ms: return "_ms";
    case Unit::TenMs: return "_10ms";
    case Unit::Seconds: return "_seconds";
    case Unit::Bytes: return "_bytes";
    case Unit::Jiffies: return "_jiffies";
    }
    return "";
}

// The JSON format of a value of the type.
consteval const char *json_value(Type t) {
    switch (t) {
    case Type::Int: return "%d";
    case Type::Uint: return "%u";
    case Type::Long:
    case Type::U64: return "%llu";
    case Type::Real: return "%.2f";
    case Type::Str: return "\"%s\"";
    case Type::NamedInt: return "{\"name\":\"%s\",\"raw\":%d}";
    case Type::NamedUint: return "{\"name\":\"%s\",\"raw\":%u}";
    case Type::Time: return "";
    }
    return "";
}

struct JsonFormat {
    std::array<char, 96> text{};
    uint8_t element_at = 0;
};

consteval JsonFormat json_format(const char *key, Type t) {
    JsonFormat f;
    size_t n = 0;
    const auto put = [&](const char *s) {
        while (*s != '\0') {
            if (n + 1 >= f.text.size()) field_key_is_not_a_plain_json_name();
            f.text[n++] = *s++;
        }
    };
    put(",\"");
    put(key);
    put("\":");
    put(json_value(t));
    f.text[n++] = '\0';
    f.element_at = static_cast<uint8_t>(n);
    put(",");
    put(json_value(t));
    f.text[n] = '\0';
    return f;
}

// One format per name and type, shared by the fields that have them.
template <Key K, Type T>
inline constexpr JsonFormat kJsonFormat = json_format(K.name, T);

template <size_t N>
consteval void check_key(const char (&key)[N], Unit unit) {
    if (N < 2) field_key_is_not_a_plain_json_name();
    for (size_t i = 0; i + 1 < N; ++i) {
        const char c = key[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            field_key_is_not_a_plain_json_name();
    }
    if (!ends_with(key, suffix_of(unit))) field_key_lacks_the_suffix_of_its_unit();
}

consteval Field checked(Field f) {
    if (f.text != nullptr) {
        const Args got = args_of(f.text);
        const bool named = f.type == Type::NamedInt || f.type == Type::NamedUint;
        if (!same(got, expected(f.lead, f.type, false)) &&
            !(named && same(got, expected(f.lead, f.type, true))))
            field_format_does_not_match_its_type();
    }
    return f;
}

}  // namespace detail

namespace detail {
template <Key K, Type T>
consteval Field make(Unit unit, Lead lead, const char *text) {
    check_key(K.name, unit);
    const JsonFormat &json = kJsonFormat<K, T>;
    return checked({K.name, T, unit, lead, false, json.element_at, text,
                    T == Type::Time ? nullptr : json.text.data()});
}
}  // namespace detail

// A field the text shows with `text`: field<"port", Type::Int>(" port:%d").
template <Key K, Type T>
consteval Field field(const char *text, Unit unit = Unit::None) {
    return detail::make<K, T>(unit, Lead::None, text);
}
// A decoder's field whose text starts with the indent.
template <Key K, Type T>
consteval Field indented(const char *text, Unit unit = Unit::None) {
    return detail::make<K, T>(unit, Lead::Indent, text);
}
// A field named by a label given with each value (rows of a table).
consteval Field labelled(Type type, const char *text, bool hide_zero = false) {
    return detail::checked({nullptr, type, Unit::None, Lead::Label, hide_zero, 0, text, nullptr});
}
// A field the text does not show.
template <Key K, Type T>
consteval Field json_only(Unit unit = Unit::None) {
    return detail::make<K, T>(unit, Lead::None, nullptr);
}

}  // namespace pcfg::out
