// A C++ client of QxcaEndy.endyear: vtable calls through the type library's
// header, late-bound calls through IDispatch, the 8.50 interface id, and an
// error raised through IErrorInfo.
//   com_client_test <850|861> <data directory>
// Prints one line per check and "client: N passed, N failed".
#include <initguid.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "com/qxcaendy_faces.h"
#include "platform/com/automation.h"

using vantyr::platform::com::ComPtr;
using vantyr::platform::com::Dispatch;
using vantyr::platform::com::Variant;

namespace {

const IID kNoInterface{};
int passed = 0, failed = 0;

void check(const char* name, bool good) {
    std::printf("%s %s\n", good ? "ok  " : "FAIL", name);
    (good ? passed : failed)++;
}

bool sameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) return false;
    ComPtr<IUnknown> ua, ub;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ua.put()));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ub.put()));
    return ua.get() == ub.get();
}

Dispatch login(const std::string& directory) {
    Dispatch result = Dispatch::create("VantyrHost.Login");
    auto set = [&](const wchar_t* name, const std::string& value) {
        Variant v(value);
        result.put(name, std::span<VARIANT>(v.get(), 1));
    };
    set(L"DataDirectory", directory);
    set(L"AccountNo", "001");
    set(L"LoginYear", "2005");
    return result;
}

DISPID idOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    object->GetIDsOfNames(kNoInterface, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// The conversions the automation layer applies at every call.
void automation() {
    using namespace vantyr::platform;
    using vantyr::platform::com::hresultOf;
    using vantyr::platform::com::numberOf;
    check("3200 travels as 0x800A0C80 and back",
          hresultOf(3200) == static_cast<HRESULT>(0x800A0C80) && numberOf(hresultOf(3200)) == 3200);
    check("-2147220991 travels as itself", numberOf(hresultOf(-2147220991)) == -2147220991);
    const Value values[] = {Value(), Value::null(), Value(true), Value(std::int64_t{-7}), Value(2.5),
                            Value(std::string("\xe5\xb9\xb4\xe6\x9c\xab 2005"))};
    bool same = true;
    for (const Value& v : values) same = same && Variant(v).value() == v;
    check("values survive a VARIANT (Empty, Null, Boolean, numbers, UTF-8 text)", same);
    Variant text(std::string("12"));
    check("a text variant converts to a number", text.value().toInt16() == 12);
}

void release861(IUnknown* object, Dispatch& user) {
    ComPtr<_endyear> face;
    check("8.61 answers _endyear", SUCCEEDED(object->QueryInterface(IID__endyear, reinterpret_cast<void**>(face.put()))));
    if (!face) return;
    short option = -1;
    check("gOption of a new instance is 0", SUCCEEDED(face->get_gOption(&option)) && option == 0);
    face->put_gOption(1);
    face->get_gOption(&option);
    check("gOption written through the vtable", option == 1);

    VARIANT empty;
    HRESULT hr = face->GetOption(&empty);
    check("GetOption before a run fails with 91", hr == static_cast<HRESULT>(0x800A005B));
    ComPtr<IErrorInfo> info;
    BSTR text = nullptr;
    if (GetErrorInfo(0, info.put()) == S_OK && info) info->GetDescription(&text);
    check("the error's description travels through IErrorInfo", text && SysStringLen(text) > 0);
    SysFreeString(text);

    check("caLogin set by reference", SUCCEEDED(face->putref_caLogin(user.raw())));
    ComPtr<IDispatch> back;
    face->get_caLogin(back.put());
    check("caLogin reads back the same object", sameObject(back.get(), user.raw()));

    ComPtr<endyear___v0> legacy;
    object->QueryInterface(IID_endyear___v0, reinterpret_cast<void**>(legacy.put()));
    check("8.61 answers the 8.50 interface id", static_cast<bool>(legacy));
    if (legacy) {
        ComPtr<IDispatch> viaLegacy;
        legacy->get_caLogin(viaLegacy.put());
        check("the 8.50 vtable reaches the same instance", sameObject(viaLegacy.get(), user.raw()));
    }

    ComPtr<IDispatch> late;
    object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(late.put()));
    DISPID gOption = idOf(late.get(), L"goption");
    check("IDispatch knows gOption (any case)", gOption == 0x68030001);
    VARIANT_BOOL committed = VARIANT_FALSE;
    check("subYearend through the vtable", SUCCEEDED(face->subYearend(&committed)));
    check("subYearend returns True after the commit", committed == VARIANT_TRUE);

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant result;
    hr = late->Invoke(gOption, kNoInterface, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.get(), nullptr,
                      nullptr);
    check("gOption read through IDispatch", SUCCEEDED(hr) && V_VT(result.get()) == VT_I2);
}

void release850(IUnknown* object, Dispatch& user) {
    ComPtr<_endyear> newer;
    check("8.50 does not answer the 8.61 interface",
          object->QueryInterface(IID__endyear, reinterpret_cast<void**>(newer.put())) == E_NOINTERFACE);
    ComPtr<endyear___v0> face;
    object->QueryInterface(IID_endyear___v0, reinterpret_cast<void**>(face.put()));
    check("8.50 answers its interface id", static_cast<bool>(face));
    if (!face) return;
    check("caLogin set by reference", SUCCEEDED(face->putref_caLogin(user.raw())));

    ComPtr<IDispatch> late;
    object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(late.put()));
    check("IDispatch of 8.50 has no gOption", idOf(late.get(), L"gOption") == DISPID_UNKNOWN);
    DISPID run = idOf(late.get(), L"subYearend");
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant result;
    HRESULT hr = late->Invoke(run, kNoInterface, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result.get(), nullptr, nullptr);
    check("subYearend through IDispatch", SUCCEEDED(hr) && V_VT(result.get()) == VT_EMPTY);
    check("subYearend through the vtable (second run)", SUCCEEDED(face->subYearend()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: com_client_test <850|861> <data directory>\n");
        return 3;
    }
    CoInitialize(nullptr);
    {
        ComPtr<IUnknown> object;
        HRESULT hr = CoCreateInstance(CLSID_endyear, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(object.put()));
        automation();
        check("QxcaEndy.endyear is created by class id", SUCCEEDED(hr));
        if (object) {
            try {
                Dispatch user = login(argv[2]);
                if (std::strcmp(argv[1], "861") == 0) release861(object.get(), user);
                else release850(object.get(), user);
            } catch (const vantyr::platform::Error& e) {
                check(e.description().c_str(), false);
            }
        }
    }
    CoUninitialize();
    std::printf("client: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
