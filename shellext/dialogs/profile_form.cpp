#include "profile_form.h"

#include <array>
#include <memory>

#include "extension_help.h"
#include "localization/lang_component.h"
#include "localization/translated_dialogs_win.h"
#include "shellext/profile_draft.h"
#include "std_dialog_template.h"
#include "ui/application.h"
#include "ui/image.h"
#include "ui/page_control.h"
#include "ui/register.h"
#include "ui/standard_controls.h"
#include "uicomponents/link_label.h"

namespace lark::shellext {

namespace {
const char kThisModule = 0;  // its address names the module holding these dialogs

// Links a dialog's translation component to the data module's language (its dispatcher; a
// linked component also takes the module's dialog captions).
void FollowDataModule(localization::TlcCustomLang& lang, const TDM& dataModule) {
    if (auto* linked = dynamic_cast<localization::TlcLangLinked*>(&lang)) linked->SetCommonContainer(&dataModule.Lang());
    lang.SetLangDispatcher(&dataModule.Dispatcher());
}

// The icon drawn on the dialog's face colour, as the image shows bitmaps.
HBITMAP IconBitmap(HICON icon, int size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!bitmap) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// ---- the authentication method dialog ----

class AuthenticationForm : public StdDialogTemplate {
    LARK_PERSISTENT_CLASS(AuthenticationForm)
public:
    explicit AuthenticationForm(core::Component* owner = nullptr) : StdDialogTemplate(owner) {}

    // Edits the draft's authentication, key file and passphrase; true on OK.
    bool Run(ProfileDraft& draft) {
        if (AuthShowsKey(draft.authentication)) {
            edPrivateKey->SetText(draft.privateKey);
            edPassphrase->SetText(draft.keyPassword);
        }
        rgAuthMethod->SetItemIndex(AuthItemOf(draft.authentication));
        if (ShowModal() != ui::ModalResult::Ok) return false;
        StoreAuthChoice(rgAuthMethod->ItemIndex(), edPrivateKey->Text(), edPassphrase->Text(), draft);
        return true;
    }
    localization::TlcLangLinked* lcLang = nullptr;

private:
    void UpdateKeyControls() {
        const bool on = AuthKeyEnabled(rgAuthMethod->ItemIndex());
        for (ui::Control* control : std::array<ui::Control*, 5>{edPrivateKey, btBrowse, edPassphrase, lbPassphrase, Label1})
            control->SetEnabled(on);
    }
    void FormShow(core::Component&) { UpdateKeyControls(); }
    void rgAuthMethodClick(core::Component&) { UpdateKeyControls(); }
    void btBrowseClick(core::Component&) {
        if (OpenDialog1->Execute(Handle()) && !OpenDialog1->fileName.empty()) edPrivateKey->SetText(OpenDialog1->fileName);
    }

    ui::RadioGroup* rgAuthMethod = nullptr;
    ui::Edit* edPassphrase = nullptr;
    ui::Label* lbPassphrase = nullptr;
    ui::Edit* edPrivateKey = nullptr;
    ui::Label* Label1 = nullptr;
    ui::Button* btBrowse = nullptr;
    localization::TlcOpenDialog* OpenDialog1 = nullptr;
};

LARK_DEFINE_CLASS(AuthenticationForm) {
    return core::ClassBuilder<AuthenticationForm>("TfrmAuthentication", &StdDialogTemplate::StaticClass())
        .Binds("rgAuthMethod", &AuthenticationForm::rgAuthMethod)
        .Binds("edPassphrase", &AuthenticationForm::edPassphrase)
        .Binds("lbPassphrase", &AuthenticationForm::lbPassphrase)
        .Binds("edPrivateKey", &AuthenticationForm::edPrivateKey)
        .Binds("Label1", &AuthenticationForm::Label1)
        .Binds("btBrowse", &AuthenticationForm::btBrowse)
        .Binds("OpenDialog1", &AuthenticationForm::OpenDialog1)
        .Binds("lcLang", &AuthenticationForm::lcLang)
        .Handler("FormShow", &AuthenticationForm::FormShow)
        .Handler("rgAuthMethodClick", &AuthenticationForm::rgAuthMethodClick)
        .Handler("btBrowseClick", &AuthenticationForm::btBrowseClick)
        .Build();
}

// ---- the personal proxy dialog ----

class PersonalProxyForm : public StdDialogTemplate {
    LARK_PERSISTENT_CLASS(PersonalProxyForm)
public:
    explicit PersonalProxyForm(core::Component* owner = nullptr) : StdDialogTemplate(owner) {}

    // Edits the settings for the site's connection type; true on OK.
    bool Run(ProxySettings& settings, int serverType) {
        settings_ = settings;
        serverType_ = serverType;
        if (ShowModal() != ui::ModalResult::Ok) return false;
        StoreProxyScreen(Screen(), settings);
        return true;
    }
    localization::TlcLangLinked* lcLang = nullptr;

private:
    std::array<ui::RadioButton*, kProxyRows> Rows() const { return {rbFTP, rbHTTP, rbSOCKS}; }
    std::array<ui::Edit*, kProxyRows> Names() const { return {edFTPProxyName, edHttpProxyName, edSOCKSProxyName}; }
    std::array<ui::Edit*, kProxyRows> Ports() const { return {edFTPProxyPort, edHttpProxyPort, edSocksProxyPort}; }

    ProxyRow CheckedRow() const {
        const auto rows = Rows();
        for (int i = 0; i < kProxyRows; ++i)
            if (rows[i]->Checked()) return static_cast<ProxyRow>(i);
        return ProxyRow::Ftp;
    }
    ProxyScreen Screen() const {
        ProxyScreen screen;
        screen.on = ckbUseProxy->Checked();
        screen.row = CheckedRow();
        for (int i = 0; i < kProxyRows; ++i) {
            screen.names[i] = Names()[i]->Text();
            screen.ports[i] = Ports()[i]->Text();
        }
        screen.socksType = rgSOCKSType->ItemIndex();
        screen.user = edProxyUser->Text();
        screen.password = edProxyPassword->Text();
        return screen;
    }
    void CheckRow(ProxyRow row) {
        const auto rows = Rows();
        for (int i = 0; i < kProxyRows; ++i) rows[i]->SetChecked(i == static_cast<int>(row));
    }
    void UseProxyRule() {
        ProxyScreen screen = Screen();
        FillProxyScreen(settings_, serverType_, screen);
        CheckRow(screen.row);
        for (int i = 0; i < kProxyRows; ++i) {
            Names()[i]->SetText(screen.names[i]);
            Ports()[i]->SetText(screen.ports[i]);
        }
        rgSOCKSType->SetItemIndex(screen.socksType);
        edProxyUser->SetText(screen.user);
        edProxyPassword->SetText(screen.password);
        RowRule();
    }
    void RowRule() {
        const ProxyEnables e = ProxyEnablesOf(serverType_, ckbUseProxy->Checked(), CheckedRow());
        for (int i = 0; i < kProxyRows; ++i) {
            Rows()[i]->SetEnabled(e.radio[i]);
            Names()[i]->SetEnabled(e.edits[i]);
            Ports()[i]->SetEnabled(e.edits[i]);
        }
        rgSOCKSType->SetEnabled(e.socksType);
        for (ui::Control* control : std::array<ui::Control*, 4>{edProxyUser, edProxyPassword, lbProxyUser, lbProxyPassword})
            control->SetEnabled(e.userAndPassword);
    }
    void FormShow(core::Component&) {
        ckbUseProxy->SetChecked(ProxyInUse(settings_));
        UseProxyRule();
    }
    void ckbUseProxyClick(core::Component&) { UseProxyRule(); }
    // The row buttons are separate groups in the tab order: one checked at a time is kept here.
    void ProxyRowClick(core::Component& sender) {
        const auto rows = Rows();
        for (int i = 0; i < kProxyRows; ++i)
            if (rows[i] == &sender) CheckRow(static_cast<ProxyRow>(i));
        RowRule();
    }

    ui::CheckBox* ckbUseProxy = nullptr;
    ui::RadioButton *rbFTP = nullptr, *rbHTTP = nullptr, *rbSOCKS = nullptr;
    ui::Edit *edFTPProxyName = nullptr, *edFTPProxyPort = nullptr, *edHttpProxyName = nullptr,
             *edHttpProxyPort = nullptr, *edSOCKSProxyName = nullptr, *edSocksProxyPort = nullptr;
    ui::RadioGroup* rgSOCKSType = nullptr;
    ui::Edit *edProxyUser = nullptr, *edProxyPassword = nullptr;
    ui::Label *lbProxyUser = nullptr, *lbProxyPassword = nullptr;
    ProxySettings settings_;
    int serverType_ = kServerTypeFtp;
};

LARK_DEFINE_CLASS(PersonalProxyForm) {
    using F = PersonalProxyForm;
    return core::ClassBuilder<F>("TfrmPersonalProxy", &StdDialogTemplate::StaticClass())
        .Binds("ckbUseProxy", &F::ckbUseProxy)
        .Binds("rbFTP", &F::rbFTP)
        .Binds("rbHTTP", &F::rbHTTP)
        .Binds("rbSOCKS", &F::rbSOCKS)
        .Binds("edFTPProxyName", &F::edFTPProxyName)
        .Binds("edFTPProxyPort", &F::edFTPProxyPort)
        .Binds("edHttpProxyName", &F::edHttpProxyName)
        .Binds("edHttpProxyPort", &F::edHttpProxyPort)
        .Binds("edSOCKSProxyName", &F::edSOCKSProxyName)
        .Binds("edSocksProxyPort", &F::edSocksProxyPort)
        .Binds("rgSOCKSType", &F::rgSOCKSType)
        .Binds("edProxyUser", &F::edProxyUser)
        .Binds("edProxyPassword", &F::edProxyPassword)
        .Binds("lbProxyUser", &F::lbProxyUser)
        .Binds("lbProxyPassword", &F::lbProxyPassword)
        .Binds("lcLang", &F::lcLang)
        .Handler("FormShow", &F::FormShow)
        .Handler("ckbUseProxyClick", &F::ckbUseProxyClick)
        .Handler("ProxyRowClick", &F::ProxyRowClick)
        .Build();
}

// ---- the site properties dialog ----

class ProfileForm : public ui::Form, public ProfileDialog {
    LARK_PERSISTENT_CLASS(ProfileForm)
public:
    explicit ProfileForm(core::Component* owner = nullptr) : ui::Form(owner) {}

    static std::unique_ptr<ProfileForm> Create(FolderContext& context) {
        ui::RegisterControls();
        localization::TlcLang::StaticClass();
        localization::TlcLangLinked::StaticClass();
        localization::TlcOpenDialog::StaticClass();
        auto form = ui::Form::Make<ProfileForm>(nullptr);
        form->context_ = &context;
        FollowDataModule(*form->lcLang, context.dataModule);
        return form;
    }

    std::string TextById(std::string_view identifier) override { return lcLang->TextByIdOrDefault(identifier); }

