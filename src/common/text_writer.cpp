// The text writer: each value through its field's text format, exactly as
// the library's fixed-format text has it.
#include <cstdio>

#include "common/writer.h"

namespace pcfg::out {
namespace {

// The formats come from field descriptions, checked against their types
// while compiling (common/field.h): here is the one place they are used.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

// The field's format with the lead (if any) and then the value arguments.
template <typename... V>
int print(const Field &f, const char *label, V... v) {
    switch (f.lead) {
    case Lead::None: return printf(f.text, v...);
    case Lead::Indent: return printf(f.text, pcfg_show_indent, v...);
    case Lead::Label: return printf(f.text, label != nullptr ? label : "", v...);
    }
    return 0;
}

#pragma GCC diagnostic pop

class TextWriter final : public Writer {
public:
    constexpr TextWriter() noexcept = default;

    void open(const char *) noexcept override {}
    void open_list(const char *) noexcept override {}
    void close() noexcept override {}
    int text(const char *s) noexcept override { return printf("%s", s); }
    int line(const char *s) noexcept override { return puts(s); }

    int put(const Field &f, uint64_t v, const char *label) noexcept override {
        if (f.text == nullptr || (f.hide_zero && v == 0)) return 0;
        switch (f.type) {
        case Type::Int: return print(f, label, static_cast<int32_t>(static_cast<uint32_t>(v)));
        case Type::Long: return print(f, label, static_cast<unsigned long>(v));
        case Type::U64: return print(f, label, static_cast<unsigned long long>(v));
        default: return print(f, label, static_cast<unsigned>(v));
        }
    }
    int real(const Field &f, double v) noexcept override {
        return f.text == nullptr ? 0 : print(f, nullptr, v);
    }
    int str(const Field &f, const char *s) noexcept override {
        return f.text == nullptr ? 0 : print(f, nullptr, s != nullptr ? s : "");
    }
    // A format that shows only the name leaves the raw value unused.
    int named(const Field &f, const char *name, uint64_t raw) noexcept override {
        if (f.text == nullptr) return 0;
        const char *n = name != nullptr ? name : "";
        if (f.type == Type::NamedInt)
            return print(f, nullptr, n, static_cast<int32_t>(static_cast<uint32_t>(raw)));
        return print(f, nullptr, n, static_cast<unsigned>(raw));
    }
    int time(const Field &f, uint32_t, const char *shown) noexcept override {
        return str(f, shown);
    }
    int shown_as(const Field &f, uint64_t, const char *shown) noexcept override {
        return f.text == nullptr ? 0 : printf("%s", shown);
    }
    // A text or name column pads `shown` as it pads its values.
    int absent(const Field &f, const char *shown) noexcept override {
        switch (f.type) {
        case Type::Str:
        case Type::Time: return str(f, shown);
        case Type::NamedInt:
        case Type::NamedUint: return named(f, shown, 0);
        default: return shown_as(f, 0, shown);
        }
    }
    __attribute__((format(printf, 3, 0))) int vfail(Fail, const char *fmt,
                                                    va_list ap) noexcept override {
        return vprintf(fmt, ap);
    }
};

constinit TextWriter g_text;

}  // namespace

Writer &text_writer() noexcept { return g_text; }

int Writer::fail(Fail code, const char *fmt, ...) noexcept {
    va_list ap;
    va_start(ap, fmt);
    const int n = vfail(code, fmt, ap);
    va_end(ap);
    return n;
}

}  // namespace pcfg::out
