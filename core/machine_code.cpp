#include "core/machine_code.h"

#include "win/com_ptr.h"
#include "win/com_scoped.h"

#include <cwchar>
#include <objbase.h>
#include <wbemidl.h>

namespace {

const wchar_t* SkipBlanks(const wchar_t* s) {
    while (*s == L' ')
        ++s;
    return s;
}

bool StartsWithCapitalOrDigit(const wchar_t* s) {
    return (s[0] >= L'A' && s[0] <= L'Z') || (s[0] >= L'0' && s[0] <= L'9');
}

// Copies one serial (leading blanks removed) into the buffer; true when it is
// the machine code and the walk ends.
bool TakeSerial(const wchar_t* serial, wchar_t* out, size_t cap) {
    const wchar_t* s = SkipBlanks(serial);
    size_t n = wcslen(s);
    if (n >= cap) n = cap - 1;
    wmemcpy(out, s, n);
    out[n] = L'\0';
    return StartsWithCapitalOrDigit(out);
}

wchar_t g_machineCode[256];
bool g_machineCodeAsked = false;
bool g_machineCodeKnown = false;

// Serial numbers read from WMI, released together.
struct Serials {
    static constexpr size_t kMax = 64;
    const wchar_t* items[kMax] = {};
    size_t count = 0;
    Serials() = default;
    Serials(const Serials&) = delete;
    Serials& operator=(const Serials&) = delete;
    ~Serials() {
        for (size_t i = 0; i < count; ++i)
            SysFreeString(const_cast<BSTR>(items[i]));
    }
};

bool QueryMachineCode(wchar_t* out, size_t cap) {
    out[0] = L'\0';
    if (FAILED(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr)))
        return false;
    win::ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                locator.PutVoid())))
        return false;
    win::UniqueBstr ns(SysAllocString(L"ROOT\\CIMV2")), language(SysAllocString(L"WQL")),
        query(SysAllocString(L"SELECT * FROM Win32_PhysicalMedia"));
    if (!ns || !language || !query) return false;
    win::ComPtr<IWbemServices> services;
    if (FAILED(locator->ConnectServer(ns.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      services.Put())))
        return false;
    if (FAILED(CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE)))
        return false;
    win::ComPtr<IEnumWbemClassObject> results;
    if (FAILED(services->ExecQuery(language.Get(), query.Get(),
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   results.Put())))
        return false;
    // The serials in the order WMI delivers them (a medium without a readable
    // serial ends the walk), then chosen from by the one rule.
    Serials serials;
    while (serials.count < Serials::kMax) {
        win::ComPtr<IWbemClassObject> media;
        ULONG returned = 0;
        HRESULT hr = results->Next(WBEM_INFINITE, 1, media.Put(), &returned);
        if (FAILED(hr) || returned == 0 || !media) break;
        VARIANT serial;
        VariantInit(&serial);
        if (FAILED(media->Get(L"SerialNumber", 0, &serial, nullptr, nullptr))) {
            serials.items[serials.count++] = nullptr;
            break;
        }
        BSTR text = serial.vt == VT_BSTR ? serial.bstrVal : nullptr;
        serials.items[serials.count++] = text; // owned by serials from here on
        if (!text) {
            VariantClear(&serial);
            break;
        }
    }
    ChooseMachineCode(serials.items, serials.count, out, cap);
    return true;
}

} // namespace

void ChooseMachineCode(const wchar_t* const* serials, size_t count, wchar_t* out, size_t cap) {
    if (cap == 0) return;
    out[0] = L'\0';
    for (size_t i = 0; i < count; ++i) {
        if (!serials[i] || TakeSerial(serials[i], out, cap)) return;
    }
}

const wchar_t* GetMachineCode() {
    if (!g_machineCodeAsked) {
        g_machineCodeAsked = true;
        g_machineCodeKnown = QueryMachineCode(g_machineCode, 256);
    }
    return g_machineCodeKnown ? g_machineCode : nullptr;
}
