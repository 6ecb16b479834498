#include "JSONCoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <clocale>
#include <ctime>
#include <locale.h>

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>
#include <unicode/utf8.h>

#include "UTF8.h"

namespace platform::json {

namespace {

constexpr std::size_t kFirstOutputLength = 1024;

const char* typeName(const Value& v) {
    switch (v.GetType()) {
    case rapidjson::kNullType: return "null";
    case rapidjson::kFalseType:
    case rapidjson::kTrueType: return "a Bool";
    case rapidjson::kStringType: return "a string";
    case rapidjson::kArrayType: return "an array";
    case rapidjson::kObjectType: return "a dictionary";
    case rapidjson::kNumberType: return "a number";
    }
    return "an unknown value";
}

// "2001-01-01T00:00:00Z": whole seconds in UTC, the ISO 8601 form of the diagnostic exports.
std::string iso8601(Date date) {
    double unix = std::floor(date.unixTime());
    if (!std::isfinite(unix) || std::fabs(unix) > 1e15) throw EncodingError("Date is out of range for ISO 8601.");
    std::time_t t = static_cast<std::time_t>(unix);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) throw EncodingError("Date is out of range for ISO 8601.");
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

std::optional<Date> parseISO8601(const std::string& text) {
    int year, month, day, hour, minute, second;
    char tail = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &tail) != 7 ||
        tail != 'Z' || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return Date::fromUnix(static_cast<double>(timegm(&tm)));
}

// Bytes that go into a string as they are: printable ASCII but '"' and '\\', and every byte of
// a multi-byte sequence (those are checked on their own).
struct PlainBytes {
    bool table[256]{};
    constexpr PlainBytes() {
        for (int c = 0x20; c < 0x80; ++c) table[c] = c != '"' && c != '\\';
    }
};
constexpr PlainBytes kPlain;

// The exponent part of a double's text: "e+16", "e-05", "e+308".
char* appendExponent(char* out, int exponent) {
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    unsigned e = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    if (e >= 100) *out++ = static_cast<char>('0' + e / 100);
    *out++ = static_cast<char>('0' + e / 10 % 10);
    *out++ = static_cast<char>('0' + e % 10);
    return out;
}

// Writes the shortest digits that read back as `value`, placed as described at Writer.
char* formatDouble(char* out, double value) {
    if (std::signbit(value)) {
        *out++ = '-';
        value = -value;
    }
    if (value == 0) {
        std::memcpy(out, "0.0", 3);
        return out + 3;
    }
    char scientific[32];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific);
    char digits[20];
    int k = 0;
    const char* p = scientific;
    for (; p != result.ptr && *p != 'e'; ++p)
        if (*p != '.') digits[k++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent);
    const int n = exponent + 1;  // the position of the decimal point after the first digit
    constexpr int kMinimum = -4, kMaximum = 15;

    if (k <= n && n <= kMaximum) {  // 1234e7 -> 12340000000.0
        std::memcpy(out, digits, static_cast<std::size_t>(k));
        std::memset(out + k, '0', static_cast<std::size_t>(n - k));
        out += n;
        *out++ = '.';
        *out++ = '0';
        return out;
    }
    if (0 < n && n <= kMaximum) {  // 1234e-2 -> 12.34
        std::memcpy(out, digits, static_cast<std::size_t>(n));
        out[n] = '.';
        std::memcpy(out + n + 1, digits + n, static_cast<std::size_t>(k - n));
        return out + k + 1;
    }
    if (kMinimum < n && n <= 0) {  // 1234e-6 -> 0.001234
        *out++ = '0';
        *out++ = '.';
        std::memset(out, '0', static_cast<std::size_t>(-n));
        out += -n;
        std::memcpy(out, digits, static_cast<std::size_t>(k));
        return out + k;
    }
    *out++ = digits[0];  // 1.234e+30
    if (k > 1) {
        *out++ = '.';
        std::memcpy(out, digits + 1, static_cast<std::size_t>(k - 1));
        out += k - 1;
    }
    return appendExponent(out, n - 1);
}

