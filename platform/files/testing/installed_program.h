// Whether a program a test runs is on this machine. A test that needs one
// asserts it first, so that on a machine without it the test fails with the
// Debian package to install instead of failing obscurely or passing unseen.
#pragma once

#include <gtest/gtest.h>

#include <string>

// Succeeds when program can be run: a name without '/' is looked up in the
// folders of PATH (an empty PATH entry is the working folder, as for execvp),
// a path is taken as it is; either way it must be a regular file this
// process may execute. The failure reads "PROGRAM is not installed: install
// the Debian package PACKAGE (scripts/install-deps.sh does)".
// Example: ASSERT_TRUE(IsInstalled("setfacl", "acl"));
::testing::AssertionResult IsInstalled(const std::string& program, const std::string& package);
