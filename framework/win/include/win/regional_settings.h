#pragma once
// The user's regional settings (LOCALE_USER_DEFAULT): dates, times and numbers as the user set
// them in the Control Panel, independent of the language of the user interface.
#include <windows.h>

#include "core/locale_format.h"

namespace lark::win {

// The system's answers. The Control Panel's own values under HKCU\Control Panel\International
// come first while they belong to the user's locale: a running Wine process keeps its first
// GetLocaleInfoW answers, the key is what a later change writes.
core::LocaleAnswers ReadUserLocaleAnswers();

// The answers as settings, the built-in English conventions where the system answers nothing.
core::RegionalSettings ReadUserRegionalSettings();

// Whether a WM_SETTINGCHANGE tells of a change of the regional settings (its text "intl").
bool IsRegionalSettingChange(UINT message, LPARAM l);

}  // namespace lark::win
