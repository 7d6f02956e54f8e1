// Status codes the simulated manager answers with (0 is success). Their
// texts are the platform's error texts (syserr2str).
#pragma once

#include <cstdint>

namespace pcfg_sim::card {

enum : uint32_t {
    kStatusOk = 0,
    kStatusInvalidArg = 0x40290001,      // "invalid argument"
    kStatusInvalidMessage = 0x40290002,  // "invalid MTS message"
    kStatusInvalidCfgType = 0x40290003,  // "invalid configuration type"
    kStatusOutOfRange = 0x40290009,      // "value out of range"
    kStatusPortNotPresent = 0x4029000B,  // "port not present"
    kStatusFecNotSupported = 0x4029000D, // "FEC not supported at this speed"
};

}  // namespace pcfg_sim::card
