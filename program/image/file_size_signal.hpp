// A process over its file-size limit (RLIMIT_FSIZE) is killed by SIGXFSZ unless it ignores
// the signal; ignored, the write fails with EFBIG and is reported like a full disk, and the
// file being replaced stays as it was. Every executable of ours calls this first thing.
#pragma once

namespace ondrel {

void IgnoreFileSizeSignal();

}  // namespace ondrel
