#include "vorta.h"
#include "vorta_vectors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// The text in a heap block of exactly L + 1 bytes, so that AddressSanitizer
// reports any read past the terminating zero.
std::unique_ptr<char[]> ExactCopy(const std::string &text)
{
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

int Checksum(const std::string &text)
{
    return jmPass(ExactCopy(text).get());
}

TEST(JmPass, KnownVectors)
{
    for (const auto &v : vorta_vectors::kVectors) {
        EXPECT_EQ(jmPass(v.text), v.expected) << v.label;
        EXPECT_EQ(Checksum(v.text), v.expected) << v.label << " (exact-size copy)";
    }
}

TEST(JmPass, NullIsTheEmptyPassword)
{
    EXPECT_EQ(jmPass(nullptr), 0);
    EXPECT_EQ(jmPass(""), 0);
}

TEST(JmPass, OneByteGivesTheSecondKeyNibbleWhateverTheByte)
{
    for (int b = 1; b < 256; ++b)
        ASSERT_EQ(Checksum(std::string(1, static_cast<char>(b))), 0x6B & 0x0F) << "byte " << b;
}

TEST(JmPass, FirstByteNeverCounts)
{
    const std::string tail = "assw0rd";
    const int reference = Checksum("p" + tail);
    for (int b = 1; b < 256; ++b)
        ASSERT_EQ(Checksum(std::string(1, static_cast<char>(b)) + tail), reference) << "first byte " << b;
}

TEST(JmPass, BytesAfterTheFirstZeroNeverCount)
{
    const char a[] = {'x', 'y', 'z', 0, 'A', 'B', 0};
    const char b[] = {'x', 'y', 'z', 0, '\x7F', '\xFF', 0};
    EXPECT_EQ(jmPass(a), jmPass(b));
    EXPECT_EQ(jmPass(a), Checksum("xyz"));
}

TEST(JmPass, EachTermIsTheByteWithItsLowNibbleFlippedByTheKey)
{
    // Position by position against one independent rule: replacing byte i
    // (1 <= i < L) by b changes the checksum by the difference of the terms.
    static const unsigned char nibble[16] = {0xF, 0xB, 0xD, 0x0, 0x1, 0x7, 0x5, 0x2,
                                             0x4, 0xA, 0x5, 0xC, 0xF, 0x2, 0xF, 0x0};
    const std::string base(15, '\x01');
    const int baseSum = Checksum(base);
    for (std::size_t i = 1; i < base.size(); ++i) {
        for (int b = 1; b < 256; ++b) {
            std::string text = base;
            text[i] = static_cast<char>(b);
            const int expected = baseSum - (0x01 ^ nibble[i]) + (b ^ nibble[i]);
            ASSERT_EQ(Checksum(text), expected) << "offset " << i << " byte " << b;
        }
    }
}

TEST(JmPass, AddingMultiplesOfSixteenAddsExactlyThat)
{
    // Changing the high nibble only moves the term by whole 16s; there is no
    // carry into the low nibble and no sign extension of bytes >= 0x80.
    const std::string base = "k\x03\x13\x23\x05\x06\x07";
    const int baseSum = Checksum(base);
    for (std::size_t i = 1; i < base.size(); ++i) {
        const int high = static_cast<unsigned char>(base[i]) >> 4;
        for (int n = 1; high + n <= 15; ++n) {
            std::string text = base;
            text[i] = static_cast<char>(static_cast<unsigned char>(base[i]) + 16 * n);
            ASSERT_EQ(Checksum(text), baseSum + 16 * n) << "offset " << i << " n " << n;
        }
    }
}

TEST(JmPass, LowNibbleChangesStayWithinItsRunOfSixteen)
{
    const std::string base = "k\x30\x30\x30";
    const int baseSum = Checksum(base);
    for (int low = 0; low < 16; ++low) {
        std::string text = base;
        text[2] = static_cast<char>(0x30 | low);
        const int delta = Checksum(text) - baseSum;
        ASSERT_GE(delta, -15) << "low nibble " << low;
        ASSERT_LE(delta, 15) << "low nibble " << low;
    }
}

TEST(JmPass, ChecksumOfSupportedLengthsStaysInRange)
{
    // Every length 0..15 with the bytes that maximise and minimise the terms.
    for (std::size_t length = 0; length <= 15; ++length) {
        for (char fill : {'\x01', '\x0F', '\x10', '\xF0', '\xFF'}) {
            const int sum = Checksum(std::string(length, fill));
            ASSERT_GE(sum, 0);
            ASSERT_LE(sum, 3570) << "length " << length;
        }
    }
}

TEST(JmPass, LongPasswordsReadNothingBeyondTheKeyAndCountEveryByte)
{
    // Beyond position 15 each byte adds its own value. Run under
    // AddressSanitizer, this also proves that neither the key text nor the
    // caller's text is read past its end, whatever the length.
    const int fifteen = Checksum(std::string(15, 'A'));
    for (std::size_t length = 16; length <= 4096; length *= 2) {
        const std::string text(length, 'A');
        const int expected = fifteen + static_cast<int>(length - 15) * 'A';
        EXPECT_EQ(Checksum(text), expected) << "length " << length;
    }
    // Long texts of bytes >= 0x80 wrap nothing and stay non-negative.
    const std::string big(100000, '\xFF');
    EXPECT_EQ(Checksum(big), Checksum(std::string(15, '\xFF')) + (100000 - 15) * 0xFF);
}

TEST(JmPass, ConcurrentCallsDoNotDisturbEachOther)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (std::size_t t = 0; t < failures.size(); ++t) {
        threads.emplace_back([t, &failures] {
            for (int round = 0; round < 2000; ++round)
                for (const auto &v : vorta_vectors::kVectors)
                    if (jmPass(v.text) != v.expected)
                        ++failures[t];
        });
    }
    for (auto &thread : threads)
        thread.join();
    for (std::size_t t = 0; t < failures.size(); ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace
