#pragma once

// Stops and deletes ProductConfig.serviceName. 0 = removed or absent, -1 = failure.
int removeOldService();