    bool Run(const ProfileDialogSetup& setup, ProfileDraft& draft) override {
        setup_ = setup;
        draft_ = draft;
        SetCaption(setup.caption);
        // Only a new profile is named here; an existing one keeps its name, and its stored
        // password is never shown in clear.
        edProfile->SetReadOnly(!setup.isNew);
        ckbMaskPW->SetEnabled(setup.isNew);
        edProfile->SetText(draft.profileName);
        edHostName->SetText(draft.hostName);
        edPort->SetText(draft.port);
        edInDir->SetText(draft.hostDirName);
        edUserName->SetText(draft.userName);
        edPassword->SetText(draft.password);
        lbPasswordUnreadable->SetVisible(draft.passwordUnreadable);
        ckbUseGlobalProxy->SetChecked(draft.useGlobalProxy);
        ckbUseGlobalProxyClick(*this);
        ckbPassive->SetChecked(draft.passive);
        const bool listed = draft.serverType >= 0 && draft.serverType < cbConnectionType->Items()->Count();
        cbConnectionType->SetItemIndex(listed ? draft.serverType : -1);
        RequiredFieldChange(*this);
        if (ShowModal() != ui::ModalResult::Ok) return false;
        draft_.profileName = edProfile->Text();
        draft_.hostName = edHostName->Text();
        draft_.port = edPort->Text();
        draft_.hostDirName = edInDir->Text();
        draft_.userName = edUserName->Text();
        draft_.password = edPassword->Text();
        draft_.useGlobalProxy = ckbUseGlobalProxy->Checked();
        draft_.passive = ckbPassive->Checked();
        draft_.serverType = cbConnectionType->ItemIndex();  // -1 (not listed) keeps the record's
        draft = draft_;
        return true;
    }

private:
    ProfileDraft Entered() const {
        ProfileDraft d;
        d.profileName = edProfile->Text();
        d.hostName = edHostName->Text();
        d.port = edPort->Text();
        d.userName = edUserName->Text();
        d.password = edPassword->Text();
        d.passwordUnreadable = draft_.passwordUnreadable;
        return d;
    }
    void UpdateConnectionType() {
        const int type = cbConnectionType->ItemIndex();
        btnAdvanced->SetEnabled(type == kServerTypeSftp);
        ckbPassive->SetEnabled(type == kServerTypeFtp);
    }
    void FormShow(core::Component&) {
        HICON icon = static_cast<HICON>(LoadImageW(ui::Application::Instance().ResourceModule(), L"PROFILE", IMAGE_ICON,
                                                   Image1->Width(), Image1->Height(), LR_DEFAULTCOLOR));
        if (icon) {
            Image1->SetBitmap(IconBitmap(icon, Image1->Width()));
            DestroyIcon(icon);
        }
        UpdateConnectionType();
        edProfile->SetFocus();
    }
    void FormCloseQuery(core::Component&, bool& canClose) {
        if (GetModalResult() != ui::ModalResult::Ok) return;
        const std::string name = edProfile->Text();
        if (!NameRefused(setup_, name)) return;
        canClose = false;
        edProfile->SetFocus();
        context_->messageBox.ShowTranslatedMessage(
            DuplicateNameText(TextById("IDS_3"), name, TextById("IDS_4"), TextById("IDS_5")), TextById("IDS_6"),
            localization::MsgDlgType::mtError, localization::ButtonSet(localization::MsgDlgBtn::mbOK),
            {reinterpret_cast<std::uintptr_t>(Handle())});
    }
    // OK is enabled exactly while the required fields are filled.
    void RequiredFieldChange(core::Component&) { btnOK->SetEnabled(CanConfirm(Entered())); }
    void ckbMaskPWClick(core::Component&) { edPassword->SetPasswordChar(ckbMaskPW->Checked() ? "*" : ""); }
    void ckbUseGlobalProxyClick(core::Component&) { btnProxySettings->SetEnabled(!ckbUseGlobalProxy->Checked()); }
    void cbConnectionTypeChange(core::Component&) { UpdateConnectionType(); }
    void btnAdvancedClick(core::Component&) {
        auto dialog = ui::Form::Make<AuthenticationForm>(this);
        FollowDataModule(*dialog->lcLang, context_->dataModule);
        UseExtensionHelp(*dialog, context_->dataModule);
        dialog->Run(draft_);
    }
    void btnProxySettingsClick(core::Component&) {
        auto dialog = ui::Form::Make<PersonalProxyForm>(this);
        FollowDataModule(*dialog->lcLang, context_->dataModule);
        UseExtensionHelp(*dialog, context_->dataModule);
        ProxySettings scratch = ProxySettingsOf(draft_);
        if (dialog->Run(scratch, cbConnectionType->ItemIndex())) StoreProxySettings(scratch, draft_);
    }
    void btnHelpClick(core::Component&) { ShowExtensionHelp(context_->dataModule, HelpContext()); }

