#include "localization/lang_component.h"

namespace lark::localization {

LARK_DEFINE_CLASS(TlcLangLinked) {
    return core::ClassBuilder<TlcLangLinked>("TlcLangLinked", &TlcCustomLang::StaticClass())
        .Custom("CommonContainer", core::ClassTypeOf<TlcCustomLang>(),
                [](const TlcLangLinked& l) { return core::Value(static_cast<core::Persistent*>(l.CommonContainer())); },
                [](TlcLangLinked& l, const core::Value& v) {
                    l.SetCommonContainer(dynamic_cast<TlcCustomLang*>(core::AsObject(v)));
                })
        .Build();
}

TlcLangLinked::~TlcLangLinked() {
    if (container_) container_->RemoveFreeNotification(this);
    container_ = nullptr;
}

void TlcLangLinked::SetCommonContainer(TlcCustomLang* container) {
    if (container == container_ || container == this) return;
    if (container_) container_->RemoveFreeNotification(this);
    container_ = container;
    if (container_) container_->FreeNotification(this);
    if (!IsLoading()) Loaded();
}

void TlcLangLinked::Loaded() {
    TlcCustomLang::Loaded();
    if (IsDesigning()) {
        ListOfKind(TStringsType::stDlgsCaptions)->clear();
        ListOfKind(TStringsType::stLocales)->clear();
        return;
    }
    CopyCommonLists();
}

void TlcLangLinked::CopyCommonLists() {
    if (!container_) return;
    for (TStringsType kind : {TStringsType::stDlgsCaptions, TStringsType::stLocales}) {
        const StringList* from = container_->ListOfKind(kind);
        StringList* to = ListOfKind(kind);
        if (!from || !to) continue;
        *to = *from;
        ReplaceDelimiterInList(*to, container_->LangDelim(), LangDelim());
    }
}

void TlcLangLinked::Notification(core::Component* component, core::Operation operation) {
    TlcCustomLang::Notification(component, operation);
    if (operation == core::Operation::Remove && component == container_) container_ = nullptr;
}

}  // namespace lark::localization
