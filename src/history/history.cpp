// History record formatter (history identifier 173).
#include "port_cfg_cli.h"

extern "C" int port_cfg_history_cli(const void *, uint32_t, uint32_t, const hist_timestamp *,
                                    uint32_t) noexcept {
    return 0;
}
