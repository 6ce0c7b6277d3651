// Which device file a port name stands for: "COMn" is /dev/ttyS(n-1), a bare
// name is looked up under /dev, an absolute path is taken as it is.
#pragma once

#include <cstdint>
#include <string>

namespace comm::posix {

// 0 and the path, ENOENT for an empty name, EINVAL for a name that climbs
// out of /dev with "..".
std::int32_t ResolvePortPath(const std::string& name, std::string* path);

}  // namespace comm::posix
