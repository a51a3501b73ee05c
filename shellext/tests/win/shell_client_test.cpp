// A shell client of lx written from the shell's contracts alone: it loads the real lx.dll as
// Explorer does (LoadLibrary, DllGetClassObject, IPersistFolder::Initialize), browses it against
// the registered main-client double, and sends it what a careless or hostile caller might:
// random and truncated item lists, items of other folders and other extensions, hostile drop
// blocks, names that are paths. It knows lx's items only as the opaque blocks lx handed out.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mainclient_double/double_support.h"
#include "win/com_ptr.h"
#include "win/object.h"
#include "win/text.h"

__CRT_UUID_DECL(IExtractIconA, 0x000214eb, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IExtractIconW, 0x000214fa, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IQueryInfo, 0x00021500, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(ICopyHookW, 0x000214fc, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

using namespace lark;
using namespace lark::testing;
using win::ComPtr;

namespace {

const CLSID kLxClassId = {0x33D0B7CC, 0x535E, 0x4CD0, {0xB3, 0x3A, 0x93, 0x43, 0x72, 0xB1, 0xAE, 0xFD}};
const wchar_t kMarker[] = L"{A9D3D103-4CCD-4BDE-A11A-04D527EF71CE}";

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// The bytes of an identifier list up to and including its terminator.
std::vector<std::uint8_t> BytesOf(LPCITEMIDLIST list) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(list);
    std::size_t size = 0;
    while (p[size] | p[size + 1]) size += p[size] | (p[size + 1] << 8);
    return std::vector<std::uint8_t>(p, p + size + 2);
}

// Two pages, the second one not readable: a block placed at the end of the first faults on any
// read past its end.
class GuardedBlock {
public:
    GuardedBlock() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedBlock() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;
    // The bytes placed so that the last one is the last readable byte.
    LPITEMIDLIST Place(const std::vector<std::uint8_t>& bytes) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), page_);
        std::uint8_t* at = base_ + page_ - n;
        std::memcpy(at, bytes.data(), n);
        return reinterpret_cast<LPITEMIDLIST>(at);
    }

private:
    std::uint8_t* base_ = nullptr;
    std::size_t page_ = 4096;
};

// A data object that offers one CF_HDROP medium as it was given, however hostile.
class HDropData : public win::ComObject<IDataObject> {
public:
    explicit HDropData(std::vector<std::uint8_t> block, bool nullHandle = false)
        : block_(std::move(block)), nullHandle_(nullHandle) {}
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium) return E_INVALIDARG;
        if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        medium->tymed = TYMED_HGLOBAL;
        medium->pUnkForRelease = nullptr;
        medium->hGlobal = nullptr;
        if (nullHandle_) return S_OK;
        medium->hGlobal = GlobalAlloc(GMEM_MOVEABLE, std::max<std::size_t>(block_.size(), 1));
        if (!block_.empty()) {
            void* p = GlobalLock(medium->hGlobal);
            std::memcpy(p, block_.data(), block_.size());
            GlobalUnlock(medium->hGlobal);
        }
        ++handedOut;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) override {
        if (out) *out = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    int handedOut = 0;

private:
    std::vector<std::uint8_t> block_;
    bool nullHandle_;
};

// A DROPFILES block: the header with pFiles and fWide, then the names as given (each with its
// zero), then the list's closing zero unless `terminate` is false.
std::vector<std::uint8_t> DropBlock(std::uint32_t offset, bool wide, const std::vector<std::wstring>& names,
                                    bool terminate = true) {
    std::vector<std::uint8_t> block(20, 0);
    std::memcpy(block.data(), &offset, 4);
    block[16] = wide ? 1 : 0;
    auto unit = [&](wchar_t c) {
        block.push_back(static_cast<std::uint8_t>(c));
        if (wide) block.push_back(static_cast<std::uint8_t>(c >> 8));
    };
    for (const std::wstring& name : names) {
        for (wchar_t c : name) unit(c);
        unit(0);
    }
    if (terminate) unit(0);
    return block;
}

