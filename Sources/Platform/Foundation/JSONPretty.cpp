#include "JSONPretty.h"

#include <algorithm>

#include "JSONReader.h"

namespace platform::json {

namespace {

class PrettyPrinter {
public:
    explicit PrettyPrinter(const Redaction& redaction) : redaction_(redaction) {}

    // `redacting`: inside the redacted member, where its keys are left out.
    void write(const Value& value, int depth, bool redacting) {
        if (value.IsObject()) {
            std::vector<const Value::Member*> members;
            members.reserve(value.MemberCount());
            for (const auto& member : value.GetObject())
                if (!redacting || !isRedactedKey(text(member.name))) members.push_back(&member);
            if (!members.empty()) {
                std::sort(members.begin(), members.end(),
                          [](const auto* a, const auto* b) { return text(a->name) < text(b->name); });
                out_.push_back('{');
                for (std::size_t i = 0; i < members.size(); ++i) {
                    newline(depth + 1);
                    out_ += scalarText(members[i]->name);
                    out_ += " : ";
                    const bool entersRedaction =
                        depth == 0 && !redaction_.within.empty() && text(members[i]->name) == redaction_.within;
                    write(members[i]->value, depth + 1, redacting || entersRedaction);
                    if (i + 1 < members.size()) out_.push_back(',');
                }
                newline(depth);
                out_.push_back('}');
                return;
            }
        } else if (value.IsArray() && !value.Empty()) {
            out_.push_back('[');
            for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
                newline(depth + 1);
                write(value[i], depth + 1, redacting);
                if (i + 1 < value.Size()) out_.push_back(',');
            }
            newline(depth);
            out_.push_back(']');
            return;
        }
        // A scalar, or an array or object with nothing to show: "[]" or "{}".
        out_ += scalarText(value);
    }

    std::string take() { return std::move(out_); }

private:
    void newline(int depth) {
        out_.push_back('\n');
        out_.append(static_cast<std::size_t>(depth) * 2, ' ');
    }
    bool isRedactedKey(std::string_view key) const {
        return std::find(redaction_.keys.begin(), redaction_.keys.end(), key) != redaction_.keys.end();
    }

    const Redaction& redaction_;
    std::string out_;
};

}  // namespace

std::string prettySortedText(std::string_view text, const Redaction& redaction) {
    const Document document = parse(text);
    PrettyPrinter printer(redaction);
    printer.write(document, 0, false);
    return printer.take();
}

}  // namespace platform::json
