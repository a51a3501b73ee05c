// Site database text through the stored-property reader into the record tree, then the password
// deciphering: no input may crash it or make it allocate without bound.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/ini_store.h"
#include "shellext/model/site_database.h"

using namespace lark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    core::IniStore ini;
    ini.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
    shellext::TServers holder;
    holder.SetName(std::string(shellext::kSiteHolderName));
    shellext::ReadSiteRecords(holder, ini);
    shellext::DecipherPasswords(holder.FTPServers(), shellext::SitePasswordKey());
    return 0;
}
