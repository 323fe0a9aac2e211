// Test helper: the main function of a test program that CTest runs twice,
// alone for the tests of plainFilter and with --loop-devices for those of
// loopFilter, which need root and /dev/loop-control (without either the
// program exits with 77, which CTest counts as a skip). Test thread.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace wizard::testing {

inline int RunWithLoopDevices(int argc, char** argv, const char* plainFilter,
                              const char* loopFilter) {
    ::testing::InitGoogleTest(&argc, argv);
    const bool loop = argc > 1 && std::string(argv[1]) == "--loop-devices";
    if (loop && (geteuid() != 0 || access("/dev/loop-control", W_OK) != 0)) {
        std::printf("SKIPPED: the loop-device tests need root and /dev/loop-control (%s)\n",
                    geteuid() != 0 ? "not root" : "no /dev/loop-control");
        return 77;
    }
    ::testing::GTEST_FLAG(filter) = loop ? loopFilter : plainFilter;
    return RUN_ALL_TESTS();
}

}  // namespace wizard::testing
