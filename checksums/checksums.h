#pragma once
// Checksums of a stretch of the document, as the user checks a download or a firmware
// image against a published digest: CRC-32 (the zlib/PNG polynomial) and Adler-32 from
// zlib, MD5, SHA-1, SHA-256 and SHA-512 from the system's hash library (library_hash.h).
// All of them are computed in one pass over the bytes, which are taken out of the view a
// piece at a time through the checked reads and handed to every algorithm while they are
// in the cache. The values are of the bytes as the view shows them, edits included, and
// are not kept up to date: the document's byteChanges tells when they went stale.

#include <cstddef>
#include <cstdint>
#include <string>

#include "document/document.h"
#include "host/progress.h"

namespace quillix {

class ViewHost;

// The algorithms, in the order the window lists them.
enum ChecksumAlgorithm : int {
    checksumCrc32,
    checksumAdler32,
    checksumMd5,
    checksumSha1,
    checksumSha256,
    checksumSha512,
    checksumCount
};
// Sets of algorithms, a bit (1 << algorithm) each: the command computes them all.
inline constexpr unsigned allChecksums = (1u << checksumCount) - 1;

// "CRC-32", "Adler-32", "MD5", "SHA-1", "SHA-256", "SHA-512".
const wchar_t* checksumName(int algorithm);
// A value's length in bytes: 4, 4, 16, 20, 32, 64.
std::size_t checksumBytes(int algorithm);
inline constexpr std::size_t maxChecksumBytes = 64;

inline constexpr ProgressTexts checksumProgressTexts = {L"Computing checksums\u2026 ", L"Checksums stopped"};
// Bytes between two check-ins with the host, as a search scans them.
inline constexpr std::int64_t checksumChunkBytes = searchChunkBytes;
// Bytes taken out of the view at once: small enough to stay in the cache while each of the
// algorithms reads them in turn.
inline constexpr std::int64_t checksumPieceBytes = std::int64_t{64} << 10;

enum class ChecksumOutcome {
    none,        // nothing computed yet
    done,
    stopped,     // the user pressed Escape
    unreadable,  // a page of the range could not be read
    failed,      // the hash library refused
};

// What to compute, over which bytes.
struct ChecksumRequest {
    ByteRange range;         // within the document; may be empty
    bool selection = false;  // the range is the selection (else the whole document)
    unsigned which = allChecksums;
    std::int64_t chunkBytes = checksumChunkBytes;  // tests make it small
};

// One computation and its values.
struct ChecksumResults {
    ByteRange range;
    bool selection = false;
    std::uint64_t byteChanges = 0;  // the document's byteChanges as the values were computed
    bool unsaved = false;           // the range held changes not yet saved then
    ChecksumOutcome outcome = ChecksumOutcome::none;
    unsigned which = 0;  // the algorithms that have values: none unless the outcome is done
    // Each algorithm's value, checksumBytes(algorithm) long; CRC-32 and Adler-32 with
    // their highest byte first, as they are written.
    std::uint8_t values[checksumCount][maxChecksumBytes] = {};
};

// Computes the algorithms of request.which over request.range in one pass, chunk by chunk:
// before each chunk it checks in with the host (status part 0 shows "Computing checksums…
// 37 %" after 0.3 s, then "Ready" or, after Escape, "Checksums stopped"). Returns the
// outcome, also kept in results with the range it was for; values only when done. A page
// that cannot be read ends it with "Could not read %s" and the system's text (owner the
// frame); a library that refuses, with "The system's hash library could not compute the
// checksums." Stopped shows no box.
ChecksumOutcome computeChecksums(const Document& doc, const ChecksumRequest& request, ViewHost& host,
                                 ChecksumResults& results);

// --- Texts (checksum_texts.cpp) -------------------------------------------------------

// The algorithm's value in lower-case hex; empty when it has none.
std::wstring checksumText(const ChecksumResults& results, int algorithm);

// What the values are of: "Selection 00000010-0000001F, 16 bytes" or "Whole document,
// 692 bytes" ("1 byte" for one), followed by ", with unsaved changes" when the range held
// changes not yet saved as the values were computed.
std::wstring checksumRangeText(const ChecksumResults& results);

// The line under the range: why there are no values ("Checksums stopped", "Could not
// read %s", "Could not compute the checksums"), or, once the document's bytes changed
// after the values were computed, "Changed since computed — press F5"; else empty.
std::wstring checksumNote(const ChecksumResults& results, const Document& doc);

// Compares a digest the user pasted (any case, blanks ignored) with the values:
// "Matches SHA-256" for the first algorithm whose value it is, "Matches none" when none,
// empty when there is nothing but blanks.
std::wstring compareVerdict(const ChecksumResults& results, const wchar_t* typed);

// The rows whose bit (1 << algorithm) is in rows as "name<Tab>value", joined by CR LF, in
// the window's order; rows without a value are left out.
std::wstring checksumRowsText(const ChecksumResults& results, unsigned rows);

}  // namespace quillix
