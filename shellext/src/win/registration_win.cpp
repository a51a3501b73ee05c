// Registration of lx: the COM class, the junction under the network places, the approved
// extension, the folder attributes and icon, and the copy hook. Unregistering removes exactly
// what registering wrote.
#include <windows.h>

#include <string>

#include "shellext/win/lx_library.h"
#include "win/com_error.h"
#include "win/registration.h"
#include "win/registry.h"
#include "win/text.h"

namespace lark::shellext {
namespace {

constexpr char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr char kNetworkJunctionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\NetworkNeighborhood\\Namespace";
constexpr char kCopyHookKey[] = "Directory\\shellex\\CopyHookHandlers\\Lark-FTP";

std::string ClassKey() { return "CLSID\\" + win::GuidToString(kShellFolderClassId); }

// The 8.3 form of the path when the system gives one, else the path.
std::wstring ShortServerPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return n >= 1 && n < MAX_PATH ? std::wstring(buffer, n) : path;
}

}  // namespace

HRESULT LxRegisterServer() {
    return win::Guard([] {
        LxLibrary& library = LxLibrary::Instance();
        const std::string description = library.DataModule().Text("STR_50");
        const std::wstring path = win::ModulePath(library.Module());
        const std::wstring shortPath = ShortServerPath(path);
        const std::string classId = win::GuidToString(kShellFolderClassId);
        win::RegisterTypeLibrary(path);

        win::ClassRegistration reg;
        reg.clsid = kShellFolderClassId;
        reg.description = description;
        reg.server_path = shortPath;
        reg.local_server = false;
        reg.threading_model = "Apartment";
        reg.prog_id = kProgId;
        win::RegisterComClass(reg);

        win::WriteRegistryString(HKEY_LOCAL_MACHINE, kApprovedKey, classId, description);
        win::WriteRegistryString(HKEY_LOCAL_MACHINE, std::string(kNetworkJunctionKey) + "\\" + classId, "", description);
        const unsigned char attributes[4] = {0x10, 0x00, 0x00, 0xA0};  // 0xA0000010: subfolders, folder, can rename
        win::WriteRegistryBinary(HKEY_CLASSES_ROOT, ClassKey() + "\\ShellFolder", "Attributes", attributes, sizeof attributes);
        win::WriteRegistryString(HKEY_CLASSES_ROOT, ClassKey() + "\\DefaultIcon", "", win::Narrow(shortPath) + ",0");
        win::WriteRegistryString(HKEY_CLASSES_ROOT, kCopyHookKey, "", classId);
        return S_OK;
    });
}

HRESULT LxUnregisterServer() {
    return win::Guard([] {
        LxLibrary& library = LxLibrary::Instance();
        const std::string classId = win::GuidToString(kShellFolderClassId);
        if (win::RegistryKeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + win::GuidToString(kTypeLibraryId)))
            win::UnregisterTypeLibrary(win::ModulePath(library.Module()));
        win::DeleteRegistryTree(HKEY_CLASSES_ROOT, ClassKey() + "\\ShellFolder");
        win::DeleteRegistryTree(HKEY_CLASSES_ROOT, ClassKey() + "\\DefaultIcon");
        win::UnregisterComClass(kShellFolderClassId, kProgId);
        win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, std::string(kNetworkJunctionKey) + "\\" + classId);
        win::DeleteRegistryTree(HKEY_CLASSES_ROOT, kCopyHookKey);
        // Already gone is what unregistering wants.
        if (win::ReadRegistryString(HKEY_LOCAL_MACHINE, kApprovedKey, classId))
            win::DeleteRegistryValue(HKEY_LOCAL_MACHINE, kApprovedKey, classId);
        return S_OK;
    });
}

}  // namespace lark::shellext
