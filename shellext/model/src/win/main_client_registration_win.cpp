#include <windows.h>

#include "mainclient/registration.h"
#include "shellext/model/site_database.h"

namespace lark::shellext {

namespace {

class RegistryMainClientRegistration : public MainClientRegistration {
public:
    std::optional<std::string> LocalServer32() const override { return mainclient::LocalServerValue(); }
    std::optional<std::string> Environment(std::string_view name) const override {
        return mainclient::EnvironmentVariable(name);
    }
};

}  // namespace

std::unique_ptr<MainClientRegistration> MakeRegistryMainClientRegistration() {
    return std::make_unique<RegistryMainClientRegistration>();
}

}  // namespace lark::shellext
