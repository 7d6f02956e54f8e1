// Value-to-name tables of the configuration event summary.
#include <array>
#include <cstddef>

#include "common/names.h"
#include "history/summary_names.h"

namespace pcfg::summary {

namespace {


constexpr std::array<Named, 13> port_speed_names{{
    {0, "Auto"}, {10, "10M"}, {100, "100M"}, {1000, "1G"}, {2000, "2G"},
    {4000, "4G"}, {8000, "8G"}, {10000, "10G"}, {16000, "16G"},
    {1, "Max2G"}, {2, "Max4G"}, {3, "Max8G"}, {4, "Max16G"},
}};

constexpr std::array<Named, 5> port_state_names{{
    {1, "Up"}, {2, "Down"}, {4, "Testing"}, {8, "Trunking"}, {0xFF, "All"},
}};

// Whole values, not bit tests.
constexpr std::array<Named, 25> port_mode_names{{
    {0x1, "Auto"},     {0x2, "SD"},       {0x4, "E"},         {0x8, "TE"},
    {0x10, "TL"},      {0x20, "F"},       {0x4000, "NP"},     {0x40, "FL"},
    {0x80, "FLnotPdi"},
    {0x100, "FLnotP"}, {0xFFFF, "All"},   {0xFE3F, "NOT_FL"}, {0xFFFB, "NOT_E"},
    {0x60, "FX"},      {0x200, "IPS"},    {0x400, "FV"},      {0x800, "EV"},
    {0x1000, "TEM"},   {0x2000, "DIAG"},  {0x80000, "FA"},    {0x8000, "ST"},
    {0x10000, "FCMPLS"}, {0x20000, "Virt."}, {0x40000, "LINK_UP"}, {0x80000000, "AD_DEF"},
}};

constexpr std::array<Named, 3> rate_mode_names{{
    {1, "Full"}, {2, "Shared"}, {3, "Default"},
}};

}  // namespace

// A value no row names shows "-".
const char *speed_name(uint32_t speed) noexcept { return name_of(port_speed_names, speed, "-"); }
const char *port_state_name(uint8_t state) noexcept { return name_of(port_state_names, state, "-"); }
const char *port_mode_name(uint32_t bits) noexcept { return name_of(port_mode_names, bits, "-"); }
const char *rate_mode_name(uint8_t mode) noexcept { return name_of(rate_mode_names, mode, "-"); }

}  // namespace pcfg::summary
