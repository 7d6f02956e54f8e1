// Display names of the configuration types 0 to 28 of a set-port-
// configuration TLV; types without a display name have a null row.
#include "port_cfg_cli.h"

extern "C" const char *const tlv_cfg_type_names[PCFG_CFG_TYPE_NAMES_COUNT] = {
    nullptr,                    // 0
    "Admin Port State",         // 1
    "Admin Port Mode",          // 2
    "Admin Port Speed",         // 3
    "Admin Trunking Mode",      // 4
    nullptr,                    // 5
    "Admin Port Name String",   // 6
    "Physical Port Index",      // 7
    "Port VSAN",                // 8
    "Port WWN",                 // 9
    "Port Fcid",                // 10
    "Port Participating Mode",  // 11
    "Port Enable",              // 12
    "Port Trunking Mode",       // 13
    "Port Tx B2B Credit",       // 14
    "Port B2B Rx Data Fld Sz",  // 15
    "Port Fabric Name",         // 16
    "Admin Port Duplex",        // 17
    "Admin Port Created",       // 18
    "Admin Port Deleted",       // 19
    "Port Tunnel Src Port",     // 20
    "Port Null VSAN",           // 21
    "Port Encapsulation",       // 22
    "Port Promiscuous Mode",    // 23
    nullptr,                    // 24
    "Port Rx B2B Credit",       // 25
    "F Port Tx B2B Credit",     // 26
    "Operational Port Mode",    // 27
    "Port Rx B2B Multiplier",   // 28
};
