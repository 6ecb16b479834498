#include "LocalizedStandardOrder.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <climits>
#include <string_view>

namespace wendmark {

struct LocalizedStandardOrder::Impl {
    explicit Impl(const char* locale) {
        UErrorCode status = U_ZERO_ERROR;
        collator = ucol_open(locale, &status);
        if (U_FAILURE(status)) {
            if (collator) ucol_close(collator);
            collator = nullptr;
            return;
        }
        // Secondary strength ignores case (and width) but keeps accents.
        ucol_setStrength(collator, UCOL_SECONDARY);
        ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    }
    ~Impl() {
        if (collator) ucol_close(collator);
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    UCollator* collator = nullptr;
};

namespace {

// ICU takes the C and POSIX locales for "en_US_POSIX", whose collation is plain byte order with
// upper case before lower case. A user with no locale set gets the root collation instead.
const char* userLocale() {
    const char* locale = uloc_getDefault();
    return std::string_view(locale) == "en_US_POSIX" ? "" : locale;
}

}  // namespace

LocalizedStandardOrder::LocalizedStandardOrder() : LocalizedStandardOrder(userLocale()) {}

LocalizedStandardOrder::LocalizedStandardOrder(const char* locale) : impl_(std::make_unique<Impl>(locale)) {}

LocalizedStandardOrder::~LocalizedStandardOrder() = default;
LocalizedStandardOrder::LocalizedStandardOrder(LocalizedStandardOrder&&) noexcept = default;
LocalizedStandardOrder& LocalizedStandardOrder::operator=(LocalizedStandardOrder&&) noexcept = default;

int LocalizedStandardOrder::compare(std::string_view a, std::string_view b) const {
    // Without a collator (no locale data) the plain code-point order still gives a usable list.
    if (impl_ && impl_->collator && a.size() <= INT32_MAX && b.size() <= INT32_MAX) {
        UErrorCode status = U_ZERO_ERROR;
        UCollationResult result = ucol_strcollUTF8(impl_->collator, a.data(), static_cast<int32_t>(a.size()),
                                                   b.data(), static_cast<int32_t>(b.size()), &status);
        if (U_SUCCESS(status)) return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
    }
    int plain = a.compare(b);
    return plain < 0 ? -1 : plain > 0 ? 1 : 0;
}

}  // namespace wendmark
