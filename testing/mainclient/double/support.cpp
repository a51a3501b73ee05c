#include <algorithm>
#include <map>
#include <cstdio>
#include <ctime>
#include <sstream>

#include "double.h"
#include "win/com_error.h"
#include "win/module_path.h"
#include "win/text.h"

namespace lark::mainclient_double {

using win::Narrow;
using win::Widen;

namespace {

std::optional<std::string> ReadFileText(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string text;
    char buffer[8192];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    CloseHandle(h);
    return text;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring Absolute(const std::wstring& path, const std::wstring& base) {
    if (path.empty()) return path;
    const bool absolute = (path.size() > 1 && path[1] == L':') || path[0] == L'\\' || path[0] == L'/';
    return absolute ? path : base + path;
}

std::wstring GetEnv(const wchar_t* name) {
    wchar_t buffer[2048];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 2048);
    return n > 0 && n < 2048 ? std::wstring(buffer, n) : std::wstring();
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, ',')) parts.push_back(Trim(part));
    return parts;
}

}  // namespace

Settings Settings::Load(const std::vector<std::wstring>& args) {
    Settings s;
    s.program_folder = win::ModuleFolder();
    s.site = s.program_folder + L"site";
    std::wstring config = GetEnv(L"LARK_FTP_DOUBLE_CONFIG");
    for (const auto& a : args)
        if (a.size() > 8 && Lower(Narrow(a.substr(0, 8))) == "/config=") config = a.substr(8);
    if (config.empty()) config = s.program_folder + L"LarkFtpDouble.ini";
    if (auto text = ReadFileText(config)) {
        const Ini ini = Ini::Parse(*text);
        const std::wstring base = FolderOf(config);
        if (auto v = ini.Get("Double", "Site")) s.site = Absolute(Widen(*v), base);
        if (auto v = ini.Get("Double", "CallLog")) s.call_log = Absolute(Widen(*v), base);
        if (auto v = ini.Get("Double", "PostLog")) s.post_log = Absolute(Widen(*v), base);
        if (auto v = ini.Get("Double", "Scenario")) s.scenario = Absolute(Widen(*v), base);
        if (auto v = ini.Get("Double", "SiteDatabase")) s.site_database = Absolute(Widen(*v), base);
        if (auto v = ini.Get("Double", "WindowTitle")) s.window_title = Widen(*v);
        if (auto v = ini.Get("Double", "IdleExitSeconds"); v && !v->empty())
            s.idle_exit_seconds = static_cast<unsigned>(std::stoul(*v));
    }
    for (const auto& a : args) {
        const size_t eq = a.find(L'=');
        if (eq == std::wstring::npos || a.empty() || (a[0] != L'/' && a[0] != L'-')) continue;
        const std::string key = Lower(Narrow(a.substr(1, eq - 1)));
        const std::wstring value = a.substr(eq + 1);
        if (key == "site") s.site = value;
        else if (key == "calllog") s.call_log = value;
        else if (key == "scenario") s.scenario = value;
        else if (key == "windowtitle") s.window_title = value;
    }
    while (s.site.size() > 3 && (s.site.back() == L'\\' || s.site.back() == L'/')) s.site.pop_back();
    return s;
}

