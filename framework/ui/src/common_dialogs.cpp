#include "ui/common_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include "core/compiler.h"
#include "ui/application.h"
#include "win/text.h"

namespace lark::ui {

namespace {
const core::TypeInfo& OptionsType() {
    static const auto element = core::MakeEnumType(
        "TOpenOption", {"ofOverwritePrompt", "ofHideReadOnly", "ofAllowMultiSelect", "ofPathMustExist", "ofFileMustExist", "ofNoChangeDir"});
    static const auto set = core::MakeSetType("TOpenOptions", *element);
    return *set;
}

// A failure inside a hook is handed to the application, never thrown through the dialog.
template <class F>
void Guarded(F&& f) {
    try {
        f();
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
    }
}
}  // namespace

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(FileDialog) {
    using core::Value;
    return core::ClassBuilder<FileDialog>("TFileDialog", &core::Component::StaticClass())
        .NotCreatable()
        .Field("DefaultExt", core::StringType(), &FileDialog::defaultExt, Value(std::string()))
        .Field("FileName", core::StringType(), &FileDialog::fileName, Value(std::string()))
        .Field("Filter", core::StringType(), &FileDialog::filter, Value(std::string()))
        .Field("FilterIndex", core::IntegerType(), &FileDialog::filterIndex, Value(std::int64_t(1)))
        .Field("InitialDir", core::StringType(), &FileDialog::initialDir, Value(std::string()))
        .Custom(
            "Options", OptionsType(), [](const FileDialog& d) { return Value(core::SetValue{d.options}); },
            [](FileDialog& d, const Value& v) { d.options = core::AsSet(v).bits; }, Value(core::SetValue{FileDialog::HideReadOnly}))
        .Field("Title", core::StringType(), &FileDialog::title, Value(std::string()))
        .Event("OnDialogShow", &FileDialog::OnDialogShow)
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

LARK_DEFINE_CLASS(OpenDialog) { return core::ClassBuilder<OpenDialog>("TOpenDialog", &FileDialog::StaticClass()).Build(); }
LARK_DEFINE_CLASS(SaveDialog) { return core::ClassBuilder<SaveDialog>("TSaveDialog", &FileDialog::StaticClass()).Build(); }

UINT_PTR CALLBACK FileDialog::Hook(HWND child, UINT message, WPARAM, LPARAM l) {
    if (message != WM_NOTIFY) return 0;
    auto* notify = reinterpret_cast<OFNOTIFYW*>(l);
    if (notify->hdr.code != CDN_INITDONE) return 0;
    auto* dialog = reinterpret_cast<FileDialog*>(notify->lpOFN->lCustData);
    // The hook gets a child of the dialog; the dialog is its parent.
    Guarded([&] { dialog->DialogShow(GetParent(child)); });
    return 0;
}

bool FileDialog::Execute(HWND owner) {
    // The filter: "name|pattern|name|pattern" becomes "name\0pattern\0...\0\0".
    std::wstring filterList = win::Widen(filter);
    for (wchar_t& c : filterList)
        if (c == L'|') c = L'\0';
    filterList.append(2, L'\0');
    std::wstring buffer(64 * 1024, L'\0');
    std::wstring initial = win::Widen(fileName);
    if (initial.size() < buffer.size()) initial.copy(buffer.data(), initial.size());
    std::wstring dir = win::Widen(initialDir), ext = win::Widen(defaultExt), caption = win::Widen(title);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner ? owner : GetActiveWindow();
    ofn.lpstrFilter = filter.empty() ? nullptr : filterList.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(filterIndex);
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLEHOOK;
    if (options & OverwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
    if (options & HideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
    if (options & AllowMultiSelect) ofn.Flags |= OFN_ALLOWMULTISELECT;
    if (options & PathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
    if (options & FileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (options & NoChangeDir) ofn.Flags |= OFN_NOCHANGEDIR;
    ofn.lpfnHook = &Hook;
    ofn.lCustData = reinterpret_cast<LPARAM>(this);
    const BOOL ok = Save() ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) {
        if (DWORD error = CommDlgExtendedError())
            throw core::Error(NamePath() + ": the file dialog failed (error " + std::to_string(error) + ")");
        return false;
    }
    filterIndex = static_cast<int>(ofn.nFilterIndex);
    files.clear();
    // Several files: the folder, then each name, each ended by a null.
    std::wstring first(buffer.c_str());
    const wchar_t* next = buffer.c_str() + first.size() + 1;
    if ((options & AllowMultiSelect) && *next) {
        for (; *next; next += std::wcslen(next) + 1) files.push_back(win::Narrow(first + L"\\" + next));
    } else {
        files.push_back(win::Narrow(first));
    }
    fileName = files.front();
    return true;
}

LARK_DEFINE_CLASS(FolderDialog) {
    using core::Value;
    return core::ClassBuilder<FolderDialog>("TFolderDialog", &core::Component::StaticClass())
        .Field("Folder", core::StringType(), &FolderDialog::folder, Value(std::string()))
        .Field("Title", core::StringType(), &FolderDialog::title, Value(std::string()))
        .Event("OnDialogShow", &FolderDialog::OnDialogShow)
        .Build();
}

int CALLBACK FolderDialog::Callback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message != BFFM_INITIALIZED) return 0;
    auto* dialog = reinterpret_cast<FolderDialog*>(data);
    Guarded([&] {
        if (!dialog->folder.empty())
            SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(win::Widen(dialog->folder).c_str()));
        dialog->OnDialogShow(*dialog, window);
    });
    return 0;
}

bool FolderDialog::Execute(HWND owner) {
    std::wstring caption = win::Widen(title);
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner ? owner : GetActiveWindow();
    info.pszDisplayName = display;
    info.lpszTitle = caption.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = &Callback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return false;
    std::wstring path(32 * 1024, L'\0');
    const bool ok = SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT) != FALSE;
    CoTaskMemFree(chosen);
    if (!ok) return false;
    folder = win::Narrow(path.c_str());
    return true;
}

}  // namespace lark::ui
