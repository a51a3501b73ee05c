// Published events, handlers and bound fields, and the reader's binding pass; the one class
// type per class, the published-property copy and the property-path walk.
#include <gtest/gtest.h>

#include "core/component_stream.h"
#include "core/event.h"
#include "core/property_path.h"
#include "core/published.h"

using namespace lark::core;

namespace {

class Clicker : public Component {
    LARK_PERSISTENT_CLASS(Clicker)
public:
    using Component::Component;
    std::string caption;
    Component* target = nullptr;
    NotifyEvent OnClick;
    CloseQueryEvent OnCloseQuery;
};

LARK_DEFINE_CLASS(Clicker) {
    return ClassBuilder<Clicker>("TClicker", &Component::StaticClass())
        .Field("Caption", StringType(), &Clicker::caption)
        .Custom(
            "Target", ClassTypeOf<Component>(), [](const Clicker& c) { return Value(static_cast<Persistent*>(c.target)); },
            [](Clicker& c, const Value& v) { c.target = dynamic_cast<Component*>(AsObject(v)); })
        .Event("OnClick", &Clicker::OnClick)
        .Event("OnCloseQuery", &Clicker::OnCloseQuery)
        .Build();
}

class Other : public Component {
    LARK_PERSISTENT_CLASS(Other)
public:
    using Component::Component;
};

LARK_DEFINE_CLASS(Other) { return ClassBuilder<Other>("TOther", &Component::StaticClass()).Build(); }

// A root class as a form would be: private fields and handlers.
class Dialog : public Component {
    LARK_PERSISTENT_CLASS(Dialog)
public:
    using Component::Component;
    Clicker* Yes() const { return btnYes; }
    std::vector<std::string> calls;
    NotifyEvent OnShow;

private:
    Clicker* btnYes = nullptr;
    void btnYesClick(Component& sender) { calls.push_back("click " + sender.Name()); }
    void FormCloseQuery(Component& sender, bool& canClose) {
        calls.push_back("close " + sender.Name());
        canClose = false;
    }
    void FormShow(Component& sender) { calls.push_back("show " + sender.Name()); }
};

LARK_DEFINE_CLASS(Dialog) {
    return ClassBuilder<Dialog>("TDialog", &Component::StaticClass())
        .Event("OnShow", &Dialog::OnShow)
        .Binds("btnYes", &Dialog::btnYes)
        .Handler("btnYesClick", &Dialog::btnYesClick)
        .Handler("FormCloseQuery", &Dialog::FormCloseQuery)
        .Handler("FormShow", &Dialog::FormShow)
        .Build();
}

// A definition: the dialog with a button named `buttonName` of `buttonClass`, plus whatever
// the caller sets up on the source tree.
std::vector<std::uint8_t> Definition(const std::function<void(Dialog&, Component&)>& setUp,
                                     bool asOther = false) {
    Dialog source;
    source.SetName("ConfirmDialog");
    Component* button = asOther ? static_cast<Component*>(source.Create<Other>()) : source.Create<Clicker>();
    button->SetName("btnYes");
    setUp(source, *button);
    return WriteComponentToBytes(source);
}

std::string ReadErrorOf(const std::vector<std::uint8_t>& bytes) {
    Dialog read;
    try {
        ReadComponentFromBytes(read, bytes);
    } catch (const ReadError& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(Binding, FieldsAndHandlersAreBoundAfterReading) {
    auto bytes = Definition([](Dialog& d, Component& b) {
        auto& yes = static_cast<Clicker&>(b);
        yes.OnClick.SetHandlerName("btnYesClick");
        yes.OnCloseQuery.SetHandlerName("formclosequery");  // names compare as identifiers
        yes.target = &d;
        d.OnShow.SetHandlerName("FormShow");
    });
    Dialog read;
    ReadComponentFromBytes(read, bytes);
    ASSERT_NE(read.Yes(), nullptr);
    EXPECT_EQ(read.Yes(), read.FindComponent("btnYes"));
    EXPECT_EQ(read.Yes()->target, &read);
    EXPECT_EQ(read.Yes()->OnClick.HandlerName(), "btnYesClick");
    ASSERT_TRUE(read.Yes()->OnClick);
    read.Yes()->OnClick(*read.Yes());
    bool canClose = true;
    read.Yes()->OnCloseQuery(*read.Yes(), canClose);
    EXPECT_FALSE(canClose);
    read.OnShow(read);
    EXPECT_EQ(read.calls, (std::vector<std::string>{"click btnYes", "close btnYes", "show ConfirmDialog"}));
    // The handler name survives the round trip; the bound call is not part of the stream.
    EXPECT_EQ(WriteComponentToBytes(read), bytes);
}

TEST(Binding, WhatDoesNotResolveIsAReadErrorNamingFormComponentAndProperty) {
    struct Case {
        const char* what;
        std::function<void(Dialog&, Component&)> setUp;
        bool asOther;
        std::string message;
    } cases[] = {
        {"missing handler", [](Dialog&, Component& b) { static_cast<Clicker&>(b).OnClick.SetHandlerName("btnYesClik"); },
         false, "TDialog: btnYes.OnClick = btnYesClik: no such handler"},
        {"handler of another signature",
         [](Dialog&, Component& b) { static_cast<Clicker&>(b).OnClick.SetHandlerName("FormCloseQuery"); }, false,
         "TDialog: btnYes.OnClick = FormCloseQuery: the handler is a TCloseQueryEvent, the event a TNotifyEvent"},
        {"root event", [](Dialog& d, Component&) { d.OnShow.SetHandlerName("btnYesClick2"); }, false,
         "TDialog: ConfirmDialog.OnShow = btnYesClick2: no such handler"},
        {"bound field of another class", [](Dialog&, Component&) {}, true,
         "TDialog: btnYes is a TOther, not a TClicker as the bound field"},
        {"bound field without component", [](Dialog&, Component& b) { b.SetName("btnNo"); }, false,
         "TDialog: btnYes: no such component for the bound field"},
        {"unresolved reference",
         [](Dialog&, Component& b) {
             static Other elsewhere;  // a window that is not open when the definition is read
             if (elsewhere.Name().empty()) {
                 elsewhere.SetName("Elsewhere");
                 elsewhere.Create<Other>()->SetName("lcGone");
             }
             static_cast<Clicker&>(b).target = elsewhere.Components(0);
         },
         false, "TDialog: btnYes.Target = Elsewhere.lcGone: no such component"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadErrorOf(Definition(c.setUp, c.asOther)), c.message) << c.what;
}

TEST(Binding, ReferencesAcrossRootsResolveOrRaise) {
    Other main;
    main.SetName("SchedulerMain");
    auto* dispatcher = main.Create<Other>();
    dispatcher->SetName("lcDispatcher");
    RootComponents::Add(&main);
    struct Unregister {
        Other& root;
        ~Unregister() { RootComponents::Remove(&root); }
    } unregister{main};

    Dialog source;
    source.SetName("ConfirmDialog");
    auto* yes = source.Create<Clicker>();
    yes->SetName("btnYes");
    yes->target = dispatcher;
    auto bytes = WriteComponentToBytes(source);

    Dialog read;
    ReadComponentFromBytes(read, bytes);
    EXPECT_EQ(read.Yes()->target, dispatcher);

    dispatcher->SetName("lcRenamed");
    EXPECT_EQ(ReadErrorOf(bytes), "TDialog: btnYes.Target = SchedulerMain.lcDispatcher: no such component");
}

TEST(Binding, AFailedReadLeavesNoComponentLoading) {
    auto bytes = Definition([](Dialog&, Component& b) { static_cast<Clicker&>(b).OnClick.SetHandlerName("nope"); });
    Dialog read;
    EXPECT_THROW(ReadComponentFromBytes(read, bytes), ReadError);
    for (int i = 0; i < read.ComponentCount(); ++i) EXPECT_FALSE(read.Components(i)->IsLoading());
    EXPECT_FALSE(read.IsLoading());
}

TEST(Events, ANewHandlerNameDropsTheOldCall) {
    NotifyEvent event;
    int calls = 0;
    event.SetHandlerName("a");
    event.Bind([&](Component&) { ++calls; });
    Other sender;
    event(sender);
    event.SetHandlerName("a");
    EXPECT_TRUE(event);
    event.SetHandlerName("b");
    EXPECT_FALSE(event);
    event(sender);  // unbound: nothing happens
    EXPECT_EQ(calls, 1);
}

TEST(ClassTypes, OneTypePerClassNamedAfterIt) {
    const TypeInfo& a = ClassTypeOf<Clicker>();
    EXPECT_EQ(&a, &ClassTypeOf<Clicker>());
    EXPECT_EQ(a.kind, TypeKind::Class);
    EXPECT_EQ(a.name, "TClicker");
    EXPECT_EQ(a.classInfo, &Clicker::StaticClass());
    EXPECT_EQ(&EventTypeOf<Component&>(), &MethodType());
    const TypeInfo& closeQuery = EventTypeOf<Component&, bool&>();
    EXPECT_EQ(closeQuery.name, "TCloseQueryEvent");
    EXPECT_EQ(closeQuery.kind, TypeKind::Method);
}

TEST(AssignPublished, CopiesWritablePropertiesOnly) {
    Dialog owner;
    auto* from = owner.Create<Clicker>();
    from->SetName("from");
    from->caption = "Yes";
    from->target = &owner;
    from->OnClick.SetHandlerName("btnYesClick");
    from->SetTag(7);
    Clicker to;
    to.OnClick.SetHandlerName("old");
    to.OnClick.Bind([](Component&) {});
    AssignPublished(*from, to);
    EXPECT_EQ(to.Name(), "");  // the name is the component's identity, not a published value
    EXPECT_EQ(to.Tag(), 7);
    EXPECT_EQ(to.caption, "Yes");
    EXPECT_EQ(to.target, &owner);
    EXPECT_EQ(to.OnClick.HandlerName(), "btnYesClick");
    EXPECT_FALSE(to.OnClick);  // the call belonged to the old name

    Other other;
    EXPECT_THROW(AssignPublished(*from, other), Error);
    AssignPublished(to, to);  // itself: nothing
    EXPECT_EQ(to.caption, "Yes");
}

TEST(PropertyPath, OneWalkForComponentsObjectsAndItems) {
    Dialog form;
    form.SetName("ConfirmDialog");
    auto* yes = form.Create<Clicker>();
    yes->SetName("btnYes");
    struct Case {
        const char* path;
        Persistent* object;
        const char* prop;  // null: does not resolve
    } cases[] = {
        {"btnYes.Caption", yes, "Caption"},
        {"ConfirmDialog.btnYes.Caption", yes, "Caption"},
        {"TDialog.Tag", &form, "Tag"},
        {"tdialog.btnyes.caption", yes, "Caption"},
        {"Tag", &form, "Tag"},
        {"btnYes.Caption.Length", nullptr, nullptr},
        {"btnNo.Caption", nullptr, nullptr},
        {"btnYes.Missing", nullptr, nullptr},
        {"btnYes[0].Caption", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        auto ref = ResolvePropertyPath(form, c.path);
        if (!c.prop) {
            EXPECT_FALSE(ref) << c.path;
            continue;
        }
        ASSERT_TRUE(ref) << c.path;
        EXPECT_EQ(ref->object, c.object) << c.path;
        EXPECT_EQ(ref->prop->name, c.prop) << c.path;
    }
}

namespace {
class Counted : public Component {
    LARK_PERSISTENT_CLASS(Counted)
public:
    using Component::Component;
    int loadedCalls = 0;
    std::string caption;
    void Loaded() override {
        Component::Loaded();
        ++loadedCalls;
    }
};
LARK_DEFINE_CLASS(Counted) {
    return ClassBuilder<Counted>("TCounted", &Component::StaticClass()).Field("Caption", StringType(), &Counted::caption).Build();
}
}  // namespace

TEST(Binding, ADefinitionBasedOnAnotherIsReadAsOneAfterItsBase) {
    // The template: a button; the dialog based on it: the button's caption and handler, a label.
    Dialog templ;
    templ.SetName("ConfirmDialog");
    templ.Create<Clicker>()->SetName("btnYes");
    templ.Create<Counted>()->SetName("lblShared");
    auto base = WriteComponentToBytes(templ);

    Dialog derived;
    derived.SetName("ConfirmDialog");
    auto* yes = derived.Create<Clicker>();
    yes->SetName("btnYes");
    yes->caption = "Yes";
    yes->OnClick.SetHandlerName("btnYesClick");
    auto* shared = derived.Create<Counted>();
    shared->SetName("lblShared");
    shared->caption = "changed";
    derived.Create<Counted>()->SetName("lblOwn");
    auto own = WriteComponentToBytes(derived);

    MemoryStream first(base), second(own);
    Stream* streams[] = {&first, &second};
    Dialog read;
    Reader::ReadRootComponents(read, streams);
    ASSERT_EQ(read.ComponentCount(), 3);
    ASSERT_NE(read.Yes(), nullptr);
    EXPECT_EQ(read.Yes()->caption, "Yes");
    read.Yes()->OnClick(*read.Yes());
    EXPECT_EQ(read.calls, std::vector<std::string>{"click btnYes"});
    auto* readShared = dynamic_cast<Counted*>(read.FindComponent("lblShared"));
    ASSERT_NE(readShared, nullptr);
    EXPECT_EQ(readShared->caption, "changed");
    EXPECT_EQ(readShared->loadedCalls, 1);
    EXPECT_EQ(dynamic_cast<Counted*>(read.FindComponent("lblOwn"))->loadedCalls, 1);
}
