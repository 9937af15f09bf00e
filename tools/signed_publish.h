// lumora_publish's signing: "--sign KEY_FILE" signs the manifest it writes,
// "--verify PUBLIC_KEY DIR" checks a published folder as a launcher built
// with that key would, "--public-key KEY_FILE" prints the key to build with.
#pragma once

#include <string>

// The key file's text, checked to be a usable key; false with a message.
bool LoadSigningKey(const std::wstring& keyFile, std::string& pem, std::wstring& error);

// Writes "update.json.sig" beside dir's "update.json"; false with a message.
bool SignPublishedManifest(const std::string& pem, const std::wstring& dir, std::wstring& error);

// Prints one line per problem; returns 0 when the launcher would take every
// file, 1 on problems, 2 when the key is unusable.
int VerifyPublishedFolder(const std::wstring& publicKey, const std::wstring& dir);

// Prints the public key of a key file as hex; 0, or 2 on an unusable file.
int PrintPublicKey(const std::wstring& keyFile);
