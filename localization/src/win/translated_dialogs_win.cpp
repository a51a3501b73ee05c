#include "localization/translated_dialogs_win.h"

#include <commdlg.h>
#include <dlgs.h>

#include <array>
#include <string_view>

#include "core/compiler.h"
#include "ui/application.h"
#include "ui/form.h"
#include "win/text.h"

namespace lark::localization {
namespace {

const core::TypeInfo& BIFlagsType() {
    static const auto element = core::MakeEnumType(
        "TBIFlag", {"BrowseForComputer", "BrowseForPrinter", "BrowseIncludeFiles", "BrowseIncludeURLs",
                    "DontGoBelowDomain", "EditBox", "NewDialogStyle", "ReturnFSAncestors", "ReturnOnlyFSDirs",
                    "Shareable", "StatusText", "Validate"});
    static const auto set = core::MakeSetType("TBIFlags", *element);
    return *set;
}

constexpr std::array<UINT, 12> kBIFlagBits = {
    BIF_BROWSEFORCOMPUTER, BIF_BROWSEFORPRINTER, BIF_BROWSEINCLUDEFILES, BIF_BROWSEINCLUDEURLS,
    BIF_DONTGOBELOWDOMAIN, BIF_EDITBOX,          BIF_NEWDIALOGSTYLE,     BIF_RETURNFSANCESTORS,
    BIF_RETURNONLYFSDIRS,  BIF_SHAREABLE,        BIF_STATUSTEXT,         BIF_VALIDATE};

struct SpecialFolder {
    const char* name;
    int csidl;
};
constexpr std::array<SpecialFolder, 42> kFolders = {{
    {"csAdminTools", CSIDL_ADMINTOOLS},
    {"csAltStartUp", CSIDL_ALTSTARTUP},
    {"csAppData", CSIDL_APPDATA},
    {"csBitBucket", CSIDL_BITBUCKET},
    {"csCommon_AdminTools", CSIDL_COMMON_ADMINTOOLS},
    {"csCommon_AppData", CSIDL_COMMON_APPDATA},
    {"csCommon_DesktopDirectory", CSIDL_COMMON_DESKTOPDIRECTORY},
    {"csCommon_Documents", CSIDL_COMMON_DOCUMENTS},
    {"csCommon_Favorites", CSIDL_COMMON_FAVORITES},
    {"csCommon_Programs", CSIDL_COMMON_PROGRAMS},
    {"csCommon_StartMenu", CSIDL_COMMON_STARTMENU},
    {"csCommon_Startup", CSIDL_COMMON_STARTUP},
    {"csCommon_Templates", CSIDL_COMMON_TEMPLATES},
    {"csControls", CSIDL_CONTROLS},
    {"csCookies", CSIDL_COOKIES},
    {"csDesktop", CSIDL_DESKTOP},
    {"csDesktopDirectory", CSIDL_DESKTOPDIRECTORY},
    {"csDrives", CSIDL_DRIVES},
    {"csFavories", CSIDL_FAVORITES},
    {"csFonts", CSIDL_FONTS},
    {"csHistory", CSIDL_HISTORY},
    {"csInternet", CSIDL_INTERNET},
    {"csInernet_Cashe", CSIDL_INTERNET_CACHE},
    {"csLocal_AppData", CSIDL_LOCAL_APPDATA},
    {"csMyMusic", CSIDL_MYMUSIC},
    {"csMyPictures", CSIDL_MYPICTURES},
    {"csNetHood", CSIDL_NETHOOD},
    {"csNetwork", CSIDL_NETWORK},
    {"csPersonal", CSIDL_PERSONAL},
    {"csPrinters", CSIDL_PRINTERS},
    {"csPrintHood", CSIDL_PRINTHOOD},
    {"csProfile", CSIDL_PROFILE},
    {"csProgram_Files", CSIDL_PROGRAM_FILES},
    {"csProgram_Files_Common", CSIDL_PROGRAM_FILES_COMMON},
    {"csPrograms", CSIDL_PROGRAMS},
    {"csRecent", CSIDL_RECENT},
    {"csSendTo", CSIDL_SENDTO},
    {"csStartMenu", CSIDL_STARTMENU},
    {"csStartUp", CSIDL_STARTUP},
    {"csSystemDir", CSIDL_SYSTEM},
    {"csTemplates", CSIDL_TEMPLATES},
    {"csWindowsDir", CSIDL_WINDOWS},
}};
constexpr int kDesktopIndex = 15;

const core::TypeInfo& CsidlType() {
    static const auto type = [] {
        std::vector<std::string> names;
        for (const SpecialFolder& f : kFolders) names.push_back(f.name);
        return core::MakeEnumType("TCSIDL", std::move(names));
    }();
    return *type;
}

template <class D>
core::ClassBuilder<D> WithLcLang(core::ClassBuilder<D> builder) {
    return std::move(builder).Custom(
        "lcLang", core::ClassTypeOf<TlcCustomLang>(),
        [](const D& d) { return core::Value(static_cast<core::Persistent*>(d.lcLang())); },
        [](D& d, const core::Value& v) { d.SetLcLang(dynamic_cast<TlcCustomLang*>(core::AsObject(v))); });
}

std::string DialogText(TlcCustomLang& lang, std::string_view id) {
    return lang.LookupText(TStringsType::stDlgsCaptions, id, true);
}

constexpr UINT kSetControlText = CDM_SETCONTROLTEXT;  // 0x468

}  // namespace

// A removal notice both ways, and the component keeps the dialogs' captions.
void LinkDialogLang(core::Component& dialog, TlcCustomLang*& field, TlcCustomLang* lang) {
    if (field == lang) return;
    if (field) field->RemoveFreeNotification(&dialog);
    field = lang;
    if (!field) return;
    field->FreeNotification(&dialog);
    field->SetNeedAllDlgs(true);
}

void TranslateFileDialog(TlcCustomLang* lang, HWND dialog, bool save) {
    if (!lang || !dialog) return;
    struct Item {
        int id;
        std::string_view open, save;
    };
    static constexpr std::array<Item, 7> kItems = {{
        {stc2, "Files of type:", "Save as type:"},
        {stc3, "File name:", "File name:"},
        {stc4, "Look in:", "Save in:"},
        {chx1, "Read-only", "Read-only"},
        {pshHelp, "Help", "Help"},
        {IDOK, "Open", "Save"},
        {IDCANCEL, "Cancel", "Cancel"},
    }};
    for (const Item& item : kItems) {
        const std::string text = DialogText(*lang, save ? item.save : item.open);
        if (text.empty()) continue;
        SendMessageW(dialog, kSetControlText, static_cast<WPARAM>(item.id),
                     reinterpret_cast<LPARAM>(win::Widen(text).c_str()));
    }
    if (auto* form = dynamic_cast<ui::Form*>(lang->Owner())) {
        HFONT font = form->GetFont()->Handle();
        for (int id : {stc2, stc3, stc4, chx1, pshHelp, 0xFFFF, cmb1, IDOK, IDCANCEL})
            if (HWND control = GetDlgItem(dialog, id))
                SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

LARK_DEFINE_CLASS(TlcOpenDialog) {
    return WithLcLang(core::ClassBuilder<TlcOpenDialog>("TlcOpenDialog", &ui::OpenDialog::StaticClass())).Build();
}

LARK_DEFINE_CLASS(TlcSaveDialog) {
    return WithLcLang(core::ClassBuilder<TlcSaveDialog>("TlcSaveDialog", &ui::SaveDialog::StaticClass())).Build();
}

// ---- folder browser ----

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(TlcBrowseForFolder) {
    using B = TlcBrowseForFolder;
    using core::Value;
    const unsigned defaults = (1u << static_cast<int>(TBIFlag::ReturnFSAncestors)) |
                              (1u << static_cast<int>(TBIFlag::ReturnOnlyFSDirs));
    return WithLcLang(core::ClassBuilder<B>("TlcBrowseForFolder", &core::Component::StaticClass()))
        .Field("CanCreateSpecialFolder", core::BooleanType(), &B::CanCreateSpecialFolder, Value(std::int64_t(0)))
        .Field("DialogCaption", core::StringType(), &B::DialogCaption, Value(std::string()))
        .Custom(
            "Flags", BIFlagsType(), [](const B& b) { return Value(core::SetValue{b.Flags}); },
            [](B& b, const Value& v) { b.Flags = core::AsSet(v).bits; }, Value(core::SetValue{defaults}))
        .Custom(
            "RootFolder", CsidlType(), [](const B& b) { return Value(std::int64_t(b.RootFolder)); },
            [](B& b, const Value& v) { b.RootFolder = static_cast<int>(core::AsOrdinal(v)); },
            Value(std::int64_t(kDesktopIndex)))
        .Custom(
            "SelectedDir", core::StringType(), [](const B& b) { return Value(b.SelectedDir()); },
            [](B& b, const Value& v) { b.SetSelectedDir(core::AsText(v)); }, Value(std::string()))
        .Field("Title", core::StringType(), &B::Title, Value(std::string()))
        .Event("OnShow", &B::OnShow)
        .Event("OnSelectionChanged", &B::OnSelectionChanged)
        .Event("OnValidateFailed", &B::OnValidateFailed)
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

TlcBrowseForFolder::TlcBrowseForFolder(core::Component* owner)
    : core::Component(owner),
      Flags((1u << static_cast<int>(TBIFlag::ReturnFSAncestors)) | (1u << static_cast<int>(TBIFlag::ReturnOnlyFSDirs))),
      RootFolder(kDesktopIndex) {}

TlcBrowseForFolder::~TlcBrowseForFolder() { CoTaskMemFree(selected_); }

void TlcBrowseForFolder::SetLcLang(TlcCustomLang* lang) { LinkDialogLang(*this, lang_, lang); }

void TlcBrowseForFolder::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation == core::Operation::Remove && component == lang_) lang_ = nullptr;
}

void TlcBrowseForFolder::SetSelectedDir(const std::string& dir) {
    if (dir == selectedDir_) return;
    selectedDir_ = dir;
    CoTaskMemFree(selected_);
    selected_ = nullptr;
    if (dir.empty()) return;
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return;
    std::wstring name = win::Widen(dir);
    PIDLIST_RELATIVE parsed = nullptr;
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &parsed, nullptr)))
        selected_ = reinterpret_cast<PIDLIST_ABSOLUTE>(parsed);
    desktop->Release();
}

