#include "shellext/data_transfer.h"

#include <cstring>

#include "shellext/model/site_model.h"

namespace lark::shellext {

std::vector<TransferFormat> OfferedFormats(std::uint32_t lastItemKind) {
    if (lastItemKind == ItemKindRemoteDir || lastItemKind == ItemKindRemoteFile)
        return {TransferFormat::FileItem, TransferFormat::HDrop};
    return {TransferFormat::ProfileItem};
}

bool FormatMatches(const FormatKey& requested, const FormatKey& offered) {
    return requested.format == offered.format && requested.aspect == offered.aspect &&
           (requested.tymed & offered.tymed) != 0;
}

std::vector<std::uint8_t> MarkerDropFiles(std::string_view ansiPath) {
    constexpr std::size_t kHeader = 20;
    std::vector<std::uint8_t> block(kHeader + ansiPath.size() + 2, 0);
    block[0] = static_cast<std::uint8_t>(kHeader);  // pFiles, little-endian; the rest of the header stays 0
    if (!ansiPath.empty()) std::memcpy(block.data() + kHeader, ansiPath.data(), ansiPath.size());
    return block;
}

DropTargetKind KindOfDropTarget(const ItemIdList* item) {
    if (!item) return DropTargetKind::Root;
    if (const TFTPObject* site = SiteNodeOf(item))
        return site->IsFolder() ? DropTargetKind::SiteFolder : DropTargetKind::Profile;
    if (const TFSObject* remote = RemoteNodeOf(item))
        return remote->IsFolder() ? DropTargetKind::RemoteDir : DropTargetKind::RemoteFile;
    return DropTargetKind::Invalid;
}

const ItemIdList* ChooseDropTarget(const ItemIdList* rowItem, const ItemIdList* ownItem) {
    if (!rowItem) return ownItem;
    const DropTargetKind kind = KindOfDropTarget(rowItem);
    if (kind == DropTargetKind::Invalid || kind == DropTargetKind::RemoteFile || kind == DropTargetKind::Root)
        return ownItem;
    return rowItem;
}

DropDecision DecideDrop(DropTargetKind kind, std::uint32_t keyState, std::uint32_t allowed) {
    DropDecision decision;
    switch (kind) {
        case DropTargetKind::Root:
        case DropTargetKind::SiteFolder:
            decision.required = TransferFormat::ProfileItem;
            if (keyState & kKeyControl)
                decision.effect = kDropEffectCopy;
            else
                decision.effect = (allowed & kDropEffectMove) ? kDropEffectMove : kDropEffectCopy;
            break;
        case DropTargetKind::Profile:
        case DropTargetKind::RemoteDir:
            decision.required = TransferFormat::HDrop;
            decision.effect = kDropEffectCopy;
            break;
        case DropTargetKind::RemoteFile:
        case DropTargetKind::Invalid:
            return decision;
    }
    decision.effect &= allowed;
    decision.accepted = decision.effect != kDropEffectNone;
    return decision;
}

}  // namespace lark::shellext
