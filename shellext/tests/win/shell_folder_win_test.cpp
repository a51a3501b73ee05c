// lx at the COM level under Wine: the real lx.dll loaded and registered as Explorer and regsvr32
// do, and the COM objects (linked into this program with the DLL's resources, so that the tests
// answer its message boxes) against the registered main-client double and its site database.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "shellext/item_ids.h"
#include "shellext/transfer_folder.h"
#include "shellext/win/lx_library.h"
#include "win/com_ptr.h"
#include "win/registration.h"
#include "win/registry.h"
#include "win/text.h"
#include "lx_test_root.h"
#include "mainclient_double/double_support.h"
#include "gui_testing/modal_script.h"
#include "shell_testing/notice_recorder.h"
#include "localization/message_dialog_win.h"

__CRT_UUID_DECL(IExtractIconA, 0x000214eb, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IExtractIconW, 0x000214fa, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IQueryInfo, 0x00021500, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(ICopyHookA, 0x000214ef, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

using namespace lark;
using namespace lark::shellext;
using namespace lark::testing;
using win::ComPtr;

namespace {

const std::string kClassId = "{33D0B7CC-535E-4CD0-B33A-934372B1AEFD}";
const char kMarker[] = "{A9D3D103-4CCD-4BDE-A11A-04D527EF71CE}";

std::wstring LxDllPath() { return FolderOf(win::ModulePath()) + L"lx.dll"; }

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using NoArgFn = HRESULT(WINAPI*)();

}  // namespace

// Runs first, before anything in this process initialises COM.
TEST(LxDll, LoadingAndFreeingDoesNoWorkAndOnlyTheClassIsServed) {
    HMODULE dll = LoadLibraryW(LxDllPath().c_str());
    ASSERT_NE(dll, nullptr);
    // DllMain initialised no COM on this thread: the first initialisation is still ours to make.
    const HRESULT first = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(first, S_OK);
    if (SUCCEEDED(first)) CoUninitialize();
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(GetProcAddress(dll, name), nullptr) << name;
    auto canUnload = reinterpret_cast<NoArgFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    auto getClass = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    EXPECT_EQ(canUnload(), S_OK);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClass(IID_IShellFolder, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(FreeLibrary(dll));
}

TEST(LxDll, RegistersEveryKeyAndUnregisteringLeavesNone) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // From a folder whose name holds a space: the server path is written in its short form.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"lx reg " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring dll = folder + L"\\lx.dll";
    ASSERT_TRUE(CopyFileW(LxDllPath().c_str(), dll.c_str(), FALSE));
    const std::wstring regsvr = L"regsvr32.exe";
    ASSERT_EQ(RunProgram(regsvr, L"/s \"" + dll + L"\""), 0u);

    const std::string cls = "CLSID\\" + kClassId;
    const std::string approved = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
    const std::string junction = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\NetworkNeighborhood\\Namespace\\" + kClassId;
    const std::string hook = "Directory\\shellex\\CopyHookHandlers\\Lark-FTP";
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, cls), "LARK-FTP Network Places");
    const auto server = win::ReadRegistryString(HKEY_CLASSES_ROOT, cls + "\\InprocServer32");
    ASSERT_TRUE(server);
    EXPECT_EQ(server->find(' '), std::string::npos) << *server;
    wchar_t longPath[MAX_PATH];
    ASSERT_GT(GetLongPathNameW(win::Widen(*server).c_str(), longPath, MAX_PATH), 0u);
    EXPECT_EQ(CompareStringOrdinal(longPath, -1, dll.c_str(), -1, TRUE), CSTR_EQUAL);
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, cls + "\\ProgID"), "lx.TlxShellFolder");
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, "lx.TlxShellFolder\\Clsid"), kClassId);
    EXPECT_EQ(win::ReadRegistryString(HKEY_LOCAL_MACHINE, approved, kClassId), "LARK-FTP Network Places");
    EXPECT_EQ(win::ReadRegistryString(HKEY_LOCAL_MACHINE, junction), "LARK-FTP Network Places");
    EXPECT_EQ(win::ReadRegistryBinary(HKEY_CLASSES_ROOT, cls + "\\ShellFolder", "Attributes"),
              (std::vector<unsigned char>{0x10, 0x00, 0x00, 0xA0}));
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, cls + "\\DefaultIcon"), *server + ",0");
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, hook), kClassId);
    EXPECT_TRUE(win::RegistryKeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{67DC701A-1F27-4E97-B44A-C2AE592956EC}"));

    ASSERT_EQ(RunProgram(regsvr, L"/s /u \"" + dll + L"\""), 0u);
    EXPECT_FALSE(win::RegistryKeyExists(HKEY_CLASSES_ROOT, cls));
    EXPECT_FALSE(win::RegistryKeyExists(HKEY_CLASSES_ROOT, "lx.TlxShellFolder"));
    EXPECT_FALSE(win::RegistryKeyExists(HKEY_LOCAL_MACHINE, junction));
    EXPECT_FALSE(win::RegistryKeyExists(HKEY_CLASSES_ROOT, hook));
    EXPECT_FALSE(win::ReadRegistryString(HKEY_LOCAL_MACHINE, approved, kClassId));
    EXPECT_FALSE(win::RegistryKeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{67DC701A-1F27-4E97-B44A-C2AE592956EC}"));
    // Unregistering again finds nothing to remove and still succeeds.
    EXPECT_EQ(RunProgram(regsvr, L"/s /u \"" + dll + L"\""), 0u);
    DeleteFileW(dll.c_str());
    RemoveDirectoryW(folder.c_str());
    CoUninitialize();
}

TEST(LxDll, ServesAFolderThroughItsExportsAndUnloadsAfterUse) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    DoubleSetup server(win::Widen(LARK_DOUBLE_EXE), L"lxdll");
    ASSERT_TRUE(server.Register());
    server.Reset();
    CreateDirectoryW(server.Site(L"pub").c_str(), nullptr);
    HMODULE dll = LoadLibraryW(LxDllPath().c_str());
    ASSERT_NE(dll, nullptr);
    auto getClass = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<NoArgFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClass(kShellFolderClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
        ComPtr<IShellFolder> root;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellFolder, root.PutVoid()), S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);
        // Down to a site's directories: the model and a session of the double now live in the DLL.
        ComPtr<IEnumIDList> e;
        ASSERT_EQ(root->EnumObjects(nullptr, SHCONTF_FOLDERS, e.Put()), S_OK);
        LPITEMIDLIST item = nullptr;
        std::vector<std::string> names;
        ComPtr<IShellFolder> home;
        while (e->Next(1, &item, nullptr) == S_OK) {
            STRRET ret{};
            wchar_t text[260] = L"";
            if (root->GetDisplayNameOf(item, SHGDN_NORMAL, &ret) == S_OK) StrRetToBufW(&ret, item, text, 260);
            names.push_back(win::Narrow(text));
            if (names.back() == "Home") root->BindToObject(item, nullptr, IID_IShellFolder, home.PutVoid());
            CoTaskMemFree(item);
        }
        EXPECT_EQ(names, (std::vector<std::string>{"Home", "Work"}));
        ASSERT_TRUE(home);
        ComPtr<IEnumIDList> dirs;
        EXPECT_EQ(home->EnumObjects(nullptr, SHCONTF_FOLDERS, dirs.Put()), S_OK);
        EXPECT_EQ(server.CallsOf("ListDirectory").size(), 1u);
    }
    EXPECT_EQ(canUnload(), S_OK);
    // Unloading with the model's sessions alive makes no COM call and returns.
    EXPECT_TRUE(FreeLibrary(dll));
    CoUninitialize();
}

