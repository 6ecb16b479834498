#include "DiagnosticPreview.h"

#include "Platform/Foundation/UTF8.h"

namespace quentrel {

std::string DiagnosticPreview::text() const {
    return platform::validUTF8(std::string(data.begin(), data.end()));
}

void DiagnosticPreview::encode(platform::json::ObjectEncoder& e) const {
    e.field("data", data).field("createdAt", createdAt);
}

DiagnosticPreview DiagnosticPreview::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<platform::Data>("data"), d.required<platform::Date>("createdAt")};
}

}  // namespace quentrel
