#pragma once

namespace quentrel {

// KavrinetUI's pipe to the agent arrives as its standard input and output. The channel gets
// close-on-exec copies of both (at 3 or above), and the two standard descriptors then point at
// the null device, so that nothing but the channel's frames (no library's stray print) reaches
// the agent.
struct UIPipeDescriptors {
    // The exit status of a UI app that cannot set up its descriptors (EX_OSERR).
    static constexpr int setupFailureStatus = 71;

    int input = -1;
    int output = -1;
    // The step that failed ("copy input", "copy output", "open null device", "redirect input",
    // "redirect output") and its errno; null when all went well. After a failure no copy is kept
    // and the program must not go on: a standard descriptor may still be the agent's pipe.
    const char* failedStep = nullptr;
    int error = 0;

    // Moves the pipe from `input` and `output` (the standard ones in the program).
    static UIPipeDescriptors take(int input, int output, const char* nullDevice = "/dev/null");
};

}  // namespace quentrel
