// The card's side of its socket: frames from two shells, each frame taken
// as untrusted. Every answer must be a well-formed frame; a shell whose
// frame was refused is disconnected and comes back; after each input both
// shells leave, and the card must then hold no queue and no message.
//
// Input: records of u8 shell (bit 0; bit 7 set: that shell leaves and
// comes back first), u16 length, then that many bytes of frame.
#include <cstdio>
#include <cstdlib>

#include "card_service.h"
#include "pcfg_sim.h"
#include "support.h"

namespace {

using namespace pcfg_sim::link;

// Checked by hand, not by the frames' own reader.
void check_answer(const std::vector<uint8_t> &frame) {
    const bool fits = frame.size() >= kFrameHeader && frame[0] == (kFrameMagic >> 8) &&
                      frame[1] == (kFrameMagic & 0xFF) && frame[2] == kFrameVersion &&
                      (frame[3] & kAnswerBit) != 0 &&
                      (size_t{frame[4]} << 24 | size_t{frame[5]} << 16 | size_t{frame[6]} << 8 |
                       frame[7]) == frame.size();
    if (!fits) {
        fprintf(stderr, "answer of %zu bytes is no well-formed frame\n", frame.size());
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pcfg_fuzz::begin_input();
    static pcfg_sim::link::CardService card(0, false);
    pcfg_fuzz::Input in(data, size);
    uint64_t now_ms = 0;
    card.open(0, 100);
    card.open(1, 101);
    while (!in.empty()) {
        const uint8_t who = in.byte();
        const int shell = who & 1;
        const std::span<const uint8_t> frame = in.take(in.u16());
        if (who & 0x80) {
            card.close(shell);
            card.open(shell, 100 + static_cast<uint32_t>(shell));
        }
        now_ms += 250;
        pcfg_sim::link::CardService::Result r = card.take(shell, frame, now_ms);
        if (r.waiting) r = card.wake(shell, r.until_ms);
        for (const auto &answer : r.answers) check_answer(answer);
        if (r.close) {
            card.close(shell);
            card.open(shell, 100 + static_cast<uint32_t>(shell));
        }
    }
    card.close(0);
    card.close(1);
    pcfg_fuzz::end_input();
    return 0;
}
