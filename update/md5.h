// MD5 (RFC 1321) over runs of bytes of any length, and the digest of a file
// as 32 lower-case hexadecimal characters.
#pragma once

#include <cstddef>
#include <cstdint>

struct Md5Context {
    uint32_t state[4];
    uint32_t count[2]; // bits hashed so far: low, high
    unsigned char buffer[64];
};

void Md5Init(Md5Context* ctx);
void Md5Update(Md5Context* ctx, const void* data, size_t length);
void Md5Final(Md5Context* ctx, unsigned char digest[16]);

// Writes the 32 hexadecimal digits and a zero into text (33 bytes).
void Md5ToHex(const unsigned char digest[16], char text[33]);

// Digest of a whole file. False, text untouched, when the file cannot be read
// whole (missing, a folder, locked, or shorter than its size said).
bool FileMd5Hex(const wchar_t* path, char text[33]);
