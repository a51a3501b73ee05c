#include "localization/form_storage_win.h"

#include <array>
#include <optional>

#include "core/compiler.h"
#include "ui/application.h"
#include "win/registry.h"

namespace lark::localization {
namespace {

const core::TypeInfo& HKeyTypeType() {
    static const auto type = core::MakeEnumType(
        "TMyHKeyType", {"lcHKEY_CURRENT_USER", "lcHKEY_CLASSES_ROOT", "lcHKEY_LOCAL_MACHINE", "lcHKEY_USERS",
                        "lcHKEY_CURRENT_CONFIG", "lcHKEY_DYN_DATA"});
    return *type;
}

HKEY RootOf(TMyHKeyType kind) {
    static const std::array<HKEY, 6> kRoots = {HKEY_CURRENT_USER,  HKEY_CLASSES_ROOT,   HKEY_LOCAL_MACHINE,
                                               HKEY_USERS,         HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
    return kRoots.at(static_cast<std::size_t>(kind));
}

ui::Form* RequireForm(core::Component* owner) {
    auto* form = dynamic_cast<ui::Form*>(owner);
    if (!form)
        throw core::Error(std::string("TlcFormStorage: the owner must be a form, not ") +
                          (owner ? owner->Class().name + " " + owner->Name() : std::string("none")));
    return form;
}

}  // namespace

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(TlcFormStorage) {
    using S = TlcFormStorage;
    return core::ClassBuilder<S>("TlcFormStorage", &core::Component::StaticClass())
        .Prop("Active", core::BooleanType(), &S::Active, &S::SetActive, core::Value(std::int64_t(1)))
        .Prop("RegRootKey", HKeyTypeType(), &S::RegRootKey, &S::SetRegRootKey, core::Value(std::int64_t(0)))
        .Prop("SubKey", core::StringType(), &S::SubKey, &S::SetSubKey, core::Value(std::string()))
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

TlcFormStorage::TlcFormStorage(core::Component* owner) : core::Component(owner), form_(RequireForm(owner)) {
    form_->AddListener(this);
}

TlcFormStorage::~TlcFormStorage() {
    if (!form_) return;  // the form went first and was saved then
    try {
        Save();
    } catch (...) {
        ui::Application::Instance().HandleException(std::current_exception());
    }
    form_->RemoveListener(this);
}

void TlcFormStorage::SetRegRootKey(TMyHKeyType root) {
    root_ = RootOf(root);
    rootKind_ = root;
}

bool TlcFormStorage::Enabled() const { return active_ && !subKey_.empty() && !IsDesigning(); }

void TlcFormStorage::FormShowing(ui::Form&) {
    if (restored_) return;
    restored_ = true;
    Restore();
}

void TlcFormStorage::FormDestroying(ui::Form& form) {
    Save();
    // The form's members are gone by the time its components are freed.
    form.RemoveListener(this);
    form_ = nullptr;
}

void TlcFormStorage::Restore() {
    if (!form_ || !Enabled()) return;
    const int left = form_->Left(), top = form_->Top(), width = form_->Width(), height = form_->Height();
    HWND window = form_->HandleAllocated() ? form_->Handle() : nullptr;
    const int show = !window ? SW_SHOWNORMAL : IsZoomed(window) ? SW_SHOWMAXIMIZED : IsIconic(window) ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    const auto putBack = [&] {
        form_->SetBounds(left, top, width, height);
        if (window && IsWindowVisible(window)) ShowWindow(window, show);
    };
    std::optional<std::string> state;
    try {
        state = win::ReadRegistryString(root_, subKey_, "State");
        if (!state || state->empty()) return;
        const auto value = [&](const char* name) {
            const std::optional<int> v = win::ReadRegistryInteger(root_, subKey_, name);
            if (!v) throw core::Error("TlcFormStorage " + Name() + ": no integer " + name + " under " + subKey_);
            return *v;
        };
        form_->SetTop(value("Top"));
        form_->SetLeft(value("Left"));
        form_->SetHeight(value("Height"));
        form_->SetWidth(value("Width"));
    } catch (const core::Error&) {
        putBack();  // a value missing or mistyped, or a key that cannot be read
        return;
    }
    if (state->size() < 3) return;  // unknown state: left as it is
    const char third = (*state)[2];
    const int wanted = third == 'n' ? SW_SHOWMINIMIZED : third == 'r' ? SW_SHOWNORMAL : third == 'x' ? SW_SHOWMAXIMIZED : -1;
    if (wanted < 0) return;
    ShowWindow(form_->Handle(), wanted);
}

void TlcFormStorage::Save() {
    if (!form_ || saved_ || !Enabled()) return;
    saved_ = true;
    HWND window = form_->HandleAllocated() ? form_->Handle() : nullptr;
    const char* state = window && IsZoomed(window) ? "Maximized" : window && IsIconic(window) ? "Minimized" : "Normal";
    try {
        win::WriteRegistryString(root_, subKey_, "State", state);
        if (std::string_view(state) != "Normal") return;
        win::WriteRegistryInteger(root_, subKey_, "Top", form_->Top());
        win::WriteRegistryInteger(root_, subKey_, "Left", form_->Left());
        win::WriteRegistryInteger(root_, subKey_, "Height", form_->Height());
        win::WriteRegistryInteger(root_, subKey_, "Width", form_->Width());
    } catch (const core::Error& e) {
        // The key cannot be created: nothing is stored.
        if (ui::Application::Instance().Log) ui::Application::Instance().Log(std::string("TlcFormStorage ") + Name() + ": " + e.what());
    }
}

}  // namespace lark::localization
