// A form read from its definition: components are made and parented, fields and handlers bound;
// a definition that names a handler, field or component that is not there is refused with a
// message naming the form, the component and the property.
#include <functional>
#include <variant>

#include "core/component_stream.h"
#include "gui_testing/form_driver.h"
#include "ui/actions.h"
#include "ui/standard_controls.h"
#include "ui_fixture.h"

namespace lark::ui::testing {

class ConfirmDialog : public Form {
    LARK_PERSISTENT_CLASS(ConfirmDialog)
public:
    explicit ConfirmDialog(core::Component* owner = nullptr) : Form(owner) {}
    Button* btnYes = nullptr;
    Label* lblQuestion = nullptr;
    int yes = 0, shows = 0;

private:
    void btnYesClick(core::Component&) { ++yes; }
    void FormShow(core::Component&) { ++shows; }
    void FormCloseQuery(core::Component&, bool&) {}
};

LARK_DEFINE_CLASS(ConfirmDialog) {
    return core::ClassBuilder<ConfirmDialog>("TConfirmDialog", &Form::StaticClass())
        .Binds("btnYes", &ConfirmDialog::btnYes)
        .Binds("lblQuestion", &ConfirmDialog::lblQuestion)
        .Handler("btnYesClick", &ConfirmDialog::btnYesClick)
        .Handler("FormShow", &ConfirmDialog::FormShow)
        .Handler("FormCloseQuery", &ConfirmDialog::FormCloseQuery)
        .Build();
}

namespace {

// A definition as the compiler writes it, built in the test.
struct Ident {
    std::string name;
};
using PropValue = std::variant<std::int64_t, std::string, Ident>;
struct Def {
    std::string className, name;
    std::vector<std::pair<std::string, PropValue>> props;
    std::vector<Def> children;
};

void Write(core::Writer& w, const Def& d) {
    w.WriteShortString(d.className);
    w.WriteShortString(d.name);
    for (const auto& [name, value] : d.props) {
        w.WritePropName(name);
        if (auto* n = std::get_if<std::int64_t>(&value)) w.WriteInteger(*n);
        else if (auto* s = std::get_if<std::string>(&value)) w.WriteText(*s);
        else w.WriteIdent(std::get<Ident>(value).name);
    }
    w.WriteListEnd();
    for (const Def& child : d.children) Write(w, child);
    w.WriteListEnd();
}

core::MemoryStream Stream(const Def& root) {
    core::MemoryStream stream;
    core::Writer writer(stream);
    writer.WriteSignature();
    Write(writer, root);
    stream.Seek(0);
    return stream;
}

Def Dialog(std::function<void(Def&)> change = {}) {
    Def d{"TConfirmDialog", "ConfirmDialog",
          {{"Caption", std::string("Confirm")}, {"ClientWidth", std::int64_t(330)}, {"ClientHeight", std::int64_t(112)},
           {"OnShow", Ident{"FormShow"}}},
          {{"TLabel", "lblQuestion", {{"Left", std::int64_t(12)}, {"Top", std::int64_t(14)}, {"Width", std::int64_t(306)},
                                       {"Height", std::int64_t(44)}, {"Caption", std::string("Delete \"Nightly\"?")}}},
           {"TButton", "btnYes", {{"Left", std::int64_t(162)}, {"Top", std::int64_t(76)}, {"Width", std::int64_t(75)},
                                  {"Height", std::int64_t(25)}, {"Caption", std::string("&Yes")}, {"Default", Ident{"True"}},
                                  {"ModalResult", Ident{"mrYes"}}, {"OnClick", Ident{"btnYesClick"}}}},
           {"TButton", "btnNo", {{"Left", std::int64_t(243)}, {"Top", std::int64_t(76)}, {"Width", std::int64_t(75)},
                                 {"Height", std::int64_t(25)}, {"Caption", std::string("&No")}, {"Cancel", Ident{"True"}},
                                 {"ModalResult", Ident{"mrNo"}}}}}};
    if (change) change(d);
    return d;
}

Def* Child(Def& d, const std::string& name) {
    for (Def& c : d.children)
        if (c.name == name) return &c;
    return nullptr;
}

class FormDefinition : public UiTest {};

TEST_F(FormDefinition, ReadsBindsAndRuns) {
    ConfirmDialog dialog;
    auto stream = Stream(Dialog());
    dialog.ReadDefinition(stream);
    ASSERT_NE(dialog.btnYes, nullptr);
    ASSERT_NE(dialog.lblQuestion, nullptr);
    EXPECT_EQ(dialog.btnYes->Parent(), &dialog);
    EXPECT_EQ(dialog.ClientWidth(), 330);
    lark::testing::FormDriver driver(dialog);
    std::string question;
    ModalResult result = driver.RunModal([&](lark::testing::FormDriver& d) {
        question = d.Text("lblQuestion");
        EXPECT_EQ(d.Focused(), "btnYes");
        d.Key(VK_RETURN);
    });
    EXPECT_EQ(result, ModalResult::Yes);
    EXPECT_EQ(dialog.yes, 1);
    EXPECT_EQ(dialog.shows, 1);
    EXPECT_EQ(question, "Delete \"Nightly\"?");
    EXPECT_EQ(dialog.ClientHeight(), 112);
}

// A listener that places the form (as a stored placement does) wins over its designed position.
TEST_F(FormDefinition, ListenersPlaceTheFormAfterItsDesignedPosition) {
    struct Placement : FormListener {
        std::vector<std::string> calls;
        void FormShowing(Form& form) override {
            calls.push_back("showing");
            form.SetBounds(33, 44, form.Width(), form.Height());
        }
        bool FormCloseQuery(Form&) override {
            calls.push_back("close?");
            return true;
        }
        void FormDestroying(Form&) override { calls.push_back("destroying"); }
    } placement;
    {
        Form form;
        form.SetPosition(Position::ScreenCenter);
        form.SetBounds(0, 0, 200, 100);
        form.AddListener(&placement);
        form.Show();
        EXPECT_EQ(form.Left(), 33);
        EXPECT_EQ(form.Top(), 44);
        EXPECT_TRUE(form.CloseQuery());
    }
    EXPECT_EQ(placement.calls, (std::vector<std::string>{"showing", "close?", "destroying"}));
}

struct BindingCase {
    const char* name;
    std::function<void(Def&)> change;
    std::vector<std::string> mentions;
};

class BindingError : public UiTest, public ::testing::WithParamInterface<BindingCase> {};

TEST_P(BindingError, IsAReadErrorNamingFormComponentAndProperty) {
    const BindingCase& c = GetParam();
    ConfirmDialog dialog;
    auto stream = Stream(Dialog(c.change));
    try {
        dialog.ReadDefinition(stream);
        FAIL() << "read without error";
    } catch (const core::ReadError& e) {
        for (const std::string& part : c.mentions) EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
}

const BindingCase kBindingCases[] = {
    {"MissingHandler", [](Def& d) { Child(d, "btnYes")->props.back() = {"OnClick", Ident{"btnMaybeClick"}}; },
     {"TConfirmDialog", "btnYes.OnClick", "btnMaybeClick"}},
    {"HandlerOfAnotherSignature", [](Def& d) { Child(d, "btnYes")->props.back() = {"OnClick", Ident{"FormCloseQuery"}}; },
     {"TConfirmDialog", "btnYes.OnClick", "FormCloseQuery"}},
    {"BoundFieldWithoutComponent", [](Def& d) { std::erase_if(d.children, [](const Def& c) { return c.name == "lblQuestion"; }); },
     {"TConfirmDialog", "lblQuestion"}},
    {"BoundFieldOfAnotherClass", [](Def& d) { Child(d, "lblQuestion")->className = "TCheckBox"; },
     {"TConfirmDialog", "lblQuestion"}},
    {"UnresolvedReference", [](Def& d) { Child(d, "btnNo")->props.push_back({"Action", Ident{"acMissing"}}); },
     {"TConfirmDialog", "btnNo.Action", "acMissing"}},
};

INSTANTIATE_TEST_SUITE_P(Definitions, BindingError, ::testing::ValuesIn(kBindingCases),
                         [](const ::testing::TestParamInfo<BindingCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lark::ui::testing
