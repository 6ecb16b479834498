#include "DiagnosticValue.h"

namespace platform::json {

void Coder<wendmark::DiagnosticValue>::encode(const wendmark::DiagnosticValue& v, Writer& w, const Options& options) {
    std::visit([&](const auto& payload) { encodeValue(w, payload, options); }, v.value);
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
