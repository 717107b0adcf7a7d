#include "platform/com/automation.h"

#include <dispex.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace vantyr::platform::com {

std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string narrow(const wchar_t* text, std::size_t length) {
    if (!text || length == 0) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

std::string narrow(BSTR text) { return narrow(text, text ? SysStringLen(text) : 0); }

namespace {

// IDispatchEx, {A6EF9860-C720-11D0-9337-00A0C90DCAA9} (not in every import library).
constexpr IID kIidDispatchEx{0xA6EF9860, 0xC720, 0x11D0, {0x93, 0x37, 0x00, 0xA0, 0xC9, 0x0D, 0xCA, 0xA9}};

BSTR allocText(const std::string& text) {
    std::wstring w = widen(text);
    return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

}  // namespace

Variant::Variant(const Value& value) : Variant() {
    if (value.isEmpty()) return;
    if (value.isNull()) {
        V_VT(&v_) = VT_NULL;
    } else if (value.isText()) {
        V_VT(&v_) = VT_BSTR;
        V_BSTR(&v_) = allocText(value.toText());
    } else if (value.isBoolean()) {
        V_VT(&v_) = VT_BOOL;
        V_BOOL(&v_) = value.equalsNumber(0) ? VARIANT_FALSE : VARIANT_TRUE;
    } else {
        double d = value.toDouble();
        if (std::trunc(d) == d && d >= -2147483648.0 && d <= 2147483647.0) {
            V_VT(&v_) = VT_I4;
            V_I4(&v_) = static_cast<LONG>(d);
        } else {
            V_VT(&v_) = VT_R8;
            V_R8(&v_) = d;
        }
    }
}

Variant::Variant(const std::string& text) : Variant() {
    V_VT(&v_) = VT_BSTR;
    V_BSTR(&v_) = allocText(text);
}

Variant::Variant(long number) : Variant() {
    V_VT(&v_) = VT_I4;
    V_I4(&v_) = number;
}

Variant::Variant(const Variant& other) : Variant() { VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }

Value Variant::value() const { return toValue(v_); }

ComPtr<IDispatch> Variant::object() const {
    VARIANT plain;
    VariantInit(&plain);
    if (FAILED(VariantCopyInd(&plain, const_cast<VARIANT*>(&v_)))) return {};
    ComPtr<IDispatch> result;
    if (V_VT(&plain) == VT_DISPATCH) result = ComPtr<IDispatch>::share(V_DISPATCH(&plain));
    else if (V_VT(&plain) == VT_UNKNOWN && V_UNKNOWN(&plain))
        V_UNKNOWN(&plain)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(result.put()));
    VariantClear(&plain);
    return result;
}

Value toValue(const VARIANT& source) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantCopyInd(&v, const_cast<VARIANT*>(&source)))) throw Error(kErrTypeMismatch, "Type mismatch");
    Value result;
    switch (V_VT(&v)) {
    case VT_EMPTY: break;
    case VT_NULL: result = Value::null(); break;
    case VT_BOOL: result = Value(V_BOOL(&v) != VARIANT_FALSE); break;
    case VT_BSTR: result = Value(narrow(V_BSTR(&v))); break;
    case VT_I1: result = Value(static_cast<int>(V_I1(&v))); break;
    case VT_UI1: result = Value(static_cast<int>(V_UI1(&v))); break;
    case VT_I2: result = Value(static_cast<int>(V_I2(&v))); break;
    case VT_UI2: result = Value(static_cast<int>(V_UI2(&v))); break;
    case VT_I4: result = Value(static_cast<std::int64_t>(V_I4(&v))); break;
    case VT_UI4: result = Value(static_cast<std::int64_t>(V_UI4(&v))); break;
    case VT_INT: result = Value(static_cast<std::int64_t>(V_INT(&v))); break;
    case VT_UINT: result = Value(static_cast<std::int64_t>(V_UINT(&v))); break;
    case VT_I8: result = Value(static_cast<std::int64_t>(V_I8(&v))); break;
    default: {
        VARIANT d;
        VariantInit(&d);
        HRESULT hr = VariantChangeType(&d, &v, 0, VT_R8);
        VariantClear(&v);
        if (FAILED(hr)) throw Error(kErrTypeMismatch, "Type mismatch");
        return Value(V_R8(&d));
    }
    }
    VariantClear(&v);
    return result;
}

