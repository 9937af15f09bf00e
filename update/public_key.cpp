#include "update/public_key.h"

#include <cstring>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool ParsePublicKeyHex(const char* hex, unsigned char (&point)[kPublicPointBytes]) {
    if (!hex) return false;
    unsigned char out[kPublicPointBytes] = {};
    for (size_t i = 0; i < kPublicPointBytes; ++i) {
        // Stops at the terminator too: a short key has a digit of -1 there.
        const int hi = HexDigit(hex[2 * i]);
        const int lo = hi < 0 ? -1 : HexDigit(hex[2 * i + 1]);
        if (lo < 0) return false;
        out[i] = static_cast<unsigned char>(hi << 4 | lo);
    }
    if (hex[2 * kPublicPointBytes] != '\0' || out[0] != 0x04) return false;
    memcpy(point, out, sizeof(out));
    return true;
}

void PublicKeyToHex(const unsigned char (&point)[kPublicPointBytes],
                    char (&hex)[2 * kPublicPointBytes + 1]) {
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < kPublicPointBytes; ++i) {
        hex[2 * i] = digits[point[i] >> 4];
        hex[2 * i + 1] = digits[point[i] & 15];
    }
    hex[2 * kPublicPointBytes] = '\0';
}
