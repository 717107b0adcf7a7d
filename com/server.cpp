// The four entry points of the in-process server and its class factory. The
// release is the one this DLL was built as (VANTYR_COM_RELEASE).
#include <windows.h>

#include "com/endyear_object.h"
#include "com/identity.h"
#include "com/module.h"
#include "com/registration.h"
#include "platform/com/registry.h"

namespace vantyr::com {

namespace {

constexpr Release kRelease = VANTYR_COM_RELEASE == 850 ? Release::V850 : Release::V861;

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return platform::com::atBoundary(IID_IClassFactory, kProgId, [&] {
            std::wstring path = platform::com::modulePath(Module::instance().handle());
            platform::com::ComPtr<ITypeLib> library;
            HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
            if (FAILED(hr)) throw platform::Error(static_cast<long>(hr), "Cannot load the type library of QxcaEndy");
            auto* object = new EndyearObject(kRelease, library,
                                             platform::com::HostClasses::read(kRelease, hostKey()));
            hr = object->QueryInterface(iid, out);
            object->Release();
            if (FAILED(hr)) throw platform::Error(static_cast<long>(hr), "No such interface");
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) Module::instance().lock();
        else Module::instance().unlock();
        return S_OK;
    }

private:
    ModuleLock lock_;
    std::atomic<ULONG> references_{1};
};

}  // namespace

Module& Module::instance() {
    static Module module;
    return module;
}

}  // namespace vantyr::com

using vantyr::com::Module;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) Module::instance().setHandle(instance);
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != vantyr::com::kClassId) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new vantyr::com::Factory();
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return Module::instance().inUse() ? S_FALSE : S_OK; }

HRESULT STDAPICALLTYPE DllRegisterServer() {
    return vantyr::platform::com::atBoundary(IID_NULL, vantyr::com::kProgId, [] {
        vantyr::com::registerServer(vantyr::com::kRelease, Module::instance().handle());
    });
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return vantyr::platform::com::atBoundary(IID_NULL, vantyr::com::kProgId, [] { vantyr::com::unregisterServer(); });
}

}  // extern "C"
