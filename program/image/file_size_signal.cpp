#include "file_size_signal.hpp"

#include <csignal>

namespace ondrel {

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace ondrel
