#pragma once
// The key of a version resource's string table: language and code page as eight lowercase hex
// digits, language first ("040904e4").
#include <cstdint>
#include <string>

namespace lark::ui {

std::string VersionTranslationKey(std::uint16_t language, std::uint16_t codePage);

}  // namespace lark::ui
