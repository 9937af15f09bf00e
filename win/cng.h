// Owners for the platform's cryptography (CNG, bcrypt.dll) handles.
#pragma once

#include <windows.h>

#include <bcrypt.h>

#include "win/scoped.h"

namespace win {

struct CngAlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptCloseAlgorithmProvider(h, 0); }
};
using UniqueCngAlgorithm = Scoped<CngAlgorithmTraits>;

struct CngKeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyKey(h); }
};
using UniqueCngKey = Scoped<CngKeyTraits>;

struct CngHashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyHash(h); }
};
using UniqueCngHash = Scoped<CngHashTraits>;

} // namespace win
