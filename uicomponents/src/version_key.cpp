#include "uicomponents/version_key.h"

#include <cstdio>

namespace lark::ui {

std::string VersionTranslationKey(std::uint16_t language, std::uint16_t codePage) {
    char key[9];
    std::snprintf(key, sizeof key, "%04x%04x", static_cast<unsigned>(language), static_cast<unsigned>(codePage));
    return key;
}

}  // namespace lark::ui
