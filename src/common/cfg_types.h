// Configuration types: the type byte of a set-port-configuration TLV. The
// message decoder, the configuration event summary and the FEC command all
// name them from here.
#pragma once

#include <cstdint>

namespace pcfg {

enum CfgType : uint8_t {
    kCfgAdminPortState = 1,
    kCfgAdminPortMode = 2,
    kCfgAdminPortSpeed = 3,
    kCfgPhysicalPortIndex = 7,
    kCfgPortVsan = 8,
    kCfgPortWwn = 9,
    kCfgPortFcid = 10,
    kCfgPortParticipatingMode = 11,
    kCfgPortEnableState = 12,
    kCfgPortTrunkingMode = 13,
    kCfgTxB2bCredit = 14,
    kCfgB2bRxDataFldSize = 15,
    kCfgFabricName = 16,
    kCfgAdminPortCreated = 18,
    kCfgAdminPortDeleted = 19,
    kCfgPortEncap = 22,
    kCfgRxB2bCredit = 25,
    kCfgFPortTxB2bCredit = 26,
    kCfgOperationalPortMode = 27,
    kCfgRxB2bCreditMultiplier = 28,
    kCfgPortBbScn = 35,
    kCfgRxB2bPerformanceBuffers = 37,
    kCfgPortIngressRate = 38,
    kCfgExtendedB2bCredit = 41,
    kCfgFPortNewTxB2bCredit = 43,
    kCfgPortRateMode = 44,
    kCfgPortOutOfService = 45,
    kCfgPortEportPathIndexMap = 49,
    kCfgPortModeFPktTimeout = 99,
    kCfgPortModeEPktTimeout = 100,
    kCfgPortModeFPktForceTimeout = 101,
    kCfgPortModeEPktForceTimeout = 102,
    kCfgPortSpeedGroup = 147,
    kCfgTxCreditQueueType = 150,
    kCfgPortXcvrFreq = 160,
    kCfgPortIfgFillWord8g = 161,
    kCfgPortFecState = 175,
};

}  // namespace pcfg
