// The vectorised scans against the plain loop that tries one start position after
// another: identical hits in identical order, over thousands of random files, patterns,
// start states and bounds, in both directions, for hex values and folded text alike, with
// every vector unit this machine can run.

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "document/document.h"
#include "hexview/hex_view.h"
#include "recording_host.h"
#include "search/case_fold.h"
#include "search/scan.h"
#include "search/search.h"

namespace quillix::test {
namespace {

// A pattern as the searches see it before any speed-up: per position the two values a
// byte may equal (the same value twice for hex and for Match case).
struct PlainPattern {
    std::vector<std::int64_t> lower, upper;
    std::int64_t length() const { return static_cast<std::int64_t>(lower.size()); }
};

// One start position at a time, from pos in steps of direction, until the pattern no
// longer fits, pos leaves the file or it passes bound.
std::int64_t plainScan(const std::vector<std::uint8_t>& bytes, const PlainPattern& pattern, std::int64_t pos,
                       std::int64_t direction, std::int64_t bound = -1) {
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (bound < 0) bound = direction > 0 ? size : 0;
    for (; pos >= 0 && pos <= size - pattern.length() && (direction > 0 ? pos <= bound : pos >= bound);
         pos += direction) {
        std::int64_t k = 0;
        while (k < pattern.length()) {
            const std::int64_t byte = bytes[static_cast<std::size_t>(pos + k)];
            if (byte != pattern.lower[static_cast<std::size_t>(k)] &&
                byte != pattern.upper[static_cast<std::size_t>(k)])
                break;
            ++k;
        }
        if (k == pattern.length()) return pos;
    }
    return -1;
}

ScanPattern fastPattern(const PlainPattern& plain) {
    ScanPattern pattern;
    for (std::size_t k = 0; k < plain.lower.size(); ++k) addPosition(pattern, plain.lower[k], plain.upper[k]);
    return pattern;
}

// Letters of both cases (ASCII and Latin-1), the y diaeresis whose capital lies above
// Latin-1, signs without case, and the zero byte.
constexpr std::uint8_t interestingBytes[] = {0x41, 0x61, 0x42, 0x62, 0x5A, 0x7A, 0xC9, 0xE9,
                                             0xD7, 0xF7, 0xFF, 0xB5, 0xDF, 0x00, 0x20, 0x80};
// Code units that fold onto a byte from above Latin-1, or onto nothing, or not at all.
constexpr wchar_t specialUnits[] = {0x0178, 0x20AC, 0x212A, 0x0131, 0x0130, 0x017F, 0x00FF, 0x00B5};

class RandomCases {
public:
    explicit RandomCases(unsigned seed) : random_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool chance(int percent) { return below(100) < percent; }

    std::vector<std::uint8_t> file() {
        if (chance(4)) return runs();
        std::size_t size = chance(75) ? below(200) : 200 + below(3000);
        std::vector<std::uint8_t> bytes(size);
        const int kind = below(3);
        const int alphabet = 2 + below(3);
        for (auto& b : bytes) {
            if (kind == 0)
                b = static_cast<std::uint8_t>(below(256));
            else if (kind == 1)
                b = interestingBytes[below(static_cast<int>(std::size(interestingBytes)))];
            else
                b = static_cast<std::uint8_t>(0x41 + below(alphabet));  // long runs of near-matches
        }
        return bytes;
    }

    // Long runs of one byte between stretches of random bytes: a pattern cut from a run's
    // edge has its first and last bytes everywhere in the run, so the vector stage hands
    // whole stretches to the plain loop and takes over again after them.
    std::vector<std::uint8_t> runs() {
        std::vector<std::uint8_t> bytes;
        const std::size_t size = 5000 + below(12000);
        while (bytes.size() < size) {
            if (chance(50)) {
                const auto value = interestingBytes[below(static_cast<int>(std::size(interestingBytes)))];
                bytes.insert(bytes.end(), 1 + below(6000), value);
            } else {
                for (int n = 1 + below(300); n > 0; --n)
                    bytes.push_back(static_cast<std::uint8_t>(below(256)));
            }
        }
        bytes.resize(size);
        return bytes;
    }

