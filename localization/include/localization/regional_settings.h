#pragma once
// The process-wide conventions from the user's regional settings: the framework's date and time
// formats and the number conventions beside them. A program loads them at start, before its
// windows capture their DefaultLocale, and again when the user changes them; a window whose
// locale rows apply (ChangeLocales) overrides them until the next load.
#include "core/locale_format.h"

namespace lark::localization {

void ApplyRegionalSettings(const core::RegionalSettings& settings);

// What the process-wide conventions are now.
core::RegionalSettings CurrentRegionalSettings();

}  // namespace lark::localization
