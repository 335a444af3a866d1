#include "document/history/change_map.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "document/file/checked_view.h"
#include "document/file/view_pages.h"

namespace quillix {

namespace {

using Lone = PackedTable<17, 4>;
constexpr std::uint64_t loneCountMask = 0x1FFF;
constexpr std::int64_t stretchBytes = 256;
// Stretches of the view moved into the process's own memory before the blocks keep copies
// of the user's values instead: the system's limit on a mapping's pieces is 65530 by default.
constexpr std::int64_t maxKeptSpans = 16384;
// The bit of loneInPage_'s payload for the stretch of byte k of a page.
std::uint64_t stretchBit(std::int64_t k) { return std::uint64_t{1} << (13 + k / stretchBytes); }

// The bits of a page's mask word word that bytes from .. to - 1 of the page cover.
std::uint64_t bitsOfWord(std::int64_t from, std::int64_t to, std::size_t word) {
    const std::int64_t base = static_cast<std::int64_t>(word) * 64;
    const std::int64_t low = std::max(from, base) - base, high = std::min(to, base + 64) - base;
    if (high <= low) return 0;
    const std::uint64_t below = high == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << high) - 1;
    return below & ~((std::uint64_t{1} << low) - 1);
}

// Calls visit(word, bits) for each mask word of a page that bytes from .. to - 1 touch.
template <class Visit>
void forEachWord(std::int64_t from, std::int64_t to, Visit visit) {
    for (auto word = static_cast<std::size_t>(from / 64); static_cast<std::int64_t>(word) * 64 < to; ++word)
        visit(word, bitsOfWord(from, to, word));
}

// to[k] = from[k] for each bit k of bits (to and from at the word's byte 0): a whole word
// at memory speed, the bytes one by one otherwise.
void copyMarked(std::uint8_t* to, const std::uint8_t* from, std::uint64_t bits) {
    if (bits == ~std::uint64_t{0}) {
        std::memcpy(to, from, 64);
        return;
    }
    for (std::uint64_t left = bits; left != 0; left &= left - 1) {
        const int k = std::countr_zero(left);
        to[k] = from[k];
    }
}

}  // namespace

template <class Visit>
void ChangeMap::forEachPiece(ByteRange run, Visit visit) {
    for (std::int64_t at = run.begin; at < run.end;) {
        const std::int64_t page = at / pageBytes, pageEnd = std::min(run.end, (page + 1) * pageBytes);
        visit(page, at - page * pageBytes, pageEnd - page * pageBytes, at - run.begin);
        at = pageEnd;
    }
}

template <class Visit>
void ChangeMap::forEachLone(std::int64_t page, std::int64_t from, std::int64_t to, Visit visit) {
    if (loneIn(page) == 0) return;
    for (std::int64_t k = from; k < to; ++k)
        if (std::uint64_t* slot = lone_.find(page * pageBytes + k)) visit(*slot);
}

ChangeMap::Block* ChangeMap::blockAt(std::int64_t page) const {
    const std::uint32_t* index = blockOf_.find(page);
    return index ? blocks_[*index].get() : nullptr;
}

std::int64_t ChangeMap::loneIn(std::int64_t page) const {
    const std::uint64_t* slot = loneInPage_.find(page);
    return slot ? static_cast<std::int64_t>(*slot & loneCountMask) : 0;
}

bool ChangeMap::viewKeeps(std::int64_t firstPage, std::int64_t endPage) {
    if (!view_ || view_->ownPages == OwnPages::unknown) return false;
    if (view_->ownPages == OwnPages::stay) return true;
    if (keptSpans_ >= maxKeptSpans ||
        !keepViewPages(*view_, firstPage * pageBytes, std::min(endPage * pageBytes, view_->fileSize)))
        return false;
    ++keptSpans_;
    return true;
}

