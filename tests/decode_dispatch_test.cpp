// The decoder table, its accessors and the dispatcher with its shared indent.
#include <set>

#include "support/fixture.h"
#include "support/logged_record.h"

using namespace pcfg_test;

namespace {

class DecodeDispatchTest : public PcfgTest {};

std::string dispatched(const std::vector<uint8_t> &rec) {
    return with_result(
        [&] { return eventlog_port_cfg_cli(reinterpret_cast<const pcfg_logged_msg_t *>(rec.data())); });
}

struct Row {
    uint32_t opcode;
    pcfg_decoder_fn decoder;
};

const std::vector<Row> kRows{
    {395, show_set_port_cfg_handler},          {398, show_control_handler},
    {403, show_set_rdl_label_handler},         {421, show_set_ver2_rdl_label_handler},
    {3120, show_get_port_counters_handler},    {3119, show_get_avg_counters_handler},
    {3187, show_get_interval_avg_counters_handler}, {409, show_clear_port_counters_handler},
    {513, show_clear_fc_mac_port_counters_handler}, {425, show_get_sfp_diag_info_handler},
    {397, show_fl_port_services_handler},      {394, show_get_port_capabilities_handler},
    {399, show_link_status_handler},           {3134, show_lcp_verify_port_credit_handler},
    {436, show_lc_port_sig_loss_timer_ctrl_handler}, {442, show_lc_get_port_misc_info_handler},
    {3144, show_lcp_misc_cfg_handler},         {3146, show_lcp_lci_reserve_handler},
    {8188, show_lcpc_vqi_ldi_map_handler},     {420, show_lc_ext_link_status_handler},
};

TEST_F(DecodeDispatchTest, TableRowsInOrderTheirLookupAndDistinctDecoders) {
    ASSERT_EQ(get_mts_filter_tbl_size(), 20);
    EXPECT_EQ(get_mts_filter_tbl_ptr(), &shm_mts_filter_tbl[0]);
    for (size_t i = 0; i < kRows.size(); ++i) {
        EXPECT_EQ(shm_mts_filter_tbl[i].opcode, kRows[i].opcode) << i;
        EXPECT_EQ(shm_mts_filter_tbl[i].decoder, kRows[i].decoder) << i;
        EXPECT_EQ(shm_mts_filter_tbl[i].reserved, 0u) << i;
        EXPECT_EQ(get_mts_filter_tbl_entry(kRows[i].opcode), &shm_mts_filter_tbl[i]) << i;
    }
    EXPECT_EQ(get_mts_filter_tbl_entry(420), &shm_mts_filter_tbl[19]);
    for (uint32_t opcode : {0u, 435u, 396u, 0xffffffffu})
        EXPECT_EQ(get_mts_filter_tbl_entry(opcode), nullptr) << opcode;
    // Every decoder is a function of its own.
    std::set<pcfg_decoder_fn> decoders;
    for (const Row &r : kRows) decoders.insert(r.decoder);
    decoders.insert(show_get_one_port_counter_handler);
    decoders.insert(show_lcp_get_port_info_handler);
    decoders.insert(show_pcfg_query_port_capabilities_handler);
    EXPECT_EQ(decoders.size(), 23u);
}

TEST_F(DecodeDispatchTest, RecordsWithoutADecoderSilentDecodersAndBuginf) {
    EXPECT_EQ(with_result([] { return eventlog_port_cfg_cli(nullptr); }), "Unsupported MTS opc\n[rc -1]\n");
    for (uint32_t opcode : {435u, 0u, 8189u})
        EXPECT_EQ(dispatched(logged_record(opcode, kRequest, {1, 2, 3})), "Unsupported MTS opc\n[rc -1]\n")
            << opcode;
    for (uint32_t opcode : {3187u, 513u, 3134u, 436u, 442u, 3144u, 3146u, 8188u, 420u})
        EXPECT_EQ(dispatched(logged_record(opcode, kReply, {0, 1, 2, 3, 4})), "[rc 0]\n") << opcode;
    EXPECT_TRUE(pcfg_sim::calls().empty());
    for (uint32_t w : {0u, 1u, 0xdeadbeefu, 0xffffffffu})
        EXPECT_EQ(out([&] { EXPECT_EQ(pcfg_buginf_wrap(w), w); }), "");
}

TEST_F(DecodeDispatchTest, DispatchResetsTheIndentDirectCallsKeepIt) {
    const uint32_t port4 = pcfg_sim::if_index_of_port(4);
    const auto sfp = logged_record(425, kRequest, Bytes().u32(port4));
    const auto avg = logged_record(3119, kRequest, Bytes().u32(port4).u32(1));
    const auto set_cfg = logged_record(395, kRequest, Bytes().u8(0).u8(1).u32(port4).u8(0));
    const auto avg_with = [&](const char *indent) {
        return std::string(indent) + "if_index:0x1004000 flags:0x1 port:4\n";
    };
    EXPECT_EQ(dispatched(sfp), "       if_index:0x1004000\n[rc 0]\n");
    EXPECT_EQ(decode(show_get_avg_counters_handler, avg), avg_with("       "))
        << "a direct call keeps the 7 spaces the SFP decoder left";
    EXPECT_EQ(dispatched(avg), avg_with("     ") + "[rc 0]\n") << "the dispatcher sets 5 again";
    dispatched(set_cfg);
    EXPECT_EQ(decode(show_get_avg_counters_handler, avg), avg_with("      "))
        << "set port configuration leaves 6 spaces";
    const auto info =
        logged_record(0, kReply, Bytes().u32(port4).u32(1).u16(26).u16(0).u32(0).u32(0).u32(3));
    decode(show_lcp_get_port_info_handler, info);
    EXPECT_EQ(decode(show_get_avg_counters_handler, avg), avg_with("       "))
        << "line-card port information leaves 7 spaces";
}

}  // namespace
