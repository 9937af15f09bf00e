// The tools' signing through OpenSSL's libcrypto (3.0), for the native Linux
// tools; the same formats as sign_cng.cpp.
#include "tools/sign.h"
#include "update/public_key.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

const size_t kSignatureBytes = 64;

template <class T, void (*Free)(T*)> struct Deleter {
    void operator()(T* p) const { Free(p); }
};
template <class T, void (*Free)(T*)> using Owned = std::unique_ptr<T, Deleter<T, Free>>;
using Pkey = Owned<EVP_PKEY, EVP_PKEY_free>;
using Bio = Owned<BIO, BIO_free_all>;
using MdCtx = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;
using EcdsaSig = Owned<ECDSA_SIG, ECDSA_SIG_free>;
using ParamBld = Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using Params = Owned<OSSL_PARAM, OSSL_PARAM_free>;
using PkeyCtx = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;

bool IsP256(EVP_PKEY* key) {
    char group[64] = {};
    size_t length = 0;
    return EVP_PKEY_get_base_id(key) == EVP_PKEY_EC &&
           EVP_PKEY_get_group_name(key, group, sizeof(group), &length) &&
           strcmp(group, "prime256v1") == 0;
}

Pkey ReadKeyFile(const std::string& pem, std::string& error) {
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    Pkey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!key) {
        error = "not a PEM file of an unencrypted private key";
        return nullptr;
    }
    if (!IsP256(key.get())) {
        error = "the key is not an EC key on the curve P-256 (prime256v1)";
        return nullptr;
    }
    return key;
}

bool PublicPoint(EVP_PKEY* key, unsigned char (&point)[kPublicPointBytes]) {
    size_t length = 0;
    return EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof(point),
                                           &length) &&
           length == kPublicPointBytes && point[0] == 0x04;
}

Pkey PublicKeyFromHex(const std::string& hex) {
    unsigned char point[kPublicPointBytes];
    if (!ParsePublicKeyHex(hex.c_str(), point)) return nullptr;
    ParamBld build(OSSL_PARAM_BLD_new());
    if (!build ||
        !OSSL_PARAM_BLD_push_utf8_string(build.get(), OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1",
                                         0) ||
        !OSSL_PARAM_BLD_push_octet_string(build.get(), OSSL_PKEY_PARAM_PUB_KEY, point,
                                          sizeof(point)))
        return nullptr;
    Params params(OSSL_PARAM_BLD_to_param(build.get()));
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* key = nullptr;
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
        EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) <= 0)
        return nullptr;
    return Pkey(key);
}

} // namespace

bool PublicKeyHexOfKeyFile(const std::string& keyPem, std::string& hex, std::string& error) {
    Pkey key = ReadKeyFile(keyPem, error);
    if (!key) return false;
    unsigned char point[kPublicPointBytes];
    if (!PublicPoint(key.get(), point)) {
        error = "the key has no uncompressed public key";
        return false;
    }
    char text[2 * kPublicPointBytes + 1];
    PublicKeyToHex(point, text);
    hex = text;
    return true;
}

bool SignWithKeyFile(const std::string& keyPem, const std::string& data, std::string& signature,
                     std::string& error) {
    Pkey key = ReadKeyFile(keyPem, error);
    if (!key) return false;
    MdCtx ctx(EVP_MD_CTX_new());
    size_t derLength = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) <= 0 ||
        EVP_DigestSign(ctx.get(), nullptr, &derLength,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) <= 0) {
        error = "signing failed";
        return false;
    }
    std::vector<unsigned char> der(derLength);
    if (EVP_DigestSign(ctx.get(), der.data(), &derLength,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) <= 0) {
        error = "signing failed";
        return false;
    }
    // OpenSSL gives the DER form; the launcher takes r || s.
    const unsigned char* p = der.data();
    EcdsaSig sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(derLength)));
    unsigned char out[kSignatureBytes];
    if (!sig || BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), out, 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), out + 32, 32) != 32) {
        error = "signing failed";
        return false;
    }
    signature.assign(reinterpret_cast<const char*>(out), sizeof(out));
    return true;
}

bool IsPublicKeyHex(const std::string& hex) {
    return PublicKeyFromHex(hex) != nullptr;
}

bool VerifyWithPublicKey(const std::string& publicKeyHex, const std::string& data,
                         const std::string& signature) {
    Pkey key = PublicKeyFromHex(publicKeyHex);
    if (!key || signature.size() != kSignatureBytes) return false;
    const unsigned char* raw = reinterpret_cast<const unsigned char*>(signature.data());
    EcdsaSig sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(raw, 32, nullptr);
    BIGNUM* s = BN_bin2bn(raw + 32, 32, nullptr);
    if (!sig || !r || !s || !ECDSA_SIG_set0(sig.get(), r, s)) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(sig.get(), &der);
    if (derLength <= 0) return false;
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(
        der, [](unsigned char* q) { OPENSSL_free(q); });
    MdCtx ctx(EVP_MD_CTX_new());
    return ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) > 0 &&
           EVP_DigestVerify(ctx.get(), der, static_cast<size_t>(derLength),
                            reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
}