std::array<std::uint8_t, ChangeMap::pageBytes>& ChangeMap::holdMine(Block& block) {
    if (block.mine) return *block.mine;
    if (!allocationAllowed(pageBytes)) throw std::bad_alloc();
    auto mine = std::make_unique<std::array<std::uint8_t, pageBytes>>();
    // The view keeps this page (viewKeeps): it can be read.
    const std::int64_t start = block.page * pageBytes;
    ReadFault fault;
    checkedCopy(*view_, start, std::min(pageBytes, view_->fileSize - start), mine->data(), fault);
    block.mine = std::move(mine);
    ++heldMines_;
    return *block.mine;
}

void ChangeMap::holdMine() {
    for (auto& block : blocks_) holdMine(*block);
}

void ChangeMap::releaseMine() {
    std::vector<Block*> held;
    try {
        for (auto& block : blocks_)
            if (block->mine) held.push_back(block.get());
    } catch (const std::bad_alloc&) {
        return;  // they keep their copies
    }
    std::sort(held.begin(), held.end(), [](const Block* a, const Block* b) { return a->page < b->page; });
    for (std::size_t first = 0, end = 0; first < held.size(); first = end) {
        for (end = first + 1; end < held.size() && held[end]->page == held[end - 1]->page + 1;) ++end;
        if (!viewKeeps(held[first]->page, held[end - 1]->page + 1)) continue;
        for (std::size_t i = first; i < end; ++i) held[i]->mine.reset();
        heldMines_ -= static_cast<std::int64_t>(end - first);
    }
}

ChangeMap::Block& ChangeMap::promote(std::int64_t page, bool viewKeeps) {
    // Every request comes first: once the block is in, nothing can fail.
    if (!allocationAllowed(sizeof(Block) + (viewKeeps ? 0 : pageBytes))) throw std::bad_alloc();
    auto block = std::make_unique<Block>();
    block->page = page;
    if (!viewKeeps) block->mine = std::make_unique<std::array<std::uint8_t, pageBytes>>();
    if (blocks_.size() == blocks_.capacity()) blocks_.reserve(std::max<std::size_t>(16, blocks_.size() * 2));
    blockOf_.reserve(1);
    if (loneIn(page) > 0) {
        for (std::int64_t k = 0; k < pageBytes; ++k) {
            const std::uint64_t* slot = lone_.find(page * pageBytes + k);
            if (!slot) continue;
            const std::uint64_t bit = std::uint64_t{1} << (k % 64);
            block->mask[static_cast<std::size_t>(k / 64)] |= bit;
            if (*slot & keptBit) block->kept[static_cast<std::size_t>(k / 64)] |= bit;
            block->first[static_cast<std::size_t>(k)] = firstOf(*slot);
            if (block->mine) (*block->mine)[static_cast<std::size_t>(k)] = mineOf(*slot);
            ++block->marked;
            lone_.erase(page * pageBytes + k);
        }
        loneInPage_.erase(page);
    }
    markedInBlocks_ += block->marked;
    heldMines_ += block->mine != nullptr;
    blockOf_.insert(page) = static_cast<std::uint32_t>(blocks_.size());
    blocks_.push_back(std::move(block));
    return *blocks_.back();
}

void ChangeMap::dropBlock(Block& block) {
    const std::uint32_t index = *blockOf_.find(block.page);
    markedInBlocks_ -= block.marked;
    heldMines_ -= block.mine != nullptr;
    blockOf_.erase(block.page);
    if (index + 1 != blocks_.size()) {
        blocks_[index] = std::move(blocks_.back());
        *blockOf_.find(blocks_[index]->page) = index;
    }
    blocks_.pop_back();
}

