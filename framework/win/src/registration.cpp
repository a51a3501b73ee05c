#include "win/registration.h"

#include <oleauto.h>

#include <cstdio>

#include "win/com_error.h"
#include "win/com_ptr.h"
#include "win/registry.h"
#include "win/text.h"

namespace lark::win {

std::string GuidToString(REFGUID guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return Narrow(text);
}

void RegisterComClass(const ClassRegistration& reg) {
    const std::string key = "CLSID\\" + GuidToString(reg.clsid);
    // A class moving between server kinds must not keep the other key.
    DeleteRegistryTree(HKEY_CLASSES_ROOT, key + (reg.local_server ? "\\InprocServer32" : "\\LocalServer32"));
    WriteRegistryString(HKEY_CLASSES_ROOT, key, "", reg.description);
    const std::string server_key = key + (reg.local_server ? "\\LocalServer32" : "\\InprocServer32");
    // A local server's value is a command line: quoted, so that a blank in its folder
    // ("C:\Program Files\...") cannot make Windows start another program ("C:\Program.exe").
    std::string server = Narrow(reg.server_path);
    if (reg.local_server) server = std::string(1, '"').append(server).append(1, '"');
    WriteRegistryString(HKEY_CLASSES_ROOT, server_key, "", server);
    if (!reg.local_server) WriteRegistryString(HKEY_CLASSES_ROOT, server_key, "ThreadingModel", reg.threading_model);
    if (!reg.prog_id.empty()) {
        WriteRegistryString(HKEY_CLASSES_ROOT, key + "\\ProgID", "", reg.prog_id);
        WriteRegistryString(HKEY_CLASSES_ROOT, reg.prog_id, "", reg.description);
        WriteRegistryString(HKEY_CLASSES_ROOT, reg.prog_id + "\\CLSID", "", GuidToString(reg.clsid));
    }
    if (!IsEqualGUID(reg.type_library, GUID_NULL)) {
        WriteRegistryString(HKEY_CLASSES_ROOT, key + "\\TypeLib", "", GuidToString(reg.type_library));
        WriteRegistryString(HKEY_CLASSES_ROOT, key + "\\Version", "", reg.type_library_version);
    }
}

void UnregisterComClass(REFCLSID clsid, std::string_view prog_id) {
    DeleteRegistryTree(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(clsid));
    if (!prog_id.empty()) DeleteRegistryTree(HKEY_CLASSES_ROOT, prog_id);
}

void RegisterComClassWithTypeLibrary(const ClassRegistration& reg) {
    RegisterTypeLibrary(reg.server_path);
    RegisterComClass(reg);
}

void UnregisterComClassWithTypeLibrary(const ClassRegistration& reg) {
    UnregisterComClass(reg.clsid, reg.prog_id);
    UnregisterTypeLibrary(reg.server_path);
}

void RegisterTypeLibrary(std::wstring_view path) {
    const std::wstring file(path);
    ComPtr<ITypeLib> library;
    Check(LoadTypeLibEx(file.c_str(), REGKIND_REGISTER, library.Put()), "registering type library " + Narrow(file));
}

void UnregisterTypeLibrary(std::wstring_view path) {
    const std::wstring file(path);
    ComPtr<ITypeLib> library;
    Check(LoadTypeLibEx(file.c_str(), REGKIND_NONE, library.Put()), "loading type library " + Narrow(file));
    TLIBATTR* attr = nullptr;
    Check(library->GetLibAttr(&attr), "type library attributes");
    const TLIBATTR a = *attr;
    library->ReleaseTLibAttr(attr);
    // Wine answers E_INVALIDARG, not TYPE_E_LIBNOTREGISTERED, for a library that is not registered.
    char version[32];
    std::snprintf(version, sizeof version, "\\%x.%x", a.wMajorVerNum, a.wMinorVerNum);
    if (!RegistryKeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + GuidToString(a.guid) + version)) return;
    const HRESULT hr = UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
    if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED) return;
    Check(hr, "unregistering type library " + Narrow(file));
}

}  // namespace lark::win