namespace {

class LxFolder : public LxComSuite {
protected:
    static void SetUpTestSuite() { StartSuite({.doubleName = L"lx", .ole = false}); }
    static void TearDownTestSuite() { EndSuite(); }

    void SetUp() override {
        double_->Reset();
        CreateDirectoryW(double_->Site(L"pub").c_str(), nullptr);
        CreateDirectoryW(double_->Site(L"pub\\incoming").c_str(), nullptr);
        CreateDirectoryW(double_->Site(L"docs").c_str(), nullptr);
        WriteTextFile(double_->Site(L"readme.txt"), "hello");
        LxLibrary::Instance().ResetModel();
        box_.shown.clear();
        root_ = NewLxRoot();
    }
    void TearDown() override {
        root_.Reset();
        LxLibrary::Instance().Selection().Clear();
    }


    static std::vector<Pidl> Enumerate(IShellFolder* folder, SHCONTF flags) {
        std::vector<Pidl> items;
        ComPtr<IEnumIDList> e;
        if (folder->EnumObjects(nullptr, flags, e.Put()) != S_OK || !e) return items;
        LPITEMIDLIST item = nullptr;
        ULONG fetched = 0;
        while (e->Next(1, &item, &fetched) == S_OK) items.emplace_back(item);
        return items;
    }

    static std::string Name(IShellFolder* folder, LPCITEMIDLIST item) {
        STRRET ret{};
        if (folder->GetDisplayNameOf(item, SHGDN_NORMAL, &ret) != S_OK) return "<refused>";
        LPWSTR text = nullptr;
        if (FAILED(StrRetToStrW(&ret, item, &text))) return "<bad strret>";
        std::string name = win::Narrow(text);
        CoTaskMemFree(text);
        return name;
    }

    static std::vector<std::string> Names(IShellFolder* folder, const std::vector<Pidl>& items) {
        std::vector<std::string> names;
        for (const Pidl& p : items) names.push_back(Name(folder, p.get()));
        return names;
    }

    static Pidl Find(IShellFolder* folder, SHCONTF flags, const std::string& name) {
        for (Pidl& p : Enumerate(folder, flags))
            if (Name(folder, p.get()) == name) return std::move(p);
        return nullptr;
    }

    static ComPtr<IShellFolder> Bind(IShellFolder* folder, LPCITEMIDLIST item) {
        ComPtr<IShellFolder> child;
        EXPECT_EQ(folder->BindToObject(item, nullptr, IID_IShellFolder, child.PutVoid()), S_OK);
        return child;
    }

    ComPtr<IShellFolder> Home() { return Bind(root_.get(), Find(root_.get(), SHCONTF_FOLDERS, "Home").get()); }

