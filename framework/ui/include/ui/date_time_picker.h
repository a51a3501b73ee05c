#pragma once
// Date-time picker: Kind dtkDate (short date) or dtkTime (time with up-down), DateTime live as
// core::DateTime (days since 30 December 1899).
#include "ui/win32.h"

#include "core/datetime.h"
#include "core/event.h"
#include "ui/control.h"

namespace lark::ui {

enum class DateTimeKind { Date, Time };

class DateTimePicker : public Control {
    LARK_PERSISTENT_CLASS(DateTimePicker)
public:
    explicit DateTimePicker(core::Component* owner = nullptr);
    DateTimeKind Kind() const { return kind_; }
    void SetKind(DateTimeKind kind);
    core::DateTime GetDateTime() const;
    void SetDateTime(core::DateTime value);
    core::NotifyEvent OnChange;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void SaveLiveState() override;
    bool Notify(NMHDR& header, LRESULT& result) override;

private:
    DateTimeKind kind_ = DateTimeKind::Date;
    core::DateTime value_ = 0;
};

}  // namespace lark::ui
