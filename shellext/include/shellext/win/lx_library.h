#pragma once
// The library's global state and the entry points behind lx.dll's exports. Loading the library
// only records its module handle; the data module is made on the first request for a class
// object or registration, the model (site database, tree) on the first use of a folder, the
// image lists on the first icon. Unloading frees memory only: no COM, registry or library calls.
//
// Every object the library hands out holds a module lock while it lives, so DllCanUnloadNow
// answers S_FALSE until the last one is released.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <mutex>
#include <string>

#include "localization/message_box.h"
#include "shellext/data_module.h"
#include "shellext/folder_operations.h"
#include "shellext/model/site_model.h"
#include "win/activation_context.h"

namespace lark::shellext {

// {33D0B7CC-535E-4CD0-B33A-934372B1AEFD}
inline constexpr CLSID kShellFolderClassId = {0x33D0B7CC, 0x535E, 0x4CD0, {0xB3, 0x3A, 0x93, 0x43, 0x72, 0xB1, 0xAE, 0xFD}};
// {67DC701A-1F27-4E97-B44A-C2AE592956EC}
inline constexpr GUID kTypeLibraryId = {0x67DC701A, 0x1F27, 0x4E97, {0xB4, 0x4A, 0xC2, 0xAE, 0x59, 0x29, 0x56, 0xEC}};
inline constexpr char kProgId[] = "lx.TlxShellFolder";
inline constexpr char kCopyHookName[] = "Lark-FTP";

// Image list indexes.
inline constexpr int kImageNewProfile = 0;
inline constexpr int kImageClosedFolder = 1;
inline constexpr int kImageProfile = 2;
inline constexpr int kImageOpenFolder = 3;

class LxLibrary {
public:
    // The one instance; created on first use, never destroyed by static destruction.
    static LxLibrary& Instance();

    // Recorded by DllMain (or a test that links the objects): the module whose resources hold
    // the data module, the icons and the type library.
    void SetModule(HMODULE module) { module_ = module; }
    HMODULE Module() const { return module_; }

    // The data module, made on first use from the module's "TDM" resource; throws core::Error
    // when it cannot be made.
    TDM& DataModule();
    // The model, built on first use from the main client's site database. A database that cannot
    // be read leaves the model empty and is reported once through the message box.
    TFTPContainer& Model();
    FolderContext Context() { return {Model(), DataModule(), MessageBox()}; }
    // The process-wide selection (SelectionList::Global()).
    SelectionList& Selection() { return SelectionList::Global(); }
    // A new automation object of the main client (one for each action); throws when it cannot
    // be made. Needs no model, so the copy hook on another thread can ask for one.
    static std::shared_ptr<mainclient::MainClient> NewMainClient();

    // The box every message goes through: the translated box captioned from the data module in
    // its active language (English defaults while there is none), unless a test installs its own.
    // (Defined here: <windows.h> renames MessageBox per translation unit.)
    localization::TranslatedMessageBox& MessageBox() { return messageBox_ ? *messageBox_ : TranslatedBox(); }
    void SetMessageBox(localization::TranslatedMessageBox* box) { messageBox_ = box; }

    // The image lists (small, large), made on first use; null when they cannot be made.
    HIMAGELIST SmallImages();
    HIMAGELIST LargeImages();

    // The library's isolation-aware manifest (common controls 6): every window the library makes
    // inside its host is created inside a Scope of it. Made on first use, never freed.
    const win::ModuleActivationContext& ActivationContext();

    // Drops the model (for a test that changes the site database): built again on next use.
    void ResetModel();

    // Process detach: frees what is plain memory and leaves every system object alone.
    void Detach();
    bool Detaching() const { return detaching_; }

private:
    LxLibrary() = default;
    void MakeImageLists();
    localization::TranslatedMessageBox& TranslatedBox();

    HMODULE module_ = nullptr;
    std::recursive_mutex mutex_;
    std::unique_ptr<TDM> dataModule_;
    std::unique_ptr<TFTPContainer> model_;
    std::unique_ptr<ChangeNotifier> notifier_;
    localization::TranslatedMessageBox* messageBox_ = nullptr;
    std::unique_ptr<localization::TranslatedMessageBox> translatedBox_;  // over the data module
    bool imagesTried_ = false;
    HIMAGELIST small_ = nullptr;
    HIMAGELIST large_ = nullptr;
    bool detaching_ = false;
};

// The system's language identifier from a module's version resource (the first word of
// "\VarFileInfo\Translation"); -1 when it cannot be read.
int ModuleLanguageId(const std::wstring& modulePath);

// The exports' behaviour.
HRESULT LxGetClassObject(REFCLSID clsid, REFIID iid, void** out);
HRESULT LxCanUnloadNow();
HRESULT LxRegisterServer();
HRESULT LxUnregisterServer();

// The COM objects (shell folder, enumerator, icon, info tip); each holds a module lock.
HRESULT CreateShellFolder(REFIID iid, void** out);

}  // namespace lark::shellext
