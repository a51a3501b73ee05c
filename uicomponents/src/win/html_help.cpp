#include "uicomponents/html_help.h"

#include <filesystem>

#include "win/registration.h"
#include "win/text.h"

namespace lark::ui {

namespace {
// The HTML Help API's commands.
constexpr UINT kDisplayTopic = 0x0000;
constexpr UINT kDisplayToc = 0x0001;
constexpr UINT kDisplayIndex = 0x0002;
constexpr UINT kHelpContext = 0x000F;
constexpr UINT kCloseAll = 0x0012;

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

HtmlHelp& HtmlHelp::Instance() {
    // Never destroyed: a host process's detach must not unload the help library.
    static HtmlHelp* instance = new HtmlHelp();
    return *instance;
}

void HtmlHelp::SetHelpFile(const std::string& file, HMODULE module) {
    std::filesystem::path path(win::Widen(file));
    if (!file.empty() && path.is_relative())
        path = std::filesystem::path(win::ModulePath(module)).parent_path() / path;
    helpFile_ = file.empty() ? std::wstring() : path.wstring();
}

HtmlHelp::Entry HtmlHelp::EntryPoint() {
    if (!triedLoading_) {
        triedLoading_ = true;
        library_ = LoadLibraryW(libraryName_.c_str());
        if (library_) entry_ = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library_, "HtmlHelpW")));
    }
    return entry_;
}

bool HtmlHelp::Call(const std::wstring& target, UINT command, DWORD_PTR data) {
    if (helpFile_.empty() || !FileExists(helpFile_)) return false;
    Entry entry = EntryPoint();
    if (!entry) return false;
    entry(nullptr, target.c_str(), command, data);
    return true;
}

bool HtmlHelp::ShowContext(int context) { return Call(helpFile_, kHelpContext, static_cast<DWORD_PTR>(context)); }

bool HtmlHelp::ShowTableOfContents() { return Call(helpFile_, kDisplayToc, 0); }

bool HtmlHelp::ShowKeyword(const std::string& keyword) {
    const std::wstring wide = win::Widen(keyword);
    return Call(helpFile_, kDisplayIndex, reinterpret_cast<DWORD_PTR>(wide.c_str()));
}

bool HtmlHelp::ShowTopic(const std::string& topic) {
    return Call(helpFile_ + L"::/" + win::Widen(topic) + L".htm", kDisplayTopic, 0);
}

void HtmlHelp::Unload() {
    if (entry_) entry_(nullptr, nullptr, kCloseAll, 0);
    if (library_) FreeLibrary(library_);
    library_ = nullptr;
    entry_ = nullptr;
    triedLoading_ = false;
}

}  // namespace lark::ui
