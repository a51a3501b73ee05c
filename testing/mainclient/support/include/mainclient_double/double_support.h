#pragma once
// What tests under Wine that drive the main-client double share: files and folders, programs,
// the registered double with its own site folder, call log and scenario, and item lists freed on
// scope exit.
#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gui_testing/process.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::testing {

inline std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

inline void WriteTextFile(const std::wstring& path, const std::string& text) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string ReadTextFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\" + name);
            else
                DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(h, &data));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

// Runs a program to its end (at most `timeoutMs`); its exit code.
inline DWORD RunProgram(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs = 60000) {
    return RunAndWait(L"\"" + exe + L"\" " + args, std::chrono::milliseconds(timeoutMs));
}

// The double of this build, registered, with a fresh folder of its own: "site" (the remote
// side), "local", the call log and the scenario. The server inherits the environment variable
// that names its settings.
class DoubleSetup {
public:
    explicit DoubleSetup(const std::wstring& exeName, const std::wstring& tag) {
        exe_ = FolderOf(win::ModulePath()) + L"mainclient\\" + exeName;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"lark-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(root_.c_str(), nullptr);
        WriteTextFile(root_ + L"double.ini", "[Double]\r\nSite=site\r\nCallLog=calls.log\r\nScenario=scenario.ini\r\n");
        SetEnvironmentVariableW(L"LARK_FTP_DOUBLE_CONFIG", (root_ + L"double.ini").c_str());
    }
    bool Register() const { return Exists(exe_) && RunProgram(exe_, L"/regserver") == 0; }
    // Empties the site, the local folder, the call log and the scenario.
    void Reset() const {
        RemoveTree(root_ + L"site");
        RemoveTree(root_ + L"local");
        DeleteFileW((root_ + L"calls.log").c_str());
        CreateDirectoryW((root_ + L"site").c_str(), nullptr);
        CreateDirectoryW((root_ + L"local").c_str(), nullptr);
        Scenario("");
    }
    void Scenario(const std::string& text) const { WriteTextFile(root_ + L"scenario.ini", text); }
    std::wstring Root() const { return root_; }
    std::wstring Site(const std::wstring& rel = L"") const { return root_ + L"site\\" + rel; }
    std::wstring Local(const std::wstring& rel = L"") const { return root_ + L"local\\" + rel; }
    std::vector<std::string> Calls() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadTextFile(root_ + L"calls.log"));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    // The calls of one method.
    std::vector<std::string> CallsOf(const std::string& method) const {
        std::vector<std::string> lines;
        for (const std::string& line : Calls())
            if (line.rfind(method + "\t", 0) == 0 || line == method) lines.push_back(line);
        return lines;
    }

private:
    std::wstring exe_;
    std::wstring root_;
};

struct TaskMemFree {
    void operator()(void* p) const { CoTaskMemFree(p); }
};
using Pidl = std::unique_ptr<ITEMIDLIST, TaskMemFree>;

}  // namespace lark::testing
