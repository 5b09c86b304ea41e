#pragma once
// The sample payload loaded on a simulated machine, as the program entry loads its own.
#include "engine/AttachFiles.h"
#include "platform/sim/SimMachine.h"
#include "utils/InstUtils.h"

#include <memory>

namespace ulv::test {

// The index of the sample payload the build packs, connected to the machine and the utilities; questions
// are answered by `askUser` (Abandon when none is given).
[[nodiscard]] std::unique_ptr<TAttachedFiles> LoadSamplePayload(TPlatform& platform, TInstUtils& utils,
                                                                TAskUser askUser = {});

} // namespace ulv::test
