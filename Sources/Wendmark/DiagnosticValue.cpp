#include "DiagnosticValue.h"

namespace platform::json {

Value Coder<wendmark::DiagnosticValue>::encode(const wendmark::DiagnosticValue& v, const Options& options) {
    return std::visit([&](const auto& payload) { return encodeValue(payload, options); }, v.value);
}

wendmark::DiagnosticValue Coder<wendmark::DiagnosticValue>::decode(const Value& v, const Options& options) {
    try {
        return {decodeValue<bool>(v, options)};
    } catch (const DecodingError&) {
    }
    try {
        return {decodeValue<double>(v, options)};
    } catch (const DecodingError&) {
    }
    return {decodeValue<std::string>(v, options)};
}

}  // namespace platform::json
