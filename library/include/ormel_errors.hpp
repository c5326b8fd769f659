// The exceptions that leave ormel_blp. Their type information is exported, so a caller in
// another shared object can catch them by type; every one is a std::runtime_error.
#pragma once

#include <stdexcept>
#include <string>

#if defined(__GNUC__)
#define ORMEL_ERROR_API __attribute__((visibility("default")))
#else
#define ORMEL_ERROR_API
#endif

namespace ormel {

class ORMEL_ERROR_API Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
  ~Error() override;
};

// The data breaks the format: truncated, offsets outside the file, inconsistent fields.
class ORMEL_ERROR_API InvalidData : public Error {
 public:
  using Error::Error;
  ~InvalidData() override;
};

// Well-formed but outside what the codec reads or writes.
class ORMEL_ERROR_API Unsupported : public Error {
 public:
  using Error::Error;
  ~Unsupported() override;
};

// Dimensions or buffers beyond the limits, or larger than the caller's buffer.
class ORMEL_ERROR_API LimitExceeded : public Error {
 public:
  using Error::Error;
  ~LimitExceeded() override;
};

// libjpeg refused the stream or the parameters.
class ORMEL_ERROR_API JpegError : public Error {
 public:
  using Error::Error;
  ~JpegError() override;
};

// A BLP level selected for decoding has a stored size of 0.
class ORMEL_ERROR_API DivisionByZero : public Error {
 public:
  using Error::Error;
  ~DivisionByZero() override;
};

class ORMEL_ERROR_API OutOfMemory : public Error {
 public:
  using Error::Error;
  ~OutOfMemory() override;
};

}  // namespace ormel
