// The shared peer BLP files live beside the checkout. A clone elsewhere has none: the tests
// that need them skip and say where they looked, as the library's peer tests do.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#define SKIP_WITHOUT_PEER_FILES()                                  \
  if (!std::filesystem::is_directory(ONDREL_PEER_BLP))             \
  GTEST_SKIP() << "no peer files at " << ONDREL_PEER_BLP

