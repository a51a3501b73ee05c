#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "core/ini_store.h"
#include "storage/form_storage.h"
#include "storage/text_helpers.h"
#include "storage/window_hook_win.h"
#include "ui/form.h"
#include "ui/standard_controls.h"
#include "win/registry.h"

using namespace lark::storage;
using lark::ui::BorderStyle;
using lark::ui::Form;

namespace {

// A form at 10,10 sized 200 x 150, its window made (not shown).
std::unique_ptr<Form> MakeForm(BorderStyle border = BorderStyle::Sizeable) {
    auto form = std::make_unique<Form>();
    form->SetBorderStyle(border);
    form->SetBounds(10, 10, 200, 150);
    form->Handle();
    return form;
}

// The key as written for the current screen size, e.g. NormPos(1024x768).
std::string SizedKey(const std::string& key) {
    return key + "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
           std::to_string(GetSystemMetrics(SM_CYSCREEN)) + ")";
}

RECT NormalRect(HWND hwnd) {
    WINDOWPLACEMENT wp{sizeof wp};
    GetWindowPlacement(hwnd, &wp);
    return wp.rcNormalPosition;
}

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + name;
    std::remove(path.c_str());
    return path;
}

// A form with a storage on it, kept in an INI file or under a registry key.
struct PlacedWindow {
    PlacedWindow(const std::string& store, bool registry, BorderStyle border = BorderStyle::Sizeable) {
        window = MakeForm(border);
        hwnd = window->Handle();
        window->SetName("MainForm");
        storage = window->Create<TFormStorage>();
        storage->SetIniFileName(store);
        storage->SetUseRegistry(registry);
        storage->SetIniSection("MainForm");
        storage->Loaded();  // as after reading the window's definition
    }
    HWND hwnd;
    std::unique_ptr<Form> window;
    TFormStorage* storage;
};

struct Backend {
    const char* name;
    bool registry;
};

class PlacementRoundTrip : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam().registry) {
            store = "Software\\LarkTests\\Placement";
            lark::win::DeleteRegistryTree(HKEY_CURRENT_USER, store);
        } else {
            store = TempFile("placement_test.ini");
        }
    }
    void TearDown() override {
        if (GetParam().registry)
            lark::win::DeleteRegistryTree(HKEY_CURRENT_USER, store);
        else
            std::remove(store.c_str());
    }
    std::string Stored(const std::string& key) {
        PlacedWindow probe(store, GetParam().registry);
        return probe.storage->ReadStoredString("MainForm", key, "(none)");
    }
    std::string store;
};

TEST_P(PlacementRoundTrip, NormalAndMaximizedWindowsComeBack) {
    {
        PlacedWindow w(store, GetParam().registry);
        w.window->Show();  // nothing stored yet
        MoveWindow(w.hwnd, 40, 50, 320, 240, TRUE);
        EXPECT_TRUE(w.window->CloseQuery());
    }
    EXPECT_EQ(Stored("NormPos"), "40,50,360,290");
    EXPECT_EQ(Stored(SizedKey("NormPos")), "40,50,360,290");
    EXPECT_EQ(Stored("ShowCmd"), "1");
    EXPECT_EQ(Stored("FormVersion"), "0");
    EXPECT_EQ(Stored("Visible"), "0");
    EXPECT_NE(Stored("PixelsPerInch"), "(none)");
    {
        PlacedWindow w(store, GetParam().registry);
        w.window->Show();
        RECT r = NormalRect(w.hwnd);
        EXPECT_EQ(r.left, 40);
        EXPECT_EQ(r.top, 50);
        EXPECT_EQ(r.right, 360);
        EXPECT_EQ(r.bottom, 290);
        EXPECT_FALSE(IsZoomed(w.hwnd));
        ShowWindow(w.hwnd, SW_SHOWMAXIMIZED);
        w.window->CloseQuery();
    }
    {
        PlacedWindow w(store, GetParam().registry);
        w.window->Show();
        EXPECT_TRUE(IsZoomed(w.hwnd));
        RECT r = NormalRect(w.hwnd);  // restoring goes back to the stored normal rectangle
        EXPECT_EQ(r.left, 40);
        EXPECT_EQ(r.right, 360);
    }
}

