#pragma once
// The extension's namespace root as Explorer makes it: through the class factory, initialised
// with the desktop's empty list. For the COM-level tests that link the objects.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

#include "shellext/win/lx_library.h"
#include "win/com_ptr.h"
#include "mainclient_double/double_support.h"

namespace lark::shellext::testing {

inline win::ComPtr<IShellFolder> NewLxRoot() {
    win::ComPtr<IClassFactory> factory;
    EXPECT_EQ(LxGetClassObject(kShellFolderClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
    win::ComPtr<IShellFolder> folder;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellFolder, folder.PutVoid()), S_OK);
    win::ComPtr<IPersistFolder> persist;
    EXPECT_EQ(folder.As(persist), S_OK);
    lark::testing::Pidl desktop(static_cast<ITEMIDLIST*>(CoTaskMemAlloc(2)));
    std::memset(desktop.get(), 0, 2);
    EXPECT_EQ(persist->Initialize(desktop.get()), S_OK);
    return folder;
}

}  // namespace lark::shellext::testing
