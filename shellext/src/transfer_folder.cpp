#include "shellext/transfer_folder.h"

#include <filesystem>
#include <system_error>

#include "core/errors.h"

namespace lark::shellext {

std::string GetTransferTempFolder() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error) throw core::Error("no temporary folder: " + error.message());
    folder /= TransferMarkerName;
    fs::create_directories(folder, error);
    if (error) throw core::Error("cannot create the transfer folder: " + error.message());
    const std::u8string text = folder.lexically_normal().u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace lark::shellext
