// Unpredictable numbers for the names that a run makes in folders others may
// write to (a private copy's folder, a replaced file kept aside): a name that
// cannot be guessed cannot be planted first.
#pragma once

// 64 random bits from the system's generator; the clock and the process id
// only where the generator is missing. `attempt` changes the fallback from one
// try to the next: the callers still create their names exclusively.
unsigned long long RandomBits(int attempt);
