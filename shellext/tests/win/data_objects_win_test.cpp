// The clipboard and drag data and the drop target under Wine: OLE round trips of the data source
// (formats, media, enumerator, clipboard), the folder's drag data, and the drop target's choices
// against items of the double's site, with the actions a drop hands over to recorded.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "shellext/item_ids.h"
#include "shellext/model/site_model.h"
#include "shellext/selection_list.h"
#include "shellext/transfer_folder.h"
#include "shellext/win/data_objects.h"
#include "shellext/win/lx_library.h"
#include "win/com_ptr.h"
#include "win/object.h"
#include "win/text.h"
#include "lx_test_root.h"
#include "mainclient_double/double_support.h"
#include "local_files_data.h"

using namespace lark;
using namespace lark::shellext;
using namespace lark::testing;
using win::ComPtr;
using LocalFiles = lark::testing::LocalFilesData;

namespace {

const ItemIdList* AsItems(LPCITEMIDLIST list) { return reinterpret_cast<const ItemIdList*>(list); }

FORMATETC Request(UINT format, DWORD tymed = TYMED_HGLOBAL) {
    return FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, tymed};
}

// The view window's rows as the drop target sees them.
class FakeRows : public DropRows {
public:
    std::vector<const ItemIdList*> items;  // by row; y / 10 is the row under a point
    std::vector<bool> highlighted;
    int DropRowAt(POINT p) override {
        const int row = p.y / 10;
        return p.y >= 0 && row < static_cast<int>(items.size()) ? row : -1;
    }
    const ItemIdList* DropRowItem(int row) override { return items.at(static_cast<std::size_t>(row)); }
    void SetDropHighlight(int row, bool on) override {
        highlighted.resize(items.size());
        highlighted.at(static_cast<std::size_t>(row)) = on;
    }
    bool IsHighlighted(int row) const {
        return row >= 0 && static_cast<std::size_t>(row) < highlighted.size() && highlighted[row];
    }
    int HighlightedCount() const {
        int n = 0;
        for (bool h : highlighted) n += h;
        return n;
    }
};

// The actions a drop hands over to, recorded.
class FakeActions : public DropActions {
public:
    bool valid = true;
    struct Call {
        std::string what;
        std::string target;  // the target's display name, "" for none
        DWORD effect;
        std::size_t selection;
    };
    std::vector<Call> calls;
    std::function<void()> duringPaste;  // what happens while a paste pumps messages
    bool IsValidDropTarget(const ItemIdList*) override { return valid; }
    HRESULT PasteProfiles(const ItemIdList* target, IDataObject*, DWORD effect) override {
        calls.push_back({"profiles", Name(target), effect, SelectionList::Global().Count()});
        return S_OK;
    }
    HRESULT PasteFileObjects(const ItemIdList* target, IDataObject*, DWORD effect) override {
        if (duringPaste) duringPaste();
        calls.push_back({"files", Name(target), effect, SelectionList::Global().Count()});
        return S_OK;
    }
    static std::string Name(const ItemIdList* item) { return item ? DisplayNameOf(item).value_or("?") : ""; }
};

// An object whose references are counted, standing for a folder or a view.
class Counted : public win::ComObject<IUnknown> {
public:
    ULONG Count() {
        AddRef();
        return Release();
    }
};

class LxData : public LxComSuite {
protected:
    static void SetUpTestSuite() { StartSuite({.doubleName = L"lxdata", .answerBoxes = false}); }
    static void TearDownTestSuite() { EndSuite(); }

