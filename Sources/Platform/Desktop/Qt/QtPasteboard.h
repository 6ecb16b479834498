#pragma once

#include "Platform/Desktop/Pasteboard.h"

namespace platform {

// The pasteboard on QClipboard (the CLIPBOARD selection). Needs a QGuiApplication; without one
// every text is refused. On X11 the text stays available only while this process lives.
class QtPasteboard final : public Pasteboard {
public:
    void clearContents() override;
    bool setString(std::string_view text) override;
};

}  // namespace platform
