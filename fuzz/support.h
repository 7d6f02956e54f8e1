// Shared set-up of the fuzz targets: output goes to /dev/null (it is still
// formatted), the simulated card starts once per process, and after every
// input the transport invariants must hold.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "port_cfg_cli.h"

namespace pcfg_fuzz {

// Once per process: standard output to /dev/null, TZ fixed, the event log in
// a segment of this process.
void init();

// Before each input: init(), and the simulated card started on the first
// input (a full restart per input would cost more than most inputs do).
void begin_input();

// After each input: no queue left open but `allowed_queues`, no message
// held; aborts otherwise so the fuzzer keeps the input. Then forgets what
// the input left behind - scripted answers, faults, a silent manager, the
// call log and the history records - so that the next input starts alike
// and the input frees what it allocated (libFuzzer looks for leaks in
// inputs that allocate more than they free). Ports and simulated time stay
// what earlier inputs left.
void end_input(int allowed_queues = 0);

// A logged message built from raw bytes: the bytes are the whole record,
// its length field included. A length field that claims more bytes than
// the input holds is set to the input's size (a record never comes with
// less than its length); the buffer then holds exactly `length` bytes, and
// at least the 48-byte header a decoder may always read (zero-padded).
std::vector<uint8_t> logged_record(std::span<const uint8_t> bytes);

// What `body` prints, caught in memory in place of standard output.
std::string printed(const std::function<void()> &body);

// Aborts (so the fuzzer keeps the input) unless `text` is exactly one JSON
// document, or with `lines` one document on each line, as a strict parser
// reads it (valid UTF-8, no trailing commas, nothing after the document).
void require_json(const std::string &text, bool lines);

// Splits the input: takes bytes from the front (zeros once it is used up).
class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data, size) {}
    uint8_t byte() {
        if (data_.empty()) return 0;
        uint8_t b = data_.front();
        data_ = data_.subspan(1);
        return b;
    }
    // The high part is taken first (the operands of | come in no fixed order).
    uint16_t u16() {
        const uint8_t high = byte();
        return static_cast<uint16_t>(high << 8 | byte());
    }
    uint32_t u32() {
        const uint32_t high = u16();
        return high << 16 | u16();
    }
    // Up to n bytes.
    std::span<const uint8_t> take(size_t n) {
        const auto part = data_.first(n < data_.size() ? n : data_.size());
        data_ = data_.subspan(part.size());
        return part;
    }
    std::span<const uint8_t> rest() const { return data_; }
    bool empty() const { return data_.empty(); }

private:
    std::span<const uint8_t> data_;
};

}  // namespace pcfg_fuzz
