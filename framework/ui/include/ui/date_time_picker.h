#pragma once
// Date-time picker: Kind dtkDate (a date, DateFormat dfShort or dfLong) or dtkTime (time with
// up-down), DateTime live as core::DateTime (days since 30 December 1899). Format, when set, is
// the picker's own display format ("H:mm").
#include "ui/win32.h"

#include <string>

#include "core/datetime.h"
#include "core/event.h"
#include "ui/control.h"

namespace lark::ui {

enum class DateTimeKind { Date, Time };
enum class DateFormat { Short, Long };

class DateTimePicker : public Control {
    LARK_PERSISTENT_CLASS(DateTimePicker)
public:
    explicit DateTimePicker(core::Component* owner = nullptr);
    DateTimeKind Kind() const { return kind_; }
    void SetKind(DateTimeKind kind);
    DateFormat GetDateFormat() const { return dateFormat_; }
    void SetDateFormat(DateFormat format);
    const std::string& Format() const { return format_; }
    void SetFormat(std::string format);
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
    DateFormat dateFormat_ = DateFormat::Short;
    std::string format_;
    core::DateTime value_ = 0;
};

}  // namespace lark::ui
