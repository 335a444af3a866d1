// The clipboard's texts of random bytes with many NUL bytes among them: the hex text
// against printf's "%02X", built piece by piece by the plain and the shuffling formatter,
// and read back to the same bytes; the binary form's bytes copied piece by piece; the
// character text read back the same.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "hexview/clipboard_text.h"

namespace quillix::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every byte value once, then random bytes, a third of them NUL.
Bytes testBytes(std::mt19937& random, std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = i < 256 ? static_cast<std::uint8_t>(255 - i) : random() % 3 ? random() : 0;
    return bytes;
}

std::u16string printfHex(const Bytes& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i + 1 < bytes.size() ? "%02X " : "%02X", bytes[i]);
        text.append(pair, pair + std::char_traits<char>::length(pair));
    }
    return text;
}

// The hex text of bytes, made by format in pieces of random lengths.
std::u16string hexText(const Bytes& bytes, std::mt19937& random,
                       void (*format)(const std::uint8_t*, std::size_t, TextUnit*)) {
    std::u16string text(hexTextUnits(bytes.size()), u'#');
    for (std::size_t done = 0, piece = 0; done < bytes.size(); done += piece) {
        piece = std::min<std::size_t>(bytes.size() - done, 1 + random() % 70);
        format(bytes.data() + done, piece, text.data() + 3 * done);
    }
    endHexText(text.data(), bytes.size());
    text.resize(textUnits(text.data(), text.size()));
    return text;
}

// The bytes text stands for as hex text, read in two pieces cut at cut.
bool countHex(const std::u16string& text, std::size_t cut, std::size_t& count) {
    HexTextCount state;
    countHexPiece(state, text.data(), cut);
    countHexPiece(state, text.data() + cut, text.size() - cut);
    return hexTextBytes(state, count);
}

// The binary form's bytes of bytes, copied in pieces of random lengths behind its header.
Bytes copiedBytes(const Bytes& bytes, std::mt19937& random) {
    Bytes block(bytesHeaderSize + bytes.size(), 0xEE);
    for (std::size_t done = 0, piece = 0; done < bytes.size(); done += piece) {
        piece = std::min<std::size_t>(bytes.size() - done, 1 + random() % 70);
        copyBytesPiece(bytes.data() + done, piece, block.data() + bytesHeaderSize + done);
    }
    return Bytes(block.begin() + bytesHeaderSize, block.end());
}

TEST(ClipboardText, HexTextIsPrintfsPairsAndReadsBackToTheSameBytes) {
    std::mt19937 random(99);
    for (std::size_t count : {0, 1, 16, 17, 255, 256, 257, 4099}) {
        SCOPED_TRACE(count);
        const Bytes bytes = testBytes(random, count);
        const std::u16string expected = printfHex(bytes);
        EXPECT_EQ(hexText(bytes, random, formatHexPiecePlain), expected);
        EXPECT_EQ(hexText(bytes, random, formatHexPieceShuffled), expected);
        EXPECT_EQ(copiedBytes(bytes, random), bytes);
        std::size_t decoded = 99;
        ASSERT_TRUE(countHex(expected, random() % (expected.size() + 1), decoded));
        ASSERT_EQ(decoded, count);
        Bytes back(count);
        const std::size_t next = decodeHexText(expected.data(), 0, back.data(), count / 2);
        decodeHexText(expected.data(), next, back.data() + count / 2, count - count / 2);
        EXPECT_EQ(back, bytes);
    }
}

TEST(ClipboardText, HexPairsMayBeGroupedOrSpreadOverLinesButNothingElseIsRead) {
    for (const std::u16string text : {u"4D5A9000", u"4d5a 9000\r\n", u"\t 4D\n\n5a\v90\f00 "})
        for (std::size_t cut = 0, count = 0; cut <= text.size(); ++cut) {
            ASSERT_TRUE(countHex(text, cut, count));
            Bytes bytes(count);
            decodeHexText(text.data(), 0, bytes.data(), count);
            EXPECT_EQ(bytes, (Bytes{0x4D, 0x5A, 0x90, 0x00}));
        }
    for (const std::u16string text : {u"4D5", u"4D 5 A", u"4D-5A", u"0x4D", u"4G", u"4D\u00A05A"})
        for (std::size_t cut = 0, count = 0; cut <= text.size(); ++cut)
            EXPECT_FALSE(countHex(text, cut, count)) << text.size() << " cut " << cut;
}

TEST(ClipboardText, CharacterTextCarriesEachByteAsItsOwnCodeUnit) {
    std::mt19937 random(5);
    const Bytes bytes = testBytes(random, 5000);
    std::u16string text(charTextUnits(bytes.size()), u'#');
    formatCharPiece(bytes.data(), bytes.size(), text.data());
    EXPECT_EQ(text.substr(0, 3), u"\u00FF\u00FE\u00FD");
    Bytes back(bytes.size());
    decodeCharText(text.data(), bytes.size(), back.data());
    EXPECT_EQ(back, bytes);
    const std::u16string typed = u"A\u00E9\u20AC\r";  // from elsewhere: each unit's low byte
    decodeCharText(typed.data(), typed.size(), back.data());
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 4), (Bytes{0x41, 0xE9, 0xAC, 0x0D}));
}

}  // namespace
}  // namespace quillix::test
