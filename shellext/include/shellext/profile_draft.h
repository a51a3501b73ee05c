#pragma once
// What the site properties dialog does, in portable terms: the draft its controls edit, loading
// and storing a site record, the rules of its two sub-dialogs (authentication method, personal
// proxy), the duplicate-name check, and the two runs (new profile, edit profile) over an
// injected dialog, so every decision is tested without a window.
//
// The model never keeps half of a failed run: a cancelled or failed new profile leaves neither
// its node nor its record; a failed modify restores the record as it was before the dialog
// stored into it.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "mainclient/main_client.h"
#include "shellext/folder_operations.h"
#include "shellext/model/site_model.h"

namespace lark::shellext {

// Connection types (the items of the connection type box).
inline constexpr int kServerTypeFtp = 0;
inline constexpr int kServerTypeSftp = 1;

// The values the site dialog edits: the six edits, the two check boxes, the connection type's
// item index, and the working copy that only the sub-dialogs edit.
struct ProfileDraft {
    std::string profileName, hostName, port, hostDirName, userName, password;
    bool useGlobalProxy = true;
    bool passive = false;
    int serverType = kServerTypeFtp;  // item index; one the box does not list keeps the record's
    int authentication = 1;           // 1 password, 2 public/private key, 0 both
    std::string privateKey, keyPassword;
    std::string proxyName, proxyPort;
    int proxyType = 0;  // 0 none, 1 HTTP, 2 FTP, 3 SOCKS4, 4 SOCKS4A, 5 SOCKS5
    std::string proxyUser, proxyPassword;
    // The record's stored password could not be read: the edit starts empty and OK waits for
    // a password to be typed, which then replaces the one the main client holds.
    bool passwordUnreadable = false;
};

ProfileDraft DraftOf(const TFtpServerInfo& record);
// Stores in the order the record's setters need: the edits, UseGlobalProxy through its setter
// (which empties the proxy address and port when on), Passive, ServerType (only 0 or 1), then
// the working copy, so its proxy address and port win also with the global proxy.
void StoreDraft(const ProfileDraft& draft, TFtpServerInfo& record);

// OK is enabled exactly when the profile name, host name, port and user name are not empty,
// and the password too when the stored one could not be read.
bool CanConfirm(const ProfileDraft& draft);

// The names of the profiles (not profile folders) of the node's collection, the node itself
// left out (by position).
std::vector<std::string> SiblingNames(const TFTPObjects& level, const TFTPObject* node);

// What the dialog is shown for.
struct ProfileDialogSetup {
    std::string caption;
    bool isNew = true;
    std::vector<std::string> siblings;
    std::string storedName;  // the record's ProfileName when editing
};

// Whether OK must be refused for the name: it is a sibling's name (without case). When editing,
// the record's own stored name always passes.
bool NameRefused(const ProfileDialogSetup& setup, std::string_view name);
// The duplicate-name message: IDS_3 + name + IDS_4 + LF CR + IDS_5.
std::string DuplicateNameText(std::string_view ids3, std::string_view name, std::string_view ids4,
                              std::string_view ids5);

// The arguments of AddProfile / ModifyProfile for the node's record, its folder path
// GetObjectPath(node, "\\").
mainclient::ProfileRecord ProfileCallOf(const TFTPObject& node);

// ---- authentication method sub-dialog ----

// The item (0 password, 1 key, 2 both) shown for an Authentication value.
int AuthItemOf(int authentication);
// Whether the key file and passphrase edits are filled from the draft (not for password only).
inline bool AuthShowsKey(int authentication) { return authentication != 1; }
// Whether the key file, browse and passphrase controls are enabled for an item.
inline bool AuthKeyEnabled(int item) { return item > 0; }
// OK: item 0 sets 1 and keeps the stored key file and passphrase; items 1 and 2 set 2 and 0
// and take both texts.
void StoreAuthChoice(int item, const std::string& keyFile, const std::string& passphrase, ProfileDraft& draft);

// ---- personal proxy sub-dialog ----

enum class ProxyRow { Ftp, Http, Socks };
inline constexpr int kProxyRows = 3;

// The five proxy values of a record, as the proxy dialog works on them.
struct ProxySettings {
    std::string name, port;
    int type = 0;
    std::string user, password;
};
ProxySettings ProxySettingsOf(const ProfileDraft& draft);
void StoreProxySettings(const ProxySettings& settings, ProfileDraft& draft);

// The texts and choices of the proxy dialog.
struct ProxyScreen {
    bool on = false;
    ProxyRow row = ProxyRow::Ftp;
    std::array<std::string, kProxyRows> names, ports;
    int socksType = 0;  // item of the SOCKS type group
    std::string user, password;
};
// Which controls are enabled.
struct ProxyEnables {
    std::array<bool, kProxyRows> radio{};
    std::array<bool, kProxyRows> edits{};
    bool socksType = false;
    bool userAndPassword = false;
};

// Whether the use-proxy box starts checked.
inline bool ProxyInUse(const ProxySettings& settings) { return settings.type != 0; }
// The use-proxy rule: fills `screen` from the settings for the connection type (anything but
// SFTP counts as FTP) and the box's state: the preselected row, its address and port (the
// other rows emptied), the SOCKS type, and, when on, user and password.
void FillProxyScreen(const ProxySettings& settings, int serverType, ProxyScreen& screen);
// The row rule: a row's edits are enabled when its button is checked and enabled; the buttons
// enabled when on (FTP and SOCKS for an FTP connection, HTTP and SOCKS for SFTP); the SOCKS
// type with the SOCKS row; user and password with a checked HTTP or SOCKS row.
ProxyEnables ProxyEnablesOf(int serverType, bool on, ProxyRow checked);
// OK: unchecked sets type 0 and keeps the rest; else the checked row's type, address and port,
// and (HTTP, SOCKS) user and password.
void StoreProxyScreen(const ProxyScreen& screen, ProxySettings& settings);

// ---- the two runs ----

// The site dialog as the runs use it; the window implements it, tests fake it.
class ProfileDialog {
public:
    virtual ~ProfileDialog() = default;
    // The dialog's own texts by identifier (IDS_0 ...), in the active language.
    virtual std::string TextById(std::string_view identifier) = 0;
    // Shows the dialog modally over the draft; true on OK, with the user's input in the draft.
    virtual bool Run(const ProfileDialogSetup& setup, ProfileDraft& draft) = 0;
};

// A new profile in `folder` (null: the model's root level). See profile_form.h.
bool RunNewProfile(FolderContext& context, TFTPObjects* folder, TFTPObject*& node, ProfileDialog& dialog);
// Edits the profile's record. See profile_form.h.
bool RunEditProfile(FolderContext& context, TFTPObject& node, ProfileDialog& dialog);

}  // namespace lark::shellext
