#pragma once
// UTF-8 inside, UTF-16 at the shell boundary. Malformed input becomes U+FFFD, never an error:
// names come from remote servers and may be anything.
#include <string>
#include <string_view>

namespace lark::shellext {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace lark::shellext
