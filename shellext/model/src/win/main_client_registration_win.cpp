#include <windows.h>

#include "mainclient/main_client.h"
#include "shellext/model/site_database.h"
#include "win/registry.h"

namespace lark::shellext {

namespace {

class RegistryMainClientRegistration : public MainClientRegistration {
public:
    std::optional<std::string> LocalServer32() const override {
        try {
            return win::ReadRegistryString(HKEY_CLASSES_ROOT, mainclient::kLocalServerKey);
        } catch (const std::exception&) {
            // A key we may not read counts as no main client.
            return std::nullopt;
        }
    }
};

}  // namespace

std::unique_ptr<MainClientRegistration> MakeRegistryMainClientRegistration() {
    return std::make_unique<RegistryMainClientRegistration>();
}

}  // namespace lark::shellext
