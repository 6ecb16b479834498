#include "MinuteDateFormatter.h"

#include "Quentrel/Support/LocaleFormatter.h"

namespace quentrel {

namespace {
constexpr std::size_t secondsFieldLength = 3;  // ":ss"
}  // namespace

std::string FixedMinuteDateFormatter::dateMinutes(platform::Date date) const {
    std::string text = FixedLocaleFormatter::shared().dateTime(date);
    text.resize(text.size() - secondsFieldLength);
    return text;
}

const FixedMinuteDateFormatter& FixedMinuteDateFormatter::shared() {
    static const FixedMinuteDateFormatter instance;
    return instance;
}

}  // namespace quentrel
