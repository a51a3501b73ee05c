#pragma once
// The main-client double: settings, scenario, call log and the served site folder.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ini.h"
#include "mainclient/main_client.h"
#include "win/text.h"

namespace lark::mainclient_double {

// Where the double finds its files. Sources, later ones winning: defaults (the program folder),
// the settings INI (LARK_FTP_DOUBLE_CONFIG, else LarkFtpDouble.ini beside the program; section
// [Double]: Site, CallLog, PostLog, Scenario, SiteDatabase, WindowTitle, IdleExitSeconds), then /site=, /calllog=,
// /scenario=, /windowtitle= on the command line.
struct Settings {
    std::wstring program_folder;  // with a trailing backslash
    std::wstring site;            // the folder served as the remote site
    std::wstring call_log;        // empty: no log
    std::wstring post_log;        // one line per completion posted ("task id<TAB>lParam"); empty: none
    std::wstring scenario;        // empty: default behaviour
    std::wstring site_database;   // the profile methods change it (SiteDatabase=); empty: they do not
    std::wstring window_title = win::Widen(mainclient::kSchedulerWindowTitle);
    // A client that dies without releasing its object leaves the server waiting for ever (Wine
    // runs no rundown of dead clients): quit after this long without a call (0: never).
    unsigned idle_exit_seconds = 300;

    static Settings Load(const std::vector<std::wstring>& args);
};

// Appends one line per call: the method name and every argument in order, tab-separated;
// tabs and line breaks in arguments are written as \t, \r and \n (backslashes stay as they are,
// so Windows paths read as passed).
class CallLog {
public:
    explicit CallLog(std::wstring path) : path_(std::move(path)) {}
    // Writes the line and answers how many earlier lines name the same method (the call index,
    // shared by every process that writes the log).
    int Append(const std::string& method, const std::vector<std::string>& args);
    // Starts with Start*: the number of transfer calls so far, this one included.
    int CountPrefix(const std::string& prefix) const;

private:
    std::wstring path_;
    int local_calls_ = 0;
};

std::string EscapeLogField(const std::string& s);

// Scripted answers: section = method name. List keys take the value of the call index (the
// last value repeats): HResult, TaskID, FileCount, Result, DelayMs, CompletionDelayMs. Text
// keys: ErrorText, ConnectionID, Listing, Name, Completions (after | before | none), FailFiles
// (comma-separated names or relative paths, * for every file).
class Scenario {
public:
    void Load(const std::wstring& path);
    std::optional<std::string> Text(const std::string& method, const std::string& key) const;
    std::optional<int64_t> Number(const std::string& method, const std::string& key, int call_index) const;
    bool FailsFile(const std::string& method, const std::string& relative_path) const;
    bool HasSection(const std::string& method) const { return ini_.HasSection(method); }

private:
    Ini ini_;
};

// File-system helpers of the site (all paths Windows wide paths).
std::wstring SitePath(const std::wstring& site, const std::string& remote_path);  // throws on ".."
bool IsDirectory(const std::wstring& path);
bool IsFile(const std::wstring& path);
void MakeDirectories(const std::wstring& path);
// Every file below root, as paths relative to it with '/' separators, sorted.
std::vector<std::string> ListFilesRecursive(const std::wstring& root);
// Unix long format, CR LF separated; permissions from the site's mode file (SetAttributes),
// else rwxr-xr-x for directories and rw-r--r-- for files.
std::string ListingOf(const std::wstring& site, const std::wstring& directory);
// Modes set through SetAttributes live beside the site folder ("<site>.modes"): a Windows
// folder has no Unix permissions to hold them.
void StoreMode(const std::wstring& site, const std::wstring& path, unsigned mode);
bool CopyOneFile(const std::wstring& from, const std::wstring& to);
std::wstring JoinPath(const std::wstring& folder, const std::string& relative);  // '/' -> '\'
std::string BaseName(const std::string& path);
int64_t FileSize(const std::wstring& path);
bool RemoveTree(const std::wstring& path);

}  // namespace lark::mainclient_double