class ShellClient : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        double_ = new DoubleSetup(win::Widen(LARK_DOUBLE_EXE), L"shellclient");
        ASSERT_TRUE(double_->Register());
        double_->Reset();
        Populate();
        dll_ = LoadLibraryW((FolderOf(win::ModulePath()) + L"lx.dll").c_str());
        ASSERT_NE(dll_, nullptr);
        auto getClass = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
        ASSERT_NE(getClass, nullptr);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClass(kLxClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellFolder, reinterpret_cast<void**>(&root_)), S_OK);
        ComPtr<IPersistFolder> persist;
        ASSERT_EQ(root_->QueryInterface(IID_IPersistFolder, persist.PutVoid()), S_OK);
        auto* desktop = static_cast<ITEMIDLIST*>(CoTaskMemAlloc(2));
        std::memset(desktop, 0, 2);
        ASSERT_EQ(persist->Initialize(desktop), S_OK);
        CoTaskMemFree(desktop);
    }
    static void TearDownTestSuite() {
        if (root_) root_->Release();
        root_ = nullptr;
        // lx.dll stays loaded: Explorer, too, frees it only when DllCanUnloadNow agrees.
        delete double_;
        OleUninitialize();
    }
    static void Populate() {
        CreateDirectoryW(double_->Site(L"pub").c_str(), nullptr);
        CreateDirectoryW(double_->Site(L"pub\\incoming").c_str(), nullptr);
        CreateDirectoryW(double_->Site(L"docs").c_str(), nullptr);
        WriteTextFile(double_->Site(L"readme.txt"), "hello");
        WriteTextFile(double_->Site(L"pub\\inside.txt"), "in");
        WriteTextFile(double_->Site(L"old.txt"), "x");
    }

    static std::vector<Pidl> Enumerate(IShellFolder* folder, SHCONTF flags) {
        std::vector<Pidl> items;
        ComPtr<IEnumIDList> e;
        if (folder->EnumObjects(nullptr, flags, e.Put()) != S_OK || !e) return items;
        LPITEMIDLIST item = nullptr;
        while (e->Next(1, &item, nullptr) == S_OK) items.emplace_back(item);
        return items;
    }
    static std::string Name(IShellFolder* folder, LPCITEMIDLIST item) {
        STRRET ret{};
        if (folder->GetDisplayNameOf(item, SHGDN_NORMAL, &ret) != S_OK) return "<refused>";
        wchar_t text[MAX_PATH] = L"";
        StrRetToBufW(&ret, item, text, MAX_PATH);
        return win::Narrow(text);
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
    // A list of the items' bytes joined (each without its terminator), terminated.
    static std::vector<std::uint8_t> Join(std::initializer_list<LPCITEMIDLIST> items) {
        std::vector<std::uint8_t> out;
        for (LPCITEMIDLIST item : items) {
            std::vector<std::uint8_t> bytes = BytesOf(item);
            out.insert(out.end(), bytes.begin(), bytes.end() - 2);
        }
        out.push_back(0);
        out.push_back(0);
        return out;
    }
    // Calls of the double that change something on the site or in the site database.
    static std::vector<std::string> Changes() {
        std::vector<std::string> changes;
        for (const std::string& line : double_->Calls()) {
            const std::string method = line.substr(0, line.find('\t'));
            if (method != "OpenSession" && method != "ListDirectory" && method != "SetAutomationMode") changes.push_back(line);
        }
        return changes;
    }

    static inline DoubleSetup* double_ = nullptr;
    static inline HMODULE dll_ = nullptr;
    static inline IShellFolder* root_ = nullptr;
};

