#pragma once
// The transfer marker folder: an empty folder whose drag or copy the copy hook intercepts to
// download the selection in its place.
#include <string>

namespace lark::shellext {

inline constexpr char TransferMarkerName[] = "{A9D3D103-4CCD-4BDE-A11A-04D527EF71CE}";

// The system temporary folder followed by TransferMarkerName (UTF-8, no trailing delimiter),
// created with any missing parents. Throws core::Error when it cannot be created.
std::string GetTransferTempFolder();

}  // namespace lark::shellext
