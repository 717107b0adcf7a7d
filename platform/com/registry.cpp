#include "platform/com/registry.h"

#include <objbase.h>

#include "platform/error.h"

namespace vantyr::platform::com {

namespace {

// An open registry key that closes itself.
class Key {
public:
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    HKEY* put() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

[[noreturn]] void fail(LONG code, const std::wstring& key) {
    std::string path(key.begin(), key.end());
    throw Error(static_cast<long>(HRESULT_FROM_WIN32(static_cast<unsigned long>(code))),
                "Cannot write the registry key HKEY_CLASSES_ROOT\\" + path);
}

}  // namespace

void setText(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    Key k;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr);
    if (rc != ERROR_SUCCESS) fail(rc, key);
    rc = RegSetValueExW(k.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS) fail(rc, key);
}

std::optional<std::wstring> readText(const std::wstring& key, const std::wstring& name) {
    Key k;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
    if (RegQueryValueExW(k.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(k.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

void removeTree(const std::wstring& key) {
    LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
        return;
    }
    fail(rc, key);
}

std::wstring modulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path;
}

std::wstring guidText(REFGUID guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

}  // namespace vantyr::platform::com
