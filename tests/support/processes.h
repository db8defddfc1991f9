// Running a piece of a test in a process of its own: for limits and identities that must
// not outlive it.
#pragma once

#include <functional>
#include <string>

namespace vemora::testing {

// Runs `body` in a child process and returns what it returned (0..255), or -1 when the
// child died.
int InChild(const std::function<int()>& body);

// Runs `body` as a user without privileges: directly when the tests run as one, else in a
// child process as the user "nobody" (the superuser may write any file, whatever its
// modes, so checks of permissions mean nothing as root). Paths it uses must be open to
// anyone.
int AsOrdinaryUser(const std::function<int()>& body);

// A device that refuses every byte with "No space left on device", at a path of the
// test's own where that can be made (as root: a node like /dev/full in `folder`), so that
// a writer that wrongly replaces or removes it harms only the test's folder; else
// /dev/full itself, which an ordinary user cannot replace.
std::string FullDevice(const std::string& folder);

} // namespace vemora::testing
