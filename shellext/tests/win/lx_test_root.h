#pragma once
// The extension's namespace root as the tests open it: a shell folder from the library's class
// factory, initialised at the desktop's (empty) identifier list.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace lark::testing
