// The definition compiler's two readers: any bytes as a component stream to print, and as a
// definition text to compile. Neither may do worse than throw Error; a stream that prints
// compiles back to a stream that prints the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/errors.h"
#include "formc/form_definition.h"

using namespace lark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    try {
        std::string text = formc::DumpComponentStream(bytes);
        std::vector<std::uint8_t> again;
        try {
            again = formc::CompileDefinition(formc::ParseDefinition(text, "dump.form"), {});
        } catch (const formc::DefinitionError&) {
            // A stream may break a check (two components of one name, a reference to a window
            // that is not known here): the checks hold for definitions, not for every stream.
        }
        if (!again.empty() && formc::DumpComponentStream(again) != text) std::abort();
    } catch (const core::Error&) {
    }
    try {
        (void)formc::CompileDefinition(
            formc::ParseDefinition(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.form"), {});
    } catch (const core::Error&) {
    }
    return 0;
}
