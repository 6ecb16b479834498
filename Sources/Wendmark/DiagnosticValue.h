#pragma once

#include <string>
#include <variant>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// One scalar of a diagnostic runtime dictionary, encoded as the bare JSON value.
struct DiagnosticValue {
    std::variant<bool, double, std::string> value;

    static DiagnosticValue boolean(bool v) { return {v}; }
    static DiagnosticValue number(double v) { return {v}; }
    static DiagnosticValue string(std::string v) { return {std::move(v)}; }

    friend bool operator==(const DiagnosticValue&, const DiagnosticValue&) = default;
};

}  // namespace wendmark

// Decoding tries a Bool, then a number, then a string; when all fail the string's error is reported.
template <>
struct platform::json::Coder<wendmark::DiagnosticValue> {
    static void encode(const wendmark::DiagnosticValue& v, Writer& w, const Options& options);
    static wendmark::DiagnosticValue decode(const Value& v, const Options& options);
};
