// The ending every test program shares (tests/support/TestMain.cpp), for a
// program that must end its process itself once its tests are over.
#pragma once

namespace TestSupport {

// Returns the exit code of a test program whose tests are over: 1 when they
// failed or when no test ran to its end (a filter that names nothing, a skip
// in a global environment), 0 otherwise. Prints the reason for a 1 that
// `passed` does not explain. Call it after the tests, once.
int TestProgramExitCode(bool passed);

}  // namespace TestSupport
