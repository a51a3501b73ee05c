#include "shellext/object_properties_rules.h"

#include <cstdio>
#include <memory>

#include "core/errors.h"
#include "core/format.h"
#include "core/text_encoding.h"

namespace lark::shellext {

BoxState NextBoxState(BoxState state) { return state == BoxState::Checked ? BoxState::Unchecked : BoxState::Checked; }

BoxStates BoxesOf(std::uint16_t permissions) {
    BoxStates boxes{};
    for (std::size_t i = 0; i < kPermissionBoxes.size(); ++i)
        boxes[i] = (permissions & kPermissionBoxes[i].bit) ? BoxState::Checked : BoxState::Unchecked;
    return boxes;
}

BoxStates BoxesOf(const std::vector<std::uint16_t>& permissions) {
    if (permissions.empty()) throw core::Error("Permission boxes: no objects");
    BoxStates boxes = BoxesOf(permissions.front());
    for (std::size_t j = 1; j < permissions.size(); ++j)
        for (std::size_t i = 0; i < kPermissionBoxes.size(); ++i) {
            const bool has = (permissions[j] & kPermissionBoxes[i].bit) != 0;
            if (has != (boxes[i] == BoxState::Checked)) boxes[i] = BoxState::Mixed;
        }
    return boxes;
}

std::string NumericText(const BoxStates& boxes) {
    int sum = 0;
    for (std::size_t i = 0; i < kPermissionBoxes.size(); ++i)
        if (boxes[i] == BoxState::Checked) sum += kPermissionBoxes[i].weight;
    return std::to_string(sum);
}

std::uint16_t PermissionsFor(const BoxStates& boxes, std::uint16_t had) {
    std::uint16_t result = had & static_cast<std::uint16_t>(~kPermissionBits);
    for (std::size_t i = 0; i < kPermissionBoxes.size(); ++i) {
        const std::uint16_t bit = kPermissionBoxes[i].bit;
        if (boxes[i] == BoxState::Checked || (boxes[i] == BoxState::Mixed && (had & bit))) result |= bit;
    }
    return result;
}

std::string NumericTextOf(std::uint16_t permissions) { return NumericText(BoxesOf(permissions)); }

std::string PermStringOf(std::uint16_t permissions, bool isFolder) {
    std::string text(1, isFolder ? 'd' : '-');
    for (std::size_t i = 0; i < kPermissionBoxes.size(); ++i)
        text += (permissions & kPermissionBoxes[i].bit) ? "rwx"[i % 3] : '-';
    return text;
}

std::string SizeText(std::int64_t size, std::string_view bytesFormat, std::string_view kilobytes,
                     std::string_view megabytes, std::string_view decimalSeparator) {
    if (size < 1000) return core::Format(bytesFormat, {size});
    const bool mega = size >= 1000000;
    char number[64];
    std::snprintf(number, sizeof number, "%.2f", static_cast<double>(size) / (mega ? 1048576.0 : 1024.0));
    std::string text = number;
    if (const std::size_t point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, decimalSeparator);
    text += mega ? megabytes : kilobytes;
    return text;
}

FolderCounts CountMembers(const TFTPObject& folder) {
    FolderCounts counts;
    const TFTPObjects& members = folder.Children();
    for (int i = 0; i < members.Count(); ++i) ++(members.Items(i)->IsFolder() ? counts.folders : counts.profiles);
    return counts;
}

std::vector<std::string> SiblingFolderNames(const TFTPObject& node) {
    std::vector<std::string> names;
    const TFTPObjects& level = node.Collection();
    for (int i = 0; i < level.Count(); ++i) {
        const TFTPObject* sibling = level.Items(i);
        if (sibling != &node && sibling->IsFolder()) names.push_back(sibling->ServerInfo()->ProfileName);
    }
    return names;
}

bool NameTaken(const std::vector<std::string>& names, std::string_view name) {
    for (const std::string& n : names)
        if (core::SameTextUtf8(n, name)) return true;
    return false;
}

std::string ParentFolderPath(const TFTPObject& node) {
    const std::string path = GetObjectPath(node, "\\");
    return path.size() > 1 ? path.substr(1) : path;
}

bool ApplyFolderRename(FolderContext& context, TFTPObject& node, const std::string& newName) {
    TFtpServerInfo* record = node.ServerInfo();
    if (!record) throw core::Error("Folder properties: the node has no record");
    std::shared_ptr<mainclient::MainClient> client;
    try {
        const MainClientFactory& create = context.model.Services().createMainClient;
        if (create) client = create();
    } catch (const core::Error&) {
        // The main client is not there: the folder keeps its name.
    }
    if (!client) return false;
    const std::string oldName = record->ProfileName;
    record->ProfileName = newName;
    mainclient::ProfileRecord profile;
    profile.folder_path = ParentFolderPath(node);
    profile.profile_name = newName;
    try {
        client->ModifyProfile(profile);
    } catch (const core::Error&) {
        record->ProfileName = oldName;
        return false;
    }
    return true;
}

void SetPermissions(TFSObject& object, std::uint16_t permissions) {
    object.Permissions = permissions;
    object.PermString = PermStringOf(permissions, object.IsFolder());
}

int ApplyPermissions(FolderContext& context, const std::vector<TFSObject*>& objects, const BoxStates& boxes) {
    int updated = 0;
    try {
        const MainClientFactory& create = context.model.Services().createMainClient;
        std::shared_ptr<mainclient::MainClient> client = create ? create() : nullptr;
        if (!client) return 0;
        for (TFSObject* object : objects) {
            const std::uint16_t bits = PermissionsFor(boxes, object->Permissions);
            if (client->SetAttributes(object->GetConnectionID(), object->GetRemotePath(), NumericTextOf(bits)) < 0)
                continue;
            SetPermissions(*object, bits);
            ++updated;
        }
    } catch (const core::Error&) {
        // The first failure ends the changes; those made stay.
    }
    return updated;
}

}  // namespace lark::shellext