void ChangeMap::markRun(ByteRange run, const std::uint8_t* originals, const std::uint8_t* values) {
    forEachPiece(run, [&](std::int64_t page, std::int64_t from, std::int64_t to, std::int64_t at) {
        Block* block = blockAt(page);
        if (!block && to - from + loneIn(page) >= promoteBytes) block = &promote(page, viewKeeps(page, page + 1));
        if (block) {
            if (block->mine)
                std::memcpy(block->mine->data() + from, values + at, static_cast<std::size_t>(to - from));
            if (block->marked == pageBytes) return;  // a page marked whole keeps its first values
            forEachWord(from, to, [&](std::size_t word, std::uint64_t bits) {
                const std::uint64_t fresh = bits & ~block->mask[word];
                if (fresh == 0) return;  // the value first read stays the original of a marked byte
                const std::int64_t base = static_cast<std::int64_t>(word) * 64;
                copyMarked(block->first.data() + base, originals + (at + base - from), fresh);
                block->mask[word] |= fresh;
                block->marked += std::popcount(fresh);
                markedInBlocks_ += std::popcount(fresh);
            });
            return;
        }
        for (std::int64_t k = from; k < to; ++k) {
            const std::int64_t offset = page * pageBytes + k;
            const std::uint8_t value = values[at + k - from];
            if (std::uint64_t* slot = lone_.find(offset)) {
                putMineIn(*slot, value);
                continue;
            }
            // Both inserts first, so that running out of memory leaves the byte unmarked.
            lone_.reserve(1);
            std::uint64_t& count = loneInPage_.insert(page);
            count = (count + 1) | stretchBit(k);
            lone_.insert(offset) |= std::uint64_t{originals[at + k - from]} << 8 | value;
        }
    });
}

void ChangeMap::setMine(ByteRange run, const std::uint8_t* values) {
    forEachPiece(run, [&](std::int64_t page, std::int64_t from, std::int64_t to, std::int64_t at) {
        if (Block* block = blockAt(page)) {
            if (!block->mine) return;  // the view's bytes are the user's values
            forEachWord(from, to, [&](std::size_t word, std::uint64_t bits) {
                const std::int64_t base = static_cast<std::int64_t>(word) * 64;
                copyMarked(block->mine->data() + base, values + (at + base - from), bits & block->mask[word]);
            });
            return;
        }
        forEachLone(page, from, to, [&](std::uint64_t& slot) {
            putMineIn(slot, values[at + Lone::keyOf(slot) - page * pageBytes - from]);
        });
    });
}

void ChangeMap::setFirst(std::int64_t lineStart, const std::uint8_t* values, std::int64_t count) {
    if (count <= 0) return;
    forEachPiece({lineStart, lineStart + count}, [&](std::int64_t page, std::int64_t from, std::int64_t to,
                                                     std::int64_t at) {
        if (Block* block = blockAt(page)) {
            forEachWord(from, to, [&](std::size_t word, std::uint64_t bits) {
                const std::int64_t base = static_cast<std::int64_t>(word) * 64;
                copyMarked(block->first.data() + base, values + (at + base - from), bits & block->mask[word]);
            });
            return;
        }
        forEachLone(page, from, to, [&](std::uint64_t& slot) {
            const std::uint8_t value = values[at + Lone::keyOf(slot) - page * pageBytes - from];
            slot = (slot & ~std::uint64_t{0xFF00}) | std::uint64_t{value} << 8;
        });
    });
}

void ChangeMap::putMine(ByteRange run, std::uint8_t* values) const {
    auto& self = const_cast<ChangeMap&>(*this);  // visits only read the slots
    forEachPiece(run, [&](std::int64_t page, std::int64_t from, std::int64_t to, std::int64_t at) {
        if (const Block* block = blockAt(page)) {
            // Without a copy of its own the block's values are the view's page, which it keeps.
            const std::uint8_t* mine = block->mine ? block->mine->data() : view_->fileBytes + page * pageBytes;
            forEachWord(from, to, [&](std::size_t word, std::uint64_t bits) {
                const std::int64_t base = static_cast<std::int64_t>(word) * 64;
                copyMarked(values + (at + base - from), mine + base, bits & block->mask[word]);
            });
            return;
        }
        self.forEachLone(page, from, to, [&](const std::uint64_t& slot) {
            values[at + Lone::keyOf(slot) - page * pageBytes - from] = mineOf(slot);
        });
    });
}

