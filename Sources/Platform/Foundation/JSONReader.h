#pragma once

// The reader of the JSON coding (JSONCoding.h): parses text into a tree of RapidJSON values held in
// one memory pool, freed at once without walking the tree. Iterative, so no input makes it recurse;
// it enforces the decoding rules on the text itself (one value, the depth bound, UTF-8, numbers
// that fit).

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include <rapidjson/document.h>

#include "JSONCoding.h"

namespace platform::json {

static_assert(std::is_same_v<Value, rapidjson::GenericValue<rapidjson::UTF8<>, Allocator>>);

// One parsed JSON text: its root value and the memory that holds the tree.
class Document {
public:
    Document(Document&& other) noexcept;
    Document& operator=(Document&&) = delete;
    ~Document();

    const Value& root() const { return root_; }
    Value& root() { return root_; }
    operator const Value&() const { return root_; }

    struct Scratch;  // the memory that parseOnThisThread reuses

private:
    friend Document parse(std::string_view text);
    friend Document parseOnThisThread(std::string_view text);
    Document() = default;
    void parseText(std::string_view text, char* copy, std::unique_ptr<Allocator> allocator);

    Scratch* scratch_ = nullptr;    // this thread's reused memory, given back at destruction
    std::unique_ptr<char[]> text_;  // the copy of the text, when not in the scratch memory
    std::unique_ptr<Allocator> allocator_;
    Value root_;  // its strings point into the copy of the text
};

// Parses JSON text; fails with DecodingError on anything that is not one complete JSON value within
// the depth bound.
Document parse(std::string_view text);
// The same for a tree that lives only as long as a decoding on this thread: the copy of the text
// and the tree's first memory block are reused from one call to the next (freeing and faulting in
// some hundred kilobytes per message would cost more than the parse).
Document parseOnThisThread(std::string_view text);

inline std::string_view text(const Value& string) { return {string.GetString(), string.GetStringLength()}; }

// The compact text of a scalar as the Writer writes it; an array or object gives "[]" or "{}"
// whatever it holds.
std::string scalarText(const Value& value);

}  // namespace platform::json
