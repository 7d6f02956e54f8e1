// The message transport's platform calls. Queues, sends, receives and
// releases reach the card; a message's accessors read what the card handed
// to this process, and the opcode names are this platform's.
#include <array>

#include "backend.h"
#include "call_log.h"

using namespace pcfg_sim;
using namespace pcfg_sim::platform;

namespace {

// The address handed out for every empty payload: one byte that belongs to
// no message and is never to be read.
uint8_t g_empty_payload;

struct OpcodeName {
    uint32_t opcode;
    const char *name;
};

constexpr std::array<OpcodeName, 21> kOpcodeNames{{
    {394, "MTS_OPC_PCFG_GET_PORT_CAPABILITIES"},
    {395, "MTS_OPC_PCFG_SET_PORT_CFG"},
    {397, "MTS_OPC_PCFG_FL_PORT_SERVICES"},
    {398, "MTS_OPC_PCFG_PORT_CONTROL"},
    {399, "MTS_OPC_PCFG_LINK_STATUS"},
    {403, "MTS_OPC_PCFG_SET_RDL_LABEL"},
    {409, "MTS_OPC_PCFG_CLEAR_PORT_COUNTERS"},
    {420, "MTS_OPC_PCFG_EXT_LINK_STATUS"},
    {421, "MTS_OPC_PCFG_SET_VER2_RDL_LABEL"},
    {425, "MTS_OPC_PCFG_GET_SFP_DIAG_INFO"},
    {435, "MTS_OPC_PCFG_CLI_REQ"},
    {436, "MTS_OPC_PCFG_SIG_LOSS_TIMER_CTRL"},
    {442, "MTS_OPC_PCFG_GET_PORT_MISC_INFO"},
    {513, "MTS_OPC_PCFG_CLEAR_FC_MAC_PORT_COUNTERS"},
    {3119, "MTS_OPC_PCFG_GET_AVG_COUNTERS"},
    {3120, "MTS_OPC_PCFG_GET_PORT_COUNTERS"},
    {3134, "MTS_OPC_PCFG_VERIFY_PORT_CREDIT"},
    {3144, "MTS_OPC_PCFG_MISC_CFG"},
    {3146, "MTS_OPC_PCFG_LCI_RESERVE"},
    {3187, "MTS_OPC_PCFG_GET_INTERVAL_AVG_COUNTERS"},
    {8188, "MTS_OPC_PCFG_VQI_LDI_MAP"},
}};

}  // namespace

namespace pcfg_sim::platform {

std::optional<std::span<const uint8_t>> held_payload_containing(const void *p) {
    if (p == &g_empty_payload) return std::span<const uint8_t>{};
    return backend().held_payload_containing(p);
}

}  // namespace pcfg_sim::platform

extern "C" {

int mts_bind(int type, int sap, const uint32_t *options, const char *name) {
    card::CardAccess &card = backend();
    note<CallId::mts_bind>([&] {
        return Logged{{type, sap, given(options), given(name)}, {}, words_of(options, 6),
                      name != nullptr ? name : ""};
    });
    return card.bind(type, sap, options, name);
}

int mts_unbind(int handle, int flags) {
    card::CardAccess &card = backend();
    note<CallId::mts_unbind>([&] { return Logged{{handle, flags}}; });
    return card.unbind(handle, flags);
}

int mts_send(int handle, const mts_addr_t *dest, uint32_t opcode, const void *payload,
             uint32_t length, mts_msg_t *sent, int flags, int reserved) {
    card::CardAccess &card = backend();
    note<CallId::mts_send>([&] {
        const auto *bytes = static_cast<const uint8_t *>(payload);
        std::vector<uint8_t> sent_bytes;
        if (bytes != nullptr) sent_bytes.assign(bytes, bytes + length);
        return Logged{{handle, dest != nullptr ? dest->node : 0, dest != nullptr ? dest->sap : 0, opcode,
                       given(payload), length, given(sent), flags, reserved},
                      std::move(sent_bytes)};
    });
    return card.send(handle, dest, opcode, payload, length, sent, flags, reserved);
}

int mts_recv(int handle, mts_msg_t *msg, const uint32_t *options) {
    card::CardAccess &card = backend();
    note<CallId::mts_recv>(
        [&] { return Logged{{handle, given(msg), given(options)}, {}, words_of(options, 10)}; });
    return card.recv(handle, msg, options);
}

int mts_drop(int handle, mts_msg_t *msg) {
    card::CardAccess &card = backend();
    note<CallId::mts_drop>([&] { return Logged{{handle, given(msg)}}; });
    return card.drop(handle, msg);
}

int mts_errno_get(int handle) {
    if (auto f = enter<CallId::mts_errno_get>([&] { return Logged{{handle}}; }))
        return static_cast<int>(f->result);
    return backend().last_errno(handle);
}

uint32_t mts_opc_get(const mts_msg_t *msg) {
    if (auto f = enter<CallId::mts_opc_get>([&] { return Logged{{given(msg)}}; }))
        return static_cast<uint32_t>(f->result);
    const auto m = backend().held(msg);
    return m ? m->opcode : 0;
}

void *mts_payload_get(const mts_msg_t *msg) {
    if (enter<CallId::mts_payload_get>([&] { return Logged{{given(msg)}}; })) return nullptr;
    const auto m = backend().held(msg);
    if (!m || m->null_payload) return nullptr;
    // An empty payload still has an address: one past nothing, never read.
    return m->payload.empty() ? &g_empty_payload : const_cast<uint8_t *>(m->payload.data());
}

uint32_t mts_payload_size(const mts_msg_t *msg) {
    if (auto f = enter<CallId::mts_payload_size>([&] { return Logged{{given(msg)}}; }))
        return static_cast<uint32_t>(f->result);
    const auto m = backend().held(msg);
    return m && !m->null_payload ? static_cast<uint32_t>(m->payload.size()) : 0;
}

uint32_t mts_rr_token_get(const mts_msg_t *sent) {
    if (auto f = enter<CallId::mts_rr_token_get>([&] { return Logged{{given(sent)}}; }))
        return static_cast<uint32_t>(f->result);
    const auto m = backend().held(sent);
    return m ? m->token : 0;
}

const char *mts_opc_name_get(uint32_t opcode) {
    if (enter<CallId::mts_opc_name_get>([&] { return Logged{{opcode}}; })) return nullptr;
    for (const OpcodeName &row : kOpcodeNames)
        if (row.opcode == opcode) return row.name;
    return nullptr;
}

}  // extern "C"
