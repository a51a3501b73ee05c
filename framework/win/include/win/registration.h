#pragma once
// COM class and type library registration.
#include <windows.h>
#include <objbase.h>

#include <string>
#include <string_view>

#include "win/module_path.h"  // registrations name their module

namespace lark::win {

std::string GuidToString(REFGUID guid);  // "{XXXXXXXX-...}"

struct ClassRegistration {
    CLSID clsid{};
    std::string description;
    std::wstring server_path;             // the .exe or .dll
    bool local_server = true;             // LocalServer32, else InprocServer32
    std::string threading_model = "Apartment";  // in-process servers only
    std::string prog_id;                  // optional
    GUID type_library = GUID_NULL;        // optional
    std::string type_library_version = "1.0";
};

// Writes HKCR\CLSID\{clsid} (server key, ProgID, TypeLib, Version) and HKCR\<ProgID>\CLSID.
// LocalServer32 holds the program's path in double quotes; InprocServer32 the bare path.
// Idempotent: registering again replaces the values.
void RegisterComClass(const ClassRegistration& reg);

// Removes the class key and the ProgID key; missing keys are fine.
void UnregisterComClass(REFCLSID clsid, std::string_view prog_id = {});

// A program (or DLL) that carries its own type library: registers the library of
// reg.server_path, then the class; the other removes the class (and ProgID), then the library.
void RegisterComClassWithTypeLibrary(const ClassRegistration& reg);
void UnregisterComClassWithTypeLibrary(const ClassRegistration& reg);

// Registers the type library of a file (a .tlb or a module with an embedded one), which also
// writes the marshalling keys of its oleautomation interfaces.
void RegisterTypeLibrary(std::wstring_view path);
// Removes that registration; a library that is not registered is fine.
void UnregisterTypeLibrary(std::wstring_view path);

}  // namespace lark::win