    ComPtr<IShellFolder> root_;
};

const SHCONTF kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;

}  // namespace

TEST_F(LxFolder, EnumeratesEachLevelThroughTheDouble) {
    EXPECT_EQ(Names(root_.get(), Enumerate(root_.get(), SHCONTF_FOLDERS)), (std::vector<std::string>{"Home", "Work"}));
    EXPECT_TRUE(Enumerate(root_.get(), SHCONTF_NONFOLDERS).empty());
    Pidl work = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    ComPtr<IShellFolder> workFolder = Bind(root_.get(), work.get());
    EXPECT_EQ(Names(workFolder.get(), Enumerate(workFolder.get(), kAll)), (std::vector<std::string>{"Archive"}));

    ComPtr<IShellFolder> home = Home();
    EXPECT_EQ(Names(home.get(), Enumerate(home.get(), SHCONTF_FOLDERS)), (std::vector<std::string>{"docs", "pub"}));
    EXPECT_EQ(Names(home.get(), Enumerate(home.get(), SHCONTF_NONFOLDERS)), (std::vector<std::string>{"readme.txt"}));
    ComPtr<IShellFolder> pub = Bind(home.get(), Find(home.get(), SHCONTF_FOLDERS, "pub").get());
    EXPECT_EQ(Names(pub.get(), Enumerate(pub.get(), kAll)), (std::vector<std::string>{"incoming"}));
    const auto lists = double_->CallsOf("ListDirectory");
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_NE(lists[0].find("\t/\t"), std::string::npos) << lists[0];
    EXPECT_NE(lists[1].find("\t/pub\t"), std::string::npos) << lists[1];
    EXPECT_TRUE(box_.shown.empty());
}