void ChangeMap::exchangeMine(ByteRange run, std::uint8_t* values, std::uint8_t bits) {
    const auto exchange = [&](std::uint8_t& mine, std::uint8_t& value) {
        const std::uint8_t held = mine;
        mine = static_cast<std::uint8_t>((held & ~bits) | (value & bits));
        value = held;
    };
    forEachPiece(run, [&](std::int64_t page, std::int64_t from, std::int64_t to, std::int64_t at) {
        if (Block* block = blockAt(page)) {
            auto& mine = holdMine(*block);
            forEachWord(from, to, [&](std::size_t word, std::uint64_t wordBits) {
                for (std::uint64_t left = wordBits & block->mask[word]; left != 0; left &= left - 1) {
                    const std::int64_t k = static_cast<std::int64_t>(word) * 64 + std::countr_zero(left);
                    exchange(mine[static_cast<std::size_t>(k)], values[at + k - from]);
                }
            });
            return;
        }
        forEachLone(page, from, to, [&](std::uint64_t& slot) {
            std::uint8_t mine = mineOf(slot);
            exchange(mine, values[at + Lone::keyOf(slot) - page * pageBytes - from]);
            putMineIn(slot, mine);
        });
    });
}

void ChangeMap::unmarkRun(ByteRange run) {
    forEachPiece(run, [&](std::int64_t page, std::int64_t from, std::int64_t to, std::int64_t) {
        if (Block* block = blockAt(page)) {
            forEachWord(from, to, [&](std::size_t word, std::uint64_t bits) {
                const std::uint64_t gone = bits & block->mask[word] & ~block->kept[word];
                block->mask[word] &= ~gone;
                block->marked -= std::popcount(gone);
                markedInBlocks_ -= std::popcount(gone);
            });
            if (block->marked == 0) dropBlock(*block);
            return;
        }
        if (loneIn(page) == 0) return;
        std::int64_t left = loneIn(page);
        for (std::int64_t k = from; k < to; ++k) {
            const std::uint64_t* slot = lone_.find(page * pageBytes + k);
            if (!slot || (*slot & keptBit)) continue;
            lone_.erase(page * pageBytes + k);
            --left;
        }
        if (left == 0)
            loneInPage_.erase(page);
        else
            *loneInPage_.find(page) =
                (*loneInPage_.find(page) & ~loneCountMask) | static_cast<std::uint64_t>(left);
    });
}

bool ChangeMap::keepWritten(std::int64_t end, const std::function<bool(std::int64_t, std::uint8_t*)>& read) {
    bool kept = false;
    // A line whose bytes cannot be read keeps its first values: they may be the file's still.
    std::array<std::uint8_t, lineBytes> values;
    for (auto& block : blocks_)
        for (std::size_t word = 0; word < block->mask.size(); ++word) {
            const std::int64_t base = block->page * pageBytes + static_cast<std::int64_t>(word) * 64;
            const std::uint64_t bits = block->mask[word] & bitsOfWord(0, end - base, 0);
            if (bits == 0) continue;
            if (read(base, values.data())) copyMarked(block->first.data() + word * 64, values.data(), bits);
            block->kept[word] |= bits;
            kept = true;
        }
    lone_.forEach([&](std::uint64_t& slot) {
        const std::int64_t offset = Lone::keyOf(slot);
        if (offset >= end) return;
        const std::int64_t base = offset / lineBytes * lineBytes;
        if (read(base, values.data()))
            slot = (slot & ~std::uint64_t{0xFF00}) |
                   std::uint64_t{values[static_cast<std::size_t>(offset - base)]} << 8;
        slot |= keptBit;
        kept = true;
    });
    return kept;
}

std::uint16_t ChangeMap::rowMask(std::int64_t row) const {
    const std::int64_t offset = row * 16, page = offset / pageBytes, k = offset % pageBytes;
    if (const Block* block = blockAt(page))
        return static_cast<std::uint16_t>(block->mask[static_cast<std::size_t>(k / 64)] >> (k % 64));
    const std::uint64_t* lone = loneInPage_.find(page);
    if (!lone || (*lone & stretchBit(k)) == 0) return 0;
    std::uint16_t mask = 0;
    for (int i = 0; i < 16; ++i)
        if (lone_.find(offset + i)) mask = static_cast<std::uint16_t>(mask | 1u << i);
    return mask;
}

