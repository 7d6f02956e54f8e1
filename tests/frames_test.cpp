// The frames between a shell and the card: every operation's request and
// answer come back through the one description of their body as they were
// sent, a body cut short or run on is refused, and the bytes of a frame are
// those the format gives.
#include <gtest/gtest.h>

#include <tuple>

#include "frames.h"
#include "support/fixture.h"

namespace {

using namespace pcfg_sim::link;
using pcfg_sim::Reply;

class Frames : public pcfg_test::PcfgTest {};

const uint8_t kSomeBytes[] = {1, 2, 0, 0xff};
const Bytes kBytes{kSomeBytes};
const Message kMessage{7, 435, 0x1001, false, kBytes};

template <class O>
struct Sample {
    using Operation = O;
    typename O::Request request;
    typename O::Answer answer;
};

// One of each operation, its fields other than their defaults.
const auto kSamples = std::make_tuple(
    Sample<HelloOp>{{42, "pcfg"}, {"/pcfg_eventlog", 48}},
    Sample<BindOp>{{2, -1, {true, {1, 0, 0x400, 0, 0, 0xf}}, {true, "shell"}}, {3, 0}},
    Sample<UnbindOp>{{3, 1}, {-1, 9}},
    Sample<SendOp>{{3, {true, {0xfe000000u, 902}}, 435, {true, kBytes}, true, 1, 2, true},
                   {0, 0, 5, 0x1001, kMessage}},
    Sample<ReceiveOp>{{3, {true, {1, 0, 5, 0x1001, 0, 0, 0, 0, 0, 9}}}, {-1, 62, kMessage}},
    Sample<DropOp>{{3, 7}, {0, 0}},
    Sample<HistoryOp>{{true, {0xfe000000u, 902}, 173, 5, 1},
                      {0, true, true, {{13, 1764950400, 2, kBytes}, {14, 1764950401, 3, {}}}}},
    Sample<ServiceOp>{{380, {true, {4, 1, 2}}}, {-0x4029000B, {4, 1, 2, 3}}},
    Sample<PortsOp>{{true}, {0, {{{0x1000000, 0}, {0x1001000, 1}}}}},
    Sample<TotalOp>{{}, {48}},
    Sample<PortMapOp>{{0x1004000, true}, {0, 4}},
    Sample<StatusOp>{{}, {0, 1764950460, 48, 3, 2, 1, true,
                          {{Reply::Kind::Silence, 0, {}}, {Reply::Kind::Answer, 999, {1, 2}}}, 7,
                          {{"mts_send", -1, 5, 1, 0}}, {{99, 2, 1, true, "pcfg"}}}},
    Sample<StopOp>{{}, {}},
    Sample<SilentOp>{{true}, {0}},
    Sample<ClearScriptOp>{{}, {0}},
    Sample<ScriptOp>{{Reply::Kind::NullPayload, 999, {0xff}}, {-1}},
    Sample<FailOp>{{"sse_call", -0x40290016, 5, 2, 3}, {0}},
    Sample<ClearFaultsOp>{{}, {0}},
    Sample<ResetOp>{{4}, {4}},
    Sample<AdvanceOp>{{60}, {1764950460}},
    Sample<NowOp>{{}, {1764950400}},
    Sample<PortCountOp>{{}, {48}},
    Sample<ClearLogOp>{{}, {0}},
    Sample<PortIfIndexOp>{{4}, {0x1004000}},
    Sample<RefusedOp>{{}, {Refusal::OtherUser, "it serves user 1000 only"}});
static_assert(std::tuple_size_v<decltype(kSamples)> == kLastOp + static_cast<size_t>(Control::PortIfIndex),
              "one sample of every operation, and of the card's refusal");

// The frame with its body one byte shorter or longer (its length field
// following), as a peer could send it.
std::vector<uint8_t> resized(std::vector<uint8_t> frame, bool longer) {
    if (longer)
        frame.push_back(0);
    else
        frame.pop_back();
    const size_t n = frame.size();
    for (size_t i = 0; i < 4; ++i) frame[4 + i] = static_cast<uint8_t>(n >> (24 - 8 * i));
    return frame;
}

template <class T>
void expect_round_trip(const std::vector<uint8_t> &frame, const T &sent, uint8_t op, Control control) {
    T got{};
    FrameReader r(frame);
    EXPECT_TRUE(r.get(got).done());
    EXPECT_EQ(r.op(), op);
    EXPECT_EQ(r.control(), control);
    EXPECT_TRUE(got == sent);
    const bool has_body = frame.size() > kFrameHeader + (control != Control::None ? 1 : 0);
    for (const bool longer : {false, true}) {
        if (!longer && !has_body) continue;
        T other{};
        const std::vector<uint8_t> bytes = resized(frame, longer);
        FrameReader cut(bytes);
        EXPECT_TRUE(cut.ok());
        EXPECT_FALSE(cut.get(other).done()) << (longer ? "run on" : "cut short");
    }
}

TEST_F(Frames, EveryBodyComesBackAsItWasSent) {
    std::apply([](const auto &...sample) {
        const auto check = [](const auto &s) {
            using O = typename std::remove_cvref_t<decltype(s)>::Operation;
            SCOPED_TRACE(static_cast<int>(O::op) * 100 + static_cast<int>(O::control));
            expect_round_trip(request_frame<O>(s.request), s.request, static_cast<uint8_t>(O::op), O::control);
            expect_round_trip(answer_frame<O>(s.answer), s.answer,
                              static_cast<uint8_t>(O::op) | kAnswerBit, Control::None);
        };
        (check(sample), ...);
    }, kSamples);
}

TEST_F(Frames, TheBytesOfAFrame) {
    const BindRequest bind{2, -1, {true, {1, 0, 0x400, 0, 0, 0xf}}, {true, "ab"}};
    EXPECT_EQ(request_frame<BindOp>(bind),
              (std::vector<uint8_t>{'P', 'F', 2, 2, 0, 0, 0, 46,           // header, 46 bytes
                                    0, 0, 0, 2, 0xff, 0xff, 0xff, 0xff, 1,  // type, sap, options given
                                    0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xf,
                                    1, 0, 2, 'a', 'b'}));  // name given, text
    EXPECT_EQ(request_frame<FailOp>({"x", -1, 5, 1, 0}),
              (std::vector<uint8_t>{'P', 'F', 2, 12, 0, 0, 0, 32, 4,  // header, Control what
                                    0, 1, 'x', 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                    0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 0}));
    // A list that claims more elements than the frame could hold.
    std::vector<uint8_t> status = answer_frame<StatusOp>({});
    status[8 + 21] = 0xff;  // the count of scripted answers
    pcfg_sim::CardStatus got;
    FrameReader r(status);
    EXPECT_FALSE(r.get(got).done());
}

}  // namespace
