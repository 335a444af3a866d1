// The clipboard's texts of random bytes, NUL bytes and every value among them: the hex
// text against printf's "%02X", built whole or piece by piece, by the plain and the
// shuffling formatter alike, and read back to the same bytes; the character text read
// back the same; the binary block's stated count.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "hexview/clipboard_text.h"

namespace quillix::test {
namespace {

std::vector<std::uint8_t> randomBytes(std::mt19937& random, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    // A third NUL bytes, the rest anything.
    for (auto& byte : bytes) byte = random() % 3 == 0 ? 0 : static_cast<std::uint8_t>(random());
    return bytes;
}

std::u16string printfHex(const std::vector<std::uint8_t>& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i + 1 < bytes.size() ? "%02X " : "%02X", bytes[i]);
        for (const char* c = pair; *c; ++c) text += static_cast<char16_t>(*c);
    }
    return text;
}

// The hex text of bytes, formatted in pieces of the given lengths by format.
std::u16string hexTextInPieces(const std::vector<std::uint8_t>& bytes, std::mt19937& random,
                               void (*format)(const std::uint8_t*, std::size_t, TextUnit*)) {
    std::u16string text(hexTextUnits(bytes.size()), u'#');
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t piece = std::min<std::size_t>(bytes.size() - done, 1 + random() % 70);
        format(bytes.data() + done, piece, text.data() + 3 * done);
        done += piece;
    }
    endHexText(text.data(), bytes.size());
    text.resize(textUnits(text.data(), text.size()));
    return text;
}

TEST(ClipboardText, HexTextIsPrintfsPairsAndReadsBackToTheSameBytes) {
    std::mt19937 random(99);
    for (std::size_t count : {0, 1, 2, 15, 16, 17, 31, 32, 33, 100, 1000, 4099}) {
        SCOPED_TRACE(count);
        const std::vector<std::uint8_t> bytes = randomBytes(random, count);
        const std::u16string expected = printfHex(bytes);
        EXPECT_EQ(hexTextInPieces(bytes, random, formatHexPiecePlain), expected);
        EXPECT_EQ(hexTextInPieces(bytes, random, formatHexPieceShuffled), expected);
        EXPECT_EQ(hexTextInPieces(bytes, random, formatHexPiece), expected);

        std::size_t decodedCount = 99;
        ASSERT_TRUE(countHexText(expected.data(), expected.size(), decodedCount));
        ASSERT_EQ(decodedCount, count);
        std::vector<std::uint8_t> back(count);
        decodeHexText(expected.data(), expected.size(), back.data());
        EXPECT_EQ(back, bytes);
    }
}

TEST(ClipboardText, EveryByteValueFormatsInBothFormatters) {
    std::vector<std::uint8_t> all(256);
    for (int b = 0; b < 256; ++b) all[b] = static_cast<std::uint8_t>(b);
    std::mt19937 random(1);
    EXPECT_EQ(hexTextInPieces(all, random, formatHexPieceShuffled), printfHex(all));
    EXPECT_EQ(hexTextInPieces(all, random, formatHexPiecePlain), printfHex(all));
}

TEST(ClipboardText, HexPairsMayBeGroupedOrSpreadOverLinesButNothingElseIsRead) {
    const struct {
        std::u16string text;
        std::vector<std::uint8_t> bytes;
    } accepted[] = {
        {u"4D5A9000", {0x4D, 0x5A, 0x90, 0x00}},
        {u"4d5a 9000\r\n", {0x4D, 0x5A, 0x90, 0x00}},
        {u"\t de AD\n\nbE\vef\f", {0xDE, 0xAD, 0xBE, 0xEF}},
        {u"   ", {}},
    };
    for (const auto& c : accepted) {
        std::size_t count = 0;
        ASSERT_TRUE(countHexText(c.text.data(), c.text.size(), count));
        std::vector<std::uint8_t> bytes(count);
        decodeHexText(c.text.data(), c.text.size(), bytes.data());
        EXPECT_EQ(bytes, c.bytes);
    }
    for (const std::u16string refused :
         {u"4D5", u"4D 5 A", u"4D-5A", u"0x4D", u"4G", u"4D\u00A05A", u"4D,5A"}) {
        std::size_t count = 7;
        EXPECT_FALSE(countHexText(refused.data(), refused.size(), count));
    }
}

TEST(ClipboardText, CharacterTextCarriesEachByteAsItsOwnCodeUnit) {
    std::mt19937 random(5);
    const std::vector<std::uint8_t> bytes = randomBytes(random, 5000);
    std::u16string text(charTextUnits(bytes.size()), u'#');
    formatCharPiece(bytes.data(), bytes.size(), text.data());
    for (std::size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(text[i], bytes[i]) << i;
    std::vector<std::uint8_t> back(bytes.size());
    decodeCharText(text.data(), bytes.size(), back.data());
    EXPECT_EQ(back, bytes);
    // Text from elsewhere: each unit's low byte, as typing stores it.
    const std::u16string typed = u"A\u00E9\u20AC\r";
    std::vector<std::uint8_t> stored(typed.size());
    decodeCharText(typed.data(), typed.size(), stored.data());
    EXPECT_EQ(stored, (std::vector<std::uint8_t>{0x41, 0xE9, 0xAC, 0x0D}));
}

TEST(ClipboardText, TheBinaryBlockStatesItsCountAndATooShortBlockIsNone) {
    std::vector<std::uint8_t> block(bytesHeaderSize + 300, 0xEE);
    writeBytesHeader(block.data(), 257);  // more than one byte of the header in use
    const std::uint8_t* bytes = nullptr;
    std::size_t count = 0;
    ASSERT_TRUE(readBytesBlock(block.data(), block.size(), bytes, count));
    EXPECT_EQ(count, 257u);
    EXPECT_EQ(bytes, block.data() + bytesHeaderSize);
    EXPECT_FALSE(readBytesBlock(block.data(), bytesHeaderSize + 256, bytes, count));
    EXPECT_FALSE(readBytesBlock(block.data(), bytesHeaderSize - 1, bytes, count));
}

}  // namespace
}  // namespace quillix::test
