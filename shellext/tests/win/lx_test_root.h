#pragma once
// The extension's namespace root as the tests open it: a shell folder from the library's class
// factory, initialised at the desktop's (empty) identifier list.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "localization/message_box.h"
#include "mainclient_double/double_support.h"
#include "shellext/win/lx_library.h"
#include "win/com_ptr.h"

namespace lark::testing {

inline win::ComPtr<IShellFolder> NewLxRoot() {
    win::ComPtr<IClassFactory> factory;
    EXPECT_EQ(shellext::LxGetClassObject(shellext::kShellFolderClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
    win::ComPtr<IShellFolder> folder;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellFolder, folder.PutVoid()), S_OK);
    win::ComPtr<IPersistFolder> persist;
    EXPECT_EQ(folder.As(persist), S_OK);
    Pidl desktop(static_cast<ITEMIDLIST*>(CoTaskMemAlloc(2)));
    std::memset(desktop.get(), 0, 2);
    EXPECT_EQ(persist->Initialize(desktop.get()), S_OK);
    return folder;
}

// The suite set-up the COM tests share: COM on this thread (through OLE where the clipboard or
// drag and drop is used), the main-client double registered under the suite's own folder name,
// the library's module (this program, which carries the DLL's resources) and, where the suite
// answers the library's message boxes, `box_` as its box.
class LxComSuite : public ::testing::Test {
protected:
    struct Setup {
        const wchar_t* doubleName = L"lx";
        bool ole = true;
        bool answerBoxes = true;
        // Runs before the double is registered (a configuration of its own).
        std::function<void(DoubleSetup&)> beforeRegister;
    };

    static void StartSuite(const Setup& setup) {
        ole_ = setup.ole;
        ASSERT_TRUE(SUCCEEDED(ole_ ? OleInitialize(nullptr) : CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        double_ = new DoubleSetup(win::Widen(LARK_DOUBLE_EXE), setup.doubleName);
        if (setup.beforeRegister) setup.beforeRegister(*double_);
        ASSERT_TRUE(double_->Register());
        shellext::LxLibrary::Instance().SetModule(GetModuleHandleW(nullptr));
        if (setup.answerBoxes) shellext::LxLibrary::Instance().SetMessageBox(&box_);
    }
    static void EndSuite() {
        shellext::LxLibrary::Instance().ResetModel();
        delete double_;
        double_ = nullptr;
        if (ole_) OleUninitialize();
        else CoUninitialize();
    }

    static inline DoubleSetup* double_ = nullptr;
    static inline localization::FakeMessageBox box_;

private:
    static inline bool ole_ = false;
};

}  // namespace lark::testing
