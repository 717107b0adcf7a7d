#pragma once
// The registry as registration and the host-class settings use it: keys under
// HKEY_CLASSES_ROOT written, read and removed by path. Writes raise
// platform::Error with the system's error code; reads answer empty.
#include <windows.h>

#include <optional>
#include <string>

namespace vantyr::platform::com {

// Sets a text value (name empty: the key's default value), creating the key.
void setText(const std::wstring& key, const std::wstring& name, const std::wstring& value);
std::optional<std::wstring> readText(const std::wstring& key, const std::wstring& name);
// Removes a key with everything under it; a missing key is no failure.
void removeTree(const std::wstring& key);

// Path of the module (DLL) that holds this function's code.
std::wstring modulePath(HMODULE module);
std::wstring guidText(REFGUID guid);

}  // namespace vantyr::platform::com
