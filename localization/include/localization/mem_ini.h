#pragma once
// A small in-memory INI file for the translation files: the whole text held as sorted sections
// of sorted keys (both compared without regard to case), parsed once, changed in memory and
// written back as lines. Deliberately apart from the framework's private-profile INI store: its
// rules differ (equal keys may repeat, nothing is trimmed, a repeated section header is dropped).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "localization/translation_format.h"

namespace lark::localization {

// Date-time values: days since 30 December 1899, the fraction being the time of day.
class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    virtual ~TCustomIniFile() = default;
    const std::string& FileName() const { return fileName_; }

    // The conventions typed values are read and written with: the program's, as found when the
    // file was made.
    core::FormatSettings FormatSettings = core::DefaultFormatSettings();

    virtual std::string ReadIniText(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const = 0;
    virtual void WriteIniText(std::string_view section, std::string_view key,
                              std::string_view value) = 0;
    // Decimal, or hexadecimal after "0x"; anything else (also an empty text) gives the default.
    virtual int ReadIniNumber(std::string_view section, std::string_view key, int defaultValue) const;
    virtual void WriteIniNumber(std::string_view section, std::string_view key, int value);
    virtual bool ReadIniSwitch(std::string_view section, std::string_view key, bool defaultValue) const;
    virtual void WriteIniSwitch(std::string_view section, std::string_view key, bool value);
    virtual double ReadIniDate(std::string_view section, std::string_view key, double defaultValue) const;
    virtual double ReadIniDateTime(std::string_view section, std::string_view key, double defaultValue) const;
    virtual double ReadIniFloat(std::string_view section, std::string_view key, double defaultValue) const;
    virtual double ReadIniTime(std::string_view section, std::string_view key, double defaultValue) const;
    virtual void WriteIniDate(std::string_view section, std::string_view key, double value);
    virtual void WriteIniDateTime(std::string_view section, std::string_view key, double value);
    virtual void WriteIniFloat(std::string_view section, std::string_view key, double value);
    virtual void WriteIniTime(std::string_view section, std::string_view key, double value);
    virtual void ReadIniKeys(std::string_view section, StringList& keys) const = 0;
    virtual void ReadIniSectionNames(StringList& names) const = 0;
    virtual void ReadIniValues(std::string_view section, StringList& values) const = 0;
    virtual void RemoveIniSection(std::string_view section) = 0;
    virtual void RemoveIniKey(std::string_view section, std::string_view key) = 0;
    virtual void WriteIniBack() = 0;

protected:
    std::string fileName_;
};

// The keys of one section, sorted, equal keys allowed: a new key goes before the equal keys
// already present, so a lookup (which finds the first) finds the one added last.
class TMemIniEntry {
public:
    int Count() const { return static_cast<int>(keys_.size()); }
    const std::string& Key(int i) const { return keys_.at(i).key; }
    const std::string& Value(int i) const { return keys_.at(i).value; }
    std::string Line(int i) const { return Key(i) + "=" + Value(i); }
    // Split at the first "=" (none: a key with an empty value).
    void AddLine(std::string_view line);
    void Clear() { keys_.clear(); }
    void Assign(const StringList& lines);
    void Assign(const TMemIniEntry& other) { keys_ = other.keys_; }

    int IndexOfKey(std::string_view key) const;  // first of the equal keys, -1 when none
    bool SameKey(int i, int j) const;
    void Delete(int i);

private:
    struct Slot {
        std::string folded, key, value;
    };
    std::vector<Slot> keys_;
};

class TMemIniFile : public TCustomIniFile {
public:
    // An empty file; with the name of an existing file, its lines (Windows-1252) are loaded.
    explicit TMemIniFile(std::string fileName = {});

    void LoadIniLines(const StringList& lines);
    // Appends the content: per section its header, its key lines and an empty line.
    void IniToLines(StringList& lines) const;
    bool HasIniSection(std::string_view section) const;

    std::string ReadIniText(std::string_view section, std::string_view key,
                            std::string_view defaultValue) const override;
    void WriteIniText(std::string_view section, std::string_view key,
                      std::string_view value) override;
    void ReadIniKeys(std::string_view section, StringList& keys) const override;
    void ReadIniSectionNames(StringList& names) const override;
    void ReadIniValues(std::string_view section, StringList& values) const override;
    void RemoveIniSection(std::string_view section) override;
    void RemoveIniKey(std::string_view section, std::string_view key) override;
    // Writes the lines (CR LF, Windows-1252) to a temporary file that then replaces the file.
    void WriteIniBack() override;

private:
    struct Section {
        std::string folded, name;
        TMemIniEntry entry;
    };
    const Section* Find(std::string_view name) const;
    Section& FindOrAdd(std::string_view name, bool* added = nullptr);

    std::vector<Section> sections_;
};

// 1-based position of the first occurrence of pattern in text (bytes, case-sensitive), 0 when
// absent; an empty pattern is found at 1.
std::size_t HorspoolSearch(std::string_view pattern, std::string_view text);

// Floating-point texts under the conventions' decimal separator; false for a text that does
// not convert.
std::string FloatToText(double value, const core::FormatSettings& fs);
bool TextToFloat(std::string_view text, const core::FormatSettings& fs, double& value);

}  // namespace lark::localization
