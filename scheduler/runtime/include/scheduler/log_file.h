#pragma once
// The user's transfer log: lines collected during the run and appended to the log file when
// logging ends; an oversized log is moved to ".bak" when logging starts.
#include <cstdint>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"
#include "scheduler/strings.h"

namespace lark::scheduler {

class TLogFile {
public:
    // programFolder ends with a path delimiter or is empty.
    TLogFile(const core::Clock& clock, const StringSource& strings, std::string programFolder,
             const core::FormatSettings& formats = core::DefaultFormatSettings());

    const std::vector<std::string>& Lines() const { return lines_; }
    std::uint32_t MaxSize() const { return maxSize_; }
    void SetMaxSize(std::uint32_t bytes) { maxSize_ = bytes; }
    const std::string& FileName() const { return fileName_; }

    // Empty: "Schedule.log" in the program folder. A name whose folder cannot be made falls
    // back to the same.
    void AssignLogFile(const std::string& name);
    // "<date and time> : <text>"
    void Add(const std::string& text);
    void CheckSize();
    void StartLogging();
    // Appends the collected lines to the file; raises core::Error when it cannot be written
    // (the lines are then kept for the next attempt).
    void EndLogging();

private:
    std::string Stamp(const std::string& formatId) const;

    const core::Clock& clock_;
    const StringSource& strings_;
    std::string programFolder_;
    const core::FormatSettings& formats_;
    std::vector<std::string> lines_;
    std::uint32_t maxSize_ = 0;
    std::string fileName_;
};

}  // namespace lark::scheduler
