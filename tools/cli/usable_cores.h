#pragma once

namespace morvanex::cli {

// The processors this process may run on (its affinity, which a container or taskset narrows); at
// least 1.
unsigned usableCores();

} // namespace morvanex::cli
