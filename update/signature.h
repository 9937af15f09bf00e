// The signature of a published manifest: ECDSA over P-256 with SHA-256,
// checked with the platform's own cryptography (CNG).
//
// Public key: 130 hexadecimal characters, the uncompressed point 04 || X || Y.
// Signature: 64 bytes, r || s, each 32 bytes big-endian (CNG's own form).
#pragma once

#include "update/public_key.h"

#include <cstddef>

const size_t kSignatureBytes = 64;

// The SHA-256 digest of data (CNG).
bool Sha256(const void* data, size_t length, unsigned char (&digest)[32]);

// True only when signature is a valid signature of data by the key; false
// for a malformed key, a signature of any other length, or any CNG failure.
bool VerifySignature(const char* publicKeyHex, const void* data, size_t length,
                     const void* signature, size_t signatureLength);
