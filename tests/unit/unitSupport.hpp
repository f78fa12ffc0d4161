// What the unit tests share: the installation most cases run in, output
// capture, and the matcher for the exact text of a fatal message.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fakePlatform.hpp"

namespace unit {

// The standard installation of the tests: the launcher
// C:\Tools\Suite\vurn\bin\tool.exe, run from D:\Work\Proj, with no
// overrides; the installation root is C:/tools/suite.
inline void useWindowsInstall() {
    fake::reset(fake::Os::windows);
    fake::setExecutablePath("C:\\Tools\\Suite\\vurn\\bin\\tool.exe");
    fake::setCurrentDirectory("D:\\Work\\Proj");
}

// The same installation on POSIX, below /opt/Suite.
inline void usePosixInstall() {
    fake::reset(fake::Os::posix);
    fake::setExecutablePath("/opt/Suite/vurn/bin/tool");
    fake::setCurrentDirectory("/home/user/Proj");
}

struct Output {
    std::string out;
    std::string err;
};

// Runs body with standard output and standard error captured.
template <typename Body>
Output captureOutput(Body body) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    body();
    Output output;
    output.out = testing::internal::GetCapturedStdout();
    output.err = testing::internal::GetCapturedStderr();
    return output;
}

// Standard error of a death test, compared as a whole.
inline testing::Matcher<const std::string&> exactly(const std::string& text) {
    return testing::Eq(text);
}

// Exit status -1 as the parent sees it.
inline testing::ExitedWithCode exitedWithMinusOne() {
    return testing::ExitedWithCode(255);
}

}  // namespace unit
