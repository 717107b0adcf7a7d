#include "com/registration.h"

#include <oleauto.h>

#include "com/identity.h"
#include "platform/com/com_ptr.h"
#include "platform/com/host_classes.h"
#include "platform/com/registry.h"
#include "platform/error.h"

namespace vantyr::com {

using platform::com::guidText;
using platform::com::readText;
using platform::com::removeTree;
using platform::com::setText;

namespace {

std::wstring classKey() { return L"CLSID\\" + guidText(kClassId); }

// The library and interface keys of both releases.
void removeLibrary() {
    removeTree(L"TypeLib\\" + guidText(kLibraryId));
    removeTree(L"Interface\\" + guidText(kInterface850));
    removeTree(L"Interface\\" + guidText(kInterface861));
}

void setDefault(const std::wstring& name, const wchar_t* value) {
    if (!readText(hostKey(), name)) setText(hostKey(), name, value);
}

}  // namespace

std::wstring hostKey() { return classKey() + L"\\Host"; }

void registerServer(Release release, HMODULE module) {
    std::wstring path = platform::com::modulePath(module);
    std::wstring clsid = guidText(kClassId);
    removeLibrary();
    setText(classKey(), L"", L"endyear");
    setText(classKey() + L"\\InprocServer32", L"", path);
    setText(classKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    setText(classKey() + L"\\ProgID", L"", kProgId);
    setText(classKey() + L"\\TypeLib", L"", guidText(kLibraryId));
    setText(classKey() + L"\\Version", L"", release == Release::V850 ? L"2.0" : L"2.1");
    setDefault(L"Database", platform::com::kDefaultDatabaseClass);
    setDefault(L"MessageService", platform::com::kDefaultMessageServiceClass);
    setText(kProgId, L"", kProgId);
    setText(std::wstring(kProgId) + L"\\CLSID", L"", clsid);

    platform::com::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (SUCCEEDED(hr)) hr = RegisterTypeLib(library.get(), path.data(), nullptr);
    if (FAILED(hr)) throw platform::Error(static_cast<long>(hr), "Cannot register the type library of QxcaEndy");
}

void unregisterServer() {
    removeLibrary();
    removeTree(classKey());
    removeTree(kProgId);
}

}  // namespace vantyr::com