// The leaves of a tree in the compact form of Writer.
void writeScalar(Writer& writer, const Value& value) {
    switch (value.GetType()) {
    case rapidjson::kNullType: writer.Null(); break;
    case rapidjson::kFalseType: writer.Bool(false); break;
    case rapidjson::kTrueType: writer.Bool(true); break;
    case rapidjson::kStringType: writer.String(text(value)); break;
    case rapidjson::kNumberType:
        if (value.IsUint64())
            writer.Uint64(value.GetUint64());
        else if (value.IsInt64())
            writer.Int64(value.GetInt64());
        else
            writer.Double(value.GetDouble());
        break;
    case rapidjson::kArrayType: writer.StartArray(); writer.EndArray(); break;
    case rapidjson::kObjectType: writer.StartObject(); writer.EndObject(); break;
    }
}

std::string scalarText(const Value& value) {
    std::string out;
    Writer writer(out);
    writeScalar(writer, value);
    return out;
}

enum class ParseFailure { none, tooDeep, invalidUTF8, numberTooLarge };

// Passes the parser's events on to the document being built, and checks what the parser leaves to
// it: the depth bound, UTF-8 in strings and keys (after unescaping, so that a lone surrogate escape
// fails too), and numbers, which it converts exactly: integers to 64 bits where they fit, anything
// else to the nearest double.
template <class Builder>
class CheckingHandler {
public:
    explicit CheckingHandler(Builder& builder) : builder_(builder) {}

    bool Null() { return builder_.Null(); }
    bool Bool(bool b) { return builder_.Bool(b); }
    bool RawNumber(const char* s, rapidjson::SizeType n, bool) { return number(s, s + n); }
    bool String(const char* s, rapidjson::SizeType n, bool copy) { return checkText(s, n) && builder_.String(s, n, copy); }
    bool Key(const char* s, rapidjson::SizeType n, bool copy) { return checkText(s, n) && builder_.Key(s, n, copy); }
    bool StartObject() { return enter() && builder_.StartObject(); }
    bool EndObject(rapidjson::SizeType members) {
        --depth_;
        return builder_.EndObject(members);
    }
    bool StartArray() { return enter() && builder_.StartArray(); }
    bool EndArray(rapidjson::SizeType elements) {
        --depth_;
        return builder_.EndArray(elements);
    }
    // Not called: numbers come as text.
    bool Int(int i) { return builder_.Int(i); }
    bool Uint(unsigned u) { return builder_.Uint(u); }
    bool Int64(std::int64_t i) { return builder_.Int64(i); }
    bool Uint64(std::uint64_t u) { return builder_.Uint64(u); }
    bool Double(double d) { return builder_.Double(d); }

    ParseFailure failure() const { return failure_; }

private:
    bool fail(ParseFailure failure) {
        failure_ = failure;
        return false;
    }
    bool enter() { return ++depth_ <= maximumDepth || fail(ParseFailure::tooDeep); }
    bool checkText(const char* s, rapidjson::SizeType n) {
        return isUTF8(std::string_view(s, n)) || fail(ParseFailure::invalidUTF8);
    }

    bool number(const char* begin, const char* end) {
        if (std::find_if(begin, end, [](char c) { return c == '.' || c == 'e' || c == 'E'; }) == end) {
            if (*begin == '-') {
                std::int64_t i;
                if (std::from_chars(begin, end, i).ec == std::errc{}) return builder_.Int64(i);
            } else {
                std::uint64_t u;
                if (std::from_chars(begin, end, u).ec == std::errc{}) return builder_.Uint64(u);
            }
        }
        double d;
        if (std::from_chars(begin, end, d).ec == std::errc{}) return builder_.Double(d);
        // Out of range: a number too close to zero reads as zero, a larger one fails.
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
        const std::string copy(begin, end);
        d = strtod_l(copy.c_str(), nullptr, cLocale);
        if (std::isinf(d)) return fail(ParseFailure::numberTooLarge);
        return builder_.Double(d);
    }