// An empty remote folder, opened as Explorer opens one (folders, then files, then both): one
// listing, the session kept, and no box.
TEST_F(LxFolder, AnEmptyRemoteFolderIsListedOnceWithoutReconnecting) {
    ComPtr<IShellFolder> home = Home();
    ComPtr<IShellFolder> pub = Bind(home.get(), Find(home.get(), SHCONTF_FOLDERS, "pub").get());
    ComPtr<IShellFolder> incoming = Bind(pub.get(), Find(pub.get(), SHCONTF_FOLDERS, "incoming").get());
    const std::size_t sessions = double_->CallsOf("OpenSession").size();
    EXPECT_TRUE(Enumerate(incoming.get(), SHCONTF_FOLDERS).empty());
    EXPECT_TRUE(Enumerate(incoming.get(), SHCONTF_NONFOLDERS).empty());
    EXPECT_TRUE(Enumerate(incoming.get(), kAll).empty());
    std::vector<std::string> listed;
    for (const std::string& call : double_->CallsOf("ListDirectory"))
        if (call.find("\t/pub/incoming\t") != std::string::npos) listed.push_back(call);
    EXPECT_EQ(listed.size(), 1u);
    EXPECT_EQ(double_->CallsOf("OpenSession").size(), sessions);
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(LxFolder, AttributesAreTheIntersectionAndFoldersKnowTheirAbsoluteIdentifiers) {
    ComPtr<IShellFolder> home = Home();
    Pidl pub = Find(home.get(), SHCONTF_FOLDERS, "pub");
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    LPCITEMIDLIST site = homeItem.get();
    SFGAOF siteAttributes = 0;
    EXPECT_EQ(root_->GetAttributesOf(1, &site, &siteAttributes), S_OK);
    EXPECT_EQ(siteAttributes, 0xA1000113u);
    EXPECT_EQ(home->GetAttributesOf(1, &site, &siteAttributes), E_INVALIDARG);  // not an item of the site
    struct Case { std::vector<LPCITEMIDLIST> items; SFGAOF want; } cases[] = {
        {{pub.get()}, 0xA1000111}, {{readme.get()}, 0x01000011},
        {{pub.get(), readme.get()}, 0x01000011}, {{readme.get(), pub.get()}, 0x01000011}, {{}, 0xA1000000},
    };
    for (const Case& c : cases) {
        SFGAOF attributes = 0xFFFFFFFF;
        std::vector<LPCITEMIDLIST> items = c.items;
        EXPECT_EQ(home->GetAttributesOf(UINT(items.size()), items.data(), &attributes), S_OK);
        EXPECT_EQ(attributes, c.want);
    }
    // Bound level by level: the absolute list holds Home and pub.
    ComPtr<IShellFolder> pubFolder = Bind(home.get(), pub.get());
    ComPtr<IPersistFolder2> persist;
    ASSERT_EQ(pubFolder.As(persist), S_OK);
    LPITEMIDLIST absolute = nullptr;
    ASSERT_EQ(persist->GetCurFolder(&absolute), S_OK);
    Pidl owned(absolute);
    EXPECT_EQ(ILGetSize(absolute), 2 * ItemSize + 2);
    EXPECT_EQ(PidlDisplayName(reinterpret_cast<const ItemIdList*>(absolute)), "Home");
    EXPECT_EQ(PidlDisplayName(reinterpret_cast<const ItemIdList*>(ILGetNext(absolute))), "pub");
    CLSID id{};
    EXPECT_EQ(persist->GetClassID(&id), S_OK);
    EXPECT_TRUE(IsEqualCLSID(id, kShellFolderClassId));
}

TEST_F(LxFolder, CompareIDsOrdersFoldersFirstAndTellsLongNamesApart) {
    const std::wstring shared(39, L'x');
    WriteTextFile(double_->Site(shared + L"-one"), "1");
    WriteTextFile(double_->Site(shared + L"-two"), "2");
    Pidl work = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    EXPECT_EQ(HRESULT_CODE(root_->CompareIDs(0, work.get(), homeItem.get())), 0xFFFF);
    EXPECT_EQ(HRESULT_CODE(root_->CompareIDs(0, homeItem.get(), work.get())), 1);
    ComPtr<IShellFolder> home = Home();
    Pidl one = Find(home.get(), SHCONTF_NONFOLDERS, win::Narrow(shared) + "-one");
    Pidl two = Find(home.get(), SHCONTF_NONFOLDERS, win::Narrow(shared) + "-two");
    ASSERT_TRUE(one && two);
    EXPECT_EQ(HRESULT_CODE(home->CompareIDs(0, one.get(), two.get())), 0xFFFF);
    EXPECT_EQ(HRESULT_CODE(home->CompareIDs(0, two.get(), one.get())), 1);
    EXPECT_EQ(HRESULT_CODE(home->CompareIDs(0, one.get(), one.get())), 0);
    EXPECT_TRUE(SUCCEEDED(home->CompareIDs(0, one.get(), two.get())));
}

TEST_F(LxFolder, SetNameOfGoesThroughTheDoubleAndARefusalChangesNothing) {
    ComPtr<IShellFolder> home = Home();
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    // Refused (the double still moved the file: put it back) and raised: nothing changes.
    for (const char* scenario : {"[RenameRemoteObject]\r\nResult=-1\r\n", "[RenameRemoteObject]\r\nHResult=0x80004005\r\n"}) {
        SCOPED_TRACE(scenario);
        double_->Scenario(scenario);
        LPITEMIDLIST out = reinterpret_cast<LPITEMIDLIST>(1);
        EXPECT_EQ(home->SetNameOf(nullptr, readme.get(), L"refused.txt", SHGDN_NORMAL, &out), E_FAIL);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(Name(home.get(), readme.get()), "readme.txt");
        EXPECT_EQ(PidlDisplayName(reinterpret_cast<const ItemIdList*>(readme.get())), "readme.txt");
        MoveFileW(double_->Site(L"refused.txt").c_str(), double_->Site(L"readme.txt").c_str());
    }

    double_->Scenario("");
    EXPECT_EQ(home->SetNameOf(nullptr, readme.get(), L"notes.txt", SHGDN_NORMAL, nullptr), S_OK);
    EXPECT_EQ(Name(home.get(), readme.get()), "notes.txt");
    EXPECT_EQ(PidlDisplayName(reinterpret_cast<const ItemIdList*>(readme.get())), "notes.txt");
    EXPECT_TRUE(Exists(double_->Site(L"notes.txt")));
    const auto renames = double_->CallsOf("RenameRemoteObject");
    ASSERT_EQ(renames.size(), 3u);
    EXPECT_EQ(renames[2], "RenameRemoteObject\t1\t/readme.txt\tnotes.txt");

    EXPECT_EQ(home->SetNameOf(nullptr, readme.get(), L"", SHGDN_NORMAL, nullptr), E_FAIL);
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].text, "You must type a non-empty name.");
    // A site profile's rename goes to the main client's profile tree.
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    EXPECT_EQ(root_->SetNameOf(nullptr, homeItem.get(), L"Home 2", SHGDN_NORMAL, nullptr), S_OK);
    EXPECT_EQ(double_->CallsOf("RenameProfile").back(), "RenameProfile\tHome\tHome 2");
    EXPECT_EQ(Name(root_.get(), homeItem.get()), "Home 2");
}

// A name that is a path, typed by a user (the shell passes its window): a translated box on that
// window, the rename refused, nothing sent. Pictured in each language.
TEST_F(LxFolder, ANameTypedWithASlashGetsATranslatedBoxInEachLanguage) {
    ComPtr<IShellFolder> home = Home();
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    ASSERT_TRUE(readme);
    const char* texts[] = {
        "A name cannot contain the characters \\ and / or control characters, and it can have at most 255 characters.",
        "Ein Name darf weder die Zeichen \\ und / noch Steuerzeichen enthalten und höchstens 255 Zeichen lang sein.",
        "Un nom ne peut contenir ni les caractères \\ et /, ni des caractères de contrôle, et ne peut pas dépasser 255 "
        "caractères."};
    const char* tags[] = {"en", "de", "fr"};
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    LxLibrary::Instance().SetMessageBox(nullptr);  // the real, translated box
    for (int language = 1; language <= 3; ++language) {
        SCOPED_TRACE(tags[language - 1]);
        LxLibrary::Instance().DataModule().SetLanguage(language);
        std::string shown;
        ModalScript script([&](FormDriver& driver, ui::Form& form) {
            if (auto* box = dynamic_cast<localization::TMessageForm*>(&form); box && box->Message())
                shown = box->Message()->Text();
            driver.Screenshot(std::string("bad_name_") + tags[language - 1]);
            driver.Key(VK_RETURN);
        });
        EXPECT_EQ(home->SetNameOf(owner, readme.get(), L"sub/dir.txt", SHGDN_NORMAL, nullptr), E_FAIL);
        script.Check();
        EXPECT_EQ(shown, texts[language - 1]);
    }
    LxLibrary::Instance().DataModule().SetLanguage(1);
    LxLibrary::Instance().SetMessageBox(&box_);
    DestroyWindow(owner);
    EXPECT_TRUE(double_->CallsOf("RenameRemoteObject").empty());
    EXPECT_EQ(Name(home.get(), readme.get()), "readme.txt");
}

