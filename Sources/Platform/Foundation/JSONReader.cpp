#include "JSONReader.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <locale.h>

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include "UTF8.h"

namespace platform::json {
namespace {
// The memory of the parser's and the tree builder's stacks: the C heap, as RapidJSON's default.
struct StackMemory : rapidjson::CrtAllocator {};
}  // namespace
}  // namespace platform::json

// RapidJSON 1.1.0, internal/stack.h, Stack::Reserve (which Stack::Push calls before Stack::Expand
// has allocated anything): `if (stackTop_ + sizeof(T) * count > stackEnd_)` adds to a null pointer
// on the first push, undefined behaviour that the sanitizers of the fuzz build report; and the
// parser and the tree builder are made anew for every parse, so every parse starts without a stack.
// Their stacks, on StackMemory, compare the room left instead, which is 0 while nothing is
// allocated. Another version may check differently: read its Reserve before changing this one.
static_assert(RAPIDJSON_VERSION_CODE(RAPIDJSON_MAJOR_VERSION, RAPIDJSON_MINOR_VERSION, RAPIDJSON_PATCH_VERSION) ==
                  RAPIDJSON_VERSION_CODE(1, 1, 0),
              "Stack<StackMemory>::Reserve replaces RapidJSON 1.1.0's: check it against this version");
namespace rapidjson::internal {
template <>
template <typename T>
RAPIDJSON_FORCEINLINE void Stack<platform::json::StackMemory>::Reserve(size_t count) {
    if (RAPIDJSON_UNLIKELY(static_cast<size_t>(stackEnd_ - stackTop_) < sizeof(T) * count)) Expand<T>(count);
}
}  // namespace rapidjson::internal

namespace platform::json {

namespace {

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

std::string scalarText(const Value& value) {
    std::string out;
    Writer writer(out);
    writeScalar(writer, value);
    return out;
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

}  // namespace platform::json
