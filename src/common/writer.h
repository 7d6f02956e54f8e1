// The two renderings of a printer's output. A printer reads its input once
// and hands every value, with the description of its field (common/field.h),
// to a Writer; the text writer prints the library's fixed-format text, the
// JSON writer one JSON document (or one per record). Text that only the
// text shows (headings, rules, blank lines) goes through text() and line();
// the structure only JSON shows (objects and lists) through the scopes.
//
// Both write to standard output through printf, puts and putchar, keep no
// heap memory and hold their state in the writer object itself. Every
// method returns printf's count of what it printed (negative when printf
// failed), which the history formatter adds up for its result.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "common/field.h"

// The decoders' indent, which indented fields start with (defined in
// decode/show_indent.cpp; one buffer for the library, never exported).
extern "C" __attribute__((visibility("hidden"))) char pcfg_show_indent[32];

namespace pcfg::out {

// Stable codes of failures: the text shows the message, JSON the code and
// the same message. The names are in kFailNames (writer.cpp), in this order.
enum class Fail : uint8_t {
    InvalidCommand,
    InvalidPort,
    InvalidArgument,
    InvalidEvent,
    BindFailed,
    SendFailed,
    Timeout,
    ReceiveFailed,
    WrongOpcode,
    NullPayload,
    ShortPayload,
    ManagerStatus,
    ShortBody,
    BeyondBody,
    BeyondRecord,
    TlvCount,
    TlvFetch,
    TlvType,
    TlvSize,
    TlvStatus,
    PlatformFailed,
    NoMemory,
    ShortMessage,
    InvalidMessage,
    UnsupportedOpcode,
    UnknownCfgType,
    Count_,
};

const char *fail_name(Fail f) noexcept;

class Writer {
public:
    // Structure, for JSON: a member object or list of the open object, or
    // with a null key an element of the open list. Use the Scope below.
    virtual void open(const char *key) noexcept = 0;
    virtual void open_list(const char *key) noexcept = 0;
    virtual void close() noexcept = 0;

    // Text the text shows beside the values: as printf("%s", s) and puts(s).
    virtual int text(const char *s) noexcept = 0;
    virtual int line(const char *s) noexcept = 0;

    // A number of an integer type; `label` for Lead::Label fields.
    virtual int put(const Field &f, uint64_t v, const char *label = nullptr) noexcept = 0;
    virtual int real(const Field &f, double v) noexcept = 0;
    // A text value (null: the text shows "", JSON null).
    virtual int str(const Field &f, const char *s) noexcept = 0;
    // A named value: the name the text shows and the raw number.
    virtual int named(const Field &f, const char *name, uint64_t raw) noexcept = 0;
    // Seconds since the epoch; the text shows `shown`, JSON the UTC time
    // and the seconds.
    virtual int time(const Field &f, uint32_t seconds, const char *shown) noexcept = 0;
    // A number the text shows as the text `shown`.
    virtual int shown_as(const Field &f, uint64_t v, const char *shown) noexcept = 0;
    // A value that is not there: JSON null, the text shows `shown` (in the
    // field's format where the field is a text or a name).
    virtual int absent(const Field &f, const char *shown) noexcept = 0;

    // A failure: the text prints the message as printf would; JSON adds the
    // member "error" with the code and the message (blanks at its ends cut).
    __attribute__((format(printf, 3, 4))) int fail(Fail code, const char *fmt, ...) noexcept;
    __attribute__((format(printf, 3, 0))) virtual int vfail(Fail code, const char *fmt,
                                                            va_list ap) noexcept = 0;

protected:
    ~Writer() = default;
};

// The text writer: stateless, shared by every call.
Writer &text_writer() noexcept;

// One JSON document on standard output: an object opened on construction,
// closed (with every scope still open) and ended by a newline on finish.
class JsonWriter final : public Writer {
public:
    JsonWriter() noexcept;
    void finish() noexcept;

    void open(const char *key) noexcept override;
    void open_list(const char *key) noexcept override;
    void close() noexcept override;
    int text(const char *) noexcept override { return 0; }
    int line(const char *) noexcept override { return 0; }
    int put(const Field &f, uint64_t v, const char *label = nullptr) noexcept override;
    int real(const Field &f, double v) noexcept override;
    int str(const Field &f, const char *s) noexcept override;
    int named(const Field &f, const char *name, uint64_t raw) noexcept override;
    int time(const Field &f, uint32_t seconds, const char *shown) noexcept override;
    int shown_as(const Field &f, uint64_t v, const char *shown) noexcept override;
    int absent(const Field &f, const char *shown) noexcept override;
    __attribute__((format(printf, 3, 0))) int vfail(Fail code, const char *fmt,
                                                    va_list ap) noexcept override;

private:
    static constexpr int kMaxDepth = 16;
    // The separator before the next member or element ("" or ","), and
    // its key as the member's opening text.
    const char *next() noexcept;
    int key(const Field &f, const char *label) noexcept;
    // The field's own format: for the next member, or element in a list.
    const char *format(const Field &f) noexcept;
    void push(bool list) noexcept;

    int depth_ = 0;
    int too_deep_ = 0;  // opens beyond kMaxDepth, written as nothing
    bool first_[kMaxDepth] = {};
    bool list_[kMaxDepth] = {};
};

// Writes `s` as a JSON string: escaped, bytes that are not UTF-8 as
// \u00XX, null for no text. Returns printf's count.
int json_string(const char *s) noexcept;

// An object or list of the writer, closed at the end of the scope.
class Scope {
public:
    Scope(Writer &w, const char *key, bool list = false) noexcept : w_(w) {
        list ? w.open_list(key) : w.open(key);
    }
    ~Scope() { w_.close(); }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

private:
    Writer &w_;
};

// Adds up printf results: -1 once any was negative.
struct Count {
    int n = 0;
    Count &operator+=(int r) noexcept {
        n = n < 0 || r < 0 ? -1 : n + r;
        return *this;
    }
};

// The JSON document of the command that is running, while a command runs
// through the JSON entry point: the history service's calls of the record
// formatter during it add their records to it.
Writer *running_json_command() noexcept;
void set_running_json_command(Writer *w) noexcept;

}  // namespace pcfg::out
