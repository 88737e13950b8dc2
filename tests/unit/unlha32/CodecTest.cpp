// CRC-16, Huffman code construction and the -lh5-/-lh6-/-lh7- encoder and decoder.
#include <gtest/gtest.h>

#include <cstring>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/HuffmanCode.h"
#include "archivers/unlha32/HuffmanTable.h"
#include "archivers/unlha32/LzhDecoder.h"
#include "archivers/unlha32/LzhEncoder.h"

using namespace unlha;
using namespace unlha_test;

namespace {

struct StringSink : ByteSink {
    std::string data;
    void Write(const uint8_t* d, std::size_t n) override {
        data.append(reinterpret_cast<const char*>(d), n);
    }
};

struct StringSource : ByteSource {
    explicit StringSource(const std::string& s) : data(s) {}
    std::size_t Read(uint8_t* d, std::size_t n) override {
        n = std::min(n, data.size() - pos);
        std::memcpy(d, data.data() + pos, n);
        pos += n;
        return n;
    }
    const std::string& data;
    std::size_t pos = 0;
};

std::string Encode(Method m, const std::string& input, const EncoderTuning& tuning = {},
                   std::size_t chunk = 100000) {
    StringSink sink;
    LzhEncoder encoder(m, sink, tuning);
    for (std::size_t i = 0; i < input.size(); i += chunk)
        encoder.Write(reinterpret_cast<const uint8_t*>(input.data()) + i,
                      std::min(chunk, input.size() - i));
    encoder.Finish();
    return sink.data;
}

std::string Decode(Method m, const std::string& compressed, std::size_t size) {
    StringSource source(compressed);
    StringSink sink;
    LzhDecoder decoder(m, source);
    decoder.Decode(size, sink);
    return sink.data;
}

} // namespace

TEST(Crc16, MatchesTheArcCrcAndUpdatesInPieces) {
    EXPECT_EQ(Crc16("123456789", 9), 0xBB3D);
    EXPECT_EQ(Crc16("", 0), 0);
    const std::string data = RandomData(1000);
    const uint16_t whole = Crc16(data.data(), data.size());
    for (std::size_t split : {1u, 7u, 8u, 9u, 500u}) {
        const uint16_t first = UpdateCrc16(0, data.data(), split);
        EXPECT_EQ(UpdateCrc16(first, data.data() + split, data.size() - split), whole) << split;
    }
}

TEST(HuffmanCode, LimitsLengthsTo16BitsAndKeepsTheCodeComplete) {
    // Fibonacci frequencies make an unlimited Huffman code about 30 levels deep.
    std::vector<uint32_t> freq(40);
    uint32_t a = 1, b = 1;
    for (uint32_t& f : freq) {
        f = a;
        const uint32_t next = a + b;
        a = b;
        b = next;
    }
    std::vector<uint8_t> lengths(freq.size());
    EXPECT_EQ(BuildCodeLengths(freq.data(), 40, 16, lengths.data()), 40);
    uint64_t kraft = 0;
    for (uint8_t len : lengths) {
        ASSERT_GE(len, 1);
        ASSERT_LE(len, 16);
        kraft += uint64_t{1} << (16 - len);
    }
    EXPECT_EQ(kraft, uint64_t{1} << 16);
    // More frequent symbols never get longer codes.
    for (std::size_t i = 1; i < lengths.size(); ++i)
        EXPECT_LE(lengths[i], lengths[i - 1]);
    std::vector<uint16_t> codes(freq.size());
    BuildCanonicalCodes(lengths.data(), 40, codes.data());
    HuffmanTable table;
    ASSERT_TRUE(table.Build(lengths.data(), 40, 8));
    for (int s = 0; s < 40; ++s) {
        // Decode each code by hand through the table.
        const uint32_t bits = static_cast<uint32_t>(codes[static_cast<std::size_t>(s)])
                              << (16 - lengths[static_cast<std::size_t>(s)]);
        uint32_t e = table.Entries()[bits >> 8];
        if ((e >> 24) == HuffmanTable::kSubTable) {
            const unsigned sub = (e >> 16) & 0xFF;
            e = table.Entries()[(e & 0xFFFF) + ((bits >> (8 - sub)) & ((1u << sub) - 1))];
        }
        ASSERT_EQ(e >> 24, HuffmanTable::kSymbol);
        EXPECT_EQ(static_cast<int>(e & 0xFFFF), s);
        EXPECT_EQ((e >> 16) & 0xFF, lengths[static_cast<std::size_t>(s)]);
    }
}

