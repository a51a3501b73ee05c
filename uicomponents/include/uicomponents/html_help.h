#pragma once
// The program's help: requests by context number, topic, keyword or table of contents open the
// compiled help file through the HTML Help entry point. Contract:
// - The help library is loaded on the first request, never at start, in DllMain or from a static
//   initializer; the one instance is never destroyed, so a host process's detach never unloads
//   it. Unload (the program's orderly shutdown) closes every help window (HH_CLOSE_ALL) first.
// - A relative help file name is taken from the program's folder (the module the help belongs
//   to), never from the current directory.
// - A missing library, entry point or help file does nothing: the request answers false, shows
//   no box and does not crash.
// - Texts reach the entry point whole, in UTF-16 (no fixed-size buffers).
#include "ui/win32.h"

#include <string>

namespace lark::ui {

class HtmlHelp {
public:
    static HtmlHelp& Instance();

    // The help file; a relative name is resolved against the folder of `module` (null: the
    // program).
    void SetHelpFile(const std::string& file, HMODULE module = nullptr);
    const std::wstring& HelpFile() const { return helpFile_; }
    // Which library holds the entry point (tests point it elsewhere); takes effect at the next load.
    void SetLibrary(std::wstring name) { libraryName_ = std::move(name); }

    bool ShowContext(int context);
    bool ShowTableOfContents();
    bool ShowKeyword(const std::string& keyword);
    // The page "<topic>.htm" inside the help file.
    bool ShowTopic(const std::string& topic);

    // Closes every help window and frees the library.
    void Unload();
    bool Loaded() const { return library_ != nullptr; }

private:
    using Entry = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    HtmlHelp() = default;
    bool Call(const std::wstring& target, UINT command, DWORD_PTR data);
    Entry EntryPoint();

    std::wstring helpFile_;
    std::wstring libraryName_ = L"hhctrl.ocx";
    HMODULE library_ = nullptr;
    Entry entry_ = nullptr;
    bool triedLoading_ = false;
};

}  // namespace lark::ui
