// Faults the fuzz targets found (fuzz/regressions/), each pinned where it
// was fixed.
#include <array>

#include "pcfg_platform.h"
#include "support/fixture.h"

using namespace pcfg_test;
using pcfg_sim::Reply;

namespace {

class FuzzFindingsTest : public PcfgTest {};

constexpr mts_addr_t kManager{0xfe000000u, 902u};
constexpr std::array<uint32_t, 6> kBindOptions MTS_CLIENT_BIND_OPTIONS;
constexpr std::array<uint32_t, 10> kRecvOptions{};

// tlv_array/empty-payload-header-read-past-message: the address of an empty
// payload holds no TLV array header.
TEST_F(FuzzFindingsTest, TlvAccessorsReadNothingAtAnEmptyPayload) {
    pcfg_sim::script_reply({Reply::Kind::Answer, 0, {}});
    const int q = mts_bind(2, -1, kBindOptions.data(), "test");
    const std::array<uint8_t, 8> request{};
    ASSERT_EQ(mts_send(q, &kManager, 435, request.data(), request.size(), nullptr, 0, 0), 0);
    mts_msg_t answer{};
    ASSERT_EQ(mts_recv(q, &answer, kRecvOptions.data()), 0);
    const void *payload = mts_payload_get(&answer);
    ASSERT_NE(payload, nullptr);
    EXPECT_EQ(mts_payload_size(&answer), 0u);
    EXPECT_EQ(tlv_aligned_array_get_num_tlvs(payload, 0), -1);
    uint16_t type = 0, length = 0;
    const void *value = nullptr;
    uint32_t position = 0;
    EXPECT_EQ(tlv_aligned_array_get_next_tlv(payload, &type, &length, &value, 0, &position), -1);
    mts_drop(q, &answer);
    mts_unbind(q, 0);
}

}  // namespace
