#include "UIPipeDescriptors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <initializer_list>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using quentrel::UIPipeDescriptors;

namespace {

bool isNullDevice(int fd) {
    struct stat null {}, st {};
    return ::stat("/dev/null", &null) == 0 && ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) &&
           st.st_rdev == null.st_rdev;
}

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) >= 0; }

// The pipe moves to close-on-exec copies and the two descriptors it came on then read and write
// nothing; any step that fails is named, with nothing left open.
TEST(UIPipeDescriptors, ThePipeMovesAsideOrTheFailedStepIsNamedWithNothingLeftOpen) {
    struct Case {
        const char* name;
        bool withoutInput;  // no descriptor there
        bool withoutOutput;
        const char* nullDevice;
        const char* failedStep;  // null: the set-up succeeds
        int error;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"both ends there", false, false, "/dev/null", nullptr, 0},
             {"no input", true, false, "/dev/null", "copy input", EBADF},
             {"no output", false, true, "/dev/null", "copy output", EBADF},
             {"no null device", false, false, "/nonexistent/null", "open null device", ENOENT},
         }) {
        SCOPED_TRACE(c.name);
        int in[2], out[2];
        ASSERT_EQ(::pipe(in), 0);
        ASSERT_EQ(::pipe(out), 0);
        const int firstFree = ::fcntl(0, F_DUPFD, 0);
        ::close(firstFree);

        const UIPipeDescriptors taken =
            UIPipeDescriptors::take(c.withoutInput ? -1 : in[0], c.withoutOutput ? -1 : out[1], c.nullDevice);
        EXPECT_STREQ(taken.failedStep, c.failedStep);
        EXPECT_EQ(taken.error, c.error);
        if (c.failedStep) {
            EXPECT_EQ(taken.input, -1);
            EXPECT_EQ(taken.output, -1);
            EXPECT_FALSE(isOpen(firstFree)) << "a copy was left open";
        } else {
            EXPECT_GE(taken.input, 3);
            EXPECT_EQ(::fcntl(taken.input, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
            EXPECT_EQ(::fcntl(taken.output, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
            EXPECT_TRUE(isNullDevice(in[0]));
            EXPECT_TRUE(isNullDevice(out[1]));
            ASSERT_EQ(::write(taken.output, "x", 1), 1);
            char byte = 0;
            EXPECT_EQ(::read(out[0], &byte, 1), 1);
            EXPECT_EQ(byte, 'x');
            ASSERT_EQ(::write(in[1], "y", 1), 1);
            EXPECT_EQ(::read(taken.input, &byte, 1), 1);
            EXPECT_EQ(byte, 'y');
            ::close(taken.input);
            ::close(taken.output);
        }
        for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
    }
}

}  // namespace
