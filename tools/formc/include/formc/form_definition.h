#pragma once
// Window definitions: the readable text form of a component stream, one file per window or
// data module, with the window's translation table written as rows (every language of a text
// on one line). Parsing, the checks the build runs, compiling into the binary component stream,
// and printing any component stream back in the same syntax.
//
//   definition   = component
//   component    = ClassName Name [":" BaseClassName] "{" { property | component | translations } "}"
//   property     = PropertyName "=" value                  (dotted names reach sub-objects)
//   value        = number | string | identifier | set | list | items | binary | file
//   set          = "[" [ element { "," element } ] "]"
//   list         = "(" { value } ")"
//   items        = "<" { "{" { property } "}" } ">"
//   binary       = "{" { hex digits } "}"
//   file         = "file(" string ")"                      (bytes of a file beside the definition)
//   translations = "translations" "{" "languages" string { string } { kind "{" { row } "}" } "}"
//   row          = (identifier | string) string { string }   (a quoted name may hold blanks)
//   comment      = "#" to the end of the line
//
// Numbers are decimal, a "." or an exponent makes a float. Strings are UTF-8 in double quotes
// with the escapes \" \\ \n \r \t and \xHH. The compiler is schema-free: it knows the stream's
// tags, not the classes; the run-time reader is the one schema.
//
// Translated text is written only in the table: the compiler copies the text of language 1
// into the property a row names (captions: Caption, hints: Hint, otherstrings and collections:
// the dotted path, multilines: the comma text as Strings) and refuses a text that a body also
// writes.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"

namespace lark::formc {

struct Position {
    int line = 0;
    int column = 0;
};

// One finding, printed as "file:line:column: message".
struct Diagnostic {
    std::string file;
    Position at;
    std::string message;
    std::string Text() const;
};

// A definition that cannot be parsed or compiled; what() holds every diagnostic, one a line.
class DefinitionError : public core::Error {
public:
    explicit DefinitionError(std::vector<Diagnostic> diagnostics);
    const std::vector<Diagnostic>& Diagnostics() const { return diagnostics_; }

private:
    std::vector<Diagnostic> diagnostics_;
};

struct FormProperty;

struct FormValue {
    enum class Kind { Integer, Float, String, Ident, Set, List, Items, Binary, File };
    Kind kind = Kind::Integer;
    Position at;
    std::int64_t integer = 0;
    double number = 0;
    std::string text;                                // String, Ident, File (the file name)
    std::vector<std::string> elements;               // Set
    std::vector<FormValue> list;                     // List
    std::vector<std::vector<FormProperty>> items;    // Items
    std::vector<std::uint8_t> bytes;                 // Binary
};

struct FormProperty {
    std::string name;
    Position at;
    FormValue value;
};

struct TranslationRow {
    std::string id;
    Position at;
    std::vector<std::string> texts;
};

struct TranslationSection {
    std::string kind;  // a list name without "st": captions, hints, strings, ...
    Position at;
    std::vector<TranslationRow> rows;
};

struct Translations {
    Position at;
    std::vector<std::string> languages;
    std::vector<TranslationSection> sections;
};

struct FormComponent {
    std::string className;
    std::string name;
    std::string base;  // root only: the class of the definition this one is based on
    Position at;
    std::vector<FormProperty> properties;
    std::vector<FormComponent> children;
    std::optional<Translations> translations;
};

struct FormFile {
    std::string path;
    FormComponent root;
};

// Raises DefinitionError (one diagnostic) at the first syntax error.
FormFile ParseDefinition(std::string_view text, const std::string& path);
// Reads the file (UTF-8) and parses it.
FormFile LoadDefinition(const std::string& path);

// Every check that needs no class description: unique component names; a ":" base names a
// known form; a dotted reference (Form.component) names a known form and one of its
// components (a plain identifier may be an enumeration value: the run-time reader checks
// those); one text per language in every translation row, no row twice in a list; every row
// whose text reaches a property (captions, hints, otherstrings, multilines, collections)
// names a component of the file, of its base, or the root by its class; no text both in a
// body and in the table; file(...) exists. `known` are the other definitions of the build.
std::vector<Diagnostic> CheckDefinition(const FormFile& form, std::span<const FormFile> known);

// The component stream of a definition; raises DefinitionError when a check fails. The row of
// the window itself leads its captions, hints, fonts and charsets list, as the runtime expects.
std::vector<std::uint8_t> CompileDefinition(const FormFile& form, std::span<const FormFile> known);

// Any component stream (window definition, task file, translation file) in definition syntax.
// Raises core::Error for a damaged stream, and for names or values the syntax cannot show
// (a class name with a blank in it, a NaN).
std::string DumpComponentStream(std::span<const std::uint8_t> bytes);

}  // namespace lark::formc
