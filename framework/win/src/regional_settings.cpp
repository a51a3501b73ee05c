#include "win/regional_settings.h"

#include <cwchar>
#include <optional>

#include "win/text.h"

namespace lark::win {

namespace {

constexpr wchar_t kInternationalKey[] = L"Control Panel\\International";

std::optional<std::string> LocaleText(LCTYPE type) {
    wchar_t buffer[256];
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 256);
    if (n <= 0) return std::nullopt;
    return Narrow(std::wstring_view(buffer, static_cast<std::size_t>(n - 1)));
}

// The user's own values, while the key names the user's present locale (a locale switched
// under it leaves values of the old one).
class InternationalKey {
public:
    InternationalKey() {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternationalKey, 0, KEY_QUERY_VALUE, &key_) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        wchar_t expected[16];
        std::swprintf(expected, 16, L"%08lX", static_cast<unsigned long>(GetUserDefaultLCID()));
        const std::optional<std::wstring> locale = Value(L"Locale");
        if (!locale || _wcsicmp(locale->c_str(), expected) != 0) Close();
    }
    ~InternationalKey() { Close(); }
    InternationalKey(const InternationalKey&) = delete;
    InternationalKey& operator=(const InternationalKey&) = delete;

    std::optional<std::string> Text(const wchar_t* name) const {
        std::optional<std::wstring> value = Value(name);
        if (!value) return std::nullopt;
        return Narrow(*value);
    }

private:
    std::optional<std::wstring> Value(const wchar_t* name) const {
        if (!key_) return std::nullopt;
        wchar_t buffer[256];
        DWORD type = 0, size = sizeof buffer - sizeof(wchar_t);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return std::nullopt;
        buffer[size / sizeof(wchar_t)] = L'\0';
        return std::wstring(buffer);
    }
    void Close() {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

    HKEY key_ = nullptr;
};

}  // namespace

core::LocaleAnswers ReadUserLocaleAnswers() {
    const InternationalKey user;
    auto read = [&](const wchar_t* name, LCTYPE type) {
        std::optional<std::string> value = user.Text(name);
        return value ? value : LocaleText(type);
    };
    core::LocaleAnswers a;
    a.shortDate = read(L"sShortDate", LOCALE_SSHORTDATE);
    a.longDate = read(L"sLongDate", LOCALE_SLONGDATE);
    a.shortTime = read(L"sShortTime", LOCALE_SSHORTTIME);
    a.longTime = read(L"sTimeFormat", LOCALE_STIMEFORMAT);
    a.dateSeparator = read(L"sDate", LOCALE_SDATE);
    a.timeSeparator = read(L"sTime", LOCALE_STIME);
    a.am = read(L"s1159", LOCALE_S1159);
    a.pm = read(L"s2359", LOCALE_S2359);
    a.decimalSeparator = read(L"sDecimal", LOCALE_SDECIMAL);
    a.thousandSeparator = read(L"sThousand", LOCALE_STHOUSAND);
    a.currency = read(L"sCurrency", LOCALE_SCURRENCY);
    for (int i = 0; i < 12; ++i) {
        a.longMonths[i] = LocaleText(LOCALE_SMONTHNAME1 + i);
        a.shortMonths[i] = LocaleText(LOCALE_SABBREVMONTHNAME1 + i);
    }
    // The system counts the days from Monday, the framework from Sunday.
    for (int i = 0; i < 7; ++i) {
        const int day = (i + 6) % 7;  // Sunday is the system's seventh day
        a.longDays[i] = LocaleText(LOCALE_SDAYNAME1 + day);
        a.shortDays[i] = LocaleText(LOCALE_SABBREVDAYNAME1 + day);
    }
    return a;
}

core::RegionalSettings ReadUserRegionalSettings() { return core::RegionalSettingsFromLocale(ReadUserLocaleAnswers()); }

bool IsRegionalSettingChange(UINT message, LPARAM l) {
    if (message != WM_SETTINGCHANGE || !l) return false;
    return _wcsicmp(reinterpret_cast<const wchar_t*>(l), L"intl") == 0;
}

}  // namespace lark::win
