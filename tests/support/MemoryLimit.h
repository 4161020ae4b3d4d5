#pragma once
// Address-space limits for tests that check whether code stays within a memory budget: an allocation
// beyond the limit fails there and then.

#include <cstddef>
#include <functional>
#include <sys/resource.h>

// False in builds whose sanitizers reserve and map memory of their own, where such a limit means nothing.
bool AddressSpaceLimitApplies();

// While it exists, this process may map Extra bytes more than it maps when the object is made (after
// giving back the blocks kept for reuse).
class TAddressSpaceLimit
{
public:
    explicit TAddressSpaceLimit(std::size_t Extra);
    TAddressSpaceLimit(const TAddressSpaceLimit&) = delete;
    TAddressSpaceLimit& operator=(const TAddressSpaceLimit&) = delete;
    ~TAddressSpaceLimit();
    // False when the limit could not be set.
    bool Set() const { return FSet; }

private:
    rlimit FOld{};
    bool FSet = false;
};

// Forks; the child runs Body under a TAddressSpaceLimit of Extra and exits with its result; an exception
// that leaves Body aborts it. Returns that exit status, or 128 + the signal that ended the child (134
// for an abort).
int RunWithAddressSpaceLimit(std::size_t Extra, const std::function<int()>& Body);
