#pragma once
// VersionInfo ("TUiVersionInfo"): the version resource of a file, by default the program's own.
// Contract:
// - FileName empty means the running program (outside design, it is filled with the program's
//   path when set empty and after the definition is read). Setting a name of a file that does
//   not exist (also from a definition) raises VersionInfoError 73 "Error opening file" and
//   changes nothing.
// - Text(name) answers a string value ("FileVersion", "ProductVersion", ...) of the first
//   translation's string table ("\StringFileInfo\<language><code page>\<name>", eight hex
//   digits). A file without a version resource, without a translation or without that string
//   gives empty text, never an error.
// - Version publishes the component library's version ("3.03", read-only, never stored).
#include "ui/win32.h"

#include <string>
#include <string_view>

#include "core/component.h"
#include "core/errors.h"

namespace lark::ui {

class VersionInfoError : public core::Error {
public:
    VersionInfoError(int code, const std::string& message) : core::Error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

class VersionInfo : public core::Component {
    LARK_PERSISTENT_CLASS(VersionInfo)
public:
    static constexpr int kErrorOpeningFile = 73;

    explicit VersionInfo(core::Component* owner = nullptr);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string name);
    std::string Version() const { return "3.03"; }
    void SetVersion(const std::string&) {}

    // The first translation's key ("040904e4"), empty without one.
    std::string TranslationKey() const;
    std::string Text(std::string_view name) const;

    void Loaded() override;

private:
    std::string fileName_;
};

}  // namespace lark::ui
