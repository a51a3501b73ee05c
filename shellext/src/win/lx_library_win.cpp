#include "shellext/win/lx_library.h"

#include <cstring>
#include <span>
#include <vector>

#include "core/errors.h"
#include "localization/regional_settings.h"
#include "mainclient/automation_client.h"
#include "shellext/model/site_database.h"
#include "shellext/win/shell_view.h"
#include "win/object.h"
#include "win/regional_settings.h"

namespace lark::shellext {
namespace {

class ShellChangeNotifier : public ChangeNotifier {
public:
    void FolderUpdated(const ItemIdList* folder) override {
        if (folder) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST | SHCNF_FLUSH, folder, nullptr);
    }
};

HICON LoadIconOf(HMODULE module, const wchar_t* name, int cx, int cy) {
    return static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
}

}  // namespace

// Released normally, except while the process detaches the library, when no COM call may be
// made: the object is then left to the process.
std::shared_ptr<mainclient::MainClient> LxLibrary::NewMainClient() {
    std::unique_ptr<mainclient::AutomationClient> client = mainclient::AutomationClient::Create();
    return std::shared_ptr<mainclient::MainClient>(client.release(), [](mainclient::MainClient* c) {
        if (!LxLibrary::Instance().Detaching()) delete c;
    });
}

LxLibrary& LxLibrary::Instance() {
    static LxLibrary* library = new LxLibrary;
    return *library;
}

TDM& LxLibrary::DataModule() {
    std::lock_guard lock(mutex_);
    if (!dataModule_) {
        HRSRC info = FindResourceW(module_, L"TDM", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
        const void* data = info ? LockResource(LoadResource(module_, info)) : nullptr;
        if (!data) throw core::Error("lx: the data module resource TDM is missing");
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        // Dates and sizes in the user's regional format; before the data module, whose
        // translation component keeps them as its DefaultLocale.
        localization::ApplyRegionalSettings(win::ReadUserRegionalSettings());
        dataModule_ = TDM::Create(std::span(bytes, SizeofResource(module_, info)), ModuleLanguageId(L"user32.dll"));
    }
    return *dataModule_;
}

TFTPContainer& LxLibrary::Model() {
    std::lock_guard lock(mutex_);
    if (!model_) {
        if (!notifier_) notifier_ = std::make_unique<ShellChangeNotifier>();
        model_ = std::make_unique<TFTPContainer>(ModelServices{&LxLibrary::NewMainClient, notifier_.get(), nullptr});
        model_->SetName("Servers1");
        try {
            model_->LoadDatabase(GetSiteDatabasePath(*MakeRegistryMainClientRegistration()));
        } catch (const core::Error& e) {
            // The folders stay empty; the user learns why once.
            MessageBox().ShowTranslatedMessage(e.what(), DataModule().Text("strsError"), localization::MsgDlgType::mtError,
                                               localization::ButtonSet(localization::MsgDlgBtn::mbOK));
        }
    }
    return *model_;
}

void LxLibrary::ResetModel() {
    std::lock_guard lock(mutex_);
    model_.reset();
}

void LxLibrary::MakeImageLists() {
    imagesTried_ = true;
    HMODULE shell32 = GetModuleHandleW(L"shell32.dll");
    const int sizes[2][2] = {{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)},
                             {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}};
    HIMAGELIST* lists[2] = {&small_, &large_};
    for (int i = 0; i < 2; ++i) {
        const int cx = sizes[i][0], cy = sizes[i][1];
        HIMAGELIST list = ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, 4, 4);
        if (!list) return;
        const HICON icons[4] = {LoadIconOf(module_, L"NEWPROFILE", cx, cy),
                                LoadIconOf(shell32, MAKEINTRESOURCEW(4), cx, cy),
                                LoadIconOf(module_, L"PROFILE", cx, cy),
                                LoadIconOf(shell32, MAKEINTRESOURCEW(5), cx, cy)};
        for (HICON icon : icons) {
            ImageList_AddIcon(list, icon);  // a missing icon leaves its slot out: Extract then fails
            if (icon) DestroyIcon(icon);
        }
        *lists[i] = list;
    }
}

HIMAGELIST LxLibrary::SmallImages() {
    std::lock_guard lock(mutex_);
    if (!imagesTried_) MakeImageLists();
    return small_;
}

HIMAGELIST LxLibrary::LargeImages() {
    std::lock_guard lock(mutex_);
    if (!imagesTried_) MakeImageLists();
    return large_;
}

void LxLibrary::Detach() {
    detaching_ = true;
    // The model's sessions are COM objects: left to the process (see NewMainClient). The image
    // lists are the process's handles and go with it.
    model_.reset();
    dataModule_.reset();
    // The selection's identifiers come from the task allocator: left to the process as well.
}

int ModuleLanguageId(const std::wstring& modulePath) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(modulePath.c_str(), &ignored);
    if (size == 0) return -1;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(modulePath.c_str(), 0, size, block.data())) return -1;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) || !value || length < 2) return -1;
    WORD language = 0;
    std::memcpy(&language, value, sizeof language);
    return language;
}

HRESULT LxGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, kShellFolderClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    return win::Guard(iid, [&] {
        LxLibrary::Instance().DataModule();  // the start-up step: texts for every object
        auto* factory = new win::ClassFactory(&CreateShellFolder);
        const HRESULT hr = factory->QueryInterface(iid, out);
        factory->Release();
        return hr;
    });
}

// Unloading follows an S_OK: the view window's class goes first (no view window is left then).
HRESULT LxCanUnloadNow() {
    if (win::ModuleLock::Count() != 0) return S_FALSE;
    UnregisterViewWindowClass();
    return S_OK;
}

const win::ModuleActivationContext& LxLibrary::ActivationContext() {
    static win::ModuleActivationContext* context = new win::ModuleActivationContext(Module());
    return *context;
}

}  // namespace lark::shellext
