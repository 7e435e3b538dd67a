// zemctl pull / push: not built yet.
#include "cli/zemctl.h"

namespace zem {

int RunPull(const std::vector<std::string>&) { return 2; }
int RunPush(const std::vector<std::string>&) { return 2; }

}  // namespace zem
