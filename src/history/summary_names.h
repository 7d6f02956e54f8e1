// Names of the settings shown by the configuration event summary; "-" where
// a value has no name.
#pragma once

#include <cstdint>

namespace pcfg::summary {

const char *speed_name(uint32_t speed) noexcept;
const char *port_state_name(uint8_t state) noexcept;
const char *port_mode_name(uint32_t bits) noexcept;
const char *rate_mode_name(uint8_t mode) noexcept;

}  // namespace pcfg::summary