    Builder& builder_;
    unsigned depth_ = 0;
    ParseFailure failure_ = ParseFailure::none;
};

// The copy of a text ends in zero bytes up to a whole 16-byte block past its end: the parser's
// vector scanning reads whole aligned blocks.
std::size_t paddedLength(std::size_t length) { return (length + 1 + 31) & ~std::size_t{15}; }

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

void OutputBuffer::grow(std::size_t count) {
    out_.resize(std::max({out_.size() * 2, size_ + count, kFirstOutputLength}));
}

void Writer::writeString(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const begin = p;
    const auto* const end = p + text.size();
    output.Reserve(text.size() + 2);
    output.PutUnsafe('"');
    while (p != end) {
        const auto* run = p;
        while (p != end && kPlain.table[*p]) ++p;
        output.write(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run));
        if (p == end) break;
        const unsigned char c = *p;
        if (c >= 0x80) {
            const auto left = static_cast<std::size_t>(end - p);
            std::size_t length = 0;
            UChar32 code;
            U8_NEXT(p, length, left, code);
            if (code < 0) {
                char message[64];
                std::snprintf(message, sizeof message, "invalid UTF-8 byte at index %zu: 0x%02X",
                              static_cast<std::size_t>(p - begin), c);
                throw EncodingError(message);
            }
            output.write(reinterpret_cast<const char*>(p), length);
            p += length;
            continue;
        }
        char escaped[7] = {'\\', 0};
        std::size_t length = 2;
        switch (c) {
        case '"': escaped[1] = '"'; break;
        case '\\': escaped[1] = '\\'; break;
        case '\b': escaped[1] = 'b'; break;
        case '\f': escaped[1] = 'f'; break;
        case '\n': escaped[1] = 'n'; break;
        case '\r': escaped[1] = 'r'; break;
        case '\t': escaped[1] = 't'; break;
        default:
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            length = 6;
        }
        output.write(escaped, length);
        ++p;
    }
    output.Put('"');
}

void Writer::writeDouble(double value) {
    if (!std::isfinite(value))
        throw EncodingError("Unable to encode Double." + std::to_string(value) + " directly in JSON.");
    char buffer[40];
    output.write(buffer, static_cast<std::size_t>(formatDouble(buffer, value) - buffer));
}

struct Document::Scratch {
    // A larger text or tree is not kept between calls.
    static constexpr std::size_t kMaximumKept = 1 << 20;
    static constexpr std::size_t kFirstPoolLength = 64 * 1024;

    std::unique_ptr<char[]> text;
    std::size_t textCapacity = 0;
    std::unique_ptr<char[]> pool;
    std::size_t poolCapacity = 0;
    bool inUse = false;
};

namespace {
thread_local Document::Scratch threadScratch;
}  // namespace

Document::Document(Document&& other) noexcept
    : scratch_(std::exchange(other.scratch_, nullptr)),
      text_(std::move(other.text_)),
      allocator_(std::move(other.allocator_)),
      root_(std::move(other.root_)) {}

Document::~Document() {
    if (!scratch_) return;
    // The next tree gets a first block as large as this one needed, within the bound.
    const std::size_t used = allocator_ ? allocator_->Size() : 0;
    allocator_.reset();
    if (used > scratch_->poolCapacity && used <= Scratch::kMaximumKept) {
        scratch_->pool.reset();
        scratch_->pool = std::make_unique_for_overwrite<char[]>(used);
        scratch_->poolCapacity = used;
    }
    scratch_->inUse = false;
}

Document parse(std::string_view text) {
    Document document;
    document.text_ = std::make_unique_for_overwrite<char[]>(paddedLength(text.size()));
    document.parseText(text, document.text_.get(), std::make_unique<Allocator>());
    return document;
}