void ChangeMap::prefetchRows(std::int64_t first, std::int64_t end) const {
    for (std::int64_t page = first * 16 / pageBytes; page * pageBytes < end * 16; ++page) {
        blockOf_.prefetch(page);
        loneInPage_.prefetch(page);
    }
    // Then the lone bytes of the rows in stretches that have any, the misses overlapping.
    for (std::int64_t page = first * 16 / pageBytes; page * pageBytes < end * 16; ++page) {
        const std::uint64_t* lone = loneInPage_.find(page);
        if (!lone) continue;
        for (std::int64_t row = std::max(first, page * pageBytes / 16);
             row < std::min(end, (page + 1) * pageBytes / 16); ++row)
            if (*lone & stretchBit(row * 16 % pageBytes)) lone_.prefetch(row * 16);
    }
}

void ChangeMap::reserveRange(std::int64_t begin, std::int64_t end) {
    const ByteRange run{begin, end};
    reserveRuns(&run, 1);
}

void ChangeMap::reserveRuns(const ByteRange* runs, std::int64_t count) {
    // Pages the runs fill enough together get their blocks now, so that marking them one by
    // one never promotes a page; the others take room for their bytes as lone ones (a run
    // marked again, a redo or a paste over pasted bytes, asks for little). The pages promoted
    // one after another are a stretch the view is asked to keep at once.
    std::size_t lone = 0, pages = 0;
    std::int64_t spanStart = 0, spanEnd = 0;
    const auto promoteSpan = [&] {
        const bool kept = spanEnd > spanStart && viewKeeps(spanStart, spanEnd);
        for (std::int64_t page = spanStart; page < spanEnd; ++page) promote(page, kept);
        spanStart = spanEnd = 0;
    };
    std::int64_t page = -1, bytes = 0;  // the page being summed, and its bytes in the runs
    const auto closePage = [&] {
        if (page < 0 || blockAt(page)) return;
        const std::int64_t already = loneIn(page);
        if (bytes + already >= promoteBytes) {
            if (spanEnd != page) promoteSpan();
            if (spanEnd == 0) spanStart = page;
            spanEnd = page + 1;
            return;
        }
        lone += static_cast<std::size_t>(bytes);
        pages += already == 0;
    };
    for (std::int64_t r = 0; r < count; ++r)
        forEachPiece(runs[r], [&](std::int64_t piecePage, std::int64_t from, std::int64_t to, std::int64_t) {
            if (piecePage != page) {
                closePage();
                page = piecePage;
                bytes = 0;
            }
            bytes += to - from;
        });
    closePage();
    promoteSpan();
    lone_.reserve(lone);
    loneInPage_.reserve(pages);
}

bool ChangeMap::marked(std::int64_t offset) const {
    if (const Block* block = blockAt(offset / pageBytes)) {
        const std::int64_t k = offset % pageBytes;
        return (block->mask[static_cast<std::size_t>(k / 64)] >> (k % 64) & 1) != 0;
    }
    return lone_.find(offset) != nullptr;
}

void ChangeMap::clear() {
    lone_.clear();
    loneInPage_.clear();
    blockOf_.clear();
    blocks_.clear();
    blocks_.shrink_to_fit();
    markedInBlocks_ = 0;
    heldMines_ = 0;
}

std::size_t ChangeMap::memoryBytes() const {
    return lone_.memoryBytes() + loneInPage_.memoryBytes() + blockOf_.memoryBytes() +
           blocks_.capacity() * sizeof(blocks_[0]) + blocks_.size() * sizeof(Block) +
           static_cast<std::size_t>(heldMines_ * pageBytes);
}