    ui::Image* Image1 = nullptr;
    ui::Label* lbPasswordUnreadable = nullptr;
    ui::Edit *edProfile = nullptr, *edHostName = nullptr, *edPort = nullptr, *edInDir = nullptr,
             *edUserName = nullptr, *edPassword = nullptr, *edAccount = nullptr;
    ui::CheckBox *ckbMaskPW = nullptr, *ckbUseGlobalProxy = nullptr, *ckbPassive = nullptr;
    ui::ComboBox* cbConnectionType = nullptr;
    ui::Button *btnAdvanced = nullptr, *btnProxySettings = nullptr, *btnOK = nullptr;
    localization::TlcLang* lcLang = nullptr;
    FolderContext* context_ = nullptr;
    ProfileDialogSetup setup_;
    ProfileDraft draft_;
};

LARK_DEFINE_CLASS(ProfileForm) {
    using F = ProfileForm;
    return core::ClassBuilder<F>("TProfileForm", &ui::Form::StaticClass())
        .Binds("Image1", &F::Image1)
        .Binds("edProfile", &F::edProfile)
        .Binds("edHostName", &F::edHostName)
        .Binds("edPort", &F::edPort)
        .Binds("edInDir", &F::edInDir)
        .Binds("edUserName", &F::edUserName)
        .Binds("edPassword", &F::edPassword)
        .Binds("edAccount", &F::edAccount)
        .Binds("ckbMaskPW", &F::ckbMaskPW)
        .Binds("ckbUseGlobalProxy", &F::ckbUseGlobalProxy)
        .Binds("ckbPassive", &F::ckbPassive)
        .Binds("lbPasswordUnreadable", &F::lbPasswordUnreadable)
        .Binds("cbConnectionType", &F::cbConnectionType)
        .Binds("btnAdvanced", &F::btnAdvanced)
        .Binds("btnProxySettings", &F::btnProxySettings)
        .Binds("btnOK", &F::btnOK)
        .Binds("lcLang", &F::lcLang)
        .Handler("FormShow", &F::FormShow)
        .Handler("FormCloseQuery", &F::FormCloseQuery)
        .Handler("RequiredFieldChange", &F::RequiredFieldChange)
        .Handler("ckbMaskPWClick", &F::ckbMaskPWClick)
        .Handler("ckbUseGlobalProxyClick", &F::ckbUseGlobalProxyClick)
        .Handler("cbConnectionTypeChange", &F::cbConnectionTypeChange)
        .Handler("btnAdvancedClick", &F::btnAdvancedClick)
        .Handler("btnProxySettingsClick", &F::btnProxySettingsClick)
        .Handler("btnHelpClick", &F::btnHelpClick)
        .Build();
}

}  // namespace

bool NewProfile(FolderContext& context, TFTPObjects* folder, TFTPObject*& node) {
    ui::ResourceModuleScope resources(ui::ModuleOf(&kThisModule));
    auto form = ProfileForm::Create(context);
    return RunNewProfile(context, folder, node, *form);
}

bool EditProfile(FolderContext& context, TFTPObject& node) {
    ui::ResourceModuleScope resources(ui::ModuleOf(&kThisModule));
    auto form = ProfileForm::Create(context);
    return RunEditProfile(context, node, *form);
}

}  // namespace lark::shellext
