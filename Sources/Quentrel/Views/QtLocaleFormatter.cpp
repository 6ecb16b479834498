#include "QtLocaleFormatter.h"

#include <cmath>
#include <optional>
#include <vector>

#include <QDateTime>

#include "Quentrel/Support/ClampedInteger.h"

namespace quentrel {

namespace {
constexpr int byteCountDecimals = 2;
constexpr double millisecondsPerSecond = 1000;

// One piece of a date-time pattern: a field (a run of one letter) or literal text.
struct Piece {
    QString text;
    bool field = false;
    bool quoted = false;
};

std::vector<Piece> pieces(const QString& pattern) {
    std::vector<Piece> result;
    auto literal = [&](QChar c, bool quoted) {
        if (result.empty() || result.back().field || result.back().quoted != quoted) result.push_back({{}, false, quoted});
        result.back().text += c;
    };
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            // A quoted literal up to the closing quote; '' inside stands for one quote.
            qsizetype end = i + 1;
            while (end < pattern.size()) {
                if (pattern[end] == u'\'' && end + 1 < pattern.size() && pattern[end + 1] == u'\'') {
                    end += 2;
                    continue;
                }
                if (pattern[end] == u'\'') break;
                ++end;
            }
            for (qsizetype k = i; k <= std::min(end, pattern.size() - 1); ++k) literal(pattern[k], true);
            i = end + 1;
        } else if (c.isLetter() && c.unicode() < 0x80) {
            qsizetype end = i;
            while (end < pattern.size() && pattern[end] == c) ++end;
            result.push_back({pattern.mid(i, end - i), true, false});
            i = end;
        } else {
            literal(c, false);
            ++i;
        }
    }
    return result;
}

bool isSeparator(QChar c) { return !c.isLetterOrNumber(); }

// A date as a QDateTime in local time; a non-finite date counts as the reference date.
QDateTime localDateTime(platform::Date date) {
    const double seconds = std::isfinite(date.sinceReferenceDate) ? date.unixTime() : platform::Date{}.unixTime();
    return QDateTime::fromMSecsSinceEpoch(clampedInteger<qint64>(std::floor(seconds * millisecondsPerSecond)));
}
}  // namespace

QtLocaleFormatter::QtLocaleFormatter(std::optional<QLocale> locale) : locale_(std::move(locale)) {}

const QtLocaleFormatter& QtLocaleFormatter::system() {
    static const QtLocaleFormatter instance;
    return instance;
}

QLocale QtLocaleFormatter::locale() const { return locale_ ? *locale_ : QLocale::system(); }

std::string QtLocaleFormatter::decimal(double value, int fractionDigits) const {
    // Also turns −0 into 0, which would otherwise print as "-0".
    if (value == 0) value = 0;
    return locale().toString(value, 'f', fractionDigits).toStdString();
}

std::string QtLocaleFormatter::byteCount(std::int64_t bytes) const {
    return locale().formattedDataSize(bytes, byteCountDecimals, QLocale::DataSizeSIFormat).toStdString();
}

std::string QtLocaleFormatter::time(platform::Date date) const {
    const QLocale l = locale();
    return l.toString(localDateTime(date), timePattern(l)).toStdString();
}

std::string QtLocaleFormatter::dateTime(platform::Date date) const {
    const QLocale l = locale();
    return l.toString(localDateTime(date), abbreviatedDatePattern(l) + u' ' + timePattern(l)).toStdString();
}

QString QtLocaleFormatter::timePattern(const QLocale& locale) {
    // Qt offers a short form without seconds and a long one that spells the units out ("3시 4분
    // 5초") and adds the zone: the standard style is the short form with the seconds after the
    // minutes, joined by the separator that joins the minutes to the hours.
    const QString shortPattern = removingFields(locale.timeFormat(QLocale::ShortFormat), u't', 1);
    const auto list = pieces(shortPattern);
    std::optional<std::size_t> minutes;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i].field) continue;
        if (list[i].text.front() == u's') return shortPattern;
        if (list[i].text.front() == u'm') minutes = i;
    }
    if (!minutes) return removingFields(locale.timeFormat(QLocale::LongFormat), u't', 1);
    const std::size_t at = *minutes;
    const bool joined = at > 0 && !list[at - 1].field && !list[at - 1].quoted && !list[at - 1].text.trimmed().isEmpty();
    const QString separator = joined ? list[at - 1].text : QStringLiteral(":");
    QString result;
    for (std::size_t i = 0; i < list.size(); ++i) {
        result += list[i].text;
        if (i == at) result += separator + QStringLiteral("ss");
    }
    return result;
}

QString QtLocaleFormatter::abbreviatedDatePattern(const QLocale& locale) {
    QString pattern = removingFields(locale.dateFormat(QLocale::LongFormat), u'd', 3);
    pattern.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return pattern;
}

QString QtLocaleFormatter::removingFields(const QString& pattern, QChar field, int minimumLength) {
    auto list = pieces(pattern);
    for (std::size_t i = 0; i < list.size();) {
        const auto& p = list[i];
        if (!p.field || p.text.front() != field || p.text.size() < minimumLength) {
            ++i;
            continue;
        }
        // The separator that joined it goes with it: the end of the text before, or for a leading
        // field the start of the text after. Letters in that text (as in "일 ") stay.
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        if (i > 0 && !list[i - 1].field && !list[i - 1].quoted) {
            QString& before = list[i - 1].text;
            while (!before.isEmpty() && isSeparator(before.back())) before.chop(1);
        } else if (i < list.size() && !list[i].field && !list[i].quoted) {
            QString& after = list[i].text;
            while (!after.isEmpty() && isSeparator(after.front())) after.remove(0, 1);
        }
    }
    QString result;
    for (const auto& p : list) result += p.text;
    return result.trimmed();
}

}  // namespace quentrel