    void SetUp() override {
        double_->Reset();
        CreateDirectoryW(double_->Site(L"pub").c_str(), nullptr);
        CreateDirectoryW(double_->Site(L"docs").c_str(), nullptr);
        WriteTextFile(double_->Site(L"readme.txt"), "hello");
        LxLibrary::Instance().ResetModel();
        SelectionList::Global().Clear();
        libraryActions_ = SetDropActions(&actions_);
        root_ = NewLxRoot();
        std::vector<Pidl> sites = FindAll(root_.get(), {"Work", "Home"});
        work_ = std::move(sites[0]);
        home_ = std::move(sites[1]);
        ASSERT_TRUE(work_ && home_);
        ASSERT_EQ(root_->BindToObject(home_.get(), nullptr, IID_IShellFolder, homeFolder_.PutVoid()), S_OK);
        // One listing: a second one would replace the nodes.
        std::vector<Pidl> items = FindAll(homeFolder_.get(), {"pub", "readme.txt", "docs"});
        pub_ = std::move(items[0]);
        readme_ = std::move(items[1]);
        docs_ = std::move(items[2]);
        ASSERT_TRUE(pub_ && readme_ && docs_);
    }
    void TearDown() override {
        SetDropActions(libraryActions_);
        OleSetClipboard(nullptr);
        SelectionList::Global().Clear();
    }

    // A drop target of a view of Home over these rows.
    ComPtr<IDropTarget> HomeViewTarget(FakeRows& rows) {
        ComPtr<IDropTarget> target;
        EXPECT_EQ(CreateDataTarget(homeFolder_.get(), homeFolder_.get(), &rows, AsItems(home_.get()),
                                   AsItems(home_.get()), nullptr, IID_IDropTarget, target.PutVoid()),
                  S_OK);
        return target;
    }
    // Local files of another program.
    static ComPtr<IDataObject> ForeignFiles() {
        ComPtr<IDataObject> files(new LocalFiles({L"C:\\x.txt"}));
        files->Release();
        return files;
    }
    // The items of these names, from one enumeration.
    static std::vector<Pidl> FindAll(IShellFolder* folder, const std::vector<std::string>& names) {
        std::vector<Pidl> found(names.size());
        ComPtr<IEnumIDList> e;
        if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, e.Put()) != S_OK) return found;
        LPITEMIDLIST item = nullptr;
        while (e->Next(1, &item, nullptr) == S_OK) {
            Pidl p(item);
            for (std::size_t i = 0; i < names.size(); ++i)
                if (!found[i] && DisplayNameOf(AsItems(item)).value_or("") == names[i]) found[i] = std::move(p);
        }
        return found;
    }
    // The items joined by the item-list convention.
    static OwnedPidl Run(std::vector<LPCITEMIDLIST> lists) {
        return OwnedPidl(JoinLastItems(reinterpret_cast<const ItemIdList* const*>(lists.data()),
                                       static_cast<unsigned>(lists.size())));
    }
    static ComPtr<IDataObject> Source(std::vector<LPCITEMIDLIST> lists, const ItemIdList* folderList = nullptr) {
        OwnedPidl items = Run(lists);
        ComPtr<IDataObject> data;
        EXPECT_EQ(CreateDataSource(folderList, items.get(), static_cast<unsigned>(lists.size()), nullptr,
                                   IID_IDataObject, data.PutVoid()),
                  S_OK);
        return data;
    }
    static std::vector<std::string> SelectionNames() {
        std::vector<std::string> names;
        for (const OwnedPidl& item : SelectionList::Global().Items()) names.push_back(FakeActions::Name(item.get()));
        return names;
    }
    // The names of a CF_HDROP medium.
    static std::vector<std::wstring> DropNames(HGLOBAL block) {
        std::vector<std::wstring> names;
        auto drop = static_cast<HDROP>(block);
        const UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < n; ++i) {
            wchar_t name[MAX_PATH] = L"";
            DragQueryFileW(drop, i, name, MAX_PATH);
            names.emplace_back(name);
        }
        return names;
    }

    FakeActions actions_;
    DropActions* libraryActions_ = nullptr;
    ComPtr<IShellFolder> root_;
    ComPtr<IShellFolder> homeFolder_;
    Pidl work_, home_, pub_, readme_, docs_;
};

}  // namespace

