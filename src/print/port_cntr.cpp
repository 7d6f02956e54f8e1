// Port counters display: the answer to a port counter request (opcode 3120)
// as a two-column table of counter names and decimal values.
//
// Answer payload (big-endian, no alignment assumed):
//   0..3     status (0 = success; the exchange checks it before printing)
//   4..7     not displayed
//   8..695   counter record: 0..7 not displayed, then the 85 u64 counters
//            of fcIfAllCounters_tab, the counter of row k (from 1) at
//            record offset 8k
//   696..    extra-counter TLV array, only when the payload is longer
//
// Extra-counter TLV values (read through the platform's aligned-TLV walk):
//   counter, 16 bytes:  0..3 not read, 4..7 status, 8..15 u64 value
//   FEC, 24 bytes:      0..3 not read, 4..7 status, 8..15 corrected blocks,
//                       16..23 uncorrected blocks
// A status other than 0 is a platform error code. Zero counters print
// nothing; a faulty TLV prints one line and the walk goes on with the next.
#include <array>
#include <cstdio>

#include "common/be_reader.h"
#include "common/names.h"
#include "common/writer.h"
#include "pcfg_platform.h"
#include "print/printers.h"

using pcfg::BeReader;

// Names padded with spaces to 40 characters; offsets inside the counter
// record. The spellings are the printed texts.
extern "C" const fc_if_counter_entry_t fcIfAllCounters_tab[PCFG_NUM_IF_COUNTERS + 1] = {
    {"fcIfC2InFrames                          ", 8},
    {"fcIfC2OutFrames                         ", 16},
    {"fcIfC2InOctetss                         ", 24},
    {"fcIfC2OutOctets                         ", 32},
    {"fcIfC2Discards                          ", 40},
    {"fcIfC2FbsyFrames                        ", 48},
    {"fcIfC2FrjtFrames                        ", 56},
    {"fcIfC2PBSYFrames                        ", 64},
    {"fcIfC2PRJTFrames                        ", 72},
    {"fcIfC3InFrames                          ", 80},
    {"fcIfC3OutFrames                         ", 88},
    {"fcIfC3InOctets                          ", 96},
    {"fcIfC3OutOctets                         ", 104},
    {"fcIfC3Discards                          ", 112},
    {"fcIfCfInFrames                          ", 120},
    {"fcIfCfOutFrames                         ", 128},
    {"fcIfCfInOctets                          ", 136},
    {"fcIfCfOutOctets                         ", 144},
    {"fcIfCfDiscards                          ", 152},
    {"fcIfLinkFailures                        ", 160},
    {"fcIfSyncLosses                          ", 168},
    {"fcIfSigLosses                           ", 176},
    {"fcIfPrimSeqProtoErrors                  ", 184},
    {"fcIfInvalidTxWords                      ", 192},
    {"fcIfInvalidCrcs                         ", 200},
    {"fcIfDelimiterErrors                     ", 208},
    {"fcIfAddressIdErrors                     ", 216},
    {"fcIfLinkResetIns                        ", 224},
    {"fcIfLinkResetOuts                       ", 232},
    {"fcIfOlsIns                              ", 240},
    {"fcIfOlsOuts                             ", 248},
    {"fcIfRuntFramesIn                        ", 256},
    {"fcIfJabberFramesIn                      ", 264},
    {"fcIfTxWaitCount                         ", 272},
    {"fcIfFramesTooLong                       ", 280},
    {"fcIfFramesTooShort                      ", 288},
    {"fcIfLRRIn                               ", 296},
    {"fcIfLRROut                              ", 304},
    {"fcIfNOSIn                               ", 312},
    {"fcIfNOSOut                              ", 320},
    {"fcIfFragFrames                          ", 328},
    {"fcIfEOFaFrames                          ", 336},
    {"fcIfUnknownClassFrames                  ", 344},
    {"fcIf8b10bDisparityErrors                ", 352},
    {"fcIfFramesDiscard                       ", 360},
    {"fcIfELPFailures                         ", 368},
    {"fcIfTxBBCreditTransistionToZero         ", 376},
    {"fcIfRxBBCreditTransistionToZero         ", 384},
    {"fcIfEISLFramesDiscard                   ", 392},
    {"fcIfFramingErrorFrames                  ", 400},
    {"ifInMulticastPkts                       ", 408},
    {"ifInBroadcastPkts                       ", 416},
    {"ifOutMulticastPkts                      ", 424},
    {"ifOutBroadcastPkts                      ", 432},
    {"ifHCInOctets                            ", 440},
    {"ifHCInUcastPkts                         ", 448},
    {"ifHCInMulticastPkts                     ", 456},
    {"ifHCInBroadcastPkts                     ", 464},
    {"ifHCOutOctets                           ", 472},
    {"ifHCOutUcastPkts                        ", 480},
    {"ifHCOutMulticastPkts                    ", 488},
    {"ifHCOutBroadcastPkts                    ", 496},
    {"ifInOctets                              ", 504},
    {"ifInUcastPkts                           ", 512},
    {"ifInNUcastPkts                          ", 520},
    {"ifInDiscards                            ", 528},
    {"ifInErrors                              ", 536},
    {"ifInUnknownProtos                       ", 544},
    {"ifOutOctets                             ", 552},
    {"ifOutUcastPkts                          ", 560},
    {"ifOutNUcastPkts                         ", 568},
    {"ifOutDiscards                           ", 576},
    {"ifOutErrors                             ", 584},
    {"fcIfLipF8In                             ", 592},
    {"fcIfLipF8Out                            ", 600},
    {"fcIfNonLipF8In                          ", 608},
    {"fcIfNonLipF8Out                         ", 616},
    {"fcIfInFrames                            ", 624},
    {"fcIfInOctets                            ", 632},
    {"fcIfInDiscards                          ", 640},
    {"fcIfOutFrames                           ", 648},
    {"fcIfOutOctets                           ", 656},
    {"fcIfOutDiscards                         ", 664},
    {"fcIfInErrors                            ", 672},
    {"fcIfOutErrors                           ", 680},
    {nullptr, 0},
};

