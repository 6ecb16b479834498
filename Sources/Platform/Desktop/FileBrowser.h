#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// The desktop's file browser. Main thread only.
class FileBrowser {
public:
    // True when a file browser took the request (or the desktop's opener started).
    using Completion = std::function<void(bool opened)>;

    virtual ~FileBrowser() = default;

    // Opens the folder at the absolute `path` (a volume's mount point: the volume itself is
    // shown) in a file browser window. The path reaches the browser unchanged, whatever it holds;
    // nothing is ever run through a shell. A relative path or one holding a NUL byte is refused.
    // The completion runs exactly once, later on the main queue, never inside this call.
    virtual void openFolder(const std::string& path, Completion completion) = 0;
};

using FileBrowserPtr = std::shared_ptr<FileBrowser>;

// The "file://" URI of an absolute path: every byte other than an unreserved character
// (A-Z a-z 0-9 - . _ ~) or "/" is percent-encoded, so spaces, quotes, "%", "#", "?" and
// non-ASCII bytes all survive exactly.
inline std::string fileURI(std::string_view absolutePath) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char byte : absolutePath) {
        const auto c = static_cast<unsigned char>(byte);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (unreserved) {
            uri.push_back(byte);
        } else {
            uri.push_back('%');
            uri.push_back(hex[c >> 4]);
            uri.push_back(hex[c & 0x0F]);
        }
    }
    return uri;
}

}  // namespace platform
