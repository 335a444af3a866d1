#include "checksums/checksums.h"

#include <new>

#include <zlib.h>

#include <algorithm>

#include "checksums/library_hash.h"
#include "document/file/checked_view.h"
#include "host/view_host.h"

namespace quillix {
namespace {

struct AlgorithmInfo {
    const wchar_t* name;
    std::size_t bytes;
};
constexpr AlgorithmInfo algorithms[checksumCount] = {
    {L"CRC-32", 4},
    {L"Adler-32", 4},
    {L"MD5", digestBytes(DigestKind::md5)},
    {L"SHA-1", digestBytes(DigestKind::sha1)},
    {L"SHA-256", digestBytes(DigestKind::sha256)},
    {L"SHA-512", digestBytes(DigestKind::sha512)},
};

constexpr DigestKind digestKindOf(int algorithm) {
    return algorithm == checksumMd5    ? DigestKind::md5
           : algorithm == checksumSha1 ? DigestKind::sha1
           : algorithm == checksumSha256 ? DigestKind::sha256
                                       : DigestKind::sha512;
}
constexpr bool fromZlib(int algorithm) { return algorithm == checksumCrc32 || algorithm == checksumAdler32; }

// The running state of every algorithm asked for.
struct RunningSums {
    unsigned which = 0;
    uLong crc = 0;
    uLong adler = 0;
    LibraryHashHandle hashes[checksumCount];
};

bool startSums(RunningSums& sums, unsigned which) {
    sums.which = which;
    sums.crc = crc32_z(0, Z_NULL, 0);
    sums.adler = adler32_z(0, Z_NULL, 0);
    for (int algorithm = 0; algorithm < checksumCount; ++algorithm) {
        if (!(which & 1u << algorithm) || fromZlib(algorithm)) continue;
        sums.hashes[algorithm] = startLibraryHash(digestKindOf(algorithm));
        if (!sums.hashes[algorithm]) return false;
    }
    return true;
}

bool addToSums(RunningSums& sums, const std::uint8_t* bytes, std::size_t count) {
    if (sums.which & 1u << checksumCrc32) sums.crc = crc32_z(sums.crc, bytes, count);
    if (sums.which & 1u << checksumAdler32) sums.adler = adler32_z(sums.adler, bytes, count);
    for (int algorithm = checksumMd5; algorithm < checksumCount; ++algorithm)
        if (sums.hashes[algorithm] && !addToLibraryHash(*sums.hashes[algorithm], bytes, count)) return false;
    return true;
}

void putBigEndian(std::uint8_t* out, uLong value) {
    for (int k = 0; k < 4; ++k) out[k] = static_cast<std::uint8_t>(value >> (24 - 8 * k));
}

bool finishSums(RunningSums& sums, ChecksumResults& results) {
    putBigEndian(results.values[checksumCrc32], sums.crc);
    putBigEndian(results.values[checksumAdler32], sums.adler);
    for (int algorithm = checksumMd5; algorithm < checksumCount; ++algorithm)
        if (sums.hashes[algorithm] && !finishLibraryHash(*sums.hashes[algorithm], results.values[algorithm]))
            return false;
    return true;
}

// The pass itself: a check-in before each chunk, each chunk's pieces copied out of the
// view and fed to the sums. Copied rather than hashed in place, so that a page that
// cannot be read faults inside the checked copy, never inside the library's code.
ChecksumOutcome runPass(const Document& doc, const ChecksumRequest& request, Progress& progress,
                        RunningSums& sums, ReadFault& fault) {
    const std::int64_t count = request.range.end - request.range.begin;
    const std::int64_t chunkBytes = std::max<std::int64_t>(request.chunkBytes, 1);
    // One thread, one pass at a time: the piece needs no memory of its own.
    alignas(64) static std::uint8_t piece[checksumPieceBytes];
    for (std::int64_t done = 0; done < count; done += chunkBytes) {
        if (!keepGoing(progress, done)) return ChecksumOutcome::stopped;
        const std::int64_t chunkEnd = std::min(done + chunkBytes, count);
        for (std::int64_t at = done; at < chunkEnd; at += checksumPieceBytes) {
            const std::int64_t length = std::min(checksumPieceBytes, chunkEnd - at);
            if (!checkedCopy(doc, request.range.begin + at, length, piece, fault))
                return ChecksumOutcome::unreadable;
            if (!addToSums(sums, piece, static_cast<std::size_t>(length))) return ChecksumOutcome::failed;
        }
    }
    return ChecksumOutcome::done;
}

// Whether a byte of range holds a change not yet saved. Should the list of changed runs
// not fit in memory, a modified document is taken to hold one there.
bool holdsUnsavedBytes(const Document& doc, ByteRange range) {
    if (!doc.isModified) return false;
    try {
        for (const ByteRange& run : doc.changes.ranges())
            if (run.begin < range.end && run.end > range.begin) return true;
        return false;
    } catch (const std::bad_alloc&) {
        return true;
    }
}

}  // namespace

const wchar_t* checksumName(int algorithm) { return algorithms[algorithm].name; }
std::size_t checksumBytes(int algorithm) { return algorithms[algorithm].bytes; }

ChecksumOutcome computeChecksums(const Document& doc, const ChecksumRequest& request, ViewHost& host,
                                 ChecksumResults& results) {
    results = ChecksumResults{};
    results.range = request.range;
    results.selection = request.selection;
    results.byteChanges = doc.byteChanges;
    results.unsaved = holdsUnsavedBytes(doc, request.range);
    RunningSums sums;
    ReadFault fault;
    ChecksumOutcome outcome = ChecksumOutcome::failed;
    if (startSums(sums, request.which)) {
        Progress progress{host, checksumProgressTexts, request.range.end - request.range.begin};
        outcome = runPass(doc, request, progress, sums, fault);
        finishProgress(progress);
    }
    if (outcome == ChecksumOutcome::done && !finishSums(sums, results)) outcome = ChecksumOutcome::failed;
    results.outcome = outcome;
    if (outcome == ChecksumOutcome::done) results.which = request.which;
    if (outcome == ChecksumOutcome::unreadable) reportUnreadable(host, BoxOwner::frame, doc.fileTitle, fault.error);
    if (outcome == ChecksumOutcome::failed)
        host.messageBox(BoxOwner::frame, L"The system's hash library could not compute the checksums.",
                        programCaption, boxWarning);
    return outcome;
}

}  // namespace quillix
