#include "localization/regional_settings.h"

#include "localization/lang_component.h"

namespace lark::localization {

void ApplyRegionalSettings(const core::RegionalSettings& settings) {
    core::DefaultFormatSettings() = settings.formats;
    NumberFormatSettings& numbers = DefaultNumberFormatSettings();
    numbers.CurrencyString = settings.CurrencyString;
    numbers.ThousandSeparator = settings.ThousandSeparator;
}

core::RegionalSettings CurrentRegionalSettings() {
    core::RegionalSettings settings;
    settings.formats = core::DefaultFormatSettings();
    settings.CurrencyString = DefaultNumberFormatSettings().CurrencyString;
    settings.ThousandSeparator = DefaultNumberFormatSettings().ThousandSeparator;
    return settings;
}

}  // namespace lark::localization
