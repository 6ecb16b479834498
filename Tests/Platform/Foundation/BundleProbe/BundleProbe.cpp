// Staged into a bundle by the build: checks that the program finds its own bundle and that the
// generated Info.plist holds what the build wrote.
//   BundleProbe <identifier> <display name> <name> <version> <build>

#include <cstdio>
#include <string>

#include "Platform/Foundation/BundleInfo.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: BundleProbe identifier display-name name version build\n");
        return 2;
    }
    auto bundle = platform::mainBundle();
    int failures = 0;
    auto expectString = [&](const char* key, const std::string& expected) {
        const platform::PropertyValue* value = bundle->object(key);
        const std::string* text = value != nullptr ? value->get<std::string>() : nullptr;
        if (text == nullptr || *text != expected) {
            std::fprintf(stderr, "%s: expected \"%s\", found %s\n", key, expected.c_str(),
                         text != nullptr ? text->c_str() : "no string");
            ++failures;
        }
    };
    if (!bundle->bundlePath || bundle->bundlePath->extension() != ".app") {
        std::fprintf(stderr, "no bundle found around the executable\n");
        return 1;
    }
    if (bundle->bundleIdentifier != std::string(argv[1])) {
        std::fprintf(stderr, "bundle identifier: expected %s\n", argv[1]);
        ++failures;
    }
    expectString("CFBundleIdentifier", argv[1]);
    expectString("CFBundleDisplayName", argv[2]);
    expectString("CFBundleName", argv[3]);
    expectString("CFBundleExecutable", "BundleProbe");
    expectString("CFBundleShortVersionString", argv[4]);
    expectString("CFBundleVersion", argv[5]);
    if (failures == 0) std::printf("bundle %s read back\n", bundle->bundlePath->c_str());
    return failures == 0 ? 0 : 1;
}
