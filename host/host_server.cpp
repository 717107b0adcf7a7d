// The entry points of VantyrHost.dll: one class factory per host class,
// registration of every class (ProgID, InprocServer32, apartment-threaded).
#include <windows.h>

#include "host/dispatch_object.h"
#include "host/host_classes.h"
#include "host/host_module.h"
#include "platform/com/registry.h"

namespace vantyr::host {

namespace {

class Factory final : public IClassFactory {
public:
    explicit Factory(const HostClass& cls) : class_(cls) { HostModule::instance().lock(); }
    ~Factory() { HostModule::instance().unlock(); }
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;

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
        return platform::com::atBoundary(IID_IClassFactory, class_.progId, [&] {
            DispatchObject* object = class_.create();
            HRESULT hr = object->QueryInterface(iid, out);
            object->Release();
            if (FAILED(hr)) throw platform::Error(static_cast<long>(hr), "No such interface");
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) HostModule::instance().lock();
        else HostModule::instance().unlock();
        return S_OK;
    }

private:
    const HostClass& class_;
    std::atomic<ULONG> references_{1};
};

}  // namespace

HostModule& HostModule::instance() {
    static HostModule module;
    return module;
}

const std::vector<HostClass>& hostClasses() {
    static const std::vector<HostClass> classes{
        {L"VantyrHost.Login", {0x2AD0399F, 0x2164, 0x4B27, {0x9B, 0x65, 0x18, 0x9F, 0xB3, 0xBC, 0x58, 0x71}}, createLogin},
        {L"VantyrHost.Database", {0xCAE85CAD, 0x73BA, 0x4EB0, {0xBD, 0x90, 0xE4, 0xFC, 0x69, 0x7E, 0xC7, 0x01}},
         createDatabase},
        {L"VantyrHost.DBEngine", {0x01F29058, 0x0596, 0x42EE, {0x8D, 0xEF, 0x4B, 0xFB, 0xF0, 0x5E, 0x5F, 0xB3}},
         createDBEngine},
        {L"VantyrHost.MessageService", {0x565FD88B, 0x5343, 0x4C69, {0xAF, 0x7B, 0x33, 0xD7, 0xA4, 0xF4, 0x7C, 0xF5}},
         createMessageService},
        {L"VantyrHost.FaultyDatabase", {0x97FDDEA5, 0x7631, 0x4712, {0x8D, 0x60, 0x6E, 0xFB, 0xE7, 0x4C, 0xAD, 0x79}},
         createFaultyDatabase},
        {L"VantyrHost.Connection", {0x965CFB91, 0x9218, 0x4B1F, {0x88, 0x3F, 0x3D, 0x6D, 0xE5, 0xFB, 0xF6, 0x98}},
         createConnection},
        {L"VantyrHost.Recordset", {0x3F6C2B7A, 0x5D41, 0x4C2E, {0xA8, 0x17, 0x92, 0xB4, 0x0E, 0x6D, 0x3A, 0x51}},
         createAdoRecordset},
    };
    return classes;
}

}  // namespace vantyr::host

using vantyr::host::HostModule;
using vantyr::host::hostClasses;
namespace reg = vantyr::platform::com;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) HostModule::instance().setHandle(instance);
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const auto& cls : hostClasses()) {
        if (cls.clsid != clsid) continue;
        auto* factory = new vantyr::host::Factory(cls);
        HRESULT hr = factory->QueryInterface(iid, out);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return HostModule::instance().inUse() ? S_FALSE : S_OK; }

HRESULT STDAPICALLTYPE DllRegisterServer() {
    return reg::atBoundary(IID_NULL, L"VantyrHost", [] {
        std::wstring path = reg::modulePath(HostModule::instance().handle());
        for (const auto& cls : hostClasses()) {
            std::wstring key = L"CLSID\\" + reg::guidText(cls.clsid);
            reg::setText(key, L"", cls.progId);
            reg::setText(key + L"\\InprocServer32", L"", path);
            reg::setText(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
            reg::setText(key + L"\\ProgID", L"", cls.progId);
            reg::setText(cls.progId, L"", cls.progId);
            reg::setText(std::wstring(cls.progId) + L"\\CLSID", L"", reg::guidText(cls.clsid));
        }
    });
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return reg::atBoundary(IID_NULL, L"VantyrHost", [] {
        for (const auto& cls : hostClasses()) {
            reg::removeTree(L"CLSID\\" + reg::guidText(cls.clsid));
            reg::removeTree(cls.progId);
        }
    });
}

}  // extern "C"