// Random and truncated item lists, built from the items lx handed out: counts that lie (far
// past the block, which ends right after them at a guard page), bytes spoilt, items of one
// folder sent to another, items of other extensions. Every method of every kind of folder must
// answer without a fault, refuse whatever is not its own item, and never reach the main client.
TEST_F(ShellClient, RandomAndTruncatedItemListsAreRefusedAndNeverCrash) {
    Pidl work = Find(root_, SHCONTF_FOLDERS, "Work");
    Pidl home = Find(root_, SHCONTF_FOLDERS, "Home");
    ASSERT_TRUE(work && home);
    ComPtr<IShellFolder> workFolder = Bind(root_, work.get());
    ComPtr<IShellFolder> homeFolder = Bind(root_, home.get());
    Pidl pub = Find(homeFolder.get(), SHCONTF_FOLDERS, "pub");
    ASSERT_TRUE(pub);
    ComPtr<IShellFolder> pubFolder = Bind(homeFolder.get(), pub.get());
    IShellFolder* folders[] = {root_, workFolder.get(), homeFolder.get(), pubFolder.get()};
    std::vector<std::vector<std::uint8_t>> pool;
    for (IShellFolder* folder : folders)
        for (const Pidl& item : Enumerate(folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS)) pool.push_back(BytesOf(item.get()));
    ASSERT_GE(pool.size(), 6u);
    const std::size_t ourSize = pool[0].size() - 2;
    const std::size_t before = Changes().size();

    std::mt19937 random(20261211);
    auto below = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    GuardedBlock guard;
    GuardedBlock second;
    int lying = 0;
    int accepted = 0;
    int acceptedLies = 0;
    constexpr int kCases = 100000;
    for (int i = 0; i < kCases; ++i) {
        // 0 to 3 items of lx (maybe spoilt), then maybe one whose count lies, cut after its count.
        std::vector<std::uint8_t> bytes;
        const std::size_t items = below(4);
        for (std::size_t k = 0; k < items; ++k) {
            std::vector<std::uint8_t> item = pool[below(pool.size())];
            item.resize(item.size() - 2);
            if (below(4) == 0) item[2 + below(item.size() - 2)] = static_cast<std::uint8_t>(random());
            bytes.insert(bytes.end(), item.begin(), item.end());
        }
        const bool lies = below(3) != 0;
        if (lies) {
            std::uint16_t cb = static_cast<std::uint16_t>(random());
            if (cb == ourSize || cb == 0) cb = 0xFFF0;
            bytes.push_back(static_cast<std::uint8_t>(cb));
            bytes.push_back(static_cast<std::uint8_t>(cb >> 8));
            const std::size_t tail = below(std::min<std::size_t>(cb, 200));
            for (std::size_t k = 0; k < tail; ++k) bytes.push_back(static_cast<std::uint8_t>(random()));
            ++lying;
        } else {
            bytes.push_back(0);
            bytes.push_back(0);
        }
        LPITEMIDLIST list = guard.Place(bytes);
        LPCITEMIDLIST other = second.Place(pool[below(pool.size())]);
        IShellFolder* folder = folders[below(4)];
        HRESULT hr = E_FAIL;
        switch (below(10)) {
            case 0: {
                STRRET ret{};
                hr = folder->GetDisplayNameOf(list, SHGDN_NORMAL, &ret);
                if (hr == S_OK && ret.uType == STRRET_WSTR) CoTaskMemFree(ret.pOleStr);
                break;
            }
            case 1: {
                SFGAOF attributes = 0xFFFFFFFF;
                LPCITEMIDLIST lists[] = {other, list};
                hr = folder->GetAttributesOf(2, lists, &attributes);
                break;
            }
            case 2: {
                ComPtr<IShellFolder> child;
                hr = folder->BindToObject(list, nullptr, IID_IShellFolder, child.PutVoid());
                break;
            }
            case 3:
                hr = folder->CompareIDs(0, list, other);
                if (SUCCEEDED(hr)) hr = folder->CompareIDs(0, other, list);
                break;
            case 4: {
                LPITEMIDLIST renamed = nullptr;
                hr = folder->SetNameOf(nullptr, list, L"fuzz/renamed", SHGDN_NORMAL, &renamed);
                if (renamed) CoTaskMemFree(renamed);
                if (hr == S_OK) ADD_FAILURE() << "a name with a slash was taken";
                break;
            }
            default: {
                const IID* ids[] = {&IID_IQueryInfo, &IID_IExtractIconA, &IID_IExtractIconW, &IID_IContextMenu,
                                    &IID_IDataObject, &IID_IDropTarget};
                ComPtr<IUnknown> object;
                LPCITEMIDLIST lists[] = {list, other};
                hr = folder->GetUIObjectOf(nullptr, 1 + static_cast<UINT>(below(2)), lists, *ids[below(6)], nullptr,
                                           object.PutVoid());
                break;
            }
        }
        if (SUCCEEDED(hr)) {
            ++accepted;
            if (lies) ++acceptedLies;
        }
    }
    std::printf("%d lists (%d with a lying count), %d answered with success, 0 faults\n", kCases, lying, accepted);
    EXPECT_EQ(acceptedLies, 0);
    const std::vector<std::string> changes = Changes();
    EXPECT_EQ(changes.size(), before) << (changes.empty() ? std::string() : changes.back());
}

