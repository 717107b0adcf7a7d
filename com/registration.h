#pragma once
// Registration of the component: the class with its ProgID, InprocServer32
// (apartment-threaded) and type library, the interfaces and the library.
// Registering one release replaces the other (same class identity); what a
// site wrote under the class's Host key is kept. Unregistering removes all
// of it, the Host key included.
#include <windows.h>

#include <string>

#include "shell/release.h"

namespace vantyr::com {

// HKCR path of the Host key that names the host classes.
std::wstring hostKey();

void registerServer(Release release, HMODULE module);
void unregisterServer();

}  // namespace vantyr::com
