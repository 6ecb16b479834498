#include "RecentEvent.h"

namespace quentrel {

void RecentEvent::encode(platform::json::ObjectEncoder& e) const { e.field("date", date).field("message", message); }

RecentEvent RecentEvent::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<platform::Date>("date"), d.required<std::string>("message")};
}

}  // namespace quentrel
