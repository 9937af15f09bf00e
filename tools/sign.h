// Signing of a published manifest by the studio's tools, in the launcher's
// formats (update/signature.h): ECDSA over P-256 with SHA-256.
//
// Key file: the PEM text that
//   openssl ecparam -name prime256v1 -genkey -noout -out update-key.pem
// writes ("EC PRIVATE KEY"); "PRIVATE KEY" (PKCS #8, unencrypted) is read too.
// Public key: 130 hexadecimal characters, the uncompressed point 04 || X || Y,
// which is what the launcher's LUMORA_UPDATE_KEY holds.
// Signature: 64 bytes, r || s.
//
// One interface, two implementations: sign_cng.cpp (Windows, bcrypt.dll) and
// sign_openssl.cpp (Linux, OpenSSL's libcrypto).
#pragma once

#include <string>

// Signs data with the key file's text; false with a message in error.
bool SignWithKeyFile(const std::string& keyPem, const std::string& data, std::string& signature,
                     std::string& error);

// The key file's public key as hex; false with a message in error.
bool PublicKeyHexOfKeyFile(const std::string& keyPem, std::string& hex, std::string& error);

// Whether hex is a public key in that form.
bool IsPublicKeyHex(const std::string& hex);

// True only when signature is a valid signature of data by the public key.
bool VerifyWithPublicKey(const std::string& publicKeyHex, const std::string& data,
                         const std::string& signature);
