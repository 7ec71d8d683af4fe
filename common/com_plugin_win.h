#pragma once
// What the two printer plug-in DLLs share of COM and of the printing system's plug-in
// conventions: the identifiers of their classes and interfaces, the IPrintOemCommon part
// that both the host's UI interface and Unidrv's rendering interface begin with (declared
// from the public API documentation, as the mingw-w64 headers do not carry it), IUnknown
// for an object with one interface, and a class factory. Each DLL declares its own
// interface beside it.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstddef>
#include <new>

namespace k20::com {

// A GUID from its registry form without braces; a malformed one does not compile.
consteval GUID MakeGuid(const char (&text)[37]) {
    auto hex = [&](int at, int digits) {
        unsigned long v = 0;
        for (int i = at; i < at + digits; ++i) {
            const char c = text[i];
            if (c >= '0' && c <= '9')
                v = v * 16 + unsigned(c - '0');
            else if (c >= 'A' && c <= 'F')
                v = v * 16 + unsigned(c - 'A' + 10);
            else
                throw "not a hexadecimal digit";
        }
        return v;
    };
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "not a GUID";
    return GUID{hex(0, 8),
                static_cast<unsigned short>(hex(9, 4)),
                static_cast<unsigned short>(hex(14, 4)),
                {static_cast<unsigned char>(hex(19, 2)), static_cast<unsigned char>(hex(21, 2)),
                 static_cast<unsigned char>(hex(24, 2)), static_cast<unsigned char>(hex(26, 2)),
                 static_cast<unsigned char>(hex(28, 2)), static_cast<unsigned char>(hex(30, 2)),
                 static_cast<unsigned char>(hex(32, 2)), static_cast<unsigned char>(hex(34, 2))}};
}

// The identifiers of both plug-ins' classes and interfaces.
// The class the printing host asks a UI plug-in's factory for.
inline constexpr CLSID CLSID_OEMUI = MakeGuid("ABCE80D7-9F46-11D1-882A-00C04FB961EC");
inline constexpr IID IID_IPrintOemUI = MakeGuid("C6A7A9D0-774C-11D1-947F-00A0C90640B8");
inline constexpr IID IID_IPrintOemDriverUI = MakeGuid("92B05D50-78BC-11D1-9480-00A0C90640B8");
// The class Unidrv asks a rendering plug-in for.
inline constexpr CLSID CLSID_OEMRENDER = MakeGuid("6D6ABF26-9F38-11D1-882A-00C04FB961EC");
inline constexpr IID IID_IPrintOemUni = MakeGuid("D67EBBF0-78BF-11D1-9480-00A0C90640B8");
inline constexpr IID IID_IPrintOemUni2 = MakeGuid("B91220AC-15CC-4E7A-A21E-9591F34D6F6C");
inline constexpr IID IID_IPrintOemDriverUni = MakeGuid("F67A6C20-7A5A-11D1-9480-00A0C90640B8");
static_assert(CLSID_OEMUI.Data1 == 0xABCE80D7 && CLSID_OEMUI.Data2 == 0x9F46 &&
              CLSID_OEMUI.Data4[0] == 0x88 && CLSID_OEMUI.Data4[7] == 0xEC);

// IPrintOemCommon::GetInfo and DevMode modes.
inline constexpr DWORD OEMGI_GETSIGNATURE = 1, OEMGI_GETINTERFACEVERSION = 2, OEMGI_GETVERSION = 3;
inline constexpr DWORD OEMDM_SIZE = 1, OEMDM_DEFAULT = 2, OEMDM_CONVERT = 3, OEMDM_MERGE = 4;

struct OEMDMPARAM {
    DWORD cbSize;
    PVOID pdriverobj;
    HANDLE hPrinter;
    HANDLE hModule;
    PDEVMODEW pPublicDMIn;
    PDEVMODEW pPublicDMOut;
    PVOID pOEMDMIn;
    PVOID pOEMDMOut;
    DWORD cbBufSize;
};
#if defined(_WIN64)
static_assert(sizeof(OEMDMPARAM) == 72 && offsetof(OEMDMPARAM, pOEMDMOut) == 56 &&
              offsetof(OEMDMPARAM, cbBufSize) == 64);
#else
static_assert(sizeof(OEMDMPARAM) == 36 && offsetof(OEMDMPARAM, pOEMDMOut) == 28 &&
              offsetof(OEMDMPARAM, cbBufSize) == 32);
#endif

// IPrintOemCommon: the two methods both plug-in interfaces begin with.
struct IPrintOemCommon : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                              PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) = 0;
};

// Nothing may cross the COM boundary but an HRESULT: a failure inside becomes one.
template <class F>
HRESULT Guard(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// IUnknown for Derived, which implements the one interface I (identified by iid). Adds no
// virtual function, so the vtable is exactly I's.
template <class Derived, class I, const IID& iid>
class Unknown : public I {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid)) {
            *ppv = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = --refs_;
        if (n == 0) delete static_cast<Derived*>(this);
        return ULONG(n);
    }

  private:
    std::atomic<LONG> refs_{1};
};

// A server's counts for DllCanUnloadNow: its live objects and LockServer's locks.
struct ServerCounts {
    std::atomic<LONG> objects{0};
    std::atomic<LONG> locks{0};
    bool CanUnload() const { return objects.load() == 0 && locks.load() == 0; }
};

// The class factory of Object (default-constructible, created with one reference).
// prepare, when given, runs before every creation.
template <class Object>
class ClassFactory final : public Unknown<ClassFactory<Object>, IClassFactory, IID_IClassFactory> {
  public:
    ClassFactory(ServerCounts& counts, void (*prepare)()) : counts_(counts), prepare_(prepare) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        return Guard([&]() -> HRESULT {
            if (ppv) *ppv = nullptr;
            if (outer) return CLASS_E_NOAGGREGATION;
            if (prepare_) prepare_();
            if (!ppv) return E_POINTER;
            auto* obj = new (std::nothrow) Object();
            if (!obj) return E_OUTOFMEMORY;
            const HRESULT hr = obj->QueryInterface(riid, ppv);
            obj->Release();
            return hr;
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ++counts_.locks;
        else
            --counts_.locks;
        return S_OK;
    }

  private:
    ServerCounts& counts_;
    void (*prepare_)();
};

// DllGetClassObject of a server with the one class ours, made by Object.
template <class Object>
HRESULT GetClassObject(REFCLSID clsid, const CLSID& ours, REFIID iid, void** ppv, ServerCounts& counts,
                       void (*prepare)() = nullptr) {
    if (ppv) *ppv = nullptr;
    if (!IsEqualCLSID(clsid, ours)) return CLASS_E_CLASSNOTAVAILABLE;
    if (!ppv) return E_POINTER;
    if (prepare) prepare();
    auto* f = new (std::nothrow) ClassFactory<Object>(counts, prepare);
    if (!f) return E_OUTOFMEMORY;
    const HRESULT hr = f->QueryInterface(iid, ppv);
    f->Release();
    return hr;
}

}  // namespace k20::com
