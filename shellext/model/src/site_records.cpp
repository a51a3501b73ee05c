#include "shellext/model/site_records.h"

#include "core/compiler.h"
#include "core/published.h"
#include "core/text_encoding.h"
#include "storage/passphrase_digest.h"
#include "storage/password_cipher.h"

namespace lark::shellext {

using core::ClassBuilder;
using core::Value;

const std::array<std::uint8_t, 16>& SitePasswordKey() {
    static const std::array<std::uint8_t, 16> key = storage::PassphraseDigest16(kSitePassphrase);
    return key;
}

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(TFtpServerInfo) {
    const auto& text = core::StringType();
    const auto& flag = core::BooleanType();
    const auto& byte = core::ByteType();
    using R = TFtpServerInfo;
    return ClassBuilder<R>("TFtpServerInfo", &core::CollectionItem::StaticClass())
        .Field("ProfileName", text, &R::ProfileName)
        .Field("Comments", text, &R::Comments)
        .Field("Account", text, &R::Account)
        .Field("HostName", text, &R::HostName)
        .Field("Port", text, &R::Port)
        .Field("UserName", text, &R::UserName)
        .Custom(
            "PassWord", text, [](const R& r) { return Value(r.PassWord()); },
            [](R& r, const Value& v) { r.SetStoredPassWord(core::AsText(v)); })
        .Field("HostDirName", text, &R::HostDirName)
        .Field("Binary", flag, &R::Binary)
        .Field("Passive", flag, &R::Passive)
        .Field("IsFolder", flag, &R::IsFolder)
        .Prop("UseGlobalProxy", flag, &R::UseGlobalProxy, &R::SetUseGlobalProxy, Value(std::int64_t(1)))
        .Field("ProxyName", text, &R::ProxyName)
        .Field("ProxyPort", text, &R::ProxyPort)
        .Field("ProxyType", byte, &R::ProxyType)
        .Field("ProxyUser", text, &R::ProxyUser)
        .Field("ProxyPassword", text, &R::ProxyPassword)
        .Object("Servers", core::ClassTypeOf<TFtpServers>(), &R::ServersObject)
        .Field("ServerType", byte, &R::ServerType)
        .Field("PrivateKey", text, &R::PrivateKey)
        .Field("KeyPassword", text, &R::KeyPassword)
        .Field("HostFingerprint", text, &R::HostFingerprint)
        .Field("Authentication", byte, &R::Authentication)
        .Field("LocalFolder", text, &R::LocalFolder)
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

TFtpServerInfo::TFtpServerInfo() : servers_(std::make_unique<TFtpServers>(*this)) {}

TFtpServerInfo::~TFtpServerInfo() = default;

void TFtpServerInfo::Assign(const TFtpServerInfo& source) {
    if (&source == this) return;
    AssignFields(source);
    // Built aside and swapped in last: the source may sit among the members being replaced.
    auto members = std::make_unique<TFtpServers>(*this);
    for (int i = 0; i < source.Servers().Count(); ++i) members->Add()->Assign(*source.Servers().Items(i));
    servers_ = std::move(members);
}

void TFtpServerInfo::AssignFields(const TFtpServerInfo& source) {
    if (&source == this) return;
    core::AssignPublished(source, *this);
    // Unpublished, or published through setters that interpret what they are given: the
    // password's state and the proxy switch are taken as they are.
    UserData = source.UserData;
    passWord_ = source.passWord_;
    passWordEnciphered_ = source.passWordEnciphered_;
    passWordUnreadable_ = source.passWordUnreadable_;
    useGlobalProxy_ = source.useGlobalProxy_;
    ProxyName = source.ProxyName;
    ProxyPort = source.ProxyPort;
}

void TFtpServerInfo::SetPassWord(std::string plain) {
    passWord_ = std::move(plain);
    passWordEnciphered_ = false;
    passWordUnreadable_ = false;
}

void TFtpServerInfo::TakePassWord(const TFtpServerInfo& source) {
    passWord_ = source.passWord_;
    passWordEnciphered_ = source.passWordEnciphered_;
    passWordUnreadable_ = source.passWordUnreadable_;
}

void TFtpServerInfo::SetStoredPassWord(std::string stored) {
    // A reader passes the current value back for a missing key: that is no stored text.
    if (!passWordEnciphered_ && stored == passWord_) return;
    passWord_ = std::move(stored);
    passWordEnciphered_ = true;
    passWordUnreadable_ = false;
}

bool TFtpServerInfo::DecipherPassWord(const std::array<std::uint8_t, 16>& key) {
    if (!passWordEnciphered_) return true;
    passWordEnciphered_ = false;
    if (passWord_.empty()) return true;
    try {
        // The cipher works on the stored bytes; the record holds UTF-8.
        std::string plain = storage::AesTextCipher(core::Utf8ToWin1252(passWord_), key.data(), key.size(), false);
        passWord_ = core::Win1252ToUtf8(plain);
        return true;
    } catch (const std::exception&) {
        passWord_.clear();
        passWordUnreadable_ = true;
        return false;
    }
}

void TFtpServerInfo::SetUseGlobalProxy(bool on) {
    // Also when it was on already: a record read with the switch on must not send a proxy of
    // its own back to the main client.
    if (on) {
        ProxyName.clear();
        ProxyPort.clear();
    }
    useGlobalProxy_ = on;
}

std::string TFtpServerInfo::DisplayName() const {
    return ProfileName.empty() ? core::CollectionItem::DisplayName() : ProfileName;
}

LARK_DEFINE_CLASS(TFtpServers) {
    return ClassBuilder<TFtpServers>("TFtpServers", &core::Collection::StaticClass()).Build();
}

TFtpServers::TFtpServers(core::Component* owner)
    : core::Collection(TFtpServerInfo::StaticClass(), owner), owner_(owner) {}

TFtpServers::TFtpServers(TFtpServerInfo& folder)
    : core::Collection(TFtpServerInfo::StaticClass(), &folder), folder_(&folder) {}

core::Component* TFtpServers::OwnerComponent() const {
    if (!folder_) return owner_;
    // A folder's members belong where the folder belongs, however deep it sits.
    auto* holder = dynamic_cast<TFtpServers*>(folder_->GetCollection());
    return holder ? holder->OwnerComponent() : nullptr;
}

TFtpServerInfo* TFtpServers::FindByName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (core::SameTextUtf8(Items(i)->ProfileName, name)) return Items(i);
    return nullptr;
}

std::string EncipherPassWord(std::string_view plain, const std::array<std::uint8_t, 16>& key) {
    return storage::AesTextCipher(core::Utf8ToWin1252(plain), key.data(), key.size(), true);
}

int DecipherPasswords(TFtpServers& servers, const std::array<std::uint8_t, 16>& key) {
    int failed = 0;
    for (int i = 0; i < servers.Count(); ++i) {
        TFtpServerInfo* r = servers.Items(i);
        if (!r->DecipherPassWord(key)) ++failed;
        failed += DecipherPasswords(r->Servers(), key);
    }
    return failed;
}

LARK_DEFINE_CLASS(TServers) {
    return ClassBuilder<TServers>("TServers", &core::Component::StaticClass())
        .Object("FTPServers", core::ClassTypeOf<TFtpServers>(), &TServers::FTPServersObject)
        .Build();
}

TServers::TServers(core::Component* owner) : core::Component(owner), servers_(std::make_unique<TFtpServers>(owner)) {
    StaticClass();  // registered for streaming
}

TServers::~TServers() { BeginDestroy(); }

void TServers::SetFTPServers(std::unique_ptr<TFtpServers> servers) {
    servers_ = servers ? std::move(servers) : std::make_unique<TFtpServers>(Owner());
}

std::unique_ptr<TFtpServers> TServers::ReleaseFTPServers() {
    auto out = std::move(servers_);
    servers_ = std::make_unique<TFtpServers>(Owner());
    return out;
}

}  // namespace lark::shellext
