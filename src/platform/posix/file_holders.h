// Which processes hold a file open: Windows refuses to move or replace a file another process
// holds, and Linux does not, so the Linux moves ask before they act.
#pragma once

#include <sys/stat.h>

namespace platform {

// Does any process but this one hold a descriptor on the file (device, inode)? Processes whose
// descriptors we may not read (other users') are not seen.
bool isOpenInOtherProcess(const struct stat& file);

}  // namespace platform
