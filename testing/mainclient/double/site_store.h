#pragma once
// The double's own site database, when its settings name one (SiteDatabase=): the profile
// methods then change it as the main client changes its database, so a test can read back what
// arrived. Folder paths are the main client's: "\" alone for the top, else "\A\B\"; an item
// path is "A\B\Name". Each change reads the file, applies itself and writes it back; a path
// that names no folder or record throws ComError(E_FAIL).
#include <string>

#include "mainclient/main_client.h"

namespace lark::mainclient_double {

void StoreAddProfile(const std::wstring& database, const mainclient::ProfileRecord& profile);
void StoreAddProfileFolder(const std::wstring& database, const std::string& name, const std::string& parentPath);
void StoreDeleteRecord(const std::wstring& database, const std::string& itemPath);

}  // namespace lark::mainclient_double
