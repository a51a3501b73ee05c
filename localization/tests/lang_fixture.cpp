#include "lang_fixture.h"

namespace lark::localization::testing {

using core::ClassBuilder;
using core::Value;

namespace {
template <class T, class M>
std::function<Value(const T&)> SubOf(M T::*member) {
    return [member](const T& o) { return Value(static_cast<core::Persistent*>(&(const_cast<T&>(o).*member))); };
}
}  // namespace

LARK_DEFINE_CLASS(TFont) {
    return ClassBuilder<TFont>("TFont", nullptr)
        .Field("Name", core::StringType(), &TFont::Name)
        .Field("Charset", core::ByteType(), &TFont::Charset)
        .Build();
}

LARK_DEFINE_CLASS(TAction) {
    return ClassBuilder<TAction>("TAction", &core::Component::StaticClass())
        .Field("Caption", core::StringType(), &TAction::Caption)
        .Field("Hint", core::StringType(), &TAction::Hint)
        .Build();
}

LARK_DEFINE_CLASS(TControl) {
    return ClassBuilder<TControl>("TControl", &core::Component::StaticClass())
        .Field("Caption", core::StringType(), &TControl::Caption)
        .Field("Hint", core::StringType(), &TControl::Hint)
        .Field("Text", core::StringType(), &TControl::Text)
        .Custom("Font", core::ClassTypeOf<TFont>(), SubOf(&TControl::Font), nullptr)
        .Field("ParentFont", core::BooleanType(), &TControl::ParentFont)
        .Custom("Action", core::ClassTypeOf<TAction>(), [](const TControl& c) { return Value(static_cast<core::Persistent*>(c.Action)); },
                [](TControl& c, const Value& v) { c.Action = dynamic_cast<TAction*>(core::AsObject(v)); })
        .Custom("Items", core::ClassTypeOf<core::StringsObject>(), SubOf(&TControl::Items), nullptr)
        .Field("ItemIndex", core::IntegerType(), &TControl::ItemIndex)
        .Build();
}

LARK_DEFINE_CLASS(TListColumn) {
    return ClassBuilder<TListColumn>("TListColumn", &core::CollectionItem::StaticClass())
        .Field("Caption", core::StringType(), &TListColumn::Caption)
        .Custom("Notes", core::ClassTypeOf<core::StringsObject>(), SubOf(&TListColumn::Notes), nullptr)
        .Build();
}

LARK_DEFINE_CLASS(TListView) {
    return ClassBuilder<TListView>("TListView", &core::Component::StaticClass())
        .Custom("Columns", core::ClassTypeOf<core::Collection>(), SubOf(&TListView::Columns), nullptr)
        .Build();
}

LARK_DEFINE_CLASS(TOpenDialog) {
    return ClassBuilder<TOpenDialog>("TOpenDialog", &core::Component::StaticClass())
        .Field("Title", core::StringType(), &TOpenDialog::Title)
        .Field("Options", core::IntegerType(), &TOpenDialog::Options)
        .Build();
}

LARK_DEFINE_CLASS(TTestForm) {
    return ClassBuilder<TTestForm>("TTestForm", &core::Component::StaticClass())
        .Field("Caption", core::StringType(), &TTestForm::Caption)
        .Field("Hint", core::StringType(), &TTestForm::Hint)
        .Custom("Font", core::ClassTypeOf<TFont>(), SubOf(&TTestForm::Font), nullptr)
        .Build();
}

void RegisterTestClasses() {
    TFont::StaticClass();
    TAction::StaticClass();
    TControl::StaticClass();
    TListColumn::StaticClass();
    TListView::StaticClass();
    TOpenDialog::StaticClass();
    TTestForm::StaticClass();
    TlcLang::StaticClass();
    TlcLangLinked::StaticClass();
    TlcLangDispatcher::StaticClass();
}

}  // namespace lark::localization::testing
