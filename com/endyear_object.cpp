#include <initguid.h>

#include "com/endyear_object.h"

namespace vantyr::com {

using platform::com::ComPtr;

namespace {

constexpr const wchar_t* kSource = L"QxcaEndy.endyear";

ComPtr<ITypeInfo> typeInfo(ITypeLib* library, REFIID iid) {
    ComPtr<ITypeInfo> info;
    if (library) library->GetTypeInfoOfGuid(iid, info.put());
    return info;
}

HRESULT giveTypeInfo(const ComPtr<ITypeInfo>& info, UINT index, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (!info) return E_UNEXPECTED;
    *out = ComPtr<ITypeInfo>(info).detach();
    return S_OK;
}

HRESULT idsOfNames(const ComPtr<ITypeInfo>& info, LPOLESTR* names, UINT count, DISPID* ids) {
    if (!info) return E_UNEXPECTED;
    return info->GetIDsOfNames(names, count, ids);
}

// ITypeInfo::Invoke on the face; a member's failure arrives as its HRESULT
// with the thread's IErrorInfo, which is copied into EXCEPINFO for a caller
// that reads it there.
HRESULT invokeThrough(const ComPtr<ITypeInfo>& info, void* face, DISPID id, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    if (!info) return E_UNEXPECTED;
    HRESULT hr = info->Invoke(face, id, flags, params, result, exception, argError);
    if (FAILED(hr) && hr != DISP_E_EXCEPTION && (hr & 0xFFFF0000) != 0x80020000 && exception) {
        ComPtr<IErrorInfo> error;
        if (GetErrorInfo(0, error.put()) == S_OK && error) {
            *exception = EXCEPINFO{};
            error->GetDescription(&exception->bstrDescription);
            error->GetSource(&exception->bstrSource);
            exception->scode = hr;
            SetErrorInfo(0, error.get());
            return DISP_E_EXCEPTION;
        }
    }
    return hr;
}

}  // namespace

EndyearObject::EndyearObject(vantyr::Release release, ComPtr<ITypeLib> library, platform::com::HostClasses classes)
    : release_(release),
      info_(release == vantyr::Release::V861 ? typeInfo(library.get(), IID__endyear) : ComPtr<ITypeInfo>()),
      legacyInfo_(typeInfo(library.get(), IID_endyear___v0)),
      platform_(std::move(classes)),
      run_(release, platform_) {}

IDispatch* EndyearObject::defaultFace() {
    if (release_ == vantyr::Release::V861) return static_cast<_endyear*>(this);
    return &legacy_;
}

HRESULT EndyearObject::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) *out = defaultFace();
    else if (iid == IID__endyear && release_ == vantyr::Release::V861) *out = static_cast<_endyear*>(this);
    else if (iid == IID_endyear___v0) *out = &legacy_;
    else if (iid == IID_ISupportErrorInfo) *out = static_cast<ISupportErrorInfo*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG EndyearObject::AddRef() { return ++references_; }

ULONG EndyearObject::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT EndyearObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT EndyearObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) { return giveTypeInfo(info_, index, info); }

HRESULT EndyearObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return idsOfNames(info_, names, count, ids);
}

HRESULT EndyearObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argError) {
    return invokeThrough(info_, static_cast<_endyear*>(this), id, flags, params, result, exception, argError);
}

HRESULT EndyearObject::Legacy::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    return giveTypeInfo(outer_.legacyInfo_, index, info);
}

HRESULT EndyearObject::Legacy::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return idsOfNames(outer_.legacyInfo_, names, count, ids);
}

HRESULT EndyearObject::Legacy::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                      EXCEPINFO* exception, UINT* argError) {
    return invokeThrough(outer_.legacyInfo_, static_cast<endyear___v0*>(this), id, flags, params, result, exception,
                         argError);
}

template <class F>
HRESULT EndyearObject::member(F&& body) {
    IID face = release_ == vantyr::Release::V861 ? IID__endyear : IID_endyear___v0;
    return platform::com::atBoundary(face, kSource, std::forward<F>(body));
}

HRESULT EndyearObject::get_caLogin(IDispatch** login) {
    if (!login) return E_POINTER;
    *login = ComPtr<IDispatch>(loginObject_).detach();
    return S_OK;
}

HRESULT EndyearObject::putref_caLogin(IDispatch* login) {
    return member([&] {
        loginObject_ = ComPtr<IDispatch>::share(login);
        if (login) run_.caLogin(std::make_shared<platform::com::ComLogin>(platform::com::Dispatch(loginObject_)));
        else run_.caLogin(nullptr);
    });
}

HRESULT EndyearObject::subYearend(VARIANT_BOOL* committed) {
    if (committed) *committed = VARIANT_FALSE;
    return member([&] {
        bool done = run_.subYearend();
        if (committed) *committed = done ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

HRESULT EndyearObject::get_gOption(short* option) {
    if (!option) return E_POINTER;
    *option = run_.gOption();
    return S_OK;
}

HRESULT EndyearObject::put_gOption(short option) {
    run_.gOption(option);
    return S_OK;
}

HRESULT EndyearObject::GetOption(VARIANT* empty) {
    if (empty) VariantInit(empty);
    return member([&] {
        platform::com::Variant value(run_.GetOption());
        if (empty) VariantCopy(empty, value.get());
    });
}

HRESULT EndyearObject::InterfaceSupportsErrorInfo(REFIID iid) {
    return (iid == IID__endyear || iid == IID_endyear___v0) ? S_OK : S_FALSE;
}

}  // namespace vantyr::com
