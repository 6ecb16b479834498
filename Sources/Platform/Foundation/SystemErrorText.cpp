#include "SystemErrorText.h"

#include <locale.h>
#include <string.h>

#include <optional>
#include <system_error>

namespace platform {

namespace {
// The variables that name the locale of messages, in the order setlocale reads them.
constexpr const char* kMessageLocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
constexpr char kFallbackLocale[] = "C";
}  // namespace

std::string localizedSystemMessage(int error, const EnvironmentLookup& environment) {
    std::string name = kFallbackLocale;
    for (const char* variable : kMessageLocaleVariables) {
        const std::optional<std::string> value = environment ? environment(variable) : std::nullopt;
        if (value && !value->empty()) {
            name = *value;
            break;
        }
    }
    // The messages and the character set they are written in come from the same locale.
    constexpr int categories = LC_MESSAGES_MASK | LC_CTYPE_MASK;
    locale_t locale = ::newlocale(categories, name.c_str(), static_cast<locale_t>(nullptr));
    if (!locale) locale = ::newlocale(categories, kFallbackLocale, static_cast<locale_t>(nullptr));
    if (!locale) return std::generic_category().message(error);
    std::string message = ::strerror_l(error, locale);
    ::freelocale(locale);
    return message;
}

}  // namespace platform
