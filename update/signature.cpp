#include "update/signature.h"

#include "win/cng.h"

#include <cstring>

namespace {

bool NtSuccess(NTSTATUS status) {
    return status >= 0;
}

} // namespace

// Create/Hash/Finish rather than BCryptHash, which Windows 7 lacks.
bool Sha256(const void* data, size_t length, unsigned char (&digest)[32]) {
    BCRYPT_ALG_HANDLE raw = nullptr;
    if (!NtSuccess(BCryptOpenAlgorithmProvider(&raw, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    win::UniqueCngAlgorithm algorithm(raw);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!NtSuccess(BCryptCreateHash(algorithm.Get(), &rawHash, nullptr, 0, nullptr, 0, 0)))
        return false;
    win::UniqueCngHash hash(rawHash);
    auto* bytes = static_cast<unsigned char*>(const_cast<void*>(data));
    while (length) {
        const ULONG piece = length > (1u << 30) ? (1u << 30) : static_cast<ULONG>(length);
        if (!NtSuccess(BCryptHashData(hash.Get(), bytes, piece, 0))) return false;
        bytes += piece;
        length -= piece;
    }
    return NtSuccess(BCryptFinishHash(hash.Get(), digest, sizeof(digest), 0));
}

bool VerifySignature(const char* publicKeyHex, const void* data, size_t length,
                     const void* signature, size_t signatureLength) {
    unsigned char point[kPublicPointBytes];
    if (!ParsePublicKeyHex(publicKeyHex, point) || !signature || signatureLength != kSignatureBytes)
        return false;
    unsigned char digest[32];
    if (!Sha256(data, length, digest)) return false;

    // The key blob: its header, then X and Y without the point's form byte.
    unsigned char blob[sizeof(BCRYPT_ECCKEY_BLOB) + kPublicPointBytes - 1] = {};
    BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    memcpy(blob, &header, sizeof(header));
    memcpy(blob + sizeof(header), point + 1, kPublicPointBytes - 1);

    BCRYPT_ALG_HANDLE raw = nullptr;
    if (!NtSuccess(BCryptOpenAlgorithmProvider(&raw, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        return false;
    win::UniqueCngAlgorithm algorithm(raw);
    BCRYPT_KEY_HANDLE rawKey = nullptr;
    if (!NtSuccess(BCryptImportKeyPair(algorithm.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &rawKey,
                                       blob, sizeof(blob), 0)))
        return false;
    win::UniqueCngKey key(rawKey);
    unsigned char sig[kSignatureBytes];
    memcpy(sig, signature, sizeof(sig));
    return BCryptVerifySignature(key.Get(), nullptr, digest, sizeof(digest), sig, sizeof(sig),
                                 0) == 0; // STATUS_SUCCESS only: any other status refuses
}
