// The bounded big-endian reader and writer every payload goes through.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "support/library_units.h"

using pcfg::BeReader;
using pcfg::BeWriter;

namespace {

const std::array<uint8_t, 15> kBytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                     0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0xFF};

TEST(BeReaderTest, AssemblesUnalignedBigEndianFields) {
    BeReader r(kBytes);
    EXPECT_EQ(r.u8(), 0x01);
    EXPECT_EQ(r.u16(), 0x0203);
    EXPECT_EQ(r.u32(), 0x04050607u);
    EXPECT_EQ(r.u64(), 0x08090A0B0C0D0EFFull);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
    BeReader s(kBytes);
    s.skip(14);
    EXPECT_EQ(s.i8(), -1);
}

TEST(BeReaderTest, AShortReadFailsWholeAndEveryLaterReadFailsToo) {
    BeReader r(kBytes.data(), 6);
    EXPECT_EQ(r.u32(), 0x01020304u);
    EXPECT_EQ(r.u32(), 0u) << "only 2 bytes left: nothing is read";
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.offset(), 4u);
    EXPECT_EQ(r.u8(), 0) << "the error is sticky: the byte at offset 4 is not read";
    EXPECT_TRUE(r.bytes(1).empty());
    EXPECT_FALSE(r.skip(0));
    BeReader s(kBytes.data(), 10);
    EXPECT_FALSE(s.seek(11));
    EXPECT_EQ(s.uint_prefix(2), 0u) << "a failed reader gives 0";
    EXPECT_EQ(s.offset(), 0u);
    EXPECT_FALSE(s.sub(1).ok());
    EXPECT_EQ(BeReader(nullptr, 10).size(), 0u) << "no bytes behind a null address";
}

TEST(BeReaderTest, PositionsSubReadersAndAddressesStayInsideTheRange) {
    BeReader r(kBytes.data(), 8);
    BeReader past = r.at(9);
    EXPECT_FALSE(past.ok());
    EXPECT_EQ(past.u8(), 0) << "a reader placed past the end reads nothing";
    EXPECT_FALSE(past.at(0).ok()) << "a failed reader places only failed readers";
    BeReader end = r.at(8);
    EXPECT_TRUE(end.ok());
    EXPECT_EQ(end.remaining(), 0u);
    EXPECT_TRUE(r.contains(kBytes.data(), 8));
    EXPECT_TRUE(r.contains(kBytes.data() + 8, 0));
    EXPECT_FALSE(r.contains(kBytes.data() + 7, 2));
    EXPECT_FALSE(r.contains(kBytes.data() + 9, 0));
    EXPECT_FALSE(BeReader().contains(kBytes.data(), 0));
    BeReader sub = r.sub(3);
    EXPECT_EQ(sub.u16(), 0x0102);
    EXPECT_EQ(sub.u16(), 0) << "the sub-reader ends at its own size";
    EXPECT_EQ(r.u8(), 0x04) << "the parent moved past the sub-reader's bytes";
    BeReader too_long = r.sub(5);
    EXPECT_FALSE(too_long.ok());
    EXPECT_FALSE(r.ok());
}

TEST(BeReaderTest, PrefixReadsTakeWhatIsThere) {
    const std::array<std::array<uint64_t, 3>, 6> cases{{  // size, width, value; at most 8 bytes
        {0, 4, 0}, {1, 4, 0x01}, {3, 4, 0x010203}, {6, 4, 0x01020304}, {15, 8, 0x0102030405060708},
        {15, 12, 0x0102030405060708}}};
    for (const auto &[size, width, value] : cases) {
        BeReader r(kBytes.data(), size);
        EXPECT_EQ(r.uint_prefix(width), value) << size << " bytes, width " << width;
        EXPECT_EQ(r.offset(), std::min({size, width, uint64_t{8}}));
        EXPECT_TRUE(r.ok());
    }
}

TEST(BeWriterTest, WritesBigEndianAndRefusesWhatDoesNotFit) {
    std::array<uint8_t, 9> buf{};
    BeWriter w(buf);
    w.u8(0x01).u32(0x02030405).u16(0x0607);
    EXPECT_TRUE(w.ok());
    w.u32(0xAABBCCDD);
    EXPECT_FALSE(w.ok());
    EXPECT_EQ(buf, (std::array<uint8_t, 9>{1, 2, 3, 4, 5, 6, 7, 0, 0}));
    std::array<uint8_t, 3> small{9, 9, 9};
    BeWriter z(small);
    EXPECT_FALSE(z.u8(1).zeros(3).ok()) << "zeros that do not fit write nothing";
    EXPECT_EQ(small, (std::array<uint8_t, 3>{1, 9, 9}));
    BeWriter f(small);
    EXPECT_FALSE(f.u32(0x01020304).u8(7).zeros(1).ok());
    EXPECT_EQ(small, (std::array<uint8_t, 3>{1, 9, 9})) << "nothing is written once a write failed";
}

}  // namespace
