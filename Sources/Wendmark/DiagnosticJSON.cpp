#include "DiagnosticJSON.h"

#include <algorithm>
#include <vector>

#include "Platform/Foundation/JSONReader.h"

namespace wendmark {

namespace json = platform::json;

namespace {

void writePretty(const json::Value& value, int depth, std::string& out) {
    auto newline = [&](int d) {
        out.push_back('\n');
        out.append(static_cast<std::size_t>(d) * 2, ' ');
    };
    if (value.IsObject() && !value.ObjectEmpty()) {
        std::vector<const json::Value::Member*> members;
        members.reserve(value.MemberCount());
        for (const auto& member : value.GetObject()) members.push_back(&member);
        std::sort(members.begin(), members.end(),
                  [](const auto* a, const auto* b) { return json::text(a->name) < json::text(b->name); });
        out.push_back('{');
        for (std::size_t i = 0; i < members.size(); ++i) {
            newline(depth + 1);
            out += json::scalarText(members[i]->name);
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
        out += json::scalarText(value);
    }
}

}  // namespace

std::string prettySortedJSON(const json::Value& value) {
    std::string out;
    writePretty(value, 0, out);
    return out;
}

}  // namespace wendmark
