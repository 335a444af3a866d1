// The digests from CNG, the system's own hash library (bcrypt.dll).

#include "checksums/library_hash.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <new>

namespace quillix {

struct LibraryHash {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ULONG digestBytes = 0;
};

namespace {

const wchar_t* algorithmOf(DigestKind kind) {
    switch (kind) {
        case DigestKind::md5: return BCRYPT_MD5_ALGORITHM;
        case DigestKind::sha1: return BCRYPT_SHA1_ALGORITHM;
        case DigestKind::sha256: return BCRYPT_SHA256_ALGORITHM;
        case DigestKind::sha512: return BCRYPT_SHA512_ALGORITHM;
    }
    return nullptr;
}

bool succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

void LibraryHashRelease::operator()(LibraryHash* hash) const {
    if (hash->hash) BCryptDestroyHash(hash->hash);
    if (hash->algorithm) BCryptCloseAlgorithmProvider(hash->algorithm, 0);
    delete hash;
}

LibraryHashHandle startLibraryHash(DigestKind kind) {
    LibraryHashHandle hash(new (std::nothrow) LibraryHash);
    if (!hash) return nullptr;
    hash->digestBytes = static_cast<ULONG>(digestBytes(kind));
    if (!succeeded(BCryptOpenAlgorithmProvider(&hash->algorithm, algorithmOf(kind), nullptr, 0))) return nullptr;
    // No object buffer: CNG keeps the hash's state in memory of its own.
    if (!succeeded(BCryptCreateHash(hash->algorithm, &hash->hash, nullptr, 0, nullptr, 0, 0))) return nullptr;
    return hash;
}

bool addToLibraryHash(LibraryHash& hash, const std::uint8_t* bytes, std::size_t count) {
    // CNG counts in 32 bits.
    while (count > 0) {
        const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(count, 0x80000000u));
        if (!succeeded(BCryptHashData(hash.hash, const_cast<PUCHAR>(bytes), piece, 0))) return false;
        bytes += piece;
        count -= piece;
    }
    return true;
}

bool finishLibraryHash(LibraryHash& hash, std::uint8_t* out) {
    return succeeded(BCryptFinishHash(hash.hash, out, hash.digestBytes, 0));
}

}  // namespace quillix
