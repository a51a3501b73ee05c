#include "ui/date_time_picker.h"

#include <commctrl.h>

#include <cmath>

#include "core/compiler.h"
#include "win/text.h"

namespace lark::ui {

namespace {
const core::TypeInfo& KindType() {
    static const auto type = core::MakeEnumType("TDateTimeKind", {"dtkDate", "dtkTime"});
    return *type;
}

const core::TypeInfo& DateFormatType() {
    static const auto type = core::MakeEnumType("TDTDateFormat", {"dfShort", "dfLong"});
    return *type;
}

SYSTEMTIME ToSystemTime(core::DateTime value) {
    int year, month, day, hour, minute, second, ms;
    core::DecodeDateTime(value, year, month, day, hour, minute, second, ms);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wDayOfWeek = static_cast<WORD>(core::DayOfWeekSunday(value) - 1);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    st.wMilliseconds = static_cast<WORD>(ms);
    return st;
}

core::DateTime FromSystemTime(const SYSTEMTIME& st) {
    return core::EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}
}  // namespace

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(DateTimePicker) {
    using core::Value;
    return core::ClassBuilder<DateTimePicker>("TDateTimePicker", &Control::StaticClass())
        .Prop("DateTime", core::DateTimeType(), &DateTimePicker::GetDateTime, &DateTimePicker::SetDateTime)
        .Prop("DateFormat", DateFormatType(), &DateTimePicker::GetDateFormat, &DateTimePicker::SetDateFormat,
              Value(std::int64_t(0)))
        .Prop("Format", core::StringType(), &DateTimePicker::Format, &DateTimePicker::SetFormat, Value(std::string()))
        .Prop("Kind", KindType(), &DateTimePicker::Kind, &DateTimePicker::SetKind, Value(std::int64_t(0)))
        .Event("OnChange", &DateTimePicker::OnChange)
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

DateTimePicker::DateTimePicker(core::Component* owner) : Control(owner) {
    SetTabStop(true);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    value_ = FromSystemTime(now);
}

void DateTimePicker::SetKind(DateTimeKind kind) {
    kind_ = kind;
    RecreateHandle();
}

void DateTimePicker::SetDateFormat(DateFormat format) {
    dateFormat_ = format;
    RecreateHandle();
}

void DateTimePicker::SetFormat(std::string format) {
    format_ = std::move(format);
    if (HandleAllocated())
        SendMessageW(handle_, DTM_SETFORMATW, 0,
                     format_.empty() ? 0 : reinterpret_cast<LPARAM>(win::Widen(format_).c_str()));
}

core::DateTime DateTimePicker::GetDateTime() const {
    if (!HandleAllocated()) return value_;
    SYSTEMTIME st{};
    if (SendMessageW(handle_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID) return value_;
    return FromSystemTime(st);
}

void DateTimePicker::SetDateTime(core::DateTime value) {
    if (!core::IsValidDateTime(value)) throw core::Error(NamePath() + ".DateTime: not a valid date");
    value_ = value;
    if (HandleAllocated()) {
        SYSTEMTIME st = ToSystemTime(value_);
        SendMessageW(handle_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    }
}

void DateTimePicker::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = DATETIMEPICK_CLASSW;
    if (kind_ == DateTimeKind::Time) params.style |= DTS_TIMEFORMAT | DTS_UPDOWN;
    else params.style |= dateFormat_ == DateFormat::Long ? DTS_LONGDATEFORMAT : DTS_SHORTDATEFORMAT;
}

void DateTimePicker::HandleCreated() {
    Control::HandleCreated();
    if (!format_.empty()) SetFormat(format_);
    SetDateTime(value_);
}

void DateTimePicker::SaveLiveState() {
    if (HandleAllocated()) value_ = GetDateTime();
    Control::SaveLiveState();
}

bool DateTimePicker::Notify(NMHDR& header, LRESULT& result) {
    if (header.code != DTN_DATETIMECHANGE) return false;
    OnChange(*this);
    return true;
}

}  // namespace lark::ui
