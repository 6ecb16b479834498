#include "SystemErrorText.h"

#include <libintl.h>
#include <locale.h>
#include <string.h>

#include <optional>
#include <system_error>

#include "UTF8.h"

namespace platform {

namespace {
// The variables that name the locale of messages, in the order setlocale reads them.
constexpr const char* kMessageLocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
constexpr char kFallbackLocale[] = "C";
// The C library's own message catalogue.
constexpr char kLibraryDomain[] = "libc";

// The C library's messages are converted to UTF-8 from here on, whatever a locale's LC_CTYPE;
// the change also drops the translations it had kept in another character set.
void writeLibraryMessagesInUTF8() {
    static const bool done = ::bind_textdomain_codeset(kLibraryDomain, "UTF-8") != nullptr;
    (void)done;
}
}  // namespace

std::string localizedSystemMessage(int error, const EnvironmentLookup& environment) {
    writeLibraryMessagesInUTF8();
    std::string name = kFallbackLocale;
    for (const char* variable : kMessageLocaleVariables) {
        const std::optional<std::string> value = environment ? environment(variable) : std::nullopt;
        if (value && !value->empty()) {
            name = *value;
            break;
        }
    }
    // Only the language comes from the user's locale; the character set is UTF-8 (see above).
    locale_t locale = ::newlocale(LC_MESSAGES_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (!locale) locale = ::newlocale(LC_MESSAGES_MASK, kFallbackLocale, static_cast<locale_t>(nullptr));
    if (!locale) return validUTF8(std::generic_category().message(error));
    std::string message = ::strerror_l(error, locale);
    ::freelocale(locale);
    return validUTF8(std::move(message));
}

}  // namespace platform
