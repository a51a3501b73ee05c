#include "object_properties.h"

#include "ui/win32.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>

#include "core/datetime.h"
#include "core/errors.h"
#include "core/format.h"
#include "extension_help.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "shellext/object_properties_rules.h"
#include "std_dialog_template.h"
#include "ui/application.h"
#include "ui/page_control.h"
#include "ui/register.h"
#include "ui/standard_controls.h"
#include "uicomponents/link_label.h"
#include "win/text.h"

namespace lark::shellext {

namespace {
const char kThisModule = 0;
constexpr int kShellMultipleObjectsIcon = 133;
constexpr int kShellClosedFolderIcon = 4;
}  // namespace

// ---- controls of these dialogs ----

// A large icon in a static control. The icon is the dialog's: it is destroyed with the control.
class PropertiesIcon : public ui::Control {
    LARK_PERSISTENT_CLASS(PropertiesIcon)
public:
    explicit PropertiesIcon(core::Component* owner = nullptr) : ui::Control(owner) {}
    ~PropertiesIcon() override {
        DestroyHandle();
        if (icon_) DestroyIcon(icon_);
    }
    // Takes the icon (null: none).
    void SetIcon(HICON icon) {
        if (icon_ == icon) return;
        if (handle_) SendMessageW(handle_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        if (icon_) DestroyIcon(icon_);
        icon_ = icon;
    }
    HICON Icon() const { return icon_; }

protected:
    void FillCreateParams(CreateParams& params) override {
        ui::Control::FillCreateParams(params);
        params.className = L"STATIC";
        params.style |= SS_ICON | SS_CENTERIMAGE;
    }
    void HandleCreated() override {
        ui::Control::HandleCreated();
        if (icon_) SendMessageW(handle_, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
    }

private:
    HICON icon_ = nullptr;
};

LARK_DEFINE_CLASS(PropertiesIcon) {
    return core::ClassBuilder<PropertiesIcon>("TPropertiesIcon", &ui::Control::StaticClass()).Build();
}

// A check box with a mixed state. Its clicks change nothing by themselves (BS_3STATE): the
// dialog sets the next state on BN_CLICKED, in its own order.
class PermissionCheckBox : public ui::CheckBox {
    LARK_PERSISTENT_CLASS(PermissionCheckBox)
public:
    explicit PermissionCheckBox(core::Component* owner = nullptr) : ui::CheckBox(owner) {}
    BoxState State() const {
        if (!handle_) return state_;
        switch (SendMessageW(handle_, BM_GETCHECK, 0, 0)) {
        case BST_CHECKED: return BoxState::Checked;
        case BST_INDETERMINATE: return BoxState::Mixed;
        default: return BoxState::Unchecked;
        }
    }
    void SetState(BoxState state) {
        state_ = state;
        if (handle_) SendMessageW(handle_, BM_SETCHECK, CheckOf(state), 0);
    }

protected:
    void FillCreateParams(CreateParams& params) override {
        ui::CheckBox::FillCreateParams(params);
        params.style = (params.style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_3STATE;
    }
    void HandleCreated() override {
        ui::CheckBox::HandleCreated();
        SendMessageW(handle_, BM_SETCHECK, CheckOf(state_), 0);
    }
    void SaveLiveState() override {
        state_ = State();
        ui::CheckBox::SaveLiveState();
    }

private:
    static WPARAM CheckOf(BoxState state) {
        return state == BoxState::Checked ? BST_CHECKED : state == BoxState::Mixed ? BST_INDETERMINATE : BST_UNCHECKED;
    }
    BoxState state_ = BoxState::Unchecked;
};

LARK_DEFINE_CLASS(PermissionCheckBox) {
    return core::ClassBuilder<PermissionCheckBox>("TPermissionCheckBox", &ui::CheckBox::StaticClass()).Build();
}

// Read-only text without a frame, which the user can still select and copy.
class LocationEdit : public ui::Edit {
    LARK_PERSISTENT_CLASS(LocationEdit)
public:
    explicit LocationEdit(core::Component* owner = nullptr) : ui::Edit(owner) {}

protected:
    void FillCreateParams(CreateParams& params) override {
        ui::Edit::FillCreateParams(params);
        params.exStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
        params.style &= ~static_cast<DWORD>(WS_BORDER);
    }
};

LARK_DEFINE_CLASS(LocationEdit) {
    return core::ClassBuilder<LocationEdit>("TLocationEdit", &ui::Edit::StaticClass()).Build();
}

// ---- the dialogs ----

namespace {

void RegisterClasses() {
    ui::RegisterControls();
    for (const core::ClassInfo* c :
         {&StdDialogTemplate::StaticClass(), &PropertiesIcon::StaticClass(), &PermissionCheckBox::StaticClass(),
          &LocationEdit::StaticClass(), &localization::TlcLang::StaticClass()})
        (void)c;
}

HICON LoadShellIcon(int id) {
    HMODULE shell32 = GetModuleHandleW(L"shell32.dll");
    if (!shell32) return nullptr;
    return static_cast<HICON>(LoadImageW(shell32, MAKEINTRESOURCEW(id), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                         GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
}

// " Properties" alone, as a caption of its own.
std::string TrimCaption(std::string text) {
    const std::size_t start = text.find_first_not_of(" -");
    return start == std::string::npos ? std::string() : text.substr(start);
}

}  // namespace

class SMFolderForm : public StdDialogTemplate {
    LARK_PERSISTENT_CLASS(SMFolderForm)
public:
    explicit SMFolderForm(core::Component* owner = nullptr) : StdDialogTemplate(owner) {}

    void Prepare(FolderContext& context, TFTPObject& node) {
        context_ = &context;
        lcLang->SetLangDispatcher(&context.dataModule.Dispatcher());
        const std::string name = node.ServerInfo()->ProfileName;
        SetCaption(name + lcLang->TextByIdOrDefault("IDS_4"));
        edProfile->SetText(name);
        UpdateOk();
        const FolderCounts counts = CountMembers(node);
        lblContainsCont->SetText(core::Format(lcLang->TextByIdOrDefault("IDS_5"), {counts.folders, counts.profiles}));
        siblings_ = SiblingFolderNames(node);
        OnShow.Bind([this](core::Component&) {
            Image1->SetIcon(LoadShellIcon(kShellClosedFolderIcon));
            edProfile->SetFocus();
            SendMessageW(edProfile->Handle(), EM_SETSEL, 0, -1);
        });
        OnCloseQuery.Bind([this](core::Component&, bool& canClose) { CheckName(canClose); });
    }
    std::string NewName() const { return edProfile->Text(); }

private:
    void edProfileChange(core::Component&) { UpdateOk(); }
    void UpdateOk() { btnOK->SetEnabled(!edProfile->Text().empty()); }
    void CheckName(bool& canClose) {
        if (GetModalResult() != ui::ModalResult::Ok) return;
        const std::string name = edProfile->Text();
        if (!NameTaken(siblings_, name)) return;
        canClose = false;
        edProfile->SetFocus();
        const std::string text = lcLang->TextByIdOrDefault("IDS_0") + name + lcLang->TextByIdOrDefault("IDS_1") +
                                 "\n\r" + lcLang->TextByIdOrDefault("IDS_2");
        context_->messageBox.ShowTranslatedMessage(
            text, lcLang->TextByIdOrDefault("IDS_3"), localization::MsgDlgType::mtError,
            localization::ButtonSet(localization::MsgDlgBtn::mbOK),
            localization::MessageBoxOwner{reinterpret_cast<std::uintptr_t>(Handle())});
    }

    PropertiesIcon* Image1 = nullptr;
    ui::Edit* edProfile = nullptr;
    ui::Label* lblContainsCont = nullptr;
    localization::TlcLang* lcLang = nullptr;
    FolderContext* context_ = nullptr;
    std::vector<std::string> siblings_;
};

LARK_DEFINE_CLASS(SMFolderForm) {
    return core::ClassBuilder<SMFolderForm>("TSMFolderForm", &StdDialogTemplate::StaticClass())
        .Binds("Image1", &SMFolderForm::Image1)
        .Binds("edProfile", &SMFolderForm::edProfile)
        .Binds("lblContainsCont", &SMFolderForm::lblContainsCont)
        .Binds("lcLang", &SMFolderForm::lcLang)
        .Handler("edProfileChange", &SMFolderForm::edProfileChange)
        .Build();
}

class FSObjectForm : public StdDialogTemplate {
    LARK_PERSISTENT_CLASS(FSObjectForm)
public:
    explicit FSObjectForm(core::Component* owner = nullptr) : StdDialogTemplate(owner) {}

    void SetLanguage(const TDM& dataModule) {
        lcLang->SetLangDispatcher(&dataModule.Dispatcher());
        // Everything but the boxes is read-only: the focus starts on OK.
        OnShow.Bind([this](core::Component&) { btnOK->SetFocus(); });
    }

    void ShowObject(const TFSObject& object) {
        SetCaption(object.Name + lcLang->TextByIdOrDefault("IDS_0"));
        edFSObjectName->SetText(object.Name);
        SHFILEINFOW info{};
        const DWORD attributes = object.IsFolder() ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        if (SHGetFileInfoW(win::Widen(object.Name).c_str(), attributes, &info, sizeof info,
                           SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_LARGEICON | SHGFI_TYPENAME)) {
            Image1->SetIcon(info.hIcon);
            lblTypeCont->SetText(win::Narrow(info.szTypeName));
        }
        edtLocation->SetText(object.GetFSObjectURL());
        if (object.Modified != 0) {
            const bool midnight = core::TimeOf(object.Modified) == 0;
            lblModifiedCont->SetText(core::FormatDateTime(midnight ? "dddddd" : "dddddd tt", object.Modified));
        }
        ShowSize(object.IsFolder() ? -1 : object.Size);
        ShowPermissions(!object.PermString.empty(), BoxesOf(object.Permissions));
    }

    void ShowObjects(const std::vector<TFSObject*>& objects) {
        SetCaption(TrimCaption(lcLang->TextByIdOrDefault("IDS_0")));
        edFSObjectName->SetVisible(false);
        Label5->SetVisible(true);
        Image1->SetIcon(LoadShellIcon(kShellMultipleObjectsIcon));
        lblTypeCont->SetText(lcLang->TextByIdOrDefault("strMultipleTypes"));
        try {
            edtLocation->SetText(objects.front()->GetFSObjectURL());
        } catch (const core::Error&) {
            edtLocation->SetText("");  // a node whose ancestors are gone has no location
        }
        std::int64_t total = 0;
        std::vector<std::uint16_t> bits;
        for (const TFSObject* object : objects) {
            total += object->Size;
            bits.push_back(object->Permissions);
        }
        ShowSize(total > 0 ? total : -1);
        ShowPermissions(!objects.front()->PermString.empty(), BoxesOf(bits));
    }

    bool PanelShown() const { return pnlAttr->Visible(); }
    BoxStates Boxes() const {
        BoxStates states{};
        for (std::size_t i = 0; i < boxes_.size(); ++i) states[i] = boxes_[i]->State();
        return states;
    }

private:
    // -1: no size line.
    void ShowSize(std::int64_t size) {
        lblSize->SetVisible(size >= 0);
        lblSizeCont->SetVisible(size >= 0);
        if (size < 0) return;
        lblSizeCont->SetText(SizeText(size, lcLang->TextByIdOrDefault("IDS_2"), lcLang->TextByIdOrDefault("strKilobytes"),
                                      lcLang->TextByIdOrDefault("strMegabytes"),
                                      core::DefaultFormatSettings().DecimalSeparator));
    }

    void ShowPermissions(bool shown, const BoxStates& states) {
        pnlAttr->SetVisible(shown);
        Label4->SetVisible(!shown);
        FindBoxes();
        for (std::size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->SetState(states[i]);
        UpdateNumericText();
    }

    void FindBoxes() {
        if (!boxes_.empty()) return;
        for (const PermissionBox& box : kPermissionBoxes) {
            auto* control = dynamic_cast<PermissionCheckBox*>(FindComponent(std::string(box.name)));
            if (!control) throw core::Error("TFSObjectForm: the definition lacks " + std::string(box.name));
            boxes_.push_back(control);
        }
    }

    void ckbClick(core::Component& sender) {
        auto& box = dynamic_cast<PermissionCheckBox&>(sender);
        box.SetState(NextBoxState(box.State()));
        UpdateNumericText();
    }

    void UpdateNumericText() {
        if (edNumAttr->HandleAllocated() && GetFocus() == edNumAttr->Handle()) return;
        edNumAttr->SetText(NumericText(Boxes()));
    }

    PropertiesIcon* Image1 = nullptr;
    ui::Edit* edFSObjectName = nullptr;
    ui::Label* Label5 = nullptr;
    ui::Label* lblTypeCont = nullptr;
    ui::Edit* edtLocation = nullptr;
    ui::Label* lblModifiedCont = nullptr;
    ui::Label* lblSize = nullptr;
    ui::Label* lblSizeCont = nullptr;
    ui::Label* Label4 = nullptr;
    ui::Panel* pnlAttr = nullptr;
    ui::Edit* edNumAttr = nullptr;
    localization::TlcLang* lcLang = nullptr;
    std::vector<PermissionCheckBox*> boxes_;
};

LARK_DEFINE_CLASS(FSObjectForm) {
    return core::ClassBuilder<FSObjectForm>("TFSObjectForm", &StdDialogTemplate::StaticClass())
        .Binds("Image1", &FSObjectForm::Image1)
        .Binds("edFSObjectName", &FSObjectForm::edFSObjectName)
        .Binds("Label5", &FSObjectForm::Label5)
        .Binds("lblTypeCont", &FSObjectForm::lblTypeCont)
        .Binds("edtLocation", &FSObjectForm::edtLocation)
        .Binds("lblModifiedCont", &FSObjectForm::lblModifiedCont)
        .Binds("lblSize", &FSObjectForm::lblSize)
        .Binds("lblSizeCont", &FSObjectForm::lblSizeCont)
        .Binds("Label4", &FSObjectForm::Label4)
        .Binds("pnlAttr", &FSObjectForm::pnlAttr)
        .Binds("edNumAttr", &FSObjectForm::edNumAttr)
        .Binds("lcLang", &FSObjectForm::lcLang)
        .Handler("ckbClick", &FSObjectForm::ckbClick)
        .Build();
}

// ---- entry points ----

bool EditProfileFolder(FolderContext& context, TFTPObject& node) {
    if (!node.IsFolder()) throw core::Error("Folder properties: '" + node.NodeName() + "' is not a profile folder");
    ui::ResourceModuleScope resources(ui::ModuleOf(&kThisModule));
    RegisterClasses();
    auto form = ui::Form::Make<SMFolderForm>(nullptr);
    UseExtensionHelp(*form, context.dataModule);
    form->Prepare(context, node);
    if (form->ShowModal() != ui::ModalResult::Ok) return false;
    const std::string newName = form->NewName();
    form.reset();
    return ApplyFolderRename(context, node, newName);
}

bool EditFSObject(FolderContext& context, TFSObject& object) {
    ui::ResourceModuleScope resources(ui::ModuleOf(&kThisModule));
    RegisterClasses();
    auto form = ui::Form::Make<FSObjectForm>(nullptr);
    UseExtensionHelp(*form, context.dataModule);
    form->SetLanguage(context.dataModule);
    form->ShowObject(object);
    if (form->ShowModal() != ui::ModalResult::Ok) return false;
    if (form->PanelShown()) ApplyPermissions(context, {&object}, form->Boxes());
    return true;
}

bool EditFSObjects(FolderContext& context, const std::vector<std::pair<std::string, TFSObject*>>& objects) {
    std::vector<TFSObject*> nodes;
    for (const auto& entry : objects)
        if (entry.second) nodes.push_back(entry.second);
    if (nodes.empty()) return false;
    ui::ResourceModuleScope resources(ui::ModuleOf(&kThisModule));
    RegisterClasses();
    auto form = ui::Form::Make<FSObjectForm>(nullptr);
    UseExtensionHelp(*form, context.dataModule);
    form->SetLanguage(context.dataModule);
    form->ShowObjects(nodes);
    if (form->ShowModal() != ui::ModalResult::Ok || !form->PanelShown()) return false;
    const BoxStates boxes = form->Boxes();
    form.reset();
    ApplyPermissions(context, nodes, boxes);
    return true;
}

}  // namespace lark::shellext
