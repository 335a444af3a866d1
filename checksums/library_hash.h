#pragma once
// The message digests the program takes from the system's own hash library rather than
// writing them itself: CNG (bcrypt.dll) in the Windows program (library_hash_win32.cpp),
// libcrypto in the native build, where the core's tests and benchmarks run
// (library_hash_posix.cpp).

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quillix {

enum class DigestKind { md5, sha1, sha256, sha512 };

// The length of a digest of kind in bytes.
constexpr std::size_t digestBytes(DigestKind kind) {
    switch (kind) {
        case DigestKind::md5: return 16;
        case DigestKind::sha1: return 20;
        case DigestKind::sha256: return 32;
        case DigestKind::sha512: return 64;
    }
    return 0;
}

// One digest under way: the library's running state, as the platform's file keeps it.
struct LibraryHash;
struct LibraryHashRelease {
    void operator()(LibraryHash* hash) const;
};
using LibraryHashHandle = std::unique_ptr<LibraryHash, LibraryHashRelease>;

// Starts a digest of kind. Null when the library cannot (the algorithm is missing from
// it, or memory ran out).
LibraryHashHandle startLibraryHash(DigestKind kind);

// Adds count bytes to the digest. False when the library refused them: the digest is then
// of no use.
bool addToLibraryHash(LibraryHash& hash, const std::uint8_t* bytes, std::size_t count);

// Ends the digest, its digestBytes(kind) bytes into out. False when the library refused.
// Either way the hash takes no more bytes.
bool finishLibraryHash(LibraryHash& hash, std::uint8_t* out);

}  // namespace quillix