// The hostile blocks a shell client sent: each is refused, and nothing reaches the main client.
TEST_F(ShellClient, HostileBlocksNamesAndItemsAreRefusedWithNothingCalled) {
    Pidl home = Find(root_, SHCONTF_FOLDERS, "Home");
    Pidl work = Find(root_, SHCONTF_FOLDERS, "Work");
    ASSERT_TRUE(home && work);
    ComPtr<IShellFolder> workFolder = Bind(root_, work.get());
    Pidl archive = Find(workFolder.get(), SHCONTF_FOLDERS, "Archive");
    ASSERT_TRUE(archive);
    ComPtr<IShellFolder> homeFolder = Bind(root_, home.get());
    Pidl pub = Find(homeFolder.get(), SHCONTF_FOLDERS, "pub");
    Pidl readme = Find(homeFolder.get(), SHCONTF_NONFOLDERS, "readme.txt");
    ASSERT_TRUE(pub && readme);
    const std::size_t before = Changes().size();

    // Drop blocks onto the site and onto one of its directories.
    const std::wstring local = double_->Local(L"upload.txt");
    WriteTextFile(local, "up");
    struct DropCase {
        const char* what;
        std::vector<std::uint8_t> block;
        bool nullHandle;
    } drops[] = {
        {"offset past the end", DropBlock(4000, true, {local}), false},
        {"offset into the header", DropBlock(8, true, {local}), false},
        {"negative offset", DropBlock(0xFFFFFFF0u, true, {local}), false},
        {"wide list without its closing empty name", DropBlock(20, true, {local}, false), false},
        {"ANSI list without its closing empty name", DropBlock(20, false, {local}, false), false},
        {"block shorter than its header", std::vector<std::uint8_t>{20, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
        {"null HGLOBAL", {}, true},
    };
    for (LPCITEMIDLIST target : {static_cast<LPCITEMIDLIST>(home.get()), static_cast<LPCITEMIDLIST>(pub.get())}) {
        IShellFolder* owner = target == home.get() ? root_ : homeFolder.get();
        for (const DropCase& c : drops) {
            SCOPED_TRACE(c.what);
            ComPtr<IDropTarget> drop;
            ASSERT_EQ(owner->GetUIObjectOf(nullptr, 1, &target, IID_IDropTarget, nullptr, drop.PutVoid()), S_OK);
            auto* data = new HDropData(c.block, c.nullHandle);
            DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
            drop->DragEnter(data, 0, POINTL{0, 0}, &effect);
            effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
            drop->Drop(data, 0, POINTL{0, 0}, &effect);
            EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
            data->Release();
        }
    }
    // The same drop with a sound block is taken: the refusals above were the blocks'.
    {
        LPCITEMIDLIST target = pub.get();
        ComPtr<IDropTarget> drop;
        ASSERT_EQ(homeFolder->GetUIObjectOf(nullptr, 1, &target, IID_IDropTarget, nullptr, drop.PutVoid()), S_OK);
        auto* data = new HDropData(DropBlock(20, true, {local}));
        DWORD effect = DROPEFFECT_COPY;
        drop->DragEnter(data, 0, POINTL{0, 0}, &effect);
        effect = DROPEFFECT_COPY;
        EXPECT_EQ(drop->Drop(data, 0, POINTL{0, 0}, &effect), S_OK);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
        data->Release();
        const std::vector<std::string> uploads = double_->CallsOf("UploadFile");
        ASSERT_EQ(uploads.size(), 1u);
        EXPECT_NE(uploads[0].find("upload.txt"), std::string::npos);
    }
    const std::size_t afterUpload = Changes().size();

    // Names that are paths, controls or too long, from a program (no window): E_INVALIDARG.
    for (const std::wstring& name : {std::wstring(10000, L'p'), std::wstring(L"a/b"), std::wstring(L"..\\b"),
                                     std::wstring(L"tab\there")}) {
        LPITEMIDLIST out = reinterpret_cast<LPITEMIDLIST>(1);
        EXPECT_EQ(root_->SetNameOf(nullptr, home.get(), name.c_str(), SHGDN_NORMAL, &out), E_INVALIDARG);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(homeFolder->SetNameOf(nullptr, readme.get(), name.c_str(), SHGDN_NORMAL, nullptr), E_INVALIDARG);
    }
    // An item of another folder: the profile in "Work" is no item of the root or the site.
    EXPECT_EQ(root_->SetNameOf(nullptr, archive.get(), L"Renamed", SHGDN_NORMAL, nullptr), E_INVALIDARG);
    EXPECT_EQ(homeFolder->SetNameOf(nullptr, archive.get(), L"Renamed", SHGDN_NORMAL, nullptr), E_INVALIDARG);
    EXPECT_EQ(homeFolder->SetNameOf(nullptr, home.get(), L"Renamed", SHGDN_NORMAL, nullptr), E_INVALIDARG);
    STRRET ret{};
    EXPECT_EQ(root_->GetDisplayNameOf(readme.get(), SHGDN_NORMAL, &ret), E_INVALIDARG);
    SFGAOF attributes = 0;
    LPCITEMIDLIST foreignFolder[] = {archive.get()};
    EXPECT_EQ(homeFolder->GetAttributesOf(1, foreignFolder, &attributes), E_INVALIDARG);
    ComPtr<IShellFolder> child;
    EXPECT_EQ(workFolder->BindToObject(pub.get(), nullptr, IID_IShellFolder, child.PutVoid()), E_INVALIDARG);
    EXPECT_EQ(root_->CompareIDs(0, archive.get(), home.get()), E_INVALIDARG);
    // Null lists.
    EXPECT_EQ(root_->CompareIDs(0, nullptr, home.get()), E_INVALIDARG);
    EXPECT_EQ(root_->CompareIDs(0, home.get(), nullptr), E_INVALIDARG);
    // Items of another extension's format: a short one, and one of our size with another signature.
    std::vector<std::uint8_t> shortForeign(22, 0x41);
    shortForeign[0] = 20;
    shortForeign[1] = 0;
    shortForeign[20] = shortForeign[21] = 0;
    std::vector<std::uint8_t> sameSize = BytesOf(home.get());
    sameSize[6] ^= 0x55;
    for (const std::vector<std::uint8_t>& foreign : {shortForeign, sameSize}) {
        auto list = reinterpret_cast<LPCITEMIDLIST>(foreign.data());
        EXPECT_EQ(root_->GetDisplayNameOf(list, SHGDN_NORMAL, &ret), E_INVALIDARG);
        EXPECT_EQ(root_->CompareIDs(0, list, home.get()), E_INVALIDARG);
        EXPECT_EQ(root_->SetNameOf(nullptr, list, L"x", SHGDN_NORMAL, nullptr), E_INVALIDARG);
        ComPtr<IContextMenu> menu;
        EXPECT_EQ(root_->GetUIObjectOf(nullptr, 1, &list, IID_IContextMenu, nullptr, menu.PutVoid()), E_INVALIDARG);
    }
    const std::vector<std::string> changes = Changes();
    EXPECT_EQ(afterUpload, before + 1);
    EXPECT_EQ(changes.size(), afterUpload) << (changes.empty() ? std::string() : changes.back());
}

// Lists compare level by level: the same last item under two parents is two items.
TEST_F(ShellClient, CompareIDsComparesWholeListsLevelByLevel) {
    Pidl home = Find(root_, SHCONTF_FOLDERS, "Home");
    Pidl work = Find(root_, SHCONTF_FOLDERS, "Work");
    ComPtr<IShellFolder> workFolder = Bind(root_, work.get());
    Pidl archive = Find(workFolder.get(), SHCONTF_FOLDERS, "Archive");  // a site that starts at /pub
    ComPtr<IShellFolder> homeFolder = Bind(root_, home.get());
    ComPtr<IShellFolder> archiveFolder = Bind(workFolder.get(), archive.get());
    Pidl pub = Find(homeFolder.get(), SHCONTF_FOLDERS, "pub");
    Pidl docs = Find(homeFolder.get(), SHCONTF_FOLDERS, "docs");
    ComPtr<IShellFolder> pubFolder = Bind(homeFolder.get(), pub.get());
    Pidl incoming = Find(pubFolder.get(), SHCONTF_FOLDERS, "incoming");
    Pidl archiveIncoming = Find(archiveFolder.get(), SHCONTF_FOLDERS, "incoming");
    ASSERT_TRUE(pub && docs && incoming && archiveIncoming);
    const std::vector<std::uint8_t> homePub = Join({home.get(), pub.get()});
    const std::vector<std::uint8_t> homeDocs = Join({home.get(), docs.get()});
    const std::vector<std::uint8_t> homePubIncoming = Join({home.get(), pub.get(), incoming.get()});
    const std::vector<std::uint8_t> workArchiveIncoming = Join({work.get(), archive.get(), archiveIncoming.get()});
    const std::vector<std::uint8_t> workArchive = Join({work.get(), archive.get()});
    auto L = [](const std::vector<std::uint8_t>& b) { return reinterpret_cast<LPCITEMIDLIST>(b.data()); };
    auto order = [&](LPCITEMIDLIST a, LPCITEMIDLIST b) {
        const HRESULT hr = root_->CompareIDs(0, a, b);
        EXPECT_TRUE(SUCCEEDED(hr));
        return static_cast<short>(HRESULT_CODE(hr));
    };
    struct Case { const char* what; LPCITEMIDLIST a; LPCITEMIDLIST b; short want; } cases[] = {
        {"/Home/pub, itself", L(homePub), L(homePub), 0},
        {"/Home/pub/incoming, /Work/Archive/incoming", L(homePubIncoming), L(workArchiveIncoming), 1},
        {"/Work/Archive/incoming, /Home/pub/incoming", L(workArchiveIncoming), L(homePubIncoming), -1},
        {"/Home/docs, /Home/pub", L(homeDocs), L(homePub), -1},
        {"/Home/pub, /Home/docs", L(homePub), L(homeDocs), 1},
        {"/Home, /Home/pub", home.get(), L(homePub), -1},
        {"/Home/pub, /Home", L(homePub), home.get(), 1},
        {"/Home/pub, /Home/pub/incoming", L(homePub), L(homePubIncoming), -1},
        {"/Work/Archive, /Work/Archive/incoming", L(workArchive), L(workArchiveIncoming), -1},
        {"/Home/pub/incoming, itself", L(homePubIncoming), L(homePubIncoming), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(order(c.a, c.b), c.want) << c.what;
}

// The wide copy hook builds the destination from the wide path: a folder whose name the ANSI
// code page cannot hold receives the download under its own name.
TEST_F(ShellClient, TheWideCopyHookDownloadsIntoAFolderNamedInCyrillic) {
    Pidl home = Find(root_, SHCONTF_FOLDERS, "Home");
    ComPtr<IShellFolder> homeFolder = Bind(root_, home.get());
    Pidl readme = Find(homeFolder.get(), SHCONTF_NONFOLDERS, "readme.txt");
    ASSERT_TRUE(readme);
    // The selection is recorded when the data object hands out its data, as on a copy.
    LPCITEMIDLIST items[] = {readme.get()};
    ComPtr<IDataObject> data;
    ASSERT_EQ(homeFolder->GetUIObjectOf(nullptr, 1, items, IID_IDataObject, nullptr, data.PutVoid()), S_OK);
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&format, &medium), S_OK);
    wchar_t marker[MAX_PATH] = L"";
    ASSERT_GT(DragQueryFileW(static_cast<HDROP>(medium.hGlobal), 0, marker, MAX_PATH), 0u);
    ReleaseStgMedium(&medium);

    const std::wstring folder = double_->Local(L"\x043F\x0430\x043F\x043A\x0430");  // "папка"
    CreateDirectoryW(folder.c_str(), nullptr);
    ComPtr<ICopyHookW> hook;
    ASSERT_EQ(root_->QueryInterface(__uuidof(ICopyHookW), hook.PutVoid()), S_OK);
    const std::size_t downloads = double_->CallsOf("DownloadFile").size();
    EXPECT_EQ(hook->CopyCallback(nullptr, FO_COPY, 0, marker, FILE_ATTRIBUTE_DIRECTORY,
                                 (folder + L"\\" + kMarker).c_str(), 0),
              static_cast<UINT>(IDCANCEL));
    const std::vector<std::string> calls = double_->CallsOf("DownloadFile");
    ASSERT_EQ(calls.size(), downloads + 1);
    EXPECT_NE(calls.back().find(win::Narrow(folder + L"\\readme.txt")), std::string::npos) << calls.back();
    EXPECT_EQ(ReadTextFile(folder + L"\\readme.txt"), "hello");
    EXPECT_EQ(calls.back().find('?'), std::string::npos) << calls.back();
}

// SetNameOf answers the renamed item's identifier, under its new name, and announces a file's
// rename as an item rename.
TEST_F(ShellClient, SetNameOfAnswersTheNewIdentifier) {
    Pidl home = Find(root_, SHCONTF_FOLDERS, "Home");
    ComPtr<IShellFolder> homeFolder = Bind(root_, home.get());
    Pidl file = Find(homeFolder.get(), SHCONTF_NONFOLDERS, "old.txt");
    ASSERT_TRUE(file);
    LPITEMIDLIST out = nullptr;
    ASSERT_EQ(homeFolder->SetNameOf(nullptr, file.get(), L"new.txt", SHGDN_NORMAL, &out), S_OK);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(Name(homeFolder.get(), out), "new.txt");
    EXPECT_EQ(homeFolder->CompareIDs(0, out, file.get()), S_OK);  // the same item
    CoTaskMemFree(out);
    EXPECT_TRUE(Exists(double_->Site(L"new.txt")));
    EXPECT_EQ(homeFolder->SetNameOf(nullptr, file.get(), L"newer.txt", SHGDN_NORMAL, nullptr), S_OK);
    EXPECT_TRUE(Exists(double_->Site(L"newer.txt")));
}

}  // namespace
