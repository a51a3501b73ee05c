#pragma once
// Small components publishing the properties translation touches.
#include <string>

#include "core/collection.h"
#include "core/component.h"
#include "core/strings_object.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"

namespace lark::localization::testing {

class TFont : public core::Persistent {
    LARK_PERSISTENT_CLASS(TFont)
public:
    std::string Name = "Tahoma";
    int Charset = 1;
};

class TAction : public core::Component {
    LARK_PERSISTENT_CLASS(TAction)
public:
    explicit TAction(core::Component* owner = nullptr) : core::Component(owner) {}
    std::string Caption, Hint;
};

// A button, label, combo box or memo, as far as translation sees it.
class TControl : public core::Component {
    LARK_PERSISTENT_CLASS(TControl)
public:
    explicit TControl(core::Component* owner = nullptr) : core::Component(owner) {}
    std::string Caption, Hint, Text;
    TFont Font;
    bool ParentFont = false;
    TAction* Action = nullptr;
    core::StringsObject Items;
    int ItemIndex = -1;
};

class TListColumn : public core::CollectionItem {
    LARK_PERSISTENT_CLASS(TListColumn)
public:
    std::string Caption;
    core::StringsObject Notes;
};

class TListView : public core::Component {
    LARK_PERSISTENT_CLASS(TListView)
public:
    explicit TListView(core::Component* owner = nullptr)
        : core::Component(owner), Columns(TListColumn::StaticClass(), this) {}
    core::Collection Columns;
    TListColumn* Column(int i) { return Columns.ItemAs<TListColumn>(i); }
};

class TOpenDialog : public core::Component {
    LARK_PERSISTENT_CLASS(TOpenDialog)
public:
    explicit TOpenDialog(core::Component* owner = nullptr) : core::Component(owner) {}
    std::string Title;
    int Options = 0;
};

class TTestForm : public core::Component {
    LARK_PERSISTENT_CLASS(TTestForm)
public:
    explicit TTestForm(core::Component* owner = nullptr) : core::Component(owner) {}
    std::string Caption, Hint;
    TFont Font;
};

// Registers every class a definition of these components names.
void RegisterTestClasses();

}  // namespace lark::localization::testing
