// Exit statuses of an installer whose product is made for unattended
// deployment: the Windows error numbers that deployment tools (winget,
// Chocolatey, Intune, Configuration Manager) already know. The same in
// interactive and unattended runs. An installer of any other product keeps
// ending with 0 whatever happened.
#pragma once

#include "product/product_data.h"

constexpr int kExitInstalled = 0;
constexpr int kExitNoSpace = 112;                // ERROR_DISK_FULL
constexpr int kExitCancelled = 1602;             // ERROR_INSTALL_USEREXIT: licence declined or cancelled
constexpr int kExitFailed = 1603;                // ERROR_INSTALL_FAILURE, after the clean-up
constexpr int kExitAnotherRunning = 1618;        // ERROR_INSTALL_ALREADY_RUNNING
constexpr int kExitUnsupportedPlatform = 1633;   // ERROR_INSTALL_PLATFORM_UNSUPPORTED
constexpr int kExitBadCommandLine = 1639;        // ERROR_INVALID_COMMAND_LINE

// The process's exit status for the outcome `code` of a run of `config`'s product.
inline int ExitStatusFor(const ProductConfigRecord& config, int code) { return config.unattended ? code : 0; }
