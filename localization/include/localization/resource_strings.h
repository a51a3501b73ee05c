#pragma once
// The programs' own resource-string loader. Texts come from a module's string table through a
// platform source (the Win32 string-table reader in the programs, a fake in tests) and, while
// a translation component serves resource strings, are looked up by their text in its
// resource language and replaced by the active language's text. Literal texts have their own
// overload: a number is never read as an address.
#include <cstdint>
#include <string>
#include <string_view>

namespace lark::localization {

class TlcCustomLang;

// A string table: the text of an identifier in a module, empty when there is none.
class ResourceStringSource {
public:
    virtual ~ResourceStringSource() = default;
    virtual std::string Load(std::uintptr_t module, unsigned identifier) = 0;
};

// Longest resource string handed out, in characters; longer ones are cut.
inline constexpr std::size_t kMaxResourceStringLength = 1023;

// The source every load goes through (none: every resource string is empty).
void SetResourceStringSource(ResourceStringSource* source);
ResourceStringSource* CurrentResourceStringSource();

// The component serving resource strings, none at start. The first component with
// HandleResourceStrings that finishes loading (not designing, with an owner) takes the place
// while it is free; destroying it frees the place.
TlcCustomLang* ResourceStringTranslator();

// The text of a string-table entry, translated.
std::string TranslatedLoadResString(std::uintptr_t module, unsigned identifier);
// A literal text, translated the same way.
std::string TranslatedLoadResString(std::string_view literal);

namespace detail {
void SetResourceStringTranslator(TlcCustomLang* lang);
}

}  // namespace lark::localization