TEST_F(LxData, ProfilesOfferTheProfileTokenAndAnyTokenRequestRefillsTheSelection) {
    ComPtr<IDataObject> data = Source({home_.get(), work_.get()});
    FORMATETC profile = ProfileItemFormat();
    FORMATETC hdrop = HDropFormat();
    FORMATETC file = FileItemFormat();
    EXPECT_EQ(data->QueryGetData(&profile), S_OK);
    EXPECT_EQ(data->QueryGetData(&hdrop), DV_E_FORMATETC);
    EXPECT_EQ(data->QueryGetData(&file), DV_E_FORMATETC);
    FORMATETC other = Request(CF_TEXT);
    EXPECT_EQ(data->QueryGetData(&other), DV_E_FORMATETC);
    EXPECT_EQ(data->QueryGetData(nullptr), E_INVALIDARG);

    // The file token is answered by template, and fills the selection: a small zero-filled block.
    EXPECT_TRUE(SelectionList::Global().Empty());
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&file, &medium), S_OK);
    EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    ASSERT_NE(medium.hGlobal, nullptr);
    EXPECT_EQ(medium.pUnkForRelease, nullptr);
    const SIZE_T size = GlobalSize(medium.hGlobal);
    EXPECT_GT(size, 0u);
    const auto* bytes = static_cast<const unsigned char*>(GlobalLock(medium.hGlobal));
    ASSERT_NE(bytes, nullptr);
    for (SIZE_T i = 0; i < size; ++i) EXPECT_EQ(bytes[i], 0) << i;
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    EXPECT_EQ(SelectionNames(), (std::vector<std::string>{"Home", "Work"}));

    // Unknown formats and media leave the medium empty and the selection as it is.
    SelectionList::Global().Clear();
    std::memset(&medium, 0xAB, sizeof medium);
    EXPECT_EQ(data->GetData(&other, &medium), DV_E_FORMATETC);
    EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_NULL));
    EXPECT_EQ(medium.hGlobal, nullptr);
    FORMATETC streamOnly = ProfileItemFormat();
    streamOnly.tymed = TYMED_ISTREAM;
    EXPECT_EQ(data->GetData(&streamOnly, &medium), DV_E_TYMED);
    EXPECT_TRUE(SelectionList::Global().Empty());
}

