// Digital diagnostics of a port (report request type 11): the optics'
// alarm and warning flags.
//
// Body: an aligned TLV array holding exactly one TLV, type 79, whose
// 24-byte value pcfg_ddm_info_t is (big-endian, no alignment assumed):
//   0..3 alarm_flags  4..7 alarm_clear_flags  8..11 warn_flags
//   12..15 warn_clear_flags  16..19 status (0 = read; else a platform
//   error code)  20..23 if_index
// Each check that fails prints its message and ends the printer.
#include <array>
#include <cstdio>

#include "common/be_reader.h"
#include "pcfg_platform.h"
#include "print/printers.h"

using pcfg::BeReader;
using namespace pcfg::out;

namespace {

constexpr int kTlvFlags = 1;
constexpr uint16_t kDdmType = 79;
constexpr uint16_t kDdmLen = 24;
constexpr size_t kStatusOffset = 16;

struct FlagLine {
    size_t offset;
    Field field;  // the value in hexadecimal
};

constexpr std::array<FlagLine, 5> kLines{{
    {20, field<"if_index", Type::Uint>("     if_index               : 0x%x\n")},
    {0, field<"alarm_flags", Type::Uint>("     alarm_flags            : %x\n")},
    {4, field<"alarm_clear_flags", Type::Uint>("     alarm_clear_flags      : %x\n")},
    {8, field<"warn_flags", Type::Uint>("     warn_flags             : %x\n")},
    {12, field<"warn_clear_flags", Type::Uint>("     warn_clear_flags       : %x\n")},
}};

constexpr Field kStatus = json_only<"status", Type::Uint>();

}  // namespace

void pcfg_print_ddm_info(std::span<const uint8_t> body, Writer &w) noexcept {
    if (body.data() == nullptr) return;
    // An empty body holds no array at all: the walk is not started on it.
    const int n = body.empty() ? 0 : tlv_aligned_array_get_num_tlvs(body.data(), kTlvFlags);
    if (n != 1) {
        w.fail(Fail::TlvCount, "ERROR: Invalid tlv count %d : Expected 1 \n", n);
        return;
    }
    uint16_t type = 0;
    uint16_t length = 0;
    const void *value = nullptr;
    uint32_t position = 0;
    if (tlv_aligned_array_get_next_tlv(body.data(), &type, &length, &value, kTlvFlags,
                                       &position) != 0 ||
        !BeReader(body).contains(value, length)) {
        w.fail(Fail::TlvFetch, "ERROR: Unable to retreive data:  num tlvs %d \n", 1);
        return;
    }
    if (type != kDdmType) {
        w.fail(Fail::TlvType, "ERROR: Unexpected TLV Type %d \n", type);
        return;
    }
    if (length != kDdmLen) {
        w.fail(Fail::TlvSize, "ERROR: Invalid tlv size %d expected size %d \n", length, kDdmLen);
        return;
    }
    const BeReader r(static_cast<const uint8_t *>(value), length);
    const uint32_t status = r.at(kStatusOffset).u32();
    w.put(kStatus, status);
    if (status == 0) {
        for (const FlagLine &line : kLines) w.put(line.field, r.at(line.offset).u32());
        return;
    }
    const char *text = syserr2str(static_cast<int32_t>(status));
    if (text != nullptr)
        w.fail(Fail::TlvStatus, "    " "                                 " "%s  \n", text);
    else
        w.fail(Fail::TlvStatus, "Invalid status %x \n", static_cast<unsigned>(status));
}