std::string EscapeLogField(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

int CallLog::Append(const std::string& method, const std::vector<std::string>& args) {
    if (path_.empty()) return local_calls_++;
    const int index = CountPrefix(method + "\t") + CountPrefix(method + "\n");
    std::string line = method;
    for (const auto& a : args) line.append("\t").append(EscapeLogField(a));
    line += "\n";
    HANDLE h = CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw win::ComError(HRESULT_FROM_WIN32(GetLastError()), "cannot open the call log");
    DWORD written = 0;
    WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    FlushFileBuffers(h);
    CloseHandle(h);
    return index;
}

int CallLog::CountPrefix(const std::string& prefix) const {
    const auto text = ReadFileText(path_);
    if (!text) return 0;
    int count = 0;
    size_t pos = 0;
    while (pos < text->size()) {
        size_t end = text->find('\n', pos);
        if (end == std::string::npos) end = text->size();
        // A prefix ending in '\n' matches a line with no arguments.
        const std::string line = text->substr(pos, end - pos + (end < text->size() ? 1 : 0));
        if (line.compare(0, prefix.size(), prefix) == 0) ++count;
        pos = end + 1;
    }
    return count;
}

void Scenario::Load(const std::wstring& path) {
    if (path.empty()) return;
    const auto text = ReadFileText(path);
    if (!text) throw win::ComError(E_FAIL, "cannot read the scenario " + Narrow(path));
    ini_ = Ini::Parse(*text);
}

std::optional<std::string> Scenario::Text(const std::string& method, const std::string& key) const {
    return ini_.Get(method, key);
}

std::optional<int64_t> Scenario::Number(const std::string& method, const std::string& key, int call_index) const {
    const auto text = ini_.Get(method, key);
    if (!text) return std::nullopt;
    const auto parts = SplitList(*text);
    if (parts.empty()) return std::nullopt;
    const std::string& v = parts[std::min<size_t>(static_cast<size_t>(call_index), parts.size() - 1)];
    if (v.empty()) return std::nullopt;
    return static_cast<int64_t>(std::stoll(v, nullptr, 0));
}

bool Scenario::FailsFile(const std::string& method, const std::string& relative_path) const {
    const auto text = ini_.Get(method, "FailFiles");
    if (!text) return false;
    for (const auto& name : SplitList(*text)) {
        if (name.empty()) continue;
        if (name == "*" || Lower(name) == Lower(relative_path) || Lower(name) == Lower(BaseName(relative_path)))
            return true;
    }
    return false;
}

std::wstring JoinPath(const std::wstring& folder, const std::string& relative) {
    std::wstring out = folder;
    std::wstring rel = Widen(relative);
    std::replace(rel.begin(), rel.end(), L'/', L'\\');
    while (!rel.empty() && rel.front() == L'\\') rel.erase(0, 1);
    if (rel.empty()) return out;
    if (!out.empty() && out.back() != L'\\') out += L'\\';
    return out + rel;
}

std::wstring SitePath(const std::wstring& site, const std::string& remote_path) {
    std::string normal = remote_path;
    std::replace(normal.begin(), normal.end(), '\\', '/');
    std::istringstream in(normal);
    std::string part, joined;
    while (std::getline(in, part, '/')) {
        if (part.empty() || part == ".") continue;
        if (part == "..") throw win::ComError(E_INVALIDARG, "remote path leaves the site: " + remote_path);
        joined.append("/").append(part);
    }
    return JoinPath(site, joined);
}

bool IsDirectory(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirectories(const std::wstring& path) {
    if (path.empty() || IsDirectory(path)) return;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 2) MakeDirectories(path.substr(0, slash));
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw win::ComError(HRESULT_FROM_WIN32(GetLastError()), "cannot create " + Narrow(path));
}

namespace {

struct Entry {
    std::string name;
    bool directory = false;
    int64_t size = 0;
    FILETIME modified{};
};

std::vector<Entry> ReadDirectory(const std::wstring& directory) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((directory + L"\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        Entry e;
        e.name = Narrow(name);
        e.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        e.modified = data.ftLastWriteTime;
        entries.push_back(e);
    } while (FindNextFileW(h, &data));
    FindClose(h);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

void CollectFiles(const std::wstring& root, const std::string& prefix, std::vector<std::string>& out) {
    for (const auto& e : ReadDirectory(root)) {
        std::string rel = prefix;
        if (!rel.empty()) rel += '/';
        rel += e.name;
        if (e.directory)
            CollectFiles(root + L"\\" + Widen(e.name), rel, out);
        else
            out.push_back(rel);
    }
}

// The 12-character date column: "Mmm dd HH:MM" within half a year, else "Mmm dd  yyyy".
std::string UnixDate(const FILETIME& ft) {
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    SYSTEMTIME st, now;
    FileTimeToSystemTime(&ft, &st);
    GetSystemTime(&now);
    const int age_months = (now.wYear - st.wYear) * 12 + (now.wMonth - st.wMonth);
    char text[32];
    if (age_months >= 0 && age_months < 6)
        std::snprintf(text, sizeof text, "%s %02u %02u:%02u", months[st.wMonth - 1], st.wDay, st.wHour, st.wMinute);
    else
        std::snprintf(text, sizeof text, "%s %02u  %04u", months[st.wMonth - 1], st.wDay, st.wYear);
    return text;
}

}  // namespace

std::vector<std::string> ListFilesRecursive(const std::wstring& root) {
    std::vector<std::string> files;
    CollectFiles(root, "", files);
    return files;
}

namespace {

std::wstring ModeKey(const std::wstring& path) {
    std::wstring key = path;
    CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

std::map<std::wstring, unsigned> ReadModes(const std::wstring& site) {
    std::map<std::wstring, unsigned> modes;
    const auto text = ReadFileText(site + L".modes");
    if (!text) return modes;
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        const size_t tab = line.rfind('\t');
        if (tab == std::string::npos) continue;
        modes[Widen(line.substr(0, tab))] = static_cast<unsigned>(std::stoul(line.substr(tab + 1), nullptr, 8));
    }
    return modes;
}

std::string PermString(bool directory, unsigned mode) {
    std::string text(1, directory ? 'd' : '-');
    for (int shift = 6; shift >= 0; shift -= 3) {
        text += (mode >> shift) & 4 ? 'r' : '-';
        text += (mode >> shift) & 2 ? 'w' : '-';
        text += (mode >> shift) & 1 ? 'x' : '-';
    }
    return text;
}

}  // namespace

void StoreMode(const std::wstring& site, const std::wstring& path, unsigned mode) {
    auto modes = ReadModes(site);
    modes[ModeKey(path)] = mode & 0777;
    std::string text;
    for (const auto& [key, value] : modes) {
        char octal[8];
        std::snprintf(octal, sizeof octal, "%03o", value);
        text.append(Narrow(key)).append("\t").append(octal).append("\n");
    }
    const std::wstring file = site + L".modes";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw win::ComError(HRESULT_FROM_WIN32(GetLastError()), "cannot write the modes");
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

std::string ListingOf(const std::wstring& site, const std::wstring& directory) {
    const auto modes = ReadModes(site);
    std::string text;
    for (const auto& e : ReadDirectory(directory)) {
        if (!text.empty()) text += "\r\n";
        const auto mode = modes.find(ModeKey(directory + L"\\" + Widen(e.name)));
        text += PermString(e.directory, mode != modes.end() ? mode->second : e.directory ? 0755 : 0644);
        text.append(" 1 owner group ").append(std::to_string(e.directory ? 4096 : e.size));
        text.append(" ").append(UnixDate(e.modified)).append(" ").append(e.name);
    }
    return text;
}

bool CopyOneFile(const std::wstring& from, const std::wstring& to) {
    const size_t slash = to.find_last_of(L"\\/");
    try {
        if (slash != std::wstring::npos) MakeDirectories(to.substr(0, slash));
    } catch (const std::exception&) {
        return false;
    }
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

std::string BaseName(const std::string& path) {
    std::string p = path;
    while (!p.empty() && (p.back() == '/' || p.back() == '\\')) p.pop_back();
    const size_t slash = p.find_last_of("/\\");
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

int64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool RemoveTree(const std::wstring& path) {
    if (!IsDirectory(path)) return DeleteFileW(path.c_str()) != 0;
    for (const auto& e : ReadDirectory(path))
        if (!RemoveTree(path + L"\\" + Widen(e.name))) return false;
    return RemoveDirectoryW(path.c_str()) != 0;
}

}  // namespace lark::mainclient_double