TEST_F(LxData, RemoteObjectsOfferTheFileTokenThenTheMarkerFolderAsHDrop) {
    OwnedPidl folderList(CopyPidl(AsItems(home_.get())));
    ComPtr<IDataObject> data = Source({readme_.get(), pub_.get()}, folderList.get());
    FORMATETC hdrop = HDropFormat();
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&hdrop, &medium), S_OK);
    ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    const std::string marker = GetTransferTempFolder();
    EXPECT_EQ(DropNames(medium.hGlobal), std::vector<std::wstring>{win::Widen(marker)});
    EXPECT_EQ(GlobalSize(medium.hGlobal), marker.size() + 22);  // an ANSI path, two zeros
    ReleaseStgMedium(&medium);
    const DWORD attributes = GetFileAttributesW(win::Widen(marker).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // The selection records the items and the folder they came from; the copy hook's snapshot too.
    EXPECT_EQ(SelectionNames(), (std::vector<std::string>{"readme.txt", "pub"}));
    OwnedPidl source = SelectionList::Global().SourceFolder();
    ASSERT_TRUE(source);
    EXPECT_EQ(PidlSize(source.get()), PidlSize(folderList.get()));
    ASSERT_EQ(SelectionList::Global().Snapshot().size(), 2u);
    EXPECT_EQ(SelectionList::Global().Snapshot()[0].remotePath, "/readme.txt");

    FORMATETC canonical{};
    FORMATETC in = HDropFormat();
    in.ptd = reinterpret_cast<DVTARGETDEVICE*>(&canonical);  // never read, only cleared in the copy
    EXPECT_EQ(data->GetCanonicalFormatEtc(&in, &canonical), DATA_S_SAMEFORMATETC);
    EXPECT_EQ(canonical.ptd, nullptr);
    EXPECT_EQ(canonical.cfFormat, CF_HDROP);

    FORMATETC formatOut{};
    EXPECT_EQ(data->GetDataHere(&hdrop, &medium), E_NOTIMPL);
    EXPECT_EQ(data->DAdvise(&formatOut, 0, nullptr, nullptr), OLE_E_ADVISENOTSUPPORTED);
    IEnumSTATDATA* advises = reinterpret_cast<IEnumSTATDATA*>(1);
    EXPECT_EQ(data->EnumDAdvise(&advises), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(advises, nullptr);
}

TEST_F(LxData, TheEnumeratorHoldsItsOwnCopyOfTheFormats) {
    ComPtr<IEnumFORMATETC> formats;
    {
        ComPtr<IDataObject> data = Source({readme_.get()});
        IEnumFORMATETC* none = reinterpret_cast<IEnumFORMATETC*>(1);
        EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &none), E_NOTIMPL);
        EXPECT_EQ(none, nullptr);
        EXPECT_EQ(data->EnumFormatEtc(7, &none), E_INVALIDARG);
        ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.Put()), S_OK);
    }  // the data source is gone; the enumerator still reads its formats
    FORMATETC got[3] = {};
    ULONG fetched = 99;
    EXPECT_EQ(formats->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(got[0].cfFormat, FileSystemObjectFormat());
    EXPECT_EQ(got[1].cfFormat, CF_HDROP);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(got[i].ptd, nullptr);
        EXPECT_EQ(got[i].dwAspect, static_cast<DWORD>(DVASPECT_CONTENT));
        EXPECT_EQ(got[i].lindex, -1);
        EXPECT_EQ(got[i].tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    }
    EXPECT_EQ(formats->Reset(), S_OK);
    EXPECT_EQ(formats->Skip(1), S_OK);
    ComPtr<IEnumFORMATETC> clone;
    ASSERT_EQ(formats->Clone(clone.Put()), S_OK);
    EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);  // the clone goes on from the same place
    EXPECT_EQ(got[0].cfFormat, CF_HDROP);
    // Skip past the end: S_FALSE, and nothing more to fetch.
    EXPECT_EQ(formats->Reset(), S_OK);
    EXPECT_EQ(formats->Skip(5), S_FALSE);
    EXPECT_EQ(formats->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

TEST_F(LxData, TheDropSourceFollowsTheKeysAndKeepsTheLastEffect) {
    ComPtr<IDataObject> data = Source({readme_.get()});
    ComPtr<IDropSource> source;
    ASSERT_EQ(data.As(source), S_OK);
    EXPECT_EQ(source->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_RBUTTON | MK_CONTROL), S_OK);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_CONTROL), DRAGDROP_S_DROP);
    EXPECT_EQ(LastFeedbackEffect(data.get()), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
    EXPECT_EQ(LastFeedbackEffect(data.get()), static_cast<DWORD>(DROPEFFECT_COPY));
    // SetData with CF_HDROP refills the selection, and is still not supported.
    FORMATETC hdrop = HDropFormat();
    STGMEDIUM empty{};
    EXPECT_EQ(data->SetData(&hdrop, &empty, FALSE), E_NOTIMPL);
    EXPECT_EQ(SelectionNames(), std::vector<std::string>{"readme.txt"});
}

TEST_F(LxData, CopyToTheClipboardAndReadItBackThroughOle) {
    OwnedPidl items = Run({pub_.get(), readme_.get()});
    EXPECT_EQ(CopyToClipboard(nullptr, nullptr, 0, items.get()), E_INVALIDARG);
    ASSERT_EQ(CopyToClipboard(AsItems(home_.get()), nullptr, 2, items.get()), S_OK);
    ComPtr<IDataObject> clip;
    ASSERT_EQ(OleGetClipboard(clip.Put()), S_OK);
    FORMATETC file = FileItemFormat();
    FORMATETC profile = ProfileItemFormat();
    EXPECT_EQ(clip->QueryGetData(&file), S_OK);
    EXPECT_NE(clip->QueryGetData(&profile), S_OK);
    // A paste empties the selection, then reads the clipboard: our own source refills it.
    EXPECT_TRUE(SelectionList::Global().Empty());
    STGMEDIUM medium{};
    ASSERT_EQ(clip->GetData(&file, &medium), S_OK);
    ReleaseStgMedium(&medium);
    EXPECT_EQ(SelectionNames(), (std::vector<std::string>{"pub", "readme.txt"}));
    // Other programs see the formats on the clipboard, CF_HDROP naming the marker folder.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(FileSystemObjectFormat()));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_HDROP));
    CloseClipboard();
    FORMATETC hdrop = HDropFormat();
    ASSERT_EQ(clip->GetData(&hdrop, &medium), S_OK);
    EXPECT_EQ(DropNames(medium.hGlobal), std::vector<std::wstring>{win::Widen(GetTransferTempFolder())});
    ReleaseStgMedium(&medium);
}

