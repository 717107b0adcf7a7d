#include "host/dispatch_object.h"

#include "host/host_module.h"

namespace vantyr::host {

using platform::Error;

namespace {
// Answered only by this DLL's objects, with the object itself: {5B0E1A44-3C1D-4E59-9F0B-6A2C7D8E1F30}.
constexpr IID kIidHostObject{0x5B0E1A44, 0x3C1D, 0x4E59, {0x9F, 0x0B, 0x6A, 0x2C, 0x7D, 0x8E, 0x1F, 0x30}};
}  // namespace

DispatchObject* hostObject(IDispatch* object) {
    DispatchObject* host = nullptr;
    if (object && SUCCEEDED(object->QueryInterface(kIidHostObject, reinterpret_cast<void**>(&host))) && host) {
        host->Release();  // the caller holds the object through `object`
        return host;
    }
    return nullptr;
}

Call::Call(WORD flags, DISPPARAMS* params) : flags_(flags) {
    if (!params) return;
    UINT named = params->cNamedArgs;
    std::size_t first = 0;
    if (isPut() && named >= 1 && params->rgdispidNamedArgs && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT) {
        assigned_ = &params->rgvarg[0];
        first = 1;
    }
    for (std::size_t i = params->cArgs; i > first; --i) args_.push_back(&params->rgvarg[i - 1]);
}

bool Call::has(std::size_t i) const {
    if (i >= args_.size()) return false;
    const VARIANT* v = args_[i];
    return !(V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND);
}

VARIANT* Call::slot(std::size_t i) const {
    if (i >= args_.size()) throw Error(450, "Wrong number of arguments or invalid property assignment");
    VARIANT* v = args_[i];
    while (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
    return v;
}

Value Call::value(std::size_t i) const {
    if (!has(i)) throw Error(450, "Wrong number of arguments or invalid property assignment");
    return platform::com::toValue(*args_[i]);
}

Value Call::assigned() const {
    if (!assigned_) throw Error(450, "Wrong number of arguments or invalid property assignment");
    return platform::com::toValue(*assigned_);
}

platform::com::ComPtr<IDispatch> Call::assignedObject() const {
    if (!assigned_) throw Error(450, "Wrong number of arguments or invalid property assignment");
    Variant copy;
    VariantCopyInd(copy.get(), assigned_);
    return copy.object();
}

DispatchObject::DispatchObject(std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* n : names) names_.emplace_back(n);
    HostModule::instance().lock();
}

DispatchObject::~DispatchObject() { HostModule::instance().unlock(); }

HRESULT DispatchObject::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == kIidHostObject) *out = this;
    else if (iid == IID_IUnknown || iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG DispatchObject::AddRef() { return ++references_; }

ULONG DispatchObject::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    for (UINT n = 0; n < count; ++n) ids[n] = DISPID_UNKNOWN;
    if (count == 0) return S_OK;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (_wcsicmp(names_[i].c_str(), names[0]) == 0) {
            ids[0] = static_cast<DISPID>(i + 1);
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT*) {
    if (id < 1 || static_cast<std::size_t>(id) > names_.size()) return DISP_E_MEMBERNOTFOUND;
    if (result) VariantInit(result);
    try {
        Variant value = invoke(id, Call(flags, params));
        if (result) VariantCopy(result, value.get());
        return S_OK;
    } catch (const Error& e) {
        if (exception) {
            *exception = EXCEPINFO{};
            std::wstring description = platform::com::widen(e.description());
            exception->bstrSource = SysAllocString(L"VantyrHost");
            exception->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
            exception->scode = platform::com::hresultOf(e.number());
        }
        return DISP_E_EXCEPTION;
    } catch (...) {
        if (exception) {
            *exception = EXCEPINFO{};
            exception->bstrSource = SysAllocString(L"VantyrHost");
            exception->bstrDescription = SysAllocString(L"Internal error");
            exception->scode = platform::com::hresultOf(platform::kErrInternal);
        }
        return DISP_E_EXCEPTION;
    }
}

Variant objectResult(DispatchObject* object) {
    Variant v;
    V_VT(v.get()) = VT_DISPATCH;
    V_DISPATCH(v.get()) = object;
    return v;
}

Variant boolResult(bool value) {
    Variant v;
    V_VT(v.get()) = VT_BOOL;
    V_BOOL(v.get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

}  // namespace vantyr::host
