#pragma once
// Clipboard and drag data of the extension, in portable terms: the two registered formats and
// the formats a data source offers, how a requested format matches an offered one, the marker
// DROPFILES block, and the drop target's choices (which item is the target, which format the
// data must offer there, which effect a drop has). The COM objects (shellext/win/data_objects.h)
// only translate between these and OLE.
#include <cstdint>
#include <string_view>
#include <vector>

#include "shellext/item_ids.h"
#include "shellext/transfer_actions.h"

namespace lark::shellext {

// Registered clipboard format names: site profiles and site folders; remote directories and files.
inline constexpr char kProfileObjectFormatName[] = "Lark-FTP Profile Object";
inline constexpr char kFileSystemObjectFormatName[] = "Lark-FTP File System Object";

// OLE's values, for portable code (DROPEFFECT_*, MK_*, CF_HDROP, DVASPECT_CONTENT, TYMED_*);
// kDropEffectCopy and kDropEffectMove and TransferFormat come with the actions.
inline constexpr std::uint32_t kDropEffectNone = 0;
inline constexpr std::uint32_t kDropEffectLink = 4;
inline constexpr std::uint32_t kKeyControl = 0x0008;
inline constexpr std::uint32_t kClipboardHDrop = 15;
inline constexpr std::uint32_t kAspectContent = 1;
inline constexpr std::uint32_t kTymedHGlobal = 1;
inline constexpr std::uint32_t kTymedIStream = 4;

// The formats a data source of these items offers, by the kind of the last item (0, no items,
// counts as a site folder): the profile format for site folders and profiles; the file-system
// format, then CF_HDROP, for remote directories and files.
std::vector<TransferFormat> OfferedFormats(std::uint32_t lastItemKind);

// The parts of a FORMATETC that matching compares.
struct FormatKey {
    std::uint32_t format = 0;
    std::uint32_t aspect = kAspectContent;
    std::uint32_t tymed = kTymedHGlobal;
};
// A requested format matches an offered one when the clipboard formats and the aspects are
// equal and the media share at least one bit; target device and lindex are not compared.
bool FormatMatches(const FormatKey& requested, const FormatKey& offered);

// The DROPFILES block that names one path (already in the ANSI code page, no terminator):
// pFiles = 20, point (0, 0), fNC = 0, fWide = 0, the path, its zero and the list's zero.
// A path of L bytes gives L + 22 bytes.
std::vector<std::uint8_t> MarkerDropFiles(std::string_view ansiPath);

// ---- the drop target's choices ----

enum class DropTargetKind {
    Root,        // the namespace root (no item)
    SiteFolder,
    Profile,
    RemoteDir,
    RemoteFile,
    Invalid,     // an item that is not ours or names a freed node
};

// The kind of a target item through the live-node registry; null is the root.
DropTargetKind KindOfDropTarget(const ItemIdList* item);

// The target of a drag over a view: the row's item when it names a live node that is not a
// remote file, else the shown folder's own item (null for the root). DragOver and Drop choose
// with this one function, so they always agree.
const ItemIdList* ChooseDropTarget(const ItemIdList* rowItem, const ItemIdList* ownItem);

struct DropDecision {
    bool accepted = false;                       // false: the target takes no drop at all
    TransferFormat required = TransferFormat::ProfileItem;  // what the data must offer
    std::uint32_t effect = kDropEffectNone;      // the effect when the data offers it
};

// What a drop on a target of this kind does, with these keys held and these effects allowed
// by the source: root and site folders take profiles (the profile format), moved unless Ctrl is
// held (copied when the source allows no move); profiles and remote directories take remote
// files and local files (CF_HDROP), always copied, so local files are never reported as moved;
// remote files and invalid targets take nothing. The effect is always within `allowed`; an
// effect the source does not allow refuses the drop.
DropDecision DecideDrop(DropTargetKind kind, std::uint32_t keyState, std::uint32_t allowed);

}  // namespace lark::shellext