Document parseOnThisThread(std::string_view text) {
    Document::Scratch& scratch = threadScratch;
    if (scratch.inUse || text.size() >= Document::Scratch::kMaximumKept) return parse(text);
    if (scratch.textCapacity < paddedLength(text.size())) {
        scratch.textCapacity =
            std::max(paddedLength(text.size()), std::min(scratch.textCapacity * 2, Document::Scratch::kMaximumKept));
        scratch.text = std::make_unique_for_overwrite<char[]>(scratch.textCapacity);
    }
    if (!scratch.pool) {
        scratch.poolCapacity = Document::Scratch::kFirstPoolLength;
        scratch.pool = std::make_unique_for_overwrite<char[]>(scratch.poolCapacity);
    }
    Document document;
    document.scratch_ = &scratch;
    scratch.inUse = true;
    document.parseText(text, scratch.text.get(), std::make_unique<Allocator>(scratch.pool.get(), scratch.poolCapacity));
    return document;
}

void Document::parseText(std::string_view text, char* copy, std::unique_ptr<Allocator> allocator) {
    // Iterative: no recursion however deep the input. Strings are unescaped in place in the copy.
    constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag |
                                rapidjson::kParseInsituFlag | rapidjson::kParseNumbersAsStringsFlag;
    using Builder = rapidjson::GenericDocument<rapidjson::UTF8<>, Allocator, StackMemory>;

    allocator_ = std::move(allocator);
    // Empty text may come without a buffer (the bytes of an empty Data): nothing to copy then.
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    std::memset(copy + text.size(), 0, paddedLength(text.size()) - text.size());

    Builder builder(allocator_.get());
    rapidjson::InsituStringStream stream(copy);
    rapidjson::ParseResult result;
    ParseFailure failure = ParseFailure::none;
    auto generate = [&](Builder& target) {
        CheckingHandler<Builder> handler(target);
        rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, StackMemory> reader;
        result = reader.Parse<kFlags>(stream, handler);
        failure = handler.failure();
        return !result.IsError();
    };
    builder.Populate(generate);

    const std::string invalid = "The given data was not valid JSON. ";
    const std::string at = " (at byte " + std::to_string(result.Offset()) + ")";
    switch (failure) {
    case ParseFailure::none: break;
    case ParseFailure::tooDeep:
        throw DecodingError(invalid + "It is nested deeper than " + std::to_string(maximumDepth) + " levels." + at);
    case ParseFailure::invalidUTF8: throw DecodingError(invalid + "A string is not valid UTF-8." + at);
    case ParseFailure::numberTooLarge: throw DecodingError(invalid + "A number is too large for a Double." + at);
    }
    if (result.IsError()) throw DecodingError(invalid + rapidjson::GetParseError_En(result.Code()) + at);
    // The parser stops after the value (or at a NUL byte): only white space may follow it.
    for (std::size_t i = stream.Tell(); i < text.size(); ++i)
        if (!isWhiteSpace(text[i]))
            throw DecodingError("The given data was not valid JSON. Unexpected data after the value (at byte " +
                                std::to_string(i) + ")");
    root_ = static_cast<Value&>(builder);
}

namespace {
void writePretty(const Value& value, int depth, std::string& out) {
    auto newline = [&](int d) {
        out.push_back('\n');
        out.append(static_cast<std::size_t>(d) * 2, ' ');
    };
    if (value.IsObject() && !value.ObjectEmpty()) {
        std::vector<const Value::Member*> members;
        members.reserve(value.MemberCount());
        for (const auto& member : value.GetObject()) members.push_back(&member);
        std::sort(members.begin(), members.end(),
                  [](const auto* a, const auto* b) { return text(a->name) < text(b->name); });
        out.push_back('{');
        for (std::size_t i = 0; i < members.size(); ++i) {
            newline(depth + 1);
            out += scalarText(members[i]->name);
            out += " : ";
            writePretty(members[i]->value, depth + 1, out);
            if (i + 1 < members.size()) out.push_back(',');
        }
        newline(depth);
        out.push_back('}');
    } else if (value.IsArray() && !value.Empty()) {
        out.push_back('[');
        for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
            newline(depth + 1);
            writePretty(value[i], depth + 1, out);
            if (i + 1 < value.Size()) out.push_back(',');
        }
        newline(depth);
        out.push_back(']');
    } else {
        out += scalarText(value);
    }
}
}  // namespace

