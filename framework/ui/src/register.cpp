#include "ui/register.h"

#include "ui/actions.h"
#include "ui/bars.h"
#include "ui/common_dialogs.h"
#include "ui/date_time_picker.h"
#include "ui/image.h"
#include "ui/image_list.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/page_control.h"
#include "ui/standard_controls.h"
#include "ui/timer.h"

namespace lark::ui {

void RegisterControls() {
    static const bool done = [] {
        for (const core::ClassInfo* c :
             {&Form::StaticClass(), &Label::StaticClass(), &Button::StaticClass(), &CheckBox::StaticClass(),
              &RadioButton::StaticClass(), &Edit::StaticClass(), &Memo::StaticClass(), &ComboBox::StaticClass(), &GroupBox::StaticClass(),
              &Panel::StaticClass(), &RadioGroup::StaticClass(), &Image::StaticClass(), &PageControl::StaticClass(), &TabSheet::StaticClass(),
              &DateTimePicker::StaticClass(), &ListView::StaticClass(), &ListColumn::StaticClass(),
              &MainMenu::StaticClass(), &PopupMenu::StaticClass(), &MenuItem::StaticClass(),
              &ActionList::StaticClass(), &Action::StaticClass(), &ImageList::StaticClass(),
              &ToolBar::StaticClass(), &ToolButton::StaticClass(), &StatusBar::StaticClass(),
              &StatusPanel::StaticClass(), &Timer::StaticClass(), &OpenDialog::StaticClass(),
              &SaveDialog::StaticClass(), &FolderDialog::StaticClass(), &Font::StaticClass()})
            (void)c;
        return true;
    }();
    (void)done;
}

}  // namespace lark::ui