TEST_F(LxData, TheFolderHandsOutDragDataAndADropTarget) {
    LPCITEMIDLIST lists[] = {readme_.get(), pub_.get()};
    ComPtr<IDataObject> data;
    ASSERT_EQ(homeFolder_->GetUIObjectOf(nullptr, 2, lists, IID_IDataObject, nullptr, data.PutVoid()), S_OK);
    FORMATETC hdrop = HDropFormat();
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&hdrop, &medium), S_OK);
    EXPECT_EQ(DropNames(medium.hGlobal), std::vector<std::wstring>{win::Widen(GetTransferTempFolder())});
    ReleaseStgMedium(&medium);
    EXPECT_EQ(SelectionNames(), (std::vector<std::string>{"readme.txt", "pub"}));
    // The items came from Home: the source folder is the folder's absolute list.
    OwnedPidl source = SelectionList::Global().SourceFolder();
    ASSERT_TRUE(source);
    EXPECT_EQ(DisplayNameOf(source.get()).value_or(""), "Home");

    ComPtr<IDropTarget> target;
    ASSERT_EQ(homeFolder_->GetUIObjectOf(nullptr, 1, lists + 1, IID_IDropTarget, nullptr, target.PutVoid()), S_OK);
    ComPtr<IDataObject> files(new LocalFiles({L"C:\\x.txt"}));
    files->Release();
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragEnter(files.get(), 0, POINTL{0, 0}, &effect), S_OK);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragOver(0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));  // onto pub: local files are copied
    EXPECT_EQ(target->DragLeave(), S_OK);
}

TEST_F(LxData, DragOverChoosesByTheRowUnderTheCursorAndNeverWritesIntoAForeignObject) {
    FakeRows rows;
    rows.items = {AsItems(pub_.get()), AsItems(readme_.get()), nullptr};
    ComPtr<IUnknown> view(new Counted);
    view->Release();
    ComPtr<IDropTarget> target;
    ASSERT_EQ(CreateDataTarget(homeFolder_.get(), view.get(), &rows, AsItems(home_.get()), AsItems(home_.get()),
                               nullptr, IID_IDropTarget, target.PutVoid()),
              S_OK);
    auto* files = new LocalFiles({L"C:\\x.txt"});
    ComPtr<IDataObject> filesData(files);
    files->Release();
    // A selection left over from earlier is emptied; the foreign object is not written to.
    OwnedPidl earlier = Run({readme_.get()});
    SetSelectionList(earlier.get(), nullptr);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(target->DragEnter(filesData.get(), 0, POINTL{0, 5}, &effect), S_OK);
    EXPECT_EQ(files->setDataCalls, 0);
    EXPECT_TRUE(SelectionList::Global().Empty());

    struct Case {
        LONG y;
        DWORD keys;
        DWORD allowed;
        HRESULT result;
        DWORD effect;
        int highlighted;  // -1: none
    } cases[] = {
        {5, 0, DROPEFFECT_COPY | DROPEFFECT_MOVE, S_OK, DROPEFFECT_COPY, 0},         // pub
        {5, MK_CONTROL, DROPEFFECT_COPY | DROPEFFECT_MOVE, S_OK, DROPEFFECT_COPY, 0},
        {15, 0, DROPEFFECT_COPY, S_OK, DROPEFFECT_COPY, -1},                         // a file row: the shown site
        {25, 0, DROPEFFECT_COPY, S_OK, DROPEFFECT_COPY, -1},                         // a row without an item
        {95, 0, DROPEFFECT_COPY, S_OK, DROPEFFECT_COPY, -1},                         // no row
        {5, 0, DROPEFFECT_MOVE, E_FAIL, DROPEFFECT_NONE, -1},                        // the source only moves
    };
    for (const Case& c : cases) {
        DWORD e = c.allowed;
        EXPECT_EQ(target->DragOver(c.keys, POINTL{0, c.y}, &e), c.result) << c.y;
        EXPECT_EQ(e, c.effect) << c.y;
        EXPECT_EQ(rows.HighlightedCount(), c.highlighted < 0 ? 0 : 1) << c.y;
        if (c.highlighted >= 0) {
            EXPECT_TRUE(rows.IsHighlighted(c.highlighted)) << c.y;
        }
    }
    // Refused by the actions' validity: DROPEFFECT_NONE, no highlight.
    actions_.valid = false;
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, POINTL{0, 5}, &effect), E_FAIL);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(rows.HighlightedCount(), 0);
    // A drop that is refused answers none and hands nothing over.
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(filesData.get(), 0, POINTL{0, 5}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(actions_.calls.empty());
    EXPECT_EQ(files->setDataCalls, 0);
}

