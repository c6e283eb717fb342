#pragma once

#include <string>

namespace testing_support {

// Saves the whole screen as a 24-bit BMP under the test's output folder
// (VARNLET_TEST_OUTPUT, a Unix path reached through drive Z:) with the
// given file name. Returns the Windows path written, or "" on failure.
std::string SaveScreenshot(const char* fileName);
// Saves the whole screen as a 24-bit BMP at `path` (a Windows path whose
// folder exists). False on failure.
bool SaveScreenshotAs(const std::string& path);
// The test's output folder as a Windows path ("" if not set); created on demand.
std::string TestOutputFolder();

}  // namespace testing_support