// A form tells its listeners while its window is still hidden: the stored state is taken once
// the window is visible, and a close before that keeps what was stored.
TEST_P(PlacementRoundTrip, AWindowHiddenWhenThePlacementLoadsComesBackMaximized) {
    {
        PlacedWindow w(store, GetParam().registry);
        w.window->Show();
        MoveWindow(w.hwnd, 40, 50, 320, 240, TRUE);
        ShowWindow(w.hwnd, SW_SHOWMAXIMIZED);
        w.window->CloseQuery();
    }
    ASSERT_EQ(Stored("ShowCmd"), "3");
    for (bool closedUnseen : {true, false}) {
        SCOPED_TRACE(closedUnseen ? "closed before it was visible" : "shown");
        PlacedWindow w(store, GetParam().registry);
        bool hiddenOnShow = false;
        w.window->OnShow.Bind([&](lark::core::Component&) {
            hiddenOnShow = !IsWindowVisible(w.hwnd);
            if (closedUnseen) {
                EXPECT_TRUE(w.window->CloseQuery());
            }
        });
        w.window->Show();
        EXPECT_TRUE(hiddenOnShow);
        EXPECT_TRUE(IsWindowVisible(w.hwnd));
        EXPECT_TRUE(IsZoomed(w.hwnd));
        if (closedUnseen) continue;  // the next round finds the state stored before
        RECT r = NormalRect(w.hwnd);
        EXPECT_EQ(r.left, 40);
        EXPECT_EQ(r.right, 360);
        // Applied once: the user's own restore stays when the window is hidden and shown again.
        ShowWindow(w.hwnd, SW_RESTORE);
        ShowWindow(w.hwnd, SW_HIDE);
        ShowWindow(w.hwnd, SW_SHOW);
        EXPECT_FALSE(IsZoomed(w.hwnd));
        w.storage->SetActive(false);
    }
}

TEST_P(PlacementRoundTrip, PositionOnAMonitorThatIsGoneIsBroughtOnScreen) {
    {
        PlacedWindow w(store, GetParam().registry);
        w.window->Show();
        w.window->CloseQuery();  // the right pixels per inch and version
        const std::string keys[] = {"NormPos", SizedKey("NormPos")};
        for (const std::string& key : keys) w.storage->WriteStoredString("MainForm", key, "-20000,-20000,-19700,-19800");
    }
    PlacedWindow w(store, GetParam().registry);
    w.window->Show();
    RECT r = NormalRect(w.hwnd);
    EXPECT_NE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
}

TEST_P(PlacementRoundTrip, ClosedWithoutBeingShownKeepsTheStoredPlacement) {
    {
        PlacedWindow w(store, GetParam().registry);
        w.storage->WriteStoredString("MainForm", "NormPos", "1,2,3,4");
        EXPECT_TRUE(w.window->CloseQuery());
    }
    EXPECT_EQ(Stored("NormPos"), "1,2,3,4");
    EXPECT_EQ(Stored("FormVersion"), "(none)");
}

TEST_P(PlacementRoundTrip, StoredPropertiesAndValuesTravelWithThePlacement) {
    auto setUp = [](PlacedWindow& w) {
        auto* flag = w.window->Create<TFormPlacement>();  // any component with published properties
        flag->SetName("Options");
        w.storage->AddStoredProp("Options.Version", flag);
        w.storage->AddStoredProp("Options.IniSection", flag);
        TStoredValue* secret = w.storage->StoredValues().Add();
        secret->SetName("Secret");
        secret->SetKeyString("k3y");
        return std::make_pair(flag, secret);
    };
    {
        PlacedWindow w(store, GetParam().registry);
        auto [flag, secret] = setUp(w);
        w.window->Show();
        flag->SetVersion(7);
        flag->SetIniSection("  padded  ");
        secret->SetValue(lark::core::Value(std::string("s3cr3t")));
        w.window->CloseQuery();
    }
    EXPECT_EQ(Stored("Options_Version"), "7");
    EXPECT_EQ(Stored("Secret"), XorHexEncode("k3y", "s3cr3t"));
    PlacedWindow w(store, GetParam().registry);
    auto [flag, secret] = setUp(w);
    w.window->Show();
    EXPECT_EQ(flag->Version(), 7);
    EXPECT_EQ(flag->IniSection(), "padded");
    EXPECT_EQ(std::get<std::string>(secret->Value()), "s3cr3t");
}

