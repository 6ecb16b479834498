#pragma once

#include <memory>
#include <string_view>

namespace platform {

// The desktop's general pasteboard (the clipboard). Main thread only; both calls are synchronous.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Empties the pasteboard; nothing happens where there is none.
    virtual void clearContents() = 0;
    // Puts `text` (UTF-8) on the pasteboard as plain text. False when the pasteboard refused it:
    // there is no pasteboard, or it does not hold exactly this text afterwards.
    virtual bool setString(std::string_view text) = 0;
};

using PasteboardPtr = std::shared_ptr<Pasteboard>;

}  // namespace platform