// A renamed file is announced as an item rename by its old and new names, a folder as a folder
// rename, decided by the renamed (last) item; the caller gets the renamed item's identifier.
TEST_F(LxFolder, SetNameOfAnnouncesByTheRenamedItemsKindAndAnswersItsNewIdentifier) {
    NoticeRecorder recorder;
    ComPtr<IShellFolder> home = Home();
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    Pidl pub = Find(home.get(), SHCONTF_FOLDERS, "pub");
    ASSERT_TRUE(readme && pub);
    LPITEMIDLIST renamed = nullptr;
    EXPECT_EQ(home->SetNameOf(nullptr, readme.get(), L"notes.txt", SHGDN_NORMAL, &renamed), S_OK);
    ASSERT_NE(renamed, nullptr);
    Pidl owned(renamed);
    EXPECT_EQ(Name(home.get(), renamed), "notes.txt");
    EXPECT_EQ(PidlDisplayName(reinterpret_cast<const ItemIdList*>(renamed)), "notes.txt");
    EXPECT_EQ(home->SetNameOf(nullptr, pub.get(), L"public", SHGDN_NORMAL, nullptr), S_OK);
    for (int i = 0; i < 20; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
    std::vector<std::string> seen;
    for (const ShellNotice& n : recorder.notices) seen.push_back(std::to_string(n.event) + " " + n.first + " " + n.second);
    EXPECT_EQ(seen, (std::vector<std::string>{std::to_string(SHCNE_RENAMEITEM) + " readme.txt notes.txt",
                                              std::to_string(SHCNE_RENAMEFOLDER) + " pub public"}));
}

TEST_F(LxFolder, IconsAndInfoTipsForEachKind) {
    ComPtr<IShellFolder> home = Home();
    Pidl work = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    Pidl pub = Find(home.get(), SHCONTF_FOLDERS, "pub");
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring shell32 = std::wstring(system) + L"\\shell32.dll";
    const std::wstring module = win::ModulePath();
    struct Case {
        IShellFolder* folder;
        LPCITEMIDLIST item_;
        HRESULT hr;
        std::wstring file;
        int closed, open;
        const wchar_t* tip;
    } cases[] = {
        {root_.get(), work.get(), S_OK, shell32, -4, -5, nullptr},
        {root_.get(), homeItem.get(), S_OK, module, 2, 2, L"ftp://localhost/"},
        {home.get(), pub.get(), S_OK, shell32, -4, -5, nullptr},
        {home.get(), readme.get(), S_FALSE, L"", 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        LPCITEMIDLIST item = c.item_;
        SCOPED_TRACE(Name(c.folder, item));
        ComPtr<IExtractIconW> iconW;
        ASSERT_EQ(c.folder->GetUIObjectOf(nullptr, 1, &item, IID_IExtractIconW, nullptr, iconW.PutVoid()), S_OK);
        ComPtr<IExtractIconA> iconA;
        ASSERT_EQ(c.folder->GetUIObjectOf(nullptr, 1, &item, IID_IExtractIconA, nullptr, iconA.PutVoid()), S_OK);
        wchar_t file[MAX_PATH] = L"";
        int index = 99;
        UINT flags = 99;
        EXPECT_EQ(iconW->GetIconLocation(0, file, MAX_PATH, &index, &flags), c.hr);
        EXPECT_EQ(index, c.closed);
        EXPECT_EQ(flags, c.hr == S_OK ? 0u : UINT(GIL_NOTFILENAME));
        char fileA[MAX_PATH] = "";
        EXPECT_EQ(iconA->GetIconLocation(GIL_OPENICON, fileA, MAX_PATH, &index, &flags), c.hr);
        EXPECT_EQ(index, c.open);
        EXPECT_EQ(iconW->GetIconLocation(0, file, MAX_PATH, nullptr, &flags), E_INVALIDARG);
        if (c.hr == S_OK) {
            EXPECT_EQ(CompareStringOrdinal(file, -1, c.file.c_str(), -1, TRUE), CSTR_EQUAL) << win::Narrow(file);
            EXPECT_EQ(CompareStringOrdinal(win::Widen(fileA).c_str(), -1, c.file.c_str(), -1, TRUE), CSTR_EQUAL);
            // The location holds the icon, in both sizes.
            for (int i : {c.closed, c.open}) {
                HICON large = nullptr, small = nullptr;
                EXPECT_EQ(ExtractIconExW(file, i, &large, &small, 1), 2u) << i;
                if (large) DestroyIcon(large);
                if (small) DestroyIcon(small);
            }
        }
        HICON large = nullptr, small = nullptr;
        EXPECT_EQ(iconW->Extract(file, index, &large, &small, MAKELONG(32, 16)), S_FALSE);  // the shell extracts
        EXPECT_EQ(iconW->Extract(file, index, nullptr, nullptr, 32), E_INVALIDARG);
        ComPtr<IQueryInfo> info;
        ASSERT_EQ(c.folder->GetUIObjectOf(nullptr, 1, &item, IID_IQueryInfo, nullptr, info.PutVoid()), S_OK);
        LPWSTR tip = reinterpret_cast<LPWSTR>(1);
        EXPECT_EQ(info->GetInfoTip(0, &tip), S_OK);
        if (c.tip) {
            ASSERT_NE(tip, nullptr);
            EXPECT_STREQ(tip, c.tip);
        } else {
            EXPECT_EQ(tip, nullptr);
        }
        CoTaskMemFree(tip);
    }
    // The image lists of the view: the module's icons and shell32's folders, four in each size.
    EXPECT_EQ(ImageList_GetImageCount(LxLibrary::Instance().SmallImages()), 4);
    EXPECT_EQ(ImageList_GetImageCount(LxLibrary::Instance().LargeImages()), 4);
}

TEST_F(LxFolder, DetailsGiveTheNameAndSizeColumns) {
    ComPtr<IShellFolder> home = Home();
    ComPtr<IShellFolder2> details;
    ASSERT_EQ(home.As(details), S_OK);
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    auto text = [&](LPCITEMIDLIST item, UINT column) {
        SHELLDETAILS d{};
        if (details->GetDetailsOf(item, column, &d) != S_OK) return std::string("<none>");
        LPWSTR out = nullptr;
        StrRetToStrW(&d.str, item, &out);
        std::string s = win::Narrow(out ? out : L"");
        CoTaskMemFree(out);
        return s;
    };
    EXPECT_EQ(text(nullptr, 0), "Name");
    EXPECT_EQ(text(nullptr, 1), "Size");
    EXPECT_EQ(text(nullptr, 2), "<none>");
    EXPECT_EQ(text(readme.get(), 0), "readme.txt");
    EXPECT_EQ(text(readme.get(), 1), "5 bytes");
}

TEST_F(LxFolder, HostileIdentifiersAreRefusedEverywhere) {
    ComPtr<IShellFolder> home = Home();
    Pidl pub = Find(home.get(), SHCONTF_FOLDERS, "pub");
    ASSERT_TRUE(pub);
    auto bytes = [](const void* p, std::size_t n) {
        std::vector<unsigned char> v(static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n);
        v.resize(n + 2, 0);
        return v;
    };
    std::vector<unsigned char> valid = bytes(pub.get(), ItemSize);
    std::vector<std::vector<unsigned char>> hostile;
    hostile.push_back({10, 0, 0, 0, 0x02, 0x90, 0x63, 0x72, 0, 0, 0, 0});  // shorter than 92 bytes
    auto mistyped = valid;                                                  // a directory's node as a file
    mistyped[ItemKindOffset] = 0x04;
    hostile.push_back(mistyped);
    auto foreign = valid;  // another extension's signature
    foreign[ItemSignatureOffset] = 0x11;
    hostile.push_back(foreign);
    auto earlier = valid;  // a handle from an earlier process
    std::mt19937 random(42);
    for (int i = 0; i < 4; ++i) earlier[ItemNodeOffset + i] = static_cast<unsigned char>(random());
    hostile.push_back(earlier);
    // A freed node: the listing was replaced.
    Pidl stale(ILClone(pub.get()));
    LxLibrary::Instance().ResetModel();
    home = Home();
    hostile.push_back(bytes(stale.get(), ItemSize));

    for (std::size_t i = 0; i < hostile.size(); ++i) {
        SCOPED_TRACE(i);
        auto item = reinterpret_cast<LPCITEMIDLIST>(hostile[i].data());
        SFGAOF attributes = 0;
        EXPECT_EQ(home->GetAttributesOf(1, &item, &attributes), E_INVALIDARG);
        STRRET name{};
        EXPECT_EQ(home->GetDisplayNameOf(item, SHGDN_NORMAL, &name), E_INVALIDARG);
        void* out = nullptr;
        EXPECT_EQ(home->BindToObject(item, nullptr, IID_IShellFolder, &out), E_INVALIDARG);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(home->CompareIDs(0, item, item), E_INVALIDARG);
        EXPECT_EQ(home->SetNameOf(nullptr, item, L"x", SHGDN_NORMAL, nullptr), E_INVALIDARG);
        EXPECT_EQ(home->GetUIObjectOf(nullptr, 1, &item, IID_IQueryInfo, nullptr, &out), E_INVALIDARG);
    }
    SFGAOF attributes = 0;
    EXPECT_EQ(home->GetAttributesOf(1, nullptr, &attributes), E_INVALIDARG);
    EXPECT_EQ(home->GetDisplayNameOf(nullptr, SHGDN_NORMAL, nullptr), E_INVALIDARG);
    void* out = nullptr;
    EXPECT_EQ(home->GetUIObjectOf(nullptr, 0, nullptr, IID_IQueryInfo, nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(home->EnumObjects(nullptr, kAll, nullptr), E_INVALIDARG);
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(LxFolder, ASiteThatCannotConnectShowsOneBoxAndNoEnumerator) {
    double_->Scenario("[OpenSession]\r\nHResult=0x80004005\r\n");
    Pidl work = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    ComPtr<IShellFolder> workFolder = Bind(root_.get(), work.get());
    Pidl archive = Find(workFolder.get(), SHCONTF_FOLDERS, "Archive");
    ComPtr<IShellFolder> archiveFolder = Bind(workFolder.get(), archive.get());
    ComPtr<IEnumIDList> e;
    EXPECT_EQ(archiveFolder->EnumObjects(nullptr, kAll, e.Put()), E_FAIL);
    EXPECT_FALSE(e);
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].text, "Cannot connect to Archive!");
    EXPECT_EQ(box_.shown[0].caption, "Connection failed");
}

TEST_F(LxFolder, TheEnumeratorHandsOutCopiesAndRewindsPastTheEnd) {
    ComPtr<IEnumIDList> e;
    ASSERT_EQ(root_->EnumObjects(nullptr, SHCONTF_FOLDERS, e.Put()), S_OK);
    LPITEMIDLIST items[3] = {};
    ULONG fetched = 9;
    EXPECT_EQ(e->Next(3, items, nullptr), E_INVALIDARG);
    EXPECT_EQ(e->Next(3, items, &fetched), S_FALSE);  // two folders only
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(e->Next(1, items + 2, &fetched), S_FALSE);  // at the end: rewinds
    EXPECT_EQ(fetched, 0u);
    LPITEMIDLIST again = nullptr;
    EXPECT_EQ(e->Next(1, &again, &fetched), S_OK);
    EXPECT_NE(again, items[0]);  // a copy, never the same block twice
    EXPECT_EQ(ILGetSize(again), ILGetSize(items[0]));
    EXPECT_EQ(e->Skip(5), S_FALSE);
    EXPECT_EQ(e->Next(1, items + 2, nullptr), S_FALSE);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    IEnumIDList* clone = reinterpret_cast<IEnumIDList*>(1);
    EXPECT_EQ(e->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);
    for (LPITEMIDLIST p : {items[0], items[1], again}) CoTaskMemFree(p);
}

TEST_F(LxFolder, DllCanUnloadNowWhileAnyObjectLives) {
    ComPtr<IEnumIDList> e;
    ASSERT_EQ(root_->EnumObjects(nullptr, SHCONTF_FOLDERS, e.Put()), S_OK);
    root_.Reset();
    EXPECT_EQ(LxCanUnloadNow(), S_FALSE);  // the enumerator
    e.Reset();
    EXPECT_EQ(LxCanUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(LxGetClassObject(kShellFolderClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(LxCanUnloadNow(), S_OK);  // a factory alone does not hold the library
    factory->LockServer(TRUE);
    EXPECT_EQ(LxCanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(LxCanUnloadNow(), S_OK);
}

TEST_F(LxFolder, TheCopyHookDownloadsTheSelectionInPlaceOfTheMarkerFolder) {
    ComPtr<IShellFolder> home = Home();
    Pidl pub = Find(home.get(), SHCONTF_FOLDERS, "pub");
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    const ITEMIDLIST* selection[] = {pub.get(), readme.get()};
    LxLibrary::Instance().Selection().SetLastItems(reinterpret_cast<const ItemIdList* const*>(selection), 2, nullptr);
    ComPtr<ICopyHookA> hook;
    ASSERT_EQ(CreateShellFolder(IID_ICopyHookA, hook.PutVoid()), S_OK);
    const std::string marker = GetTransferTempFolder();
    const std::string local = win::Narrow(double_->Local());
    for (const std::string& target : {std::string(kMarker), "Copy of " + std::string(kMarker), std::string(kMarker) + " (2)"}) {
        SCOPED_TRACE(target);
        double_->Reset();
        CreateDirectoryW(double_->Site(L"pub").c_str(), nullptr);
        WriteTextFile(double_->Site(L"pub\\inside.txt"), "in");
        WriteTextFile(double_->Site(L"readme.txt"), "hello");
        EXPECT_EQ(hook->CopyCallback(nullptr, FO_COPY, 0, (marker + "\\").c_str(), FILE_ATTRIBUTE_DIRECTORY,
                                     (local + target).c_str(), 0),
                  static_cast<UINT>(IDCANCEL));
        const auto dirs = double_->CallsOf("DownloadDirectory");
        const auto files = double_->CallsOf("DownloadFile");
        ASSERT_EQ(dirs.size(), 1u);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_NE(dirs[0].find("\t/pub\t" + local + "pub\\"), std::string::npos) << dirs[0];
        EXPECT_NE(files[0].find("\t" + local + "readme.txt\t/readme.txt\t5\t"), std::string::npos) << files[0];
        EXPECT_EQ(ReadTextFile(double_->Local(L"readme.txt")), "hello");
        EXPECT_EQ(ReadTextFile(double_->Local(L"pub\\inside.txt")), "in");
    }
    // On a thread of its own without COM, as the shell may call it: COM is initialised for the
    // call and left as it was found.
    double_->Reset();
    WriteTextFile(double_->Site(L"readme.txt"), "hello");
    std::thread([&] {
        EXPECT_EQ(hook->CopyCallback(nullptr, FO_MOVE, 0, marker.c_str(), 0, (local + kMarker).c_str(), 0),
                  static_cast<UINT>(IDCANCEL));
        const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_EQ(after, S_OK);  // not S_FALSE or RPC_E_CHANGED_MODE: the hook's initialisation was undone
        if (SUCCEEDED(after)) CoUninitialize();
    }).join();
    EXPECT_EQ(double_->CallsOf("DownloadFile").size(), 1u);

    // Other folders, and other operations on the marker folder, are the shell's.
    double_->Reset();
    EXPECT_EQ(hook->CopyCallback(nullptr, FO_COPY, 0, local.c_str(), 0, (local + "x").c_str(), 0), static_cast<UINT>(IDYES));
    EXPECT_EQ(hook->CopyCallback(nullptr, FO_DELETE, 0, marker.c_str(), 0, "", 0), static_cast<UINT>(IDYES));
    EXPECT_EQ(hook->CopyCallback(nullptr, FO_RENAME, 0, marker.c_str(), 0, (marker + "x").c_str(), 0), static_cast<UINT>(IDYES));
    EXPECT_TRUE(double_->Calls().empty());
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(LxFolder, TheCopyHookRefusesAHostileNameAndWritesNothingOutside) {
    double_->Scenario("[ListDirectory]\r\nListing=-rw-r--r-- 1 owner group 5 Jan 01 12:00 ..\\..\\evil.txt\\n"
                      "-rw-r--r-- 1 owner group 5 Jan 01 12:00 readme.txt\r\n");
    ComPtr<IShellFolder> home = Home();
    std::vector<Pidl> files = Enumerate(home.get(), SHCONTF_NONFOLDERS);
    ASSERT_EQ(Names(home.get(), files), (std::vector<std::string>{"..\\..\\evil.txt", "readme.txt"}));
    const ITEMIDLIST* selection[] = {files[0].get(), files[1].get()};
    LxLibrary::Instance().Selection().SetLastItems(reinterpret_cast<const ItemIdList* const*>(selection), 2, nullptr);
    ComPtr<ICopyHookA> hook;
    ASSERT_EQ(CreateShellFolder(IID_ICopyHookA, hook.PutVoid()), S_OK);
    CreateDirectoryW(double_->Local(L"deep").c_str(), nullptr);
    CreateDirectoryW(double_->Local(L"deep\\er").c_str(), nullptr);
    const std::string target = win::Narrow(double_->Local(L"deep\\er\\")) + kMarker;
    EXPECT_EQ(hook->CopyCallback(nullptr, FO_COPY, 0, GetTransferTempFolder().c_str(), 0, target.c_str(), 0),
              static_cast<UINT>(IDCANCEL));
    const auto downloads = double_->CallsOf("DownloadFile");
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_NE(downloads[0].find("deep\\er\\readme.txt"), std::string::npos);
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_NE(box_.shown[0].text.find("..\\..\\evil.txt"), std::string::npos);
    EXPECT_FALSE(Exists(double_->Local(L"evil.txt")));
    EXPECT_FALSE(Exists(double_->Root() + L"evil.txt"));
}

TEST(LxLanguage, ChosenFromAModulesVersionResource) {
    const std::wstring folder = FolderOf(win::ModulePath()) + L"languages\\";
    struct Case { const wchar_t* module; int id; int language; const char* places; } cases[] = {
        {L"lx_language_de.dll", 0x0407, 2, "LARK-FTP Verbindungen"},
        {L"lx_language_fr.dll", 0x040C, 3, "Connexions LARK-FTP"},
        {L"lx_language_frbe.dll", 0x080C, 3, "Connexions LARK-FTP"},
        {L"lx_language_en.dll", 0x0409, 1, "LARK-FTP Network Places"},
        {L"lx_language_it.dll", 0x0410, 1, "LARK-FTP Network Places"},
        {L"lx_language_none.dll", -1, 1, "LARK-FTP Network Places"},
        {L"no such module.dll", -1, 1, "LARK-FTP Network Places"},
    };
    HRSRC info = FindResourceW(nullptr, L"TDM", MAKEINTRESOURCEW(10));
    ASSERT_NE(info, nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, info)));
    for (const Case& c : cases) {
        SCOPED_TRACE(win::Narrow(c.module));
        const int id = ModuleLanguageId(folder + c.module);
        EXPECT_EQ(id, c.id);
        auto dm = TDM::Create(std::span(bytes, SizeofResource(nullptr, info)), id);
        EXPECT_EQ(dm->Language(), c.language);
        EXPECT_EQ(dm->Text("STR_50"), c.places);
    }
    // The system's own user32.dll has a readable language.
    EXPECT_GT(ModuleLanguageId(L"user32.dll"), 0);
}
