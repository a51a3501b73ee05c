// The lx dialogs behind the actions: the site properties dialog and the folder and remote object
// property dialogs.
#include "dialogs/object_properties.h"
#include "dialogs/profile_form.h"
#include "shellext/transfer_actions.h"
#include "shellext/win/lx_library.h"

namespace lark::shellext {

namespace {

// Each dialog is made inside the library's activation context, so Explorer's windows and ours
// each get the common controls they were built for.
class LxDialogs : public ItemDialogs {
public:
    bool NewProfile(FolderContext& context, TFTPObjects* folder, TFTPObject*& node) override {
        win::ModuleActivationContext::Scope scope(LxLibrary::Instance().ActivationContext());
        return shellext::NewProfile(context, folder, node);
    }
    bool EditProfile(FolderContext& context, TFTPObject& node) override {
        win::ModuleActivationContext::Scope scope(LxLibrary::Instance().ActivationContext());
        return shellext::EditProfile(context, node);
    }
    bool EditProfileFolder(FolderContext& context, TFTPObject& node) override {
        win::ModuleActivationContext::Scope scope(LxLibrary::Instance().ActivationContext());
        return shellext::EditProfileFolder(context, node);
    }
    bool EditFSObject(FolderContext& context, TFSObject& object) override {
        win::ModuleActivationContext::Scope scope(LxLibrary::Instance().ActivationContext());
        return shellext::EditFSObject(context, object);
    }
    bool EditFSObjects(FolderContext& context, const std::vector<std::pair<std::string, TFSObject*>>& objects) override {
        win::ModuleActivationContext::Scope scope(LxLibrary::Instance().ActivationContext());
        return shellext::EditFSObjects(context, objects);
    }
};

}  // namespace

ItemDialogs& BuiltInDialogs() {
    static LxDialogs dialogs;
    return dialogs;
}

}  // namespace lark::shellext
