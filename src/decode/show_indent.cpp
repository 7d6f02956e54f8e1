// The decoders' shared indent. The dispatcher sets it to 5 spaces before
// every decoder; some decoders deepen it for their nested lines and leave it
// so. Decoders called directly print with whatever it last held.
#include <cstring>

#include "decode/decode_common.h"

char pcfg_show_indent[32] = {};  // C linkage from its declaration

namespace pcfg::decode {

void set_indent(size_t n) noexcept {
    if (n >= sizeof pcfg_show_indent) n = sizeof pcfg_show_indent - 1;
    std::memset(pcfg_show_indent, ' ', n);
    pcfg_show_indent[n] = '\0';
}

}  // namespace pcfg::decode