    std::int64_t length(std::size_t fileSize) {
        int longest = chance(10) ? 128 : 20;
        int length = 1 + below(longest);
        if (fileSize > 0 && chance(5)) length = static_cast<int>(fileSize);  // the whole file
        return length;
    }

    // Units taken from a piece of the file, so that hits happen, with some of them
    // swapped for other values.
    std::vector<std::int64_t> values(const std::vector<std::uint8_t>& bytes, std::int64_t length) {
        std::vector<std::int64_t> out(static_cast<std::size_t>(length));
        const auto size = static_cast<std::int64_t>(bytes.size());
        const std::int64_t start = size > length ? below(static_cast<int>(size - length + 1)) : 0;
        for (std::int64_t k = 0; k < length; ++k) {
            const std::int64_t i = start + k;
            out[static_cast<std::size_t>(k)] = i < size ? bytes[static_cast<std::size_t>(i)] : below(256);
            if (chance(4)) out[static_cast<std::size_t>(k)] = below(256);
        }
        return out;
    }

    PlainPattern hexPattern(const std::vector<std::uint8_t>& bytes) {
        PlainPattern pattern;
        pattern.lower = values(bytes, length(bytes.size()));
        if (chance(3))
            pattern.lower[static_cast<std::size_t>(below(static_cast<int>(pattern.lower.size())))] = -1;
        pattern.upper = pattern.lower;
        return pattern;
    }

    // A typed text as code units: file bytes with the case of letters changed at random,
    // sometimes a special unit.
    std::wstring text(const std::vector<std::uint8_t>& bytes) {
        std::wstring units;
        for (std::int64_t value : values(bytes, length(bytes.size()))) {
            auto unit = static_cast<wchar_t>(value == 0 ? 0x41 : value);  // no terminator inside
            if (chance(50)) unit = upperCaseUnit(unit);
            if (chance(30)) unit = lowerCaseUnit(unit);
            if (chance(3)) unit = specialUnits[below(static_cast<int>(std::size(specialUnits)))];
            units += unit;
        }
        return units;
    }

