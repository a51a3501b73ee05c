#include "storage/form_placement.h"

#include "core/compiler.h"
#include "core/errors.h"
#include "core/integer_text.h"
#include "core/ini_store.h"
#include "placement_detail.h"

namespace lark::storage {
namespace {

// A pass over the process's one store of the file: the file is read when the pass begins and
// written back when it is committed, so other writers of the file keep their keys.
class IniSettings : public SettingsStore {
public:
    explicit IniSettings(const std::string& fileName) : file_(core::SharedIniFile::Open(fileName)) {
        file_->BeginPass();
    }
    ~IniSettings() override {
        if (open_) file_->EndPass(false);
    }
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) override {
        return file_->Store().ReadString(section, key, defaultValue);
    }
    // A value the file cannot hold is refused here and named when the pass is committed; the
    // other writes of the pass are kept.
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override {
        file_->WriteString(section, key, value);
    }
    void EraseSection(std::string_view section) override { file_->EraseSection(section); }
    std::vector<std::string> SectionKeys(std::string_view section) override { return file_->Store().ReadSection(section); }
    void Commit() override {
        open_ = false;
        file_->EndPass(true);
    }
    bool IsIniFile() const override { return true; }

private:
    std::shared_ptr<core::SharedIniFile> file_;
    bool open_ = true;
};

std::string WithoutExtension(const std::string& name) {
    auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

const core::TypeInfo& OptionSetType() {
    static auto element = core::MakeEnumType("TPlacementOption", {"fpState", "fpPosition", "fpActiveControl"});
    static auto set = core::MakeSetType("TPlacementOptions", *element);
    return *set;
}

const core::TypeInfo& RegRootType() {
    static auto type = core::MakeEnumType(
        "TPlacementRegRoot", {"prCurrentUser", "prLocalMachine", "prCurrentConfig", "prClassesRoot", "prUsers", "prDynData"});
    return *type;
}

}  // namespace

std::unique_ptr<SettingsStore> OpenIniSettings(const std::string& fileName) {
    return std::make_unique<IniSettings>(fileName);
}

std::string DefaultIniName() { return WithoutExtension(ProgramFileName()) + ".INI"; }

std::string DefaultRegistryKey() { return "Software\\" + WithoutExtension(ProgramFileName()); }

// --- TWinMinMaxInfo

LARK_DEFINE_CLASS(TWinMinMaxInfo) {
    core::ClassBuilder<TWinMinMaxInfo> b("TWinMinMaxInfo", nullptr);
    static const char* const names[] = {"MaxPosLeft", "MaxPosTop", "MaxSizeHeight", "MaxSizeWidth",
                                        "MaxTrackHeight", "MaxTrackWidth", "MinTrackHeight", "MinTrackWidth"};
    for (int i = 0; i < 8; ++i) {
        const auto index = static_cast<TWinMinMaxInfo::Index>(i);
        b.Custom(names[i], core::IntegerType(),
                 [index](const TWinMinMaxInfo& o) { return core::Value(std::int64_t(o.Value(index))); },
                 [index](TWinMinMaxInfo& o, const core::Value& v) { o.SetValue(index, int(core::AsOrdinal(v))); },
                 core::Value(std::int64_t(0)));
    }
    return b.NotCreatable().Build();
}

void TWinMinMaxInfo::SetValue(Index i, int value) {
    if (values_[i] == value) return;
    values_[i] = value;
    if (owner_) owner_->MinMaxInfoChanged();
}

void TWinMinMaxInfo::Assign(const TWinMinMaxInfo& other) {
    for (int i = 0; i < 8; ++i) values_[i] = other.values_[i];
    if (owner_) owner_->MinMaxInfoChanged();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
    for (int v : values_)
        if (v != 0) return false;
    return true;
}

// --- TFormPlacement

LARK_DEFINE_CLASS(TFormPlacement) {
    return core::ClassBuilder<TFormPlacement>("TFormPlacement", &core::Component::StaticClass())
        .Prop("Active", core::BooleanType(), &TFormPlacement::Active, &TFormPlacement::SetActive, core::Value(std::int64_t(1)))
        .Prop("IniFileName", core::StringType(), &TFormPlacement::IniFileName, &TFormPlacement::SetIniFileName)
        .Prop("IniSection", core::StringType(), &TFormPlacement::IniSection, &TFormPlacement::SetIniSection)
        .Object("MinMaxInfo", core::ClassTypeOf<TWinMinMaxInfo>(), &TFormPlacement::MinMaxInfoObject)
        .Custom("Options", OptionSetType(),
                [](const TFormPlacement& p) { return core::Value(core::SetValue{p.Options()}); },
                [](TFormPlacement& p, const core::Value& v) { p.SetOptions(core::AsSet(v).bits & 7u); },
                core::Value(core::SetValue{fpState | fpPosition}))
        .Prop("PreventResize", core::BooleanType(), &TFormPlacement::PreventResize, &TFormPlacement::SetPreventResize,
              core::Value(std::int64_t(0)))
        .Prop("RegistryRoot", RegRootType(), &TFormPlacement::RegistryRoot, &TFormPlacement::SetRegistryRoot,
              core::Value(std::int64_t(0)))
        .Prop("UseRegistry", core::BooleanType(), &TFormPlacement::UseRegistry, &TFormPlacement::SetUseRegistry,
              core::Value(std::int64_t(0)))
        .Prop("Version", core::IntegerType(), &TFormPlacement::Version, &TFormPlacement::SetVersion,
              core::Value(std::int64_t(0)))
        .Build();
}

TFormPlacement::TFormPlacement(core::Component* owner) : core::Component(owner) {
    options_ = Window() ? (fpState | fpPosition) : 0;
    CreateHook();
}

TFormPlacement::~TFormPlacement() {
    BeginDestroy();
    store_.reset();
    openCount_ = 0;
    StopListening();
}

std::string TFormPlacement::EffectiveFileName() const {
    if (!iniFileName_.empty() || IsDesigning()) return iniFileName_;
    return useRegistry_ ? DefaultRegistryKey() : DefaultIniName();
}

std::string TFormPlacement::StorageSection() const {
    return iniSection_.empty() ? DefaultStorageSection(Owner()) : iniSection_;
}

void TFormPlacement::OpenStore(bool forWriting) {
    if (openCount_ == 0) {
        const std::string file = EffectiveFileName();
        store_ = useRegistry_ ? OpenRegistrySettings(registryRoot_, file) : OpenIniSettings(file);
        writing_ = false;
    }
    ++openCount_;
    if (forWriting) writing_ = true;
}

void TFormPlacement::CloseStore() {
    if (openCount_ == 0 || --openCount_ > 0) return;
    std::unique_ptr<SettingsStore> store = std::move(store_);
    const bool commit = writing_;
    writing_ = false;
    if (commit) store->Commit();
}

void TFormPlacement::AbandonStore() {
    if (openCount_ > 0 && --openCount_ == 0) {
        store_.reset();
        writing_ = false;
    }
}

void TFormPlacement::WithStore(bool forWriting, const std::function<void()>& body) {
    OpenStore(forWriting);
    try {
        body();
    } catch (...) {
        AbandonStore();
        throw;
    }
    CloseStore();
}

std::string TFormPlacement::ReadStoredString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    std::string result;
    WithStore(false, [&] { result = store_->ReadString(section, key, defaultValue); });
    return result;
}

