#pragma once
// Site records: one site profile or profile folder each, as the main client keeps them in its
// site database, grouped in collections (a folder's members are its Servers).
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/collection.h"
#include "core/component.h"

namespace lark::shellext {

class TFtpServers;

// The passphrase of the site database's password key. The main client enciphers every stored
// PassWord under PassphraseDigest16 of it, so both sides must hold the same text.
inline constexpr std::string_view kSitePassphrase = "Lk7#qT2!vZ9@mW4$rX";
// PassphraseDigest16(kSitePassphrase).
const std::array<std::uint8_t, 16>& SitePasswordKey();

// What a new record's PassWord holds.
inline constexpr std::string_view kDefaultPassWord = "guest@example.com";

class TFtpServerInfo : public core::CollectionItem {
    LARK_PERSISTENT_CLASS(TFtpServerInfo)
public:
    TFtpServerInfo();
    ~TFtpServerInfo() override;

    // Takes every value of the source, UserData and the password's state included, and
    // replaces Servers by a copy of the source's members (recursively).
    void Assign(const TFtpServerInfo& source);
    // Takes every value of the source as Assign does, but leaves Servers as they are (a copy
    // that recreates the members one by one).
    void AssignFields(const TFtpServerInfo& source);

    std::string ProfileName = "New FTP server";
    std::string Comments;
    std::string Account;
    std::string HostName;
    std::string Port = "21";
    std::string UserName = "anonymous";
    std::string HostDirName;
    bool Binary = true;
    bool Passive = false;
    bool IsFolder = false;
    std::string ProxyName;
    std::string ProxyPort;
    int ProxyType = 0;  // 0 none, 1 HTTP, 2 FTP, 3 SOCKS4, 4 SOCKS4A, 5 SOCKS5
    std::string ProxyUser;
    std::string ProxyPassword;  // kept as stored
    int ServerType = 0;         // 0 FTP, 1 SFTP
    std::string PrivateKey;
    std::string KeyPassword;    // kept as stored
    std::string HostFingerprint;
    int Authentication = 1;     // 1 password, 2 public key, 0 both
    std::string LocalFolder;
    // Not stored in the database; copying a site node carries it along.
    std::string UserData;

    // The password in plain text. Set through the published property (reading a store), it
    // holds the stored cipher text until DecipherPassWord.
    const std::string& PassWord() const { return passWord_; }
    void SetPassWord(std::string plain);
    bool PassWordIsEnciphered() const { return passWordEnciphered_; }
    // Setting the plain value it already holds changes nothing (a store's reader passes the
    // current value back for a missing key).
    void SetStoredPassWord(std::string stored);
    // Deciphers a stored PassWord in place. Text that does not decipher leaves it empty and
    // marks it unreadable (the main client still holds the real one): returns false then. A
    // plain password is left alone.
    bool DecipherPassWord(const std::array<std::uint8_t, 16>& key);
    // The stored password could not be deciphered: the record must not send its empty
    // PassWord to the main client until a password is set.
    bool PassWordUnreadable() const { return passWordUnreadable_; }
    // The source's password with its state (stored, plain or unreadable).
    void TakePassWord(const TFtpServerInfo& source);

    bool UseGlobalProxy() const { return useGlobalProxy_; }
    // Setting it on empties ProxyName and ProxyPort, whether or not it was on; setting it off
    // keeps them.
    void SetUseGlobalProxy(bool on);

    TFtpServers& Servers() { return *servers_; }
    const TFtpServers& Servers() const { return *servers_; }
    TFtpServers* ServersObject() { return servers_.get(); }

    std::string DisplayName() const override;

private:
    std::string passWord_{kDefaultPassWord};
    bool passWordEnciphered_ = false;
    bool passWordUnreadable_ = false;
    bool useGlobalProxy_ = true;
    std::unique_ptr<TFtpServers> servers_;
};

class TFtpServers : public core::Collection {
    LARK_PERSISTENT_CLASS(TFtpServers)
public:
    // A top-level collection, reporting `owner` as its owner component.
    explicit TFtpServers(core::Component* owner = nullptr);
    // The members of a folder record: their owner component is that of the folder's collection.
    explicit TFtpServers(TFtpServerInfo& folder);

    core::Component* OwnerComponent() const;
    TFtpServerInfo* Add() { return static_cast<TFtpServerInfo*>(core::Collection::Add()); }
    TFtpServerInfo* Items(int index) const { return ItemAs<TFtpServerInfo>(index); }
    // The first record whose ProfileName equals the name without case, or null.
    TFtpServerInfo* FindByName(std::string_view name) const;

private:
    core::Component* owner_ = nullptr;
    TFtpServerInfo* folder_ = nullptr;
};

// The stored form of a plain password, as the main client writes it.
std::string EncipherPassWord(std::string_view plain, const std::array<std::uint8_t, 16>& key);

// Deciphers every stored password of the tree in place. A record whose password does not
// decipher gets an empty one marked unreadable; the rest are still done. Returns how many failed.
int DecipherPasswords(TFtpServers& servers, const std::array<std::uint8_t, 16>& key);

// Holds a site database's top-level records as its published FTPServers.
class TServers : public core::Component {
    LARK_PERSISTENT_CLASS(TServers)
public:
    explicit TServers(core::Component* owner = nullptr);
    ~TServers() override;

    TFtpServers& FTPServers() { return *servers_; }
    TFtpServers* FTPServersObject() { return servers_.get(); }
    // Takes the collection over as it is.
    void SetFTPServers(std::unique_ptr<TFtpServers> servers);
    std::unique_ptr<TFtpServers> ReleaseFTPServers();

private:
    std::unique_ptr<TFtpServers> servers_;
};

}  // namespace lark::shellext
