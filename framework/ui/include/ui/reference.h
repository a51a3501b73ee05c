#pragma once
// A published reference from one component to another (a control's PopupMenu, a list's
// Images): the field follows the target, and a removal notice tells the holder when the target
// is freed, so no reference outlives what it names. The holder's Notification clears the field.
#include "core/component.h"

namespace lark::ui {

template <class T>
void SetReference(core::Component& holder, T*& field, T* target) {
    if (field) field->RemoveFreeNotification(&holder);
    field = target;
    if (field) field->FreeNotification(&holder);
}

}  // namespace lark::ui