void TFormPlacement::WriteStoredString(std::string_view section, std::string_view key, std::string_view value) {
    WithStore(true, [&] {
        const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                            value.back() == value.front();
        // GCC 12 reports an overlapping copy of 2^63 bytes in "literal" + std::string&& (GCC bug 105329).
        LARK_GCC_FALSE_POSITIVE("-Wrestrict")
        if (quoted && store_->IsIniFile())
            store_->WriteString(section, key, "\"" + std::string(value) + "\"");
        else
            store_->WriteString(section, key, value);
        LARK_GCC_FALSE_POSITIVE_END
    });
}

int TFormPlacement::ReadStoredInteger(std::string_view section, std::string_view key, int defaultValue) {
    return core::ParseDecimal32(ReadStoredString(section, key, "")).value_or(defaultValue);
}

void TFormPlacement::WriteStoredInteger(std::string_view section, std::string_view key, int value) {
    WriteStoredString(section, key, std::to_string(value));
}

void TFormPlacement::EraseStoredSection(std::string_view section) {
    WithStore(true, [&] { store_->EraseSection(section); });
}

std::vector<std::string> TFormPlacement::StoredSectionKeys(std::string_view section) {
    std::vector<std::string> keys;
    WithStore(false, [&] { keys = store_->SectionKeys(section); });
    return keys;
}

void TFormPlacement::StorePlacement() {
    if (active_ && !restored_) return;  // never shown: what is stored stays
    WithStore(true, [&] {
        WriteStoredInteger(StorageSection(), "FormVersion", version_);
        SaveWindowPlacement();
        if (OnSavePlacement) OnSavePlacement(*this);
        saved_ = true;
    });
}

void TFormPlacement::LoadPlacement() {
    saved_ = false;
    pendingShowCmd_ = 0;
    pendingActiveControl_.clear();
    try {
        WithStore(false, [&] {
            if (ReadStoredInteger(StorageSection(), "FormVersion", 0) >= version_) {
                RestoreWindowPlacement();
                restored_ = true;
                if (OnRestorePlacement) OnRestorePlacement(*this);
                if (options_ & fpActiveControl) ActivateStoredControl();
            }
        });
    } catch (...) {
        restored_ = true;
        throw;
    }
    restored_ = true;
    AdjustMaximizedPosition();
}

void TFormPlacement::SetPreventResize(bool on) {
    if (on == preventResize_) return;
    preventResize_ = on;
    if (!Window()) return;
    AdjustMaximizedPosition();
    ApplyPreventResize();
}

void TFormPlacement::MinMaxInfoChanged() {
    AdjustMaximizedPosition();
    if (!IsLoading()) UpdateHook();
}

void TFormPlacement::Loaded() {
    core::Component::Loaded();
    if (IsDesigning()) return;
    ListenToOwner();
    if (preventResize_) ApplyPreventResize();
    UpdateHook();
}

}  // namespace lark::storage