    std::int64_t start(std::size_t fileSize) { return below(static_cast<int>(fileSize) + 7) - 3; }

private:
    std::mt19937 random_;
};

PlainPattern foldedPattern(const std::wstring& text, bool matchCase) {
    PlainPattern pattern;
    for (wchar_t unit : text) {
        pattern.lower.push_back(matchCase ? unit : lowerCaseUnit(unit));
        pattern.upper.push_back(matchCase ? unit : upperCaseUnit(unit));
    }
    return pattern;
}

std::string describe(const std::vector<std::uint8_t>& bytes, const PlainPattern& pattern) {
    std::ostringstream out;
    out << "file of " << bytes.size() << " bytes, pattern";
    for (std::size_t k = 0; k < pattern.lower.size(); ++k)
        out << ' ' << pattern.lower[k] << '/' << pattern.upper[k];
    return out.str();
}

// Every hit from every start state the searches can be in, both ways.
void expectSameHits(const std::vector<std::uint8_t>& bytes, const PlainPattern& plain, RandomCases& random) {
    SCOPED_TRACE(describe(bytes, plain));
    const ScanPattern fast = fastPattern(plain);
    const std::uint8_t* data = bytes.empty() ? nullptr : bytes.data();
    const auto size = static_cast<std::int64_t>(bytes.size());

    std::int64_t down = 0, up = size - plain.length();
    for (int step = 0; step < 100000; ++step) {  // whole hit sequences, down and up
        const std::int64_t fastDown = scanForward(data, size, fast, down);
        ASSERT_EQ(fastDown, plainScan(bytes, plain, down, 1)) << "down from " << down;
        const std::int64_t fastUp = scanBackward(data, size, fast, up);
        ASSERT_EQ(fastUp, plainScan(bytes, plain, up, -1)) << "up from " << up;
        if (fastDown < 0 && fastUp < 0) break;
        down = fastDown < 0 ? size : fastDown + 1;
        up = fastUp < 0 ? -1 : fastUp - 1;
    }
    for (int i = 0; i < 20; ++i) {  // any start, including ones outside the file
        const std::int64_t from = random.start(bytes.size());
        ASSERT_EQ(scanForward(data, size, fast, from), plainScan(bytes, plain, from, 1))
            << "down from " << from;
        ASSERT_EQ(scanBackward(data, size, fast, from), plainScan(bytes, plain, from, -1))
            << "up from " << from;
        // As far as a bound only, as a search takes one chunk at a time.
        const std::int64_t through = from + random.below(static_cast<int>(bytes.size()) + 2);
        ASSERT_EQ(scanForward(data, size, fast, from, through), plainScan(bytes, plain, from, 1, through))
            << "down from " << from << " through " << through;
        const std::int64_t downTo =
            std::max<std::int64_t>(0, from - random.below(static_cast<int>(bytes.size()) + 2));
        ASSERT_EQ(scanBackward(data, size, fast, from, downTo), plainScan(bytes, plain, from, -1, downTo))
            << "up from " << from << " down to " << downTo;
    }
}

// Every vector unit the machine can run, the plain loop alone included, is tried.
class FastScan : public ::testing::TestWithParam<VectorUnit> {
protected:
    void SetUp() override { ASSERT_TRUE(useVectorUnit(GetParam())); }
    void TearDown() override { useVectorUnit(widestVectorUnit()); }
};

std::vector<VectorUnit> runnableUnits() {
    std::vector<VectorUnit> units;
    for (VectorUnit unit : {VectorUnit::none, VectorUnit::sse2, VectorUnit::avx2})
        if (unit <= widestVectorUnit()) units.push_back(unit);
    return units;
}

std::string unitName(const ::testing::TestParamInfo<VectorUnit>& info) {
    constexpr const char* names[] = {"PlainLoop", "Sse2", "Avx2"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryUnit, FastScan, ::testing::ValuesIn(runnableUnits()), unitName);

TEST_P(FastScan, FindsTheSameHexHitsAsThePlainLoop) {
    RandomCases random(20240611);
    for (int round = 0; round < 3000; ++round) {
        const std::vector<std::uint8_t> bytes = random.file();
        expectSameHits(bytes, random.hexPattern(bytes), random);
        if (HasFatalFailure()) return;
    }
}

TEST_P(FastScan, FindsTheSameFoldedTextHitsAsThePlainLoop) {
    RandomCases random(77);
    for (int round = 0; round < 3000; ++round) {
        const std::vector<std::uint8_t> bytes = random.file();
        expectSameHits(bytes, foldedPattern(random.text(bytes), random.chance(30)), random);
        if (HasFatalFailure()) return;
    }
}

TEST_P(FastScan, HitsInEveryPlaceOfAVectorBlock) {
    // A lone match at each offset of a file spanning several 64-byte blocks, found from
    // every start on either side of it.
    RandomCases random(5);
    for (std::int64_t length : {1, 2, 3, 17, 64, 65}) {
        for (std::int64_t at = 0; at + length <= 200; at += 7) {
            std::vector<std::uint8_t> bytes(200, 0x41);
            PlainPattern plain;
            for (std::int64_t k = 0; k < length; ++k) {
                bytes[static_cast<std::size_t>(at + k)] = static_cast<std::uint8_t>(0x80 + k % 3);
                plain.lower.push_back(0x80 + k % 3);
            }
            plain.upper = plain.lower;
            expectSameHits(bytes, plain, random);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_P(FastScan, ReadsNothingOutsideTheFile) {
    // Exact-size heap blocks: the sanitizer build reports any read past either end.
    RandomCases random(11);
    for (int round = 0; round < 300; ++round) {
        const std::vector<std::uint8_t> content = random.file();
        if (content.empty()) continue;
        auto exact = std::make_unique<std::uint8_t[]>(content.size());
        std::copy(content.begin(), content.end(), exact.get());
        const PlainPattern plain = random.hexPattern(content);
        const ScanPattern fast = fastPattern(plain);
        const auto size = static_cast<std::int64_t>(content.size());
        for (std::int64_t from = -2; from <= size + 2; from += 1 + size / 50) {
            EXPECT_EQ(scanForward(exact.get(), size, fast, from), plainScan(content, plain, from, 1));
            EXPECT_EQ(scanBackward(exact.get(), size, fast, from), plainScan(content, plain, from, -1));
        }
    }
}

// Pages with an inaccessible page on either side: data placed against one of them faults
// at the first read past its end (or before its start), in the plain build too.
class GuardedPages {
public:
    explicit GuardedPages(std::size_t dataBytes) {
#ifdef _WIN32
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
#else
        page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
        data_ = (dataBytes + page_ - 1) / page_ * page_;
        const std::size_t total = data_ + 2 * page_;
#ifdef _WIN32
        base_ = static_cast<std::uint8_t*>(
            VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_, page_, PAGE_NOACCESS, &old);
        VirtualProtect(base_ + page_ + data_, page_, PAGE_NOACCESS, &old);
#else
        void* mapped = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = mapped == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(mapped);
        if (base_) {
            mprotect(base_, page_, PROT_NONE);
            mprotect(base_ + page_ + data_, page_, PROT_NONE);
        }
#endif
    }
    ~GuardedPages() {
#ifdef _WIN32
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        if (base_) munmap(base_, data_ + 2 * page_);
#endif
    }
    GuardedPages(const GuardedPages&) = delete;
    GuardedPages& operator=(const GuardedPages&) = delete;

    bool ready() const { return base_ != nullptr; }
    // A copy of content whose last byte lies just before the closing guard.
    const std::uint8_t* endingAtGuard(const std::vector<std::uint8_t>& content) {
        std::uint8_t* at = base_ + page_ + data_ - content.size();
        std::copy(content.begin(), content.end(), at);
        return at;
    }
    // A copy of content whose first byte lies just after the opening guard.
    const std::uint8_t* startingAtGuard(const std::vector<std::uint8_t>& content) {
        std::copy(content.begin(), content.end(), base_ + page_);
        return base_ + page_;
    }

private:
    std::size_t page_ = 0;
    std::size_t data_ = 0;
    std::uint8_t* base_ = nullptr;
};

// Files of sizes around the vector blocks, searched for patterns of every length near a
// block that end on the file's last byte, run one byte past it, start on its first byte or
// one byte before it: as hex values and as folded text, in both directions. A scan that
// reads one byte too far crashes here rather than finding a hit the plain loop does not.
TEST_P(FastScan, ReadsNothingPastEitherEndOfAFileBetweenInaccessiblePages) {
    constexpr std::int64_t sizes[] = {1, 2, 63, 64, 65, 127, 128, 129, 191, 4095, 4096, 4097, 5000};
    constexpr std::int64_t lengths[] = {1, 2, 3, 8, 31, 32, 33, 63, 64, 65, 70};
    GuardedPages pages(5000);
    ASSERT_TRUE(pages.ready());
    std::mt19937 random(99);
    for (std::int64_t size : sizes) {
        std::vector<std::uint8_t> content(static_cast<std::size_t>(size));
        for (auto& byte : content) byte = static_cast<std::uint8_t>('A' + random() % 4);
        for (std::int64_t length : lengths) {
            if (length > size + 1) continue;
            for (int kind = 0; kind < 4; ++kind) {
                // The file's own bytes at the end or the start, shifted one byte out for odd kinds.
                const bool atEnd = kind < 2;
                const std::int64_t shift = kind % 2;
                const std::int64_t first = atEnd ? size - length + shift : -shift;
                PlainPattern plain;
                for (std::int64_t k = 0; k < length; ++k) {
                    const std::int64_t at = first + k;
                    const std::int64_t value =
                        at >= 0 && at < size ? content[static_cast<std::size_t>(at)] : 0;
                    const bool folded = (k + size) % 3 == 0 && value >= 'A' && value <= 'Z';
                    plain.lower.push_back(folded ? value + 32 : value);
                    plain.upper.push_back(value);
                }
                const ScanPattern fast = fastPattern(plain);
                SCOPED_TRACE("size " + std::to_string(size) + " length " + std::to_string(length) + " kind " +
                             std::to_string(kind));
                for (const bool endGuarded : {true, false}) {
                    // One copy at a time: a long file's two copies would overlap.
                    const std::uint8_t* bytes =
                        endGuarded ? pages.endingAtGuard(content) : pages.startingAtGuard(content);
                    for (std::int64_t from : {std::int64_t{0}, size - length - 64, size - length}) {
                        EXPECT_EQ(scanForward(bytes, size, fast, from), plainScan(content, plain, from, 1));
                        EXPECT_EQ(scanBackward(bytes, size, fast, from), plainScan(content, plain, from, -1));
                    }
                }
            }
        }
    }
}

// --- The operations as a whole ---------------------------------------------------------

// What the searches do, written the plain way: the next search starts one step from
// searchPos; upward, where the pattern cannot fit, it starts where it last fits; a hit
// moves searchPos and matchStart there; a hex miss leaves -1, a text miss matchStart.
struct PlainSearches {
    std::int64_t searchPos = -1;  // as a document is opened
    std::int64_t matchStart = -1;

    int search(const std::vector<std::uint8_t>& bytes, const PlainPattern& pattern, std::int64_t direction,
               bool isHex) {
        std::int64_t pos = searchPos + direction;
        if (direction < 0) pos = std::min(pos, static_cast<std::int64_t>(bytes.size()) - pattern.length());
        const std::int64_t hit = plainScan(bytes, pattern, pos, direction);
        if (hit < 0) {
            searchPos = isHex ? -1 : matchStart;
            return 0;
        }
        searchPos = matchStart = hit;
        return 1;
    }
};

std::wstring hexDigits(const std::vector<std::int64_t>& values) {
    std::wstring digits;
    for (std::int64_t value : values) {
        wchar_t pair[3];
        if (value < 0)
            std::wcscpy(pair, L"-1");
        else
            std::swprintf(pair, 3, L"%02X", static_cast<unsigned>(value));
        digits += pair;
    }
    return digits;
}

TEST(FastSearch, SequencesLandWhereThePlainSearchesLand) {
    RandomCases random(4242);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::uint8_t> bytes = random.file();
        Document doc;
        doc.fileBytes = bytes.empty() ? nullptr : bytes.data();
        doc.fileSize = static_cast<std::int64_t>(bytes.size());
        doc.lineCount = lineCountFor(doc.fileSize);
        ViewState view;
        view.matchStart = -1;  // as openDocument leaves it
        view.charWidth = 8;
        view.lineHeight = 16;
        view.clientHeight = 16 * (1 + random.below(30));
        RecordingHost host;
        const HexView hv{doc, view, host};
        SearchState state;
        PlainSearches plain;

        // A few patterns per file, searched again and again in both directions, so that
        // misses and direction changes meet the hits of other patterns.
        std::vector<std::vector<std::int64_t>> hexValues;
        std::vector<std::wstring> texts;
        for (int i = 0; i < 3; ++i) {
            std::vector<std::int64_t> values = random.hexPattern(bytes).lower;
            values.resize(std::min<std::size_t>(values.size(), 50));
            hexValues.push_back(values);
            std::wstring text = random.text(bytes);
            texts.push_back(text.substr(0, 20));
        }
        for (int step = 0; step < 40; ++step) {
            DialogButtons buttons;
            const std::int64_t direction = random.chance(60) ? 1 : -1;
            (direction > 0 ? buttons.down : buttons.up) = true;
            int result = 0, expected = 0;
            std::ostringstream what;
            if (random.chance(50)) {
                buttons.findHex = true;
                const auto& values = hexValues[static_cast<std::size_t>(random.below(3))];
                std::wcscpy(state.findWhat, hexDigits(values).c_str());
                PlainPattern pattern{values, values};
                what << "hex " << describe(bytes, pattern);
                expected = plain.search(bytes, pattern, direction, true);
                result = searchHex(hv, state, buttons);
            } else {
                buttons.findAscii = true;
                buttons.matchCase = random.chance(30);
                const std::wstring& text = texts[static_cast<std::size_t>(random.below(3))];
                std::wcscpy(state.findWhat, text.c_str());
                const PlainPattern pattern = foldedPattern(text, buttons.matchCase);
                what << "text " << describe(bytes, pattern);
                expected = plain.search(bytes, pattern, direction, false);
                result = searchText(hv, state, buttons);
            }
            ASSERT_EQ(result, expected) << what.str() << ", direction " << direction << ", step " << step;
            ASSERT_EQ(view.searchPos, plain.searchPos) << what.str() << ", step " << step;
            ASSERT_EQ(view.matchStart, plain.matchStart) << what.str() << ", step " << step;
        }
    }
}

}  // namespace
}  // namespace quillix::test