TEST(HuffmanCode, OneUsedSymbolGivesNoLengthsAndOverfullCodesAreRefused) {
    uint32_t freq[5] = {0, 0, 9, 0, 0};
    uint8_t lengths[5];
    EXPECT_EQ(BuildCodeLengths(freq, 5, 16, lengths), 1);
    for (uint8_t len : lengths)
        EXPECT_EQ(len, 0);
    const uint8_t overfull[3] = {1, 1, 1};
    HuffmanTable table;
    EXPECT_FALSE(table.Build(overfull, 3, 8));
    const uint8_t tooLong[2] = {17, 1};
    EXPECT_FALSE(table.Build(tooLong, 2, 8));
}

TEST(LzhCodec, RoundTripsEveryKindOfDataWithEveryMethod) {
    const std::vector<std::pair<const char*, std::string>> inputs = {
        {"one byte", "x"},
        {"two bytes", "xy"},
        {"one byte repeated", std::string(200000, 'a')},
        {"text", TextData(300000)},
        {"random", RandomData(200000)},
        {"mixed", MixedData(1500000)},
    };
    for (Method m : {Method::Lh5, Method::Lh6, Method::Lh7}) {
        for (const auto& [kind, input] : inputs) {
            const std::string packed = Encode(m, input, {}, 77777);
            EXPECT_EQ(Decode(m, packed, input.size()), input) << MethodName(m) << " " << kind;
        }
    }
}

TEST(LzhCodec, CompressesRepeatsAcrossTheWholeDictionary) {
    // A block of random data repeated at exactly 64 KiB, 32 KiB and 8 KiB distance.
    for (const auto& [m, dict] : {std::pair{Method::Lh5, 8192u}, std::pair{Method::Lh6, 32768u},
                                  std::pair{Method::Lh7, 65536u}}) {
        const std::string block = RandomData(dict);
        const std::string input = block + block + block;
        const std::string packed = Encode(m, input);
        EXPECT_LT(packed.size(), dict + dict / 4) << MethodName(m);
        EXPECT_EQ(Decode(m, packed, input.size()), input) << MethodName(m);
    }
}

TEST(LzhCodec, SmallBlocksAndSlowSearchesStillDecode) {
    EncoderTuning tuning;
    tuning.blockCodes = 50;
    tuning.maxChain = 4096;
    tuning.maxLazy = 256;
    tuning.niceLength = 256;
    const std::string input = MixedData(400000, 9);
    for (Method m : {Method::Lh5, Method::Lh7}) {
        const std::string packed = Encode(m, input, tuning, 1);
        EXPECT_EQ(Decode(m, packed, input.size()), input) << MethodName(m);
    }
}

TEST(LzhCodec, BrokenDataRaiseAnErrorInsteadOfRunningOn) {
    const std::string input = TextData(100000);
    const std::string packed = Encode(Method::Lh7, input);
    auto codeOf = [&](const std::string& data, std::size_t size) {
        try {
            Decode(Method::Lh7, data, size);
        } catch (const ArchiveError& e) {
            return e.code();
        }
        return 0;
    };
    // Cut off: more data asked for than the stream holds.
    EXPECT_EQ(codeOf(packed.substr(0, packed.size() / 2), input.size()), ARC_ERROR_HUFFMAN_CODE);
    // A block of zero codes.
    EXPECT_EQ(codeOf(std::string(16, '\0'), 10), ARC_ERROR_HUFFMAN_CODE);
    // Nothing at all.
    EXPECT_EQ(codeOf(std::string(), 10), ARC_ERROR_HUFFMAN_CODE);
}

TEST(LzhCodec, AResetEncoderWritesWhatAFreshOneWrites) {
    const std::string first = MixedData(300000, 5);
    const std::string second = first.substr(1000, 120000) + TextData(50000, 6);
    StringSink sink;
    LzhEncoder encoder(Method::Lh7, sink);
    encoder.Write(reinterpret_cast<const uint8_t*>(first.data()), first.size() / 2);
    encoder.Reset(); // as after a file given up half-way
    sink.data.clear();
    encoder.Write(reinterpret_cast<const uint8_t*>(first.data()), first.size());
    encoder.Finish();
    EXPECT_EQ(sink.data, Encode(Method::Lh7, first));
    sink.data.clear();
    encoder.Reset();
    encoder.Write(reinterpret_cast<const uint8_t*>(second.data()), second.size());
    encoder.Finish();
    // Nothing of the first input is referred to.
    EXPECT_EQ(sink.data, Encode(Method::Lh7, second));
    EXPECT_EQ(Decode(Method::Lh7, sink.data, second.size()), second);
}
