#include "win/dispatch.h"

#include <string>

#include "win/com_error.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::win {

ComPtr<ITypeInfo> LoadTypeInfo(std::wstring_view library_path, REFIID iid) {
    const std::wstring path(library_path);
    ComPtr<ITypeLib> library;
    Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put()), "loading type library " + Narrow(path));
    ComPtr<ITypeInfo> info;
    Check(library->GetTypeInfoOfGuid(iid, info.Put()), "type information of " + GuidToString(iid));
    return info;
}

}  // namespace lark::win
