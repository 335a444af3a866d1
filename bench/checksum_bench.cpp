// Checksums of 1 GiB in memory, in MB/s of document (1 MB = 10^6 bytes), all measured in
// the same run:
//
// - all six through the program's pass (computeChecksums: a check-in with the host every
//   4 MiB, each 64 KiB piece taken out of the view by the checked copy, then handed to
//   every algorithm's library context) against the same libraries (zlib's crc32_z and
//   adler32_z, libcrypto's digests through EVP) hashing the same buffer directly, piece by
//   piece of the same size: the program's own overhead;
// - the one pass against six separate passes of the program, one algorithm each;
// - each algorithm alone.
//
// The two sides of the first ratio take turns, and each side's best round counts, so that
// whatever else the machine does falls on both alike.
//
// Run: build/native/checksum_bench [size in MiB, default 1024]
//      (targets: pass / direct >= 0.9; the one pass faster than the six)

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "checksums/checksums.h"
#include "tests/core/recording_host.h"

using namespace quillix;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The six straight from the libraries over the buffer, checksumPieceBytes at a time; the
// values go into out in the window's order, for the check against the program's.
void hashDirectly(const std::uint8_t* bytes, std::int64_t size, std::uint8_t (&out)[checksumCount][64]) {
    const EVP_MD* digests[] = {EVP_md5(), EVP_sha1(), EVP_sha256(), EVP_sha512()};
    EVP_MD_CTX* contexts[4];
    for (int k = 0; k < 4; ++k) {
        contexts[k] = EVP_MD_CTX_new();
        EVP_DigestInit_ex(contexts[k], digests[k], nullptr);
    }
    uLong crc = crc32_z(0, Z_NULL, 0), adler = adler32_z(0, Z_NULL, 0);
    for (std::int64_t at = 0; at < size; at += checksumPieceBytes) {
        const auto length = static_cast<std::size_t>(std::min(checksumPieceBytes, size - at));
        crc = crc32_z(crc, bytes + at, length);
        adler = adler32_z(adler, bytes + at, length);
        for (EVP_MD_CTX* context : contexts) EVP_DigestUpdate(context, bytes + at, length);
    }
    for (int k = 0; k < 4; ++k) {
        out[0][k] = static_cast<std::uint8_t>(crc >> (24 - 8 * k));
        out[1][k] = static_cast<std::uint8_t>(adler >> (24 - 8 * k));
    }
    for (int k = 0; k < 4; ++k) {
        unsigned length = 0;
        EVP_DigestFinal_ex(contexts[k], out[2 + k], &length);
        EVP_MD_CTX_free(contexts[k]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::int64_t mebibytes = argc > 1 ? std::atoll(argv[1]) : 1024;
    if (mebibytes <= 0) mebibytes = 1024;
    const std::int64_t size = mebibytes << 20;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::mt19937_64 random(31);
    for (std::size_t at = 0; at + 8 <= bytes.size(); at += 8) {
        const std::uint64_t value = random();
        for (int k = 0; k < 8; ++k) bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
    }
    Document doc;
    doc.fileBytes = bytes.data();
    doc.fileSize = size;
    test::RecordingHost host;
    ChecksumResults results;
    std::uint8_t direct[checksumCount][64] = {};
    const auto rate = [size](double seconds) { return static_cast<double>(size) / seconds / 1e6; };

    constexpr int rounds = 3;
    double passBest = 0, directBest = 0;
    for (int round = 0; round < rounds; ++round) {
        Clock::time_point start = Clock::now();
        if (computeChecksums(doc, {{0, size}, false}, host, results) != ChecksumOutcome::done) {
            std::fprintf(stderr, "the pass failed\n");
            return 1;
        }
        passBest = std::max(passBest, rate(secondsSince(start)));
        start = Clock::now();
        hashDirectly(bytes.data(), size, direct);
        directBest = std::max(directBest, rate(secondsSince(start)));
    }
    for (int algorithm = 0; algorithm < checksumCount; ++algorithm) {
        if (!std::equal(direct[algorithm], direct[algorithm] + checksumBytes(algorithm), results.values[algorithm])) {
            std::fprintf(stderr, "%ls differs from the library's own\n", checksumName(algorithm));
            return 1;
        }
    }

    double separateSeconds = 0;
    double alone[checksumCount] = {};
    for (int algorithm = 0; algorithm < checksumCount; ++algorithm) {
        const Clock::time_point start = Clock::now();
        computeChecksums(doc, {{0, size}, false, 1u << algorithm}, host, results);
        const double seconds = secondsSince(start);
        separateSeconds += seconds;
        alone[algorithm] = rate(seconds);
    }
    const double oneSeconds = static_cast<double>(size) / 1e6 / passBest;

    std::printf("%lld MiB in memory, best of %d rounds\n", static_cast<long long>(mebibytes), rounds);
    std::printf("  all six, the program's pass       %7.0f MB/s\n", passBest);
    std::printf("  all six, the libraries directly   %7.0f MB/s\n", directBest);
    std::printf("  each alone through the pass:");
    for (int algorithm = 0; algorithm < checksumCount; ++algorithm)
        std::printf("  %ls %.0f", checksumName(algorithm), alone[algorithm]);
    std::printf(" MB/s\n");
    std::printf("  one pass %.2f s, six separate passes %.2f s: the one pass takes %.2f of the six\n", oneSeconds,
                separateSeconds, oneSeconds / separateSeconds);
    std::printf("ratio pass / direct: %.3f (target >= 0.9); one pass faster than six: %s\n", passBest / directBest,
                oneSeconds < separateSeconds ? "yes" : "NO");
    doc.fileBytes = nullptr;
    return 0;
}