namespace {
std::string PathOf(LPCITEMIDLIST list) {
    wchar_t path[MAX_PATH] = {};
    return list && SHGetPathFromIDListW(list, path) ? win::Narrow(path) : std::string();
}

void Guarded(const std::function<void()>& f) {
    try {
        f();
    } catch (...) {
        ui::Application::Instance().HandleException(std::current_exception());
    }
}
}  // namespace

int CALLBACK TlcBrowseForFolder::Callback(HWND window, UINT message, LPARAM l, LPARAM data) {
    auto* self = reinterpret_cast<TlcBrowseForFolder*>(data);
    int answer = 0;
    Guarded([&] {
        switch (message) {
        case BFFM_INITIALIZED:
            if (!self->DialogCaption.empty()) SetWindowTextW(window, win::Widen(self->DialogCaption).c_str());
            if (self->selected_) SendMessageW(window, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(self->selected_));
            if (self->lang_) {
                for (auto [id, caption] : {std::pair{IDOK, "OK"}, std::pair{IDCANCEL, "Cancel"}}) {
                    const std::string text = DialogText(*self->lang_, caption);
                    if (!text.empty()) SetDlgItemTextW(window, id, win::Widen(text).c_str());
                }
            }
            self->OnShow(*self);
            break;
        case BFFM_SELCHANGED:
            self->OnSelectionChanged(*self, PathOf(reinterpret_cast<LPCITEMIDLIST>(l)));
            break;
        case BFFM_VALIDATEFAILEDW: {
            bool keepOpen = false;
            self->OnValidateFailed(*self, win::Narrow(reinterpret_cast<const wchar_t*>(l)), keepOpen);
            answer = keepOpen ? 1 : 0;
            break;
        }
        }
    });
    return answer;
}

bool TlcBrowseForFolder::Execute(HWND owner) {
    PIDLIST_ABSOLUTE root = nullptr;
    if (RootFolder != kDesktopIndex && RootFolder >= 0 && RootFolder < static_cast<int>(kFolders.size()))
        SHGetSpecialFolderLocation(owner, kFolders[static_cast<std::size_t>(RootFolder)].csidl, &root);
    const std::wstring title = win::Widen(Title);
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner ? owner : GetActiveWindow();
    info.pidlRoot = root;
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    for (std::size_t i = 0; i < kBIFlagBits.size(); ++i)
        if (Flags & (1u << i)) info.ulFlags |= kBIFlagBits[i];
    info.lpfn = &Callback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    CoTaskMemFree(root);
    if (!chosen) return false;
    const std::string path = PathOf(chosen);
    CoTaskMemFree(chosen);
    SetSelectedDir(path);
    return true;
}

}  // namespace lark::localization
