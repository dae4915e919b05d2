#include <windows.h>

#include "core/lock.hpp"

namespace ovelin {

static_assert(sizeof(SRWLOCK) == sizeof(void*));

void Lock::lock() { ::AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)); }
void Lock::unlock() { ::ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)); }
bool Lock::try_lock() { return ::TryAcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&srw_)) != 0; }

}  // namespace ovelin
