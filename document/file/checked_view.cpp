#include "document/file/checked_view.h"

#include <algorithm>
#include <cstring>

#include "host/text_format.h"
#include "host/view_host.h"

namespace quillix {
namespace {

std::int64_t pageStart(std::int64_t offset) { return offset - offset % viewPageBytes; }

// One guarded pass over view bytes offset .. offset + length - 1 a page at a time, each
// piece handed to piece(at, index, count) (index: its place counted from offset), so that
// a fault leaves every page before its own done. done tells how far it got; volatile, so
// that it is in memory, not in a register, whenever the pass is cut off.
template <class Piece>
struct PageByPage {
    std::int64_t offset;
    std::int64_t length;
    Piece piece;
    volatile std::int64_t done = 0;

    void operator()() {
        std::int64_t passed = 0;
        while (passed < length) {
            const std::int64_t at = offset + passed;
            const std::int64_t count = std::min(length - passed, pageStart(at) + viewPageBytes - at);
            piece(at, passed, static_cast<std::size_t>(count));
            passed += count;
            done = passed;
        }
    }
};
template <class Piece>
PageByPage(std::int64_t, std::int64_t, Piece) -> PageByPage<Piece>;

// The unreadable bytes from a fault at offset up to the end of its page, cut to end.
ByteRange faultedPage(std::int64_t offset, std::int64_t end) {
    return {offset, std::min(pageStart(offset) + viewPageBytes, end)};
}

// Adds range to the list, joined to the last stretch where it follows on from it; the
// first fault's error is the one kept.
void addUnreadable(UnreadableBytes& unreadable, ByteRange range, SystemError error) {
    if (unreadable.ranges.empty()) unreadable.error = error;
    if (!unreadable.ranges.empty() && unreadable.ranges.back().end == range.begin) {
        unreadable.ranges.back().end = range.end;
        return;
    }
    unreadable.ranges.push_back(range);
}

std::wstring hexOffset(std::int64_t offset) {
    wchar_t text[20];
    appendHex(text, 20, 0, static_cast<std::uint64_t>(offset), 8);
    return text;
}

}  // namespace

bool checkedCopy(const ViewBytes& doc, std::int64_t offset, std::int64_t length, std::uint8_t* out,
                 ReadFault& fault) {
    if (!doc.fileBytes) {
        fault = {offset, 0};
        return false;
    }
    const std::uint8_t* view = doc.fileBytes;
    PageByPage copy{offset, length, [view, out](std::int64_t at, std::int64_t index, std::size_t count) {
                        std::memcpy(out + index, view + at, count);
                    }};
    if (checkedRun(doc, copy, fault)) return true;
    // The pass stopped inside the page after the last whole one it copied.
    fault.offset = offset + copy.done;
    return false;
}

bool copyReadable(const ViewBytes& doc, std::int64_t offset, std::int64_t length, std::uint8_t* out,
                  UnreadableBytes& unreadable) {
    const std::int64_t end = offset + length;
    bool whole = true;
    for (std::int64_t at = offset; at < end;) {
        ReadFault fault;
        if (checkedCopy(doc, at, end - at, out + (at - offset), fault)) break;
        whole = false;
        const ByteRange page = faultedPage(fault.offset, end);
        std::memset(out + (page.begin - offset), 0, static_cast<std::size_t>(page.end - page.begin));
        addUnreadable(unreadable, page, fault.error);
        at = page.end;
    }
    return whole;
}

bool findUnreadable(const ViewBytes& doc, std::int64_t offset, std::int64_t length, ReadFault& fault) {
    if (length <= 0) return false;
    if (!doc.fileBytes) {
        fault = {offset, 0};
        return true;
    }
    struct Probe {
        const volatile std::uint8_t* view;
        volatile std::int64_t at;  // the page being touched, in memory when the touch faults
        std::int64_t end;
        void operator()() {
            for (std::int64_t page = at; page < end; page = pageStart(page) + viewPageBytes) {
                at = page;
                (void)view[page];
            }
        }
    } probe{doc.fileBytes, offset, offset + length};
    if (checkedRun(doc, probe, fault)) return false;
    fault.offset = probe.at;
    return true;
}

bool checkedStore(ViewBytes& doc, std::int64_t offset, std::uint8_t value, std::uint8_t& previous,
                  ReadFault& fault) {
    struct Store {
        volatile std::uint8_t* at;
        std::uint8_t value;
        std::uint8_t previous = 0;
        void operator()() {
            previous = *at;
            *at = value;
        }
    } store{doc.fileBytes + offset, value};
    if (!checkedRun(doc, store, fault)) return false;
    previous = store.previous;
    return true;
}

bool checkedSwap(ViewBytes& doc, std::int64_t offset, std::int64_t length, std::uint8_t* other,
                 ReadFault& fault) {
    if (!doc.fileBytes) {
        fault = {offset, 0};
        return false;
    }
    // Page by page, each read before it is written: a page that cannot be read faults
    // before any byte of it changed, and done tells how far the exchange got.
    std::uint8_t* view = doc.fileBytes;
    const auto exchange = [view, other](std::int64_t at, std::int64_t index, std::size_t count) {
        std::uint8_t page[viewPageBytes];
        std::memcpy(page, view + at, count);
        std::memcpy(view + at, other + index, count);
        std::memcpy(other + index, page, count);
    };
    PageByPage swap{offset, length, exchange};
    if (checkedRun(doc, swap, fault)) return true;
    fault.offset = offset + swap.done;
    // The pages exchanged are the process's own copies now: exchanging them back cannot fault.
    PageByPage back{offset, static_cast<std::int64_t>(swap.done), exchange};
    ReadFault ignored;
    checkedRun(doc, back, ignored);
    return false;
}

bool checkedReplace(ViewBytes& doc, std::int64_t offset, std::int64_t length, const std::uint8_t* values,
                    std::uint8_t* before, ReadFault& fault) {
    if (!doc.fileBytes) {
        fault = {offset, 0};
        return false;
    }
    std::uint8_t* view = doc.fileBytes;
    PageByPage replace{offset, length, [view, values, before](std::int64_t at, std::int64_t index, std::size_t count) {
                           std::memcpy(before + index, view + at, count);
                           std::memcpy(view + at, values + index, count);
                       }};
    if (checkedRun(doc, replace, fault)) return true;
    fault.offset = offset + replace.done;
    // The pages stored are the process's own copies now: putting them back cannot fault.
    PageByPage back{offset, static_cast<std::int64_t>(replace.done),
                    [view, before](std::int64_t at, std::int64_t index, std::size_t count) {
                        std::memcpy(view + at, before + index, count);
                    }};
    ReadFault ignored;
    checkedRun(doc, back, ignored);
    return false;
}

std::wstring unreadableMessage(const wchar_t* name, SystemError error) {
    return withSystemReason(std::wstring(L"Could not read ") + nameOrUntitled(name), error);
}

void reportUnreadable(ViewHost& host, BoxOwner owner, const wchar_t* name, SystemError error) {
    host.messageBox(owner, unreadableMessage(name, error).c_str(), programCaption, boxWarning);
}

std::wstring unreadableStatus(SystemError error) {
    std::wstring reason = systemErrorText(error);
    if (reason.empty()) {
        wchar_t code[24];
        appendDecimal(code, 24, 0, error);
        reason = std::wstring(L"error ") + code;
    }
    return unreadableStatusPrefix + reason;
}

std::wstring unreadableSaveMessage(const wchar_t* documentName, const wchar_t* savedName,
                                   const UnreadableBytes& unreadable) {
    constexpr std::size_t listed = 8;
    std::wstring text = unreadableMessage(documentName, unreadable.error);
    text += std::wstring(L"\nThese bytes were saved into ") + nameOrUntitled(savedName) + L" as zeros:";
    for (std::size_t i = 0; i < unreadable.ranges.size() && i < listed; ++i) {
        const ByteRange& range = unreadable.ranges[i];
        text += L"\n" + hexOffset(range.begin) + L"-" + hexOffset(range.end - 1);
    }
    if (unreadable.ranges.size() > listed) {
        wchar_t more[24];
        appendDecimal(more, 24, 0, static_cast<std::int64_t>(unreadable.ranges.size() - listed));
        text += std::wstring(L"\nand ") + more + L" more";
    }
    return text;
}

}  // namespace quillix
