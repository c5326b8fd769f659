// The errors of the image layer: one family, so a caller can catch ImageError for every
// failure of a load, a save or a BLP1 tool. Messages are sentences a user can read; they name
// the format or the file and say what is wrong. Qt-free: the BLP1 optimizer throws them too.
#pragma once

#include <stdexcept>
#include <string>

namespace ondrel {

class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that cannot be read as an image: damaged, hostile, unsupported or beyond the limits.
class ImageLoadError : public ImageError {
 public:
  using ImageError::ImageError;
};

// A bitmap that cannot be written in the chosen format.
class ImageSaveError : public ImageError {
 public:
  using ImageError::ImageError;
};

// A file that cannot be opened, read, written or replaced.
class FileError : public ImageError {
 public:
  using ImageError::ImageError;
};

// A BLP1 file the optimizer cannot rewrite without changing a picture.
class OptimizeError : public ImageError {
 public:
  using ImageError::ImageError;
};

}  // namespace ondrel