namespace {

using namespace pcfg::out;

constexpr size_t kRecordOffset = 8;
constexpr size_t kTlvArrayOffset = 696;
constexpr int kTlvFlags = 1;

// The record's counters by the names of the table (padded to 40), values
// right-aligned in 15 columns; the text leaves out counters that are 0.
constexpr Field kCounter = labelled(Type::U64, "%s%15llu\n", true);

// One value of a counter TLV: the u64 at value offset `offset`, labelled
// with the counter's name; the text pads the label and leaves out a 0.
struct ValueLine {
    Field field;
    const char *label;
    size_t offset;
};

struct CounterTlv {
    uint16_t type;
    uint16_t length;
    std::array<ValueLine, 2> lines;  // a second line only for FEC blocks
    const char *error_name;          // beside a status the platform names
    const char *unnamed_status;      // before "Invalid status <hex>" of a status it cannot name
};

constexpr ValueLine kNoLine{json_only<"none", Type::U64>(), nullptr, 0};

// A counter: its name padded to `width` columns, the value in 15.
#define PCFG_COUNTER_TLV(type, label, width, unnamed_status)                                      \
    CounterTlv {                                                                                  \
        type, 16, {{{labelled(Type::U64, "%-" #width "s%15llu\n", true), label, 8}, kNoLine}},    \
            label, unnamed_status                                                                 \
    }

constexpr std::array<CounterTlv, 9> kCounterTlvs{{
    PCFG_COUNTER_TLV(80, "fcIfTxFaults", 40, ""),
    PCFG_COUNTER_TLV(130, "fcIfCreditLoss", 40, ""),
    PCFG_COUNTER_TLV(131, "fcIfTimeoutDiscards", 39, ""),
    PCFG_COUNTER_TLV(132, "fcIfForceTimeoutOn", 34, ""),
    PCFG_COUNTER_TLV(133, "fcIfForceTimeoutOff", 35, ""),
    PCFG_COUNTER_TLV(134, "fcIfTxWtAvgBBCreditTransistiontoZero", 36, "BB TxWtAvgCreditTrans:  "),
    PCFG_COUNTER_TLV(135, "fcIfRxWtAvgBBCreditTransistiontoZero", 36, "BB RxWtAvgCreditTrans:  "),
    // A blank between label and value: one more column of label width.
    {161, 16, {{{labelled(Type::U64, "%-10s%45llu\n", true), "timestamp", 8}, kNoLine}},
     "timestamp", "fcITimestamp_t :  "},
    {168, 24, {{{labelled(Type::U64, "%-21s%35llu\n", true), "fcIfFecCorrectedBlks", 8},
                {labelled(Type::U64, "%-23s%33llu\n", true), "fcIfFecUncorrectedBlks", 16}}},
     "FEC counters", "fcIfFec Counters :  "},
}};
#undef PCFG_COUNTER_TLV

constexpr Field kTlvType = json_only<"type", Type::Int>();
constexpr Field kTlvStatus = json_only<"status", Type::Uint>();

void print_counter_tlv(uint16_t type, std::span<const uint8_t> value, Writer &w) {
    w.put(kTlvType, type);
    const CounterTlv *t = pcfg::row_of(kCounterTlvs, &CounterTlv::type, type);
    if (t == nullptr) {
        w.fail(Fail::TlvType, "ERROR: Invalid TLV type %d \n", type);
        return;
    }
    if (value.size() != t->length) {
        w.fail(Fail::TlvSize, "ERROR: Invalid tlv size %d expected size %d \n",
               static_cast<int>(value.size()), t->length);
        return;
    }
    const BeReader r(value);
    const uint32_t status = r.at(4).u32();
    w.put(kTlvStatus, status);
    if (status == 0) {
        const Scope values(w, "values");
        for (const ValueLine &line : t->lines)
            if (line.label != nullptr) w.put(line.field, r.at(line.offset).u64(), line.label);
        return;
    }
    const char *text = syserr2str(static_cast<int32_t>(status));
    if (text != nullptr)
        w.fail(Fail::TlvStatus, "%s                                       %s  \n", t->error_name,
               text);
    else
        w.fail(Fail::TlvStatus, "%sInvalid status %x \n", t->unnamed_status,
               static_cast<unsigned>(status));
}

// Walks the TLV array: exactly as many passes as the array claims TLVs. A
// value the accessor places outside the array counts as a failed fetch.
void print_counter_tlvs(std::span<const uint8_t> array, Writer &w) {
    const int n = tlv_aligned_array_get_num_tlvs(array.data(), kTlvFlags);
    const BeReader bounds(array);
    const Scope tlvs(w, "tlvs", true);
    uint32_t position = 0;
    for (int i = 0; i < n; ++i) {
        uint16_t type = 0;
        uint16_t length = 0;
        const void *value = nullptr;
        if (tlv_aligned_array_get_next_tlv(array.data(), &type, &length, &value, kTlvFlags,
                                           &position) != 0 ||
            !bounds.contains(value, length)) {
            w.fail(Fail::TlvFetch, "ERROR: Unable to retreive data: current tlv %d num tlvs %d \n",
                   i + 1, n);
            continue;
        }
        const Scope tlv(w, nullptr);
        print_counter_tlv(type, {static_cast<const uint8_t *>(value), length}, w);
    }
}

}  // namespace

int pcfg_print_port_cntr(const pcfg_rsp_view *view, Writer &w) noexcept {
    if (view == nullptr) return 0;
    w.line("COUNTER NAME\t\t\t\t DECIMAL VALUE");
    w.line("------------\t\t\t\t---------------");
    const BeReader payload(view->payload, view->size);
    if (payload.size() < kTlvArrayOffset) {
        w.fail(Fail::ShortBody, "ERROR: Invalid payload size %u expected size 696 \n",
               static_cast<unsigned>(payload.size()));
        return 0;
    }
    {
        const Scope counters(w, "counters");
        for (const fc_if_counter_entry_t *row = fcIfAllCounters_tab; row->name != nullptr; ++row)
            w.put(kCounter, payload.at(kRecordOffset + row->offset).u64(), row->name);
    }
    if (payload.size() > kTlvArrayOffset)
        print_counter_tlvs(payload.at(kTlvArrayOffset).rest(), w);
    return 0;
}