std::string dumpPrettySorted(const Value& value) {
    std::string out;
    writePretty(value, 0, out);
    return out;
}

void typeMismatch(const char* expected, const Value& found) {
    throw DecodingError(std::string("Expected to decode ") + expected + " but found " + typeName(found) + " instead.");
}

ObjectDecoder::ObjectDecoder(const Value& value, const Options& options) : object_(value), options_(options) {
    if (!value.IsObject()) typeMismatch("Dictionary<String, Any>", value);
}

// From the end: of a key given twice, the last value counts.
const Value* ObjectDecoder::find(std::string_view key) const {
    for (auto i = object_.MemberCount(); i > 0;) {
        const auto member = object_.MemberBegin() + --i;
        if (member->name.GetStringLength() == key.size() && std::memcmp(member->name.GetString(), key.data(), key.size()) == 0)
            return &member->value;
    }
    return nullptr;
}

CaseValue decodeCase(const Value& value) {
    if (!value.IsObject()) typeMismatch("Dictionary<String, Any>", value);
    if (value.MemberCount() != 1) throw DecodingError("Invalid number of keys found, expected one.");
    const auto& member = *value.MemberBegin();
    return CaseValue{text(member.name), member.value};
}

std::uint64_t decodeUnsigned(const Value& v, std::uint64_t max) {
    if (v.IsUint64()) {
        if (v.GetUint64() <= max) return v.GetUint64();
    } else if (!v.IsInt64()) {
        typeMismatch("an integer", v);
    }
    throw DecodingError("Number " + scalarText(v) + " does not fit.");
}

std::int64_t decodeSigned(const Value& v, std::int64_t min, std::int64_t max) {
    if (v.IsInt64()) {
        if (v.GetInt64() >= min && v.GetInt64() <= max) return v.GetInt64();
    } else if (!v.IsUint64()) {
        typeMismatch("an integer", v);
    }
    throw DecodingError("Number " + scalarText(v) + " does not fit.");
}

double Coder<double>::decode(const Value& v, const Options&) {
    if (!v.IsNumber()) typeMismatch("Double", v);
    return v.GetDouble();  // the parser refuses numbers beyond the range of a double
}

void Coder<Date>::encode(Date v, Writer& w, const Options& options) {
    if (options.dates == DateForm::iso8601)
        w.String(iso8601(v));
    else
        w.Double(v.sinceReferenceDate);
}

Date Coder<Date>::decode(const Value& v, const Options& options) {
    if (options.dates == DateForm::iso8601) {
        if (!v.IsString()) typeMismatch("String", v);
        if (auto d = parseISO8601(std::string(text(v)))) return *d;
        throw DecodingError("Expected date string to be ISO8601-formatted.");
    }
    return Date{Coder<double>::decode(v, options)};
}

UUID Coder<UUID>::decode(const Value& v, const Options&) {
    if (!v.IsString()) typeMismatch("String", v);
    if (auto u = UUID::fromString(text(v))) return *u;
    throw DecodingError("Attempted to decode UUID from invalid UUID string.");
}

Data Coder<Data>::decode(const Value& v, const Options&) {
    if (!v.IsString()) typeMismatch("String", v);
    if (auto d = base64Decode(text(v))) return *d;
    throw DecodingError("Encountered Data is not valid Base64.");
}

}  // namespace platform::json
