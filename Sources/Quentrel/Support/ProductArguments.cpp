#include "ProductArguments.h"

#include <cstdint>
#include <memory>
#include <string_view>

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "Platform/Foundation/ICUIteration.h"

namespace quentrel {

namespace {

// The process-serial-number argument that the system's launcher may pass, as five characters.
constexpr std::u16string_view serialPrefix = u"-psn_";
constexpr std::string_view welcomeWindow = "welcome";
constexpr std::string_view statusWindow = "status";

struct BreakIteratorCloser {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};

// UTF-16 text of the argument; ill-formed UTF-8 becomes U+FFFD.
std::u16string decoded(std::string_view argument) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    const auto size = static_cast<int32_t>(argument.size());
    u_strFromUTF8WithSub(nullptr, 0, &length, argument.data(), size, 0xFFFD, nullptr, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return u"\uFFFD";
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(text.data(), length, &length, argument.data(), size, 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) return u"\uFFFD";
    return text;
}

bool isNumeric(UChar32 c) { return u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE; }

// Walks the argument's user-perceived characters: the first five must be exactly the prefix's
// characters (so "_" with a combining mark is no prefix), each later one numeric or exactly "_".
bool acceptsArgument(std::string_view argument) {
    if (argument.size() > static_cast<std::size_t>(INT32_MAX / 2)) return false;
    const std::u16string text = decoded(argument);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UBreakIterator, BreakIteratorCloser> characters(
        ubrk_open(UBRK_CHARACTER, "", text.data(), static_cast<int32_t>(text.size()), &status));
    if (U_FAILURE(status) || !characters) return false;

    std::size_t index = 0;
    int32_t start = ubrk_first(characters.get());
    for (int32_t end = ubrk_next(characters.get()); end != UBRK_DONE;
         start = end, end = ubrk_next(characters.get()), ++index) {
        const std::u16string_view character(text.data() + start, static_cast<std::size_t>(end - start));
        if (index < serialPrefix.size()) {
            if (character.size() != 1 || character[0] != serialPrefix[index]) return false;
            continue;
        }
        if (character == u"_") continue;
        int32_t offset = 0;
        if (!isNumeric(platform::nextUTF16CodePoint(character.data(), offset, static_cast<int32_t>(character.size()))))
            return false;
    }
    return index >= serialPrefix.size();
}

}  // namespace

bool ProductArguments::accepts(const std::vector<std::string>& arguments) {
    for (const auto& argument : arguments)
        if (!acceptsArgument(argument)) return false;
    return true;
}

bool ProductArguments::acceptsCommandLine(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i] ? argv[i] : "");
    return accepts(arguments);
}

std::optional<std::string> ProductArguments::initialWindow(wendmark::AppLaunchCause cause, bool preference,
                                                           bool onboardingCompleted) {
    if (cause != wendmark::AppLaunchCause::manualOrUnknown) return std::nullopt;  // never a window at login
    if (!onboardingCompleted) return std::string(welcomeWindow);
    if (preference) return std::string(statusWindow);
    return std::nullopt;
}

std::optional<std::string> ProductArguments::windowWithoutStatusItem(wendmark::AppLaunchCause cause, bool preference,
                                                                     bool onboardingCompleted) {
    if (cause != wendmark::AppLaunchCause::manualOrUnknown || initialWindow(cause, preference, onboardingCompleted))
        return std::nullopt;
    return std::string(statusWindow);
}

}  // namespace quentrel
