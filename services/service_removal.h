#pragma once

// How long a service may stay in the stop-pending state before it counts as
// failed to stop. Without a bound a service that never finishes stopping would
// keep the installer waiting for ever.
constexpr int kStopPendingLimitMs = 60000;
// The pause after the stop request and after each query that finds the
// service still stopping.
constexpr int kStopPollIntervalMs = 1000;

// Stops ProductConfig.serviceName if it runs and deletes it, writing its
// progress to standard output. 0 = removed or absent, -1 = failure (no access
// to the service control manager, or the deletion failed).
int removeOldService();

// removeOldService with another stop-pending limit. The installer uses
// removeOldService (kStopPendingLimitMs); this exists so that tests of a
// service stuck in stop-pending need not wait a minute.
int removeOldServiceWithin(int stopPendingLimitMs);
