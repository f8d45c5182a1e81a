#pragma once

#include <QLockFile>

namespace trevalo {

/// Takes a lock file within `timeoutMs`, trying again every few milliseconds. QLockFile's own wait
/// doubles its pause after every miss (up to seconds), so among several processes queueing for a lock
/// that is held for milliseconds, one can sleep through every free moment and give up while the lock
/// stands free most of the time.
bool lockWithin(QLockFile& lock, int timeoutMs);

} // namespace trevalo