Variant toVariant(const Value& value) { return Variant(value); }

long numberOf(HRESULT hr) {
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL && FAILED(hr)) return static_cast<long>(hr & 0xFFFF);
    return static_cast<long>(hr);
}

HRESULT hresultOf(long number) {
    if (number > 0 && number <= 0xFFFF) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
    if (number < 0) return static_cast<HRESULT>(number);
    return E_FAIL;
}

namespace {

std::string describe(HRESULT hr) {
    char text[48];
    std::snprintf(text, sizeof text, "Automation error 0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

Error errorOf(HRESULT hr, EXCEPINFO* info) {
    if (hr == DISP_E_EXCEPTION && info) {
        if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
        long number = info->wCode ? static_cast<long>(info->wCode) : numberOf(info->scode);
        std::string description = narrow(info->bstrDescription);
        SysFreeString(info->bstrSource);
        SysFreeString(info->bstrDescription);
        SysFreeString(info->bstrHelpFile);
        *info = EXCEPINFO{};
        return Error(number, description);  // an error raised without a text keeps its empty text
    }
    ComPtr<IErrorInfo> errorInfo;
    if (GetErrorInfo(0, errorInfo.put()) == S_OK && errorInfo) {
        BSTR text = nullptr;
        errorInfo->GetDescription(&text);
        std::string description = narrow(text);
        SysFreeString(text);
        if (!description.empty()) return Error(numberOf(hr), description);
    }
    return Error(numberOf(hr), describe(hr));
}

HRESULT raiseToCaller(const Error& error, REFIID iid, const wchar_t* source) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
        std::wstring description = widen(error.description());
        create->SetGUID(iid);
        create->SetSource(const_cast<wchar_t*>(source));
        create->SetDescription(description.data());
        ComPtr<IErrorInfo> info = create.as<IErrorInfo>(IID_IErrorInfo);
        SetErrorInfo(0, info.get());
    }
    return hresultOf(error.number());
}

Dispatch::Dispatch(ComPtr<IDispatch> object) : object_(std::move(object)) {
    if (!object_) throw Error::objectNotSet();
    ex_ = object_.as<IDispatchEx>(kIidDispatchEx);
}

Dispatch Dispatch::create(const std::string& progId) {
    std::wstring name = widen(progId);
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
    if (FAILED(hr)) throw Error(429, "ActiveX component can't create object: " + progId);
    ComPtr<IDispatch> object;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(object.put()));
    if (FAILED(hr)) throw Error(429, "ActiveX component can't create object: " + progId);
    return Dispatch(std::move(object));
}

DISPID Dispatch::idOf(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (SUCCEEDED(hr)) return id;
    if (ex_) {
        BSTR text = SysAllocString(name);
        hr = ex_->GetDispID(text, fdexNameCaseInsensitive, &id);
        SysFreeString(text);
        if (SUCCEEDED(hr)) return id;
    }
    throw Error(438, "Object doesn't support this property or method: " + narrow(name, wcslen(name)));
}

Variant Dispatch::invoke(const wchar_t* name, WORD flags, std::span<VARIANT> args) {
    DISPID id = name ? idOf(name) : DISPID_VALUE;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());  // shallow: the caller owns the values
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO info{};
    UINT argError = 0;
    HRESULT hr;
    if (ex_) {
        hr = ex_->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, result.get(), &info, nullptr);
    } else {
        hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.get(), &info, &argError);
    }
    if (FAILED(hr)) throw errorOf(hr, &info);
    return result;
}

Variant Dispatch::get(const wchar_t* name, std::span<VARIANT> args) {
    return invoke(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

void Dispatch::put(const wchar_t* name, std::span<VARIANT> indexAndValue) {
    invoke(name, DISPATCH_PROPERTYPUT, indexAndValue);
}

Variant Dispatch::call(const wchar_t* name, std::span<VARIANT> args) {
    return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Dispatch Dispatch::object(const wchar_t* name, std::span<VARIANT> args) {
    ComPtr<IDispatch> object = get(name, args).object();
    if (!object) throw Error::objectNotSet();
    return Dispatch(std::move(object));
}

}  // namespace vantyr::platform::com
