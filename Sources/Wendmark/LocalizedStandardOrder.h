#pragma once

#include <memory>
#include <string_view>

namespace wendmark {

// The order in which names are listed for the user, as a file browser lists them: by the rules
// of the user's locale, ignoring case, with runs of digits compared by their numeric value
// ("Backup 2" before "Backup 10"). Not for use from several threads at once.
class LocalizedStandardOrder {
public:
    // The user's locale (the process locale: LC_ALL, LC_COLLATE, LANG); the root collation for
    // the C and POSIX locales.
    LocalizedStandardOrder();
    // A given locale, e.g. "ko_KR" or "en_US".
    explicit LocalizedStandardOrder(const char* locale);
    ~LocalizedStandardOrder();
    LocalizedStandardOrder(LocalizedStandardOrder&&) noexcept;
    LocalizedStandardOrder& operator=(LocalizedStandardOrder&&) noexcept;

    // Negative, 0 or positive as `a` sorts before, with or after `b` (both UTF-8).
    int compare(std::string_view a, std::string_view b) const;
    bool operator()(std::string_view a, std::string_view b) const { return compare(a, b) < 0; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace wendmark
