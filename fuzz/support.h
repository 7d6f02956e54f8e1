// Shared set-up of the fuzz targets: output goes to /dev/null (it is still
// formatted), and after every input the transport invariants must hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pcfg_fuzz {

// Once per process: standard output to /dev/null, TZ fixed.
void init();
// After each input: no queue left open but `allowed_queues`, no message
// held; aborts otherwise so the fuzzer keeps the input.
void check_invariants(int allowed_queues = 0);

// Splits the input: takes bytes from the front.
class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data, size) {}
    uint8_t byte() {
        if (data_.empty()) return 0;
        uint8_t b = data_.front();
        data_ = data_.subspan(1);
        return b;
    }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
        return v;
    }
    std::span<const uint8_t> rest() const { return data_; }

private:
    std::span<const uint8_t> data_;
};

}  // namespace pcfg_fuzz
