#include "GraphemeText.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

#include <unicode/ubrk.h>
#include <unicode/utext.h>

namespace quentrel {

namespace {

struct BreakIteratorCloser {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};

// One character-boundary iterator per thread: opening one costs far more than using it.
UBreakIterator* characterIterator() {
    thread_local std::unique_ptr<UBreakIterator, BreakIteratorCloser> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UBreakIterator* opened = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status);
        if (U_FAILURE(status)) opened = nullptr;
        return std::unique_ptr<UBreakIterator, BreakIteratorCloser>(opened);
    }();
    return iterator.get();
}

}  // namespace

std::size_t graphemePrefixLength(std::string_view text, std::size_t limit) {
    // Every character takes at least one byte.
    if (text.size() <= limit) return text.size();
    if (limit == 0) return 0;
    // Boundaries are 32-bit offsets; a prefix of a few hundred characters lies far inside that.
    text = text.substr(0, std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max()));

    UBreakIterator* iterator = characterIterator();
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        utext_close(utext);
        return std::min(text.size(), limit);  // no ICU data: fall back to bytes, never longer than asked
    }
    ubrk_setUText(iterator, utext, &status);
    std::size_t end = text.size();
    if (U_SUCCESS(status)) {
        ubrk_first(iterator);
        std::size_t counted = 0;
        for (std::int32_t boundary = ubrk_next(iterator); boundary != UBRK_DONE; boundary = ubrk_next(iterator)) {
            if (++counted == limit) {
                end = static_cast<std::size_t>(boundary);
                break;
            }
        }
    } else {
        end = std::min(text.size(), limit);
    }
    utext_close(utext);
    return end;
}

}  // namespace quentrel