std::vector<std::int64_t> ChangeMap::changedLines() const {
    std::vector<std::int64_t> lines;
    for (const auto& block : blocks_)
        for (std::size_t word = 0; word < block->mask.size(); ++word)
            if (block->mask[word] != 0)
                lines.push_back(block->page * pageBytes + static_cast<std::int64_t>(word) * lineBytes);
    lone_.forEach([&](std::uint64_t slot) { lines.push_back(Lone::keyOf(slot) / lineBytes * lineBytes); });
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

std::vector<ByteRange> ChangeMap::ranges() const {
    // The blocks and the lone bytes, each in increasing order: no page has both.
    std::vector<const Block*> blocks;
    blocks.reserve(blocks_.size());
    for (const auto& block : blocks_) blocks.push_back(block.get());
    std::sort(blocks.begin(), blocks.end(), [](const Block* a, const Block* b) { return a->page < b->page; });
    std::vector<std::int64_t> lone;
    lone.reserve(lone_.size());
    lone_.forEach([&](std::uint64_t slot) { lone.push_back(Lone::keyOf(slot)); });
    std::sort(lone.begin(), lone.end());

    std::vector<ByteRange> out;
    const auto add = [&](std::int64_t begin, std::int64_t end) {
        if (!out.empty() && out.back().end == begin)
            out.back().end = end;  // a run that goes on over a line's or a page's edge
        else
            out.push_back({begin, end});
    };
    auto nextLone = lone.begin();
    for (const Block* block : blocks) {
        for (; nextLone != lone.end() && *nextLone < block->page * pageBytes; ++nextLone)
            add(*nextLone, *nextLone + 1);
        for (std::size_t word = 0; word < block->mask.size(); ++word) {
            const std::int64_t base = block->page * pageBytes + static_cast<std::int64_t>(word) * 64;
            // Each run of set bits is one run of changed bytes.
            for (std::uint64_t mask = block->mask[word]; mask != 0;) {
                const int first = std::countr_zero(mask);
                const int length = std::countr_one(mask >> first);
                add(base + first, base + first + length);
                mask = first + length >= 64 ? 0 : mask & ~((std::uint64_t{1} << (first + length)) - 1);
            }
        }
    }
    for (; nextLone != lone.end(); ++nextLone) add(*nextLone, *nextLone + 1);
    return out;
}

bool ChangeMap::changedByOthers(ByteRange run, const std::uint8_t* current, const std::uint8_t* ours) const {
    bool others = false;
    // The file's byte is read before ours: when both pages are gone (a file cut under a
    // save's window), the save reports the target lost whatever order the compiler picks.
    const auto differs = [&](const std::uint8_t* now, std::uint8_t first, const std::uint8_t* mine) {
        const std::uint8_t value = *now;
        return value != first && value != *mine;
    };
    auto& self = const_cast<ChangeMap&>(*this);  // visits only read the slots
    forEachPiece(run, [&](std::int64_t page, std::int64_t from, std::int64_t to, std::int64_t at) {
        if (others) return;
        if (const Block* block = blockAt(page)) {
            forEachWord(from, to, [&](std::size_t word, std::uint64_t bits) {
                const std::int64_t base = static_cast<std::int64_t>(word) * 64;
                const std::uint8_t* now = current + (at + base - from);
                const std::uint8_t* mine = ours + (at + base - from);
                bits &= block->mask[word];
                // A whole word as first read or as ours is nobody else's, at memory speed.
                if (others || bits == 0 ||
                    (bits == ~std::uint64_t{0} && (std::memcmp(now, block->first.data() + base, 64) == 0 ||
                                                   std::memcmp(now, mine, 64) == 0)))
                    return;
                for (std::uint64_t left = bits; left != 0 && !others; left &= left - 1) {
                    const int k = std::countr_zero(left);
                    others = differs(now + k, block->first[static_cast<std::size_t>(base + k)], mine + k);
                }
            });
            return;
        }
        self.forEachLone(page, from, to, [&](const std::uint64_t& slot) {
            const std::int64_t i = at + Lone::keyOf(slot) - page * pageBytes - from;
            others = others || differs(current + i, firstOf(slot), ours + i);
        });
    });
    return others;
}

}  // namespace quillix
