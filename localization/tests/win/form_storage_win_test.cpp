// TlcFormStorage under Wine's registry: a form's bounds and state round trip through the key,
// damaged or missing values put the form back, and the refusals of the contract.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "localization/form_storage_win.h"
#include "ui/application.h"
#include "ui/register.h"
#include "win/registry.h"

namespace lark::localization {
namespace {

constexpr const char* kKey = "Software\\LarkTests\\FormStorage";

// Left, top, width, height.
struct Box {
    int left, top, width, height;
    bool operator==(const Box&) const = default;
    friend void PrintTo(const Box& b, std::ostream* os) { *os << b.left << "," << b.top << " " << b.width << "x" << b.height; }
};

struct FormStorageTest : ::testing::Test {
    std::vector<std::string> logged;
    void SetUp() override {
        ui::RegisterControls();
        win::DeleteRegistryTree(HKEY_CURRENT_USER, kKey);
        ui::Application::Instance().Log = [this](const std::string& text) { logged.push_back(text); };
    }
    void TearDown() override {
        win::DeleteRegistryTree(HKEY_CURRENT_USER, kKey);
        ui::Application::Instance().Log = nullptr;
    }
    // A form with its storage, at the given bounds, not shown.
    static std::unique_ptr<ui::Form> MakeForm(Box bounds, const std::string& subKey = kKey) {
        auto form = std::make_unique<ui::Form>();
        form->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
        auto* storage = form->Create<TlcFormStorage>();
        storage->SetSubKey(subKey);
        return form;
    }
    static Box Bounds(ui::Form& f) { return Box{f.Left(), f.Top(), f.Width(), f.Height()}; }
    static Box NormalBounds(ui::Form& f) {
        WINDOWPLACEMENT p{};
        p.length = sizeof p;
        GetWindowPlacement(f.Handle(), &p);
        const RECT& r = p.rcNormalPosition;
        return Box{int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)};
    }
};


TEST_F(FormStorageTest, BoundsRoundTripAndAMaximizedFormKeepsItsLastNormalBounds) {
    const Box normal{110, 120, 330, 210};
    MakeForm(normal)->Show();  // shown, then destroyed normal: saved
    EXPECT_EQ(win::ReadRegistryString(HKEY_CURRENT_USER, kKey, "State"), "Normal");
    EXPECT_EQ(win::ReadRegistryInteger(HKEY_CURRENT_USER, kKey, "Left"), 110);
    EXPECT_EQ(win::ReadRegistryInteger(HKEY_CURRENT_USER, kKey, "Height"), 210);

    {
        auto form = MakeForm(Box{0, 0, 200, 100});
        form->Show();
        EXPECT_EQ(Bounds(*form), normal);
        ShowWindow(form->Handle(), SW_MAXIMIZE);
    }
    EXPECT_EQ(win::ReadRegistryString(HKEY_CURRENT_USER, kKey, "State"), "Maximized");
    EXPECT_EQ(win::ReadRegistryInteger(HKEY_CURRENT_USER, kKey, "Width"), 330);

    auto form = MakeForm(Box{0, 0, 200, 100});
    form->Show();
    EXPECT_TRUE(IsZoomed(form->Handle()));
    EXPECT_EQ(NormalBounds(*form), normal);
}

TEST_F(FormStorageTest, AMissingOrShortValuePutsTheFormBackOrLeavesItsState) {
    const Box designed{50, 60, 240, 150};
    win::WriteRegistryString(HKEY_CURRENT_USER, kKey, "State", "Maximized");
    win::WriteRegistryInteger(HKEY_CURRENT_USER, kKey, "Top", 5);
    win::WriteRegistryInteger(HKEY_CURRENT_USER, kKey, "Left", 6);
    win::WriteRegistryInteger(HKEY_CURRENT_USER, kKey, "Height", 300);
    {
        // No "Width": Top, Left and Height were set, then all are put back.
        auto form = MakeForm(designed);
        form->Show();
        EXPECT_EQ(Bounds(*form), designed);
        EXPECT_FALSE(IsZoomed(form->Handle()));
        dynamic_cast<TlcFormStorage*>(form->Components(0))->SetActive(false);
    }
    win::WriteRegistryInteger(HKEY_CURRENT_USER, kKey, "Width", 400);
    win::WriteRegistryString(HKEY_CURRENT_USER, kKey, "State", "Ma");  // too short: state unknown
    auto form = MakeForm(designed);
    form->Show();
    EXPECT_EQ(Bounds(*form), (Box{6, 5, 400, 300}));
    EXPECT_FALSE(IsZoomed(form->Handle()));
}

TEST_F(FormStorageTest, InactiveOrWithoutSubKeyNothingIsReadOrWritten) {
    win::WriteRegistryString(HKEY_CURRENT_USER, kKey, "State", "Normal");
    win::WriteRegistryInteger(HKEY_CURRENT_USER, kKey, "Top", 1);
    {
        auto form = MakeForm(Box{70, 80, 200, 100});
        dynamic_cast<TlcFormStorage*>(form->Components(0))->SetActive(false);
        form->Show();
        EXPECT_EQ(form->Top(), 80);
    }
    EXPECT_EQ(win::ReadRegistryInteger(HKEY_CURRENT_USER, kKey, "Top"), 1);
    // An empty SubKey never writes into the root itself.
    MakeForm(Box{70, 80, 200, 100}, "")->Show();
    EXPECT_EQ(win::ReadRegistryString(HKEY_CURRENT_USER, "", "State"), std::nullopt);
}

TEST_F(FormStorageTest, AKeyThatCannotBeOpenedMeansNothingStored) {
    // A key name longer than the registry allows can be neither opened nor created.
    const std::string badKey = std::string(kKey) + "\\" + std::string(300, 'k');
    {
        auto form = MakeForm(Box{70, 80, 200, 100}, badKey);
        form->Show();
        EXPECT_EQ(form->Top(), 80);
    }  // saving fails quietly for the user, and is logged
    EXPECT_EQ(logged.size(), 1u);
    EXPECT_FALSE(win::RegistryKeyExists(HKEY_CURRENT_USER, badKey));
}

TEST_F(FormStorageTest, AnOwnerThatIsNoFormIsRefused) {
    core::Component notAForm;
    EXPECT_THROW(notAForm.Create<TlcFormStorage>(), core::Error);
    EXPECT_THROW(TlcFormStorage(nullptr), core::Error);
}

TEST_F(FormStorageTest, FreedBeforeItsFormItSavesAndLeavesNoListenerBehind) {
    auto form = MakeForm(Box{90, 95, 250, 120});
    form->Show();
    delete form->Components(0);
    EXPECT_EQ(win::ReadRegistryInteger(HKEY_CURRENT_USER, kKey, "Top"), 95);
    form->Hide();
    form->Show();  // no listener left to call
    form.reset();
}

}  // namespace
}  // namespace lark::localization
