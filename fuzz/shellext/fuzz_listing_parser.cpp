// Arbitrary listing text, line by line, into the parser; the parse must never fault and a
// parsed entry must be consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shellext/model/listing_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lark;
    // The first byte picks the clock's day, so recent-date and two-digit-year rules vary.
    const core::FixedClock clock(size ? 40000.0 + data[0] * 37 : 46000.0);
    const shellext::ListingParser parser(clock);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    shellext::TFTPFileInfo entry;  // reused, as the model does: nothing may leak between lines
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = text.substr(0, eol);
        parser.Parse(entry, line);
        if (entry.Size < 0 || entry.Name.size() > line.size()) std::abort();
        if (entry.IsDir != (entry.Children != nullptr)) std::abort();
        if (entry.Children && entry.Children->Count() != 0) std::abort();
        if (entry.DateTime != 0 && !core::IsValidDateTime(entry.DateTime)) std::abort();
        // Only Unix lines have a permission column; DOS and VMS entries carry no permissions.
        if (entry.PermString.empty() && entry.Permissions != 0) std::abort();
        // A Unix name is the last part of a listed path.
        if (!entry.PermString.empty() && entry.Name.find('/') != std::string::npos) std::abort();
        shellext::ParseUnixDate(line.substr(0, 12), clock);
        if (eol == std::string_view::npos) break;
        text.remove_prefix(eol + 1);
    }
    return 0;
}