INSTANTIATE_TEST_SUITE_P(Stores, PlacementRoundTrip,
                         testing::Values(Backend{"Ini", false}, Backend{"Registry", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlacementStore, OtherResolutionLeavesTheWindowAloneAndTheScreenSizeKeyWins) {
    const std::string file = TempFile("placement_ppi.ini");
    {
        PlacedWindow w(file, false);
        w.storage->WriteStoredString("MainForm", "PixelsPerInch", "1");
        w.storage->WriteStoredString("MainForm", "NormPos", "40,50,360,290");
        w.window->Show();
        EXPECT_EQ(NormalRect(w.hwnd).left, 10);
        w.storage->WriteStoredString("MainForm", SizedKey("NormPos"), "70,80,390,320");
        w.storage->SetActive(false);  // the form going must not store over it
    }
    {
        lark::core::IniStore ini(file);
        ini.DeleteKey("MainForm", "PixelsPerInch");
        ini.UpdateFile();
        PlacedWindow w(file, false);
        w.window->Show();
        EXPECT_EQ(NormalRect(w.hwnd).left, 70);
        // Quoted values survive the INI reader's quote removal.
        w.storage->WriteStoredString("MainForm", "Quoted", "'abc'");
        EXPECT_EQ(w.storage->ReadStoredString("MainForm", "Quoted", ""), "'abc'");
    }
    std::remove(file.c_str());
}

TEST(PlacementStore, AnOlderFormVersionIsNotRestored) {
    const std::string file = TempFile("placement_version.ini");
    {
        PlacedWindow w(file, false);
        w.window->Show();
        MoveWindow(w.hwnd, 60, 70, 200, 150, TRUE);
        w.window->CloseQuery();
    }
    PlacedWindow w(file, false);
    w.storage->SetVersion(2);
    w.window->Show();
    EXPECT_EQ(NormalRect(w.hwnd).left, 10);
    EXPECT_TRUE(w.storage->Restored());
    std::remove(file.c_str());
}

TEST(PlacementStore, AFixedBorderKeepsItsDesignedSize) {
    const std::string file = TempFile("placement_dialog.ini");
    lark::core::IniStore ini(file);
    ini.WriteString("MainForm", "NormPos", "30,40,500,600");
    ini.UpdateFile();
    PlacedWindow w(file, false, BorderStyle::Dialog);
    w.window->Show();
    RECT r = NormalRect(w.hwnd);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 150);
    std::remove(file.c_str());
}

// The placement listens to the form's life cycle; the form's own handlers are the form's.
TEST(PlacementEvents, TheFormsOwnHandlersStillRun) {
    const std::string file = TempFile("placement_handlers.ini");
    lark::core::Component plain;
    TFormPlacement stored(&plain);
    stored.SetIniFileName(file);
    int shows = 0, destroys = 0;
    bool allow = false;
    {
        auto window = MakeForm();
        window->OnShow.Bind([&](lark::core::Component&) { ++shows; });
        window->OnCloseQuery.Bind([&](lark::core::Component&, bool& canClose) { canClose = allow; });
        window->OnDestroy.Bind([&](lark::core::Component&) { ++destroys; });
        auto* placement = window->Create<TFormPlacement>();
        placement->SetIniFileName(file);
        placement->SetIniSection("W");
        placement->Loaded();

        window->Show();
        EXPECT_EQ(shows, 1);
        EXPECT_FALSE(window->CloseQuery());
        EXPECT_EQ(placement->ReadStoredString("W", "FormVersion", "(none)"), "(none)") << "a refused close stored";
        allow = true;
        EXPECT_TRUE(window->CloseQuery());
        EXPECT_EQ(placement->ReadStoredString("W", "Visible", ""), "0");

        // Without the placement the form's handlers run as before.
        delete placement;
        window->Hide();
        window->Show();
        EXPECT_EQ(shows, 2);
    }
    EXPECT_EQ(destroys, 1);
    {
        auto window = MakeForm();
        auto* placement = window->Create<TFormPlacement>();
        placement->SetIniFileName(file);
        placement->SetIniSection("V");
        placement->Loaded();
        window->Show();
    }  // destroyed while shown and never closed: stored now, as visible
    EXPECT_EQ(stored.ReadStoredString("V", "Visible", ""), "1");
    std::remove(file.c_str());
}

// The control that had the focus is found by its window and focused again when the form shows,
// not the form's first tab stop.
TEST(PlacementEvents, TheActiveControlComesBack) {
    const std::string file = TempFile("placement_active.ini");
    auto makeForm = [&file](lark::ui::Edit*& second) {
        auto form = MakeForm();
        for (const char* name : {"Edit1", "Edit2"}) {
            auto* edit = form->Create<lark::ui::Edit>();
            edit->SetName(name);
            edit->SetTabStop(true);
            edit->SetBounds(10, name[4] == '1' ? 10 : 40, 100, 22);
            edit->SetParent(form.get());
            second = edit;
        }
        auto* placement = form->Create<TFormPlacement>();
        placement->SetIniFileName(file);
        placement->SetIniSection("A");
        placement->SetOptions(fpState | fpPosition | fpActiveControl);
        placement->Loaded();
        return form;
    };
    lark::ui::Edit* second = nullptr;
    {
        auto form = makeForm(second);
        form->Show();
        second->SetFocus();
        ASSERT_TRUE(second->Focused());
        EXPECT_TRUE(form->CloseQuery());
    }
    {
        auto form = makeForm(second);
        auto* placement = dynamic_cast<TFormPlacement*>(form->Components(form->ComponentCount() - 1));
        ASSERT_NE(placement, nullptr);
        EXPECT_EQ(placement->ReadStoredString("A", "ActiveControl", ""), "Edit2");
        form->Show();
        EXPECT_TRUE(second->Focused());
    }
    std::remove(file.c_str());
}

TEST(PlacementLimits, MinMaxInfoAndPreventResizeReachTheWindow) {
    auto form = MakeForm();
    Form& window = *form;
    HWND hwnd = window.Handle();
    window.Show();
    auto* placement = window.Create<TFormPlacement>();
    placement->SetActive(false);
    placement->Loaded();
    placement->MinMaxInfo().SetValue(TWinMinMaxInfo::MinTrackWidth, 321);
    placement->MinMaxInfo().SetValue(TWinMinMaxInfo::MaxTrackHeight, 432);
    MINMAXINFO info{};
    SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 321);
    EXPECT_EQ(info.ptMaxTrackSize.y, 432);

    placement->MinMaxInfo().SetValue(TWinMinMaxInfo::MinTrackWidth, 0);
    placement->MinMaxInfo().SetValue(TWinMinMaxInfo::MaxTrackHeight, 0);
    placement->SetPreventResize(true);
    EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX);
    RECT r{};
    GetWindowRect(hwnd, &r);
    info = MINMAXINFO{};
    SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxTrackSize.x, r.right - r.left);
    EXPECT_EQ(info.ptMinTrackSize.y, r.bottom - r.top);
    // The sizing border is no border at all.
    const LRESULT hit = SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, r.bottom - 1));
    EXPECT_TRUE(hit < HTLEFT || hit > HTBOTTOMRIGHT) << hit;

    placement->SetPreventResize(false);
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX);
}

