#include "UIPipeDescriptors.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <initializer_list>
#include <tuple>

using quentrel::UIPipeDescriptors;
using Case = std::tuple<bool, bool, const char*, const char*>;  // input and output there, null device, failed step

// The pipe moves to close-on-exec copies and the output it came on then leads nowhere; a step that
// fails is named, and no copy is left open.
TEST(UIPipeDescriptors, ThePipeMovesAsideOrTheFailedStepIsNamedWithNothingLeftOpen) {
    for (auto [input, output, nullDevice, step] :
         {Case{true, true, "/dev/null", nullptr}, Case{false, true, "/dev/null", "copy input"},
          Case{true, false, "/dev/null", "copy output"}, Case{true, true, "/nonexistent", "open null device"}}) {
        int in[2], out[2];
        ASSERT_EQ(::pipe(in) | ::pipe(out), 0);
        const int firstFree = ::fcntl(0, F_DUPFD, 3);
        ::close(firstFree);
        const UIPipeDescriptors taken = UIPipeDescriptors::take(input ? in[0] : -1, output ? out[1] : -1, nullDevice);
        EXPECT_STREQ(taken.failedStep, step);
        EXPECT_EQ(::fcntl(firstFree, F_GETFD), step ? -1 : FD_CLOEXEC);  // the input's copy, kept on success only
        char bytes[2] = {};
        EXPECT_TRUE(step || (::fcntl(taken.output, F_GETFD) == FD_CLOEXEC && ::write(taken.output, "x", 1) == 1 &&
                             ::write(out[1], "y", 1) == 1 && ::read(out[0], bytes, 2) == 1));
        for (int fd : {in[0], in[1], out[0], out[1], taken.input, taken.output}) ::close(fd);
    }
}
