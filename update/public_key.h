// The update key as it is written down: 130 hexadecimal characters, the
// uncompressed P-256 point 04 || X || Y. Shared by the launcher and the
// studio's tools on either platform.
#pragma once

#include <cstddef>

const size_t kPublicPointBytes = 65;

// The point of a public key given as hex (either case). False for any other
// length, a non-hex character, or a point that is not in uncompressed form.
bool ParsePublicKeyHex(const char* hex, unsigned char (&point)[kPublicPointBytes]);

// The point written as lower-case hex, terminated.
void PublicKeyToHex(const unsigned char (&point)[kPublicPointBytes],
                    char (&hex)[2 * kPublicPointBytes + 1]);