// As read from a definition: the placement is loaded before the form has a window.
TEST(PlacementLimits, PreventResizeReachesAWindowMadeAfterLoading) {
    Form window;
    window.SetBounds(10, 10, 200, 150);
    auto* placement = window.Create<TFormPlacement>();
    placement->SetActive(false);
    placement->SetPreventResize(true);
    placement->Loaded();
    ASSERT_FALSE(window.HandleAllocated());
    window.Show();
    HWND hwnd = window.Handle();
    EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX);
    RECT r{};
    GetWindowRect(hwnd, &r);
    MINMAXINFO info{};
    SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxTrackSize.x, r.right - r.left);
    placement->SetPreventResize(false);
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX);
}

TEST(PlacementDefaults, SectionsAndOptionsFollowTheOwner) {
    Form window;
    auto* onWindow = window.Create<TFormPlacement>();
    onWindow->SetName("Placement1");
    EXPECT_EQ(onWindow->Options(), unsigned(fpState | fpPosition));
    EXPECT_EQ(onWindow->StorageSection(), "TForm");
    auto* child = window.Create<lark::ui::Edit>();
    child->SetName("Edit1");
    EXPECT_EQ(DefaultStorageSection(child), "TFormEdit1");
    EXPECT_EQ(DefaultStorageSection(onWindow), "TForm.Placement1");
    lark::core::Component plain;
    TFormPlacement off(&plain);
    EXPECT_EQ(off.Options(), 0u);
    EXPECT_EQ(DefaultIniName(), "storage_window_tests.INI");
    EXPECT_EQ(DefaultRegistryKey(), "Software\\storage_window_tests");
}

}  // namespace
