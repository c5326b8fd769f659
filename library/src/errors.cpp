#include "ormel_errors.hpp"

// Out-of-line destructors anchor the vtables and type information in the library.
namespace ormel {
Error::~Error() = default;
InvalidData::~InvalidData() = default;
Unsupported::~Unsupported() = default;
LimitExceeded::~LimitExceeded() = default;
JpegError::~JpegError() = default;
DivisionByZero::~DivisionByZero() = default;
OutOfMemory::~OutOfMemory() = default;
}  // namespace ormel
