#pragma once
// A "STR0" string table stored as a raw data (RCDATA) resource. Contract:
// - The table is looked for in the module given, then in the program's main module; a table in
//   neither raises "String resource not found: <name>"; damaged or empty tables raise as
//   StringTable describes. Nothing is read before construction (no static initializer opens a
//   table).
// - Text(id) answers the text, empty for an identifier the table does not hold.
#include "ui/win32.h"

#include <memory>
#include <string>

#include "uicomponents/string_table.h"

namespace lark::ui {

class StringResource {
public:
    StringResource(HMODULE module, const std::string& name);
    std::string Text(std::int32_t id) const { return table_->Text(id); }
    std::size_t Count() const { return table_->Count(); }

private:
    std::unique_ptr<StringTable> table_;
};

}  // namespace lark::ui
