#pragma once
// TlcFormStorage: keeps the position, size and window state of the form that owns it under a
// registry key (values "State" = "Normal", "Minimized" or "Maximized", and "Top", "Left",
// "Height", "Width" in pixels). Contract:
// - The owner must be a form; anything else is refused at construction.
// - It restores when the form is first shown and saves when the form (or the component) is
//   destroyed, only while Active and only with a non-empty SubKey: it never writes into a
//   registry root itself.
// - Restoring puts the remembered bounds and state back when a value is missing or mistyped;
//   a "State" shorter than three characters leaves the state as it is. A key that cannot be
//   opened or created means nothing is stored: restoring changes nothing, saving writes nothing
//   (and logs why). Nothing escapes the destructor.
// - A minimized or maximized form keeps the bounds written when it was last closed normal.
#include "ui/win32.h"

#include <string>

#include "core/component.h"
#include "ui/form.h"

namespace lark::localization {

enum class TMyHKeyType {
    lcHKEY_CURRENT_USER, lcHKEY_CLASSES_ROOT, lcHKEY_LOCAL_MACHINE, lcHKEY_USERS, lcHKEY_CURRENT_CONFIG, lcHKEY_DYN_DATA
};

class TlcFormStorage : public core::Component, private ui::FormListener {
    LARK_PERSISTENT_CLASS(TlcFormStorage)
public:
    // Raises core::Error when owner is not a form.
    explicit TlcFormStorage(core::Component* owner);
    ~TlcFormStorage() override;

    bool Active() const { return active_; }
    void SetActive(bool on) { active_ = on; }
    TMyHKeyType RegRootKey() const { return rootKind_; }
    void SetRegRootKey(TMyHKeyType root);
    const std::string& SubKey() const { return subKey_; }
    void SetSubKey(std::string key) { subKey_ = std::move(key); }

    // Both run by the form's life cycle; public for a caller that wants them now.
    void Restore();
    void Save();

private:
    void FormShowing(ui::Form& form) override;
    void FormDestroying(ui::Form& form) override;
    bool Enabled() const;

    ui::Form* form_;
    bool active_ = true;
    TMyHKeyType rootKind_ = TMyHKeyType::lcHKEY_CURRENT_USER;
    HKEY root_ = HKEY_CURRENT_USER;
    std::string subKey_;
    bool restored_ = false;
    bool saved_ = false;
};

}  // namespace lark::localization
