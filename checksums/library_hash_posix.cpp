// The digests from libcrypto's EVP interface, for the native build.

#include "checksums/library_hash.h"

#include <new>

#include <openssl/evp.h>

namespace quillix {

struct LibraryHash {
    EVP_MD_CTX* context;
};

namespace {

const EVP_MD* algorithmOf(DigestKind kind) {
    switch (kind) {
        case DigestKind::md5: return EVP_md5();
        case DigestKind::sha1: return EVP_sha1();
        case DigestKind::sha256: return EVP_sha256();
        case DigestKind::sha512: return EVP_sha512();
    }
    return nullptr;
}

}  // namespace

void LibraryHashRelease::operator()(LibraryHash* hash) const {
    EVP_MD_CTX_free(hash->context);
    delete hash;
}

LibraryHashHandle startLibraryHash(DigestKind kind) {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    if (!context) return nullptr;
    LibraryHashHandle hash(new (std::nothrow) LibraryHash{context});
    if (!hash) {
        EVP_MD_CTX_free(context);
        return nullptr;
    }
    if (EVP_DigestInit_ex(context, algorithmOf(kind), nullptr) != 1) return nullptr;
    return hash;
}

bool addToLibraryHash(LibraryHash& hash, const std::uint8_t* bytes, std::size_t count) {
    return EVP_DigestUpdate(hash.context, bytes, count) == 1;
}

bool finishLibraryHash(LibraryHash& hash, std::uint8_t* out) {
    unsigned length = 0;
    return EVP_DigestFinal_ex(hash.context, out, &length) == 1;
}

}  // namespace quillix