TEST_F(LxData, ASiteFolderRowTakesOnlyProfilesAndOurOwnSourceRefillsTheSelection) {
    FakeRows rows;
    rows.items = {AsItems(work_.get()), AsItems(home_.get())};
    ComPtr<IUnknown> view(new Counted);
    view->Release();
    ComPtr<IDropTarget> target;
    ASSERT_EQ(CreateDataTarget(root_.get(), view.get(), &rows, nullptr, nullptr, nullptr, IID_IDropTarget,
                               target.PutVoid()),
              S_OK);
    // Local files over a site folder: the profile format is missing.
    ComPtr<IDataObject> files(new LocalFiles({L"C:\\x.txt"}));
    files->Release();
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragEnter(files.get(), 0, POINTL{0, 5}, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragOver(0, POINTL{0, 5}, &effect), DV_E_FORMATETC);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    // ... over a profile row they are copied.
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragOver(0, POINTL{0, 15}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    target->DragLeave();

    // Our own profiles: the selection is refilled at once, moved unless Ctrl is held.
    ComPtr<IDataObject> profiles = Source({home_.get()});
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragEnter(profiles.get(), 0, POINTL{0, 5}, &effect), S_OK);
    EXPECT_EQ(SelectionNames(), std::vector<std::string>{"Home"});
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->Drop(profiles.get(), MK_CONTROL, POINTL{0, 5}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragEnter(profiles.get(), 0, POINTL{0, 5}, &effect);
    EXPECT_EQ(target->Drop(profiles.get(), 0, POINTL{0, 5}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    ASSERT_EQ(actions_.calls.size(), 2u);
    EXPECT_EQ(actions_.calls[0].what, "profiles");
    EXPECT_EQ(actions_.calls[0].target, "Work");
    EXPECT_EQ(actions_.calls[0].effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(actions_.calls[0].selection, 1u);
    EXPECT_EQ(actions_.calls[1].effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(rows.HighlightedCount(), 0);  // the drop un-highlights
}

TEST_F(LxData, ItemsOfAnotherProcessPasteNothingRatherThanAStaleSelection) {
    ComPtr<IDropTarget> target;
    ASSERT_EQ(CreateDataTarget(root_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, IID_IDropTarget,
                               target.PutVoid()),
              S_OK);
    for (UINT token : {ProfileObjectFormat(), FileSystemObjectFormat()}) {
        OwnedPidl stale = Run({home_.get()});
        SetSelectionList(stale.get(), nullptr);
        auto* other = new LocalFiles({});
        other->token = token;
        ComPtr<IDataObject> data(other);
        other->Release();
        ComPtr<IDropTarget> onto = target;
        ComPtr<IDropTarget> ontoSite;
        if (token == FileSystemObjectFormat()) {  // remote objects go onto a site
            LPCITEMIDLIST lists[] = {home_.get()};
            ASSERT_EQ(root_->GetUIObjectOf(nullptr, 1, lists, IID_IDropTarget, nullptr, ontoSite.PutVoid()), S_OK);
            onto = ontoSite;
        }
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(onto->DragEnter(data.get(), 0, POINTL{0, 0}, &effect), S_OK);
        EXPECT_TRUE(SelectionList::Global().Empty());
        EXPECT_EQ(other->setDataCalls, 0);
        SetSelectionList(stale.get(), nullptr);  // changed again while the drag goes on
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(onto->Drop(data.get(), 0, POINTL{0, 0}, &effect), S_OK);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
        EXPECT_TRUE(SelectionList::Global().Empty());
    }
    EXPECT_TRUE(actions_.calls.empty());
}

TEST_F(LxData, LocalFilesDroppedOntoARemoteFolderAreCopiedNeverMoved) {
    FakeRows rows;
    rows.items = {AsItems(pub_.get()), AsItems(readme_.get())};
    ComPtr<IDropTarget> target = HomeViewTarget(rows);
    ComPtr<IDataObject> files = ForeignFiles();
    for (LONG y : {5, 15}) {
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->DragEnter(files.get(), 0, POINTL{0, y}, &effect);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(target->Drop(files.get(), 0, POINTL{0, y}, &effect), S_OK);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    }
    ASSERT_EQ(actions_.calls.size(), 2u);
    EXPECT_EQ(actions_.calls[0].what, "files");
    EXPECT_EQ(actions_.calls[0].target, "pub");
    EXPECT_EQ(actions_.calls[1].target, "Home");  // a file row drops into the shown site
}

TEST_F(LxData, ADragOverTheTargetWhileItsDropPumpsLeavesTheDropsTargetAlone) {
    FakeRows rows;
    rows.items = {AsItems(pub_.get()), AsItems(docs_.get())};
    ComPtr<IDropTarget> target = HomeViewTarget(rows);
    ComPtr<IDataObject> files = ForeignFiles();
    actions_.duringPaste = [&] {
        DWORD e = DROPEFFECT_COPY;
        target->DragEnter(files.get(), 0, POINTL{0, 15}, &e);
        target->DragOver(0, POINTL{0, 15}, &e);  // over docs
        target->DragLeave();
    };
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(files.get(), 0, POINTL{0, 5}, &effect);
    effect = DROPEFFECT_COPY;
    ASSERT_EQ(target->Drop(files.get(), 0, POINTL{0, 5}, &effect), S_OK);
    ASSERT_EQ(actions_.calls.size(), 1u);
    EXPECT_EQ(actions_.calls[0].target, "pub");
}

TEST_F(LxData, TheTargetHoldsItsViewAndFolderUntilDetached) {
    Counted* view = new Counted;
    Counted* folder = new Counted;
    const ULONG viewBefore = view->Count();
    const ULONG folderBefore = folder->Count();
    FakeRows rows;
    rows.items = {AsItems(pub_.get())};
    ComPtr<IDropTarget> target;
    ASSERT_EQ(CreateDataTarget(folder, view, &rows, AsItems(home_.get()), AsItems(home_.get()), nullptr,
                               IID_IDropTarget, target.PutVoid()),
              S_OK);
    EXPECT_EQ(view->Count(), viewBefore + 1);
    EXPECT_EQ(folder->Count(), folderBefore + 1);
    ComPtr<IDataObject> files(new LocalFiles({L"C:\\x.txt"}));
    files->Release();
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(files.get(), 0, POINTL{0, 5}, &effect);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, POINTL{0, 5}, &effect), S_OK);
    EXPECT_EQ(rows.HighlightedCount(), 1);
    DetachDataTarget(target.get());
    EXPECT_EQ(rows.HighlightedCount(), 0);
    EXPECT_EQ(view->Count(), viewBefore);
    EXPECT_EQ(folder->Count(), folderBefore);
    effect = DROPEFFECT_COPY;
    EXPECT_NE(target->DragOver(0, POINTL{0, 5}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    target->Drop(files.get(), 0, POINTL{0, 5}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(actions_.calls.empty());
    target.Reset();
    view->Release();
    folder->Release();
}

// ---- with the library's actions and the double ----

TEST_F(LxData, LocalFilesDroppedOntoARemoteFolderAreUploadedThroughTheDouble) {
    ASSERT_NE(libraryActions_, nullptr);
    SetDropActions(libraryActions_);
    WriteTextFile(double_->Local(L"up1.txt"), "one");
    WriteTextFile(double_->Local(L"up2.txt"), "two two");
    LPCITEMIDLIST pub[] = {pub_.get()};
    ComPtr<IDropTarget> target;
    ASSERT_EQ(homeFolder_->GetUIObjectOf(nullptr, 1, pub, IID_IDropTarget, nullptr, target.PutVoid()), S_OK);
    ComPtr<IDataObject> files(new LocalFiles({double_->Local(L"up1.txt"), double_->Local(L"up2.txt")}));
    files->Release();
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target->DragEnter(files.get(), 0, POINTL{0, 0}, &effect), S_OK);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target->DragOver(0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target->Drop(files.get(), 0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(double_->CallsOf("UploadFile").size(), 2u);
    EXPECT_EQ(ReadTextFile(double_->Site(L"pub\\up1.txt")), "one");
    EXPECT_EQ(ReadTextFile(double_->Site(L"pub\\up2.txt")), "two two");
    // The local files stay where they were.
    EXPECT_TRUE(Exists(double_->Local(L"up1.txt")));
}

TEST_F(LxData, ASiteFolderDroppedIntoItselfOrBelowIsRefusedAndChangesNothing) {
    ASSERT_NE(libraryActions_, nullptr);
    SetDropActions(libraryActions_);
    ComPtr<IDataObject> work = Source({work_.get()});
    LPCITEMIDLIST lists[] = {work_.get()};
    ComPtr<IDropTarget> target;
    ASSERT_EQ(root_->GetUIObjectOf(nullptr, 1, lists, IID_IDropTarget, nullptr, target.PutVoid()), S_OK);
    const std::size_t callsBefore = double_->Calls().size();
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target->DragEnter(work.get(), MK_CONTROL, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    for (DWORD keys : {DWORD{0}, DWORD{MK_CONTROL}}) {
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(target->DragOver(keys, POINTL{0, 0}, &effect), E_FAIL);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->Drop(work.get(), keys, POINTL{0, 0}, &effect);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
        target->DragEnter(work.get(), keys, POINTL{0, 0}, &effect);
    }
    target->DragLeave();

    // ... and into a site folder below it.
    TFTPObject* workNode = SiteNodeOf(AsItems(work_.get()));
    ASSERT_NE(workNode, nullptr);
    TFTPObject* inner = workNode->Children().AddNewRecord();
    inner->ServerInfo()->ProfileName = "Inner";
    inner->ServerInfo()->IsFolder = true;
    OwnedPidl innerItem(CreatePidlItem(*inner));
    ComPtr<IDropTarget> below;
    ASSERT_EQ(CreateDataTarget(root_.get(), nullptr, nullptr, AsItems(work_.get()), innerItem.get(), nullptr,
                               IID_IDropTarget, below.PutVoid()),
              S_OK);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    below->DragEnter(work.get(), 0, POINTL{0, 0}, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(below->DragOver(0, POINTL{0, 0}, &effect), E_FAIL);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    below->Drop(work.get(), 0, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(workNode->Children().Count(), 2);  // Archive and Inner, nothing pasted
    EXPECT_EQ(double_->Calls().size(), callsBefore);  // no profile was added or deleted
}
