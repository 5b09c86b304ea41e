#include "SampleRun.h"

#include "tests/support/TestFiles.h"

namespace ulv::test {

std::unique_ptr<TAttachedFiles> LoadSamplePayload(TPlatform& platform, TInstUtils& utils, TAskUser askUser) {
    static const std::vector<std::uint8_t> stream = ReadHostFile(ULVARA_SAMPLE_PAYLOAD);
    TPayloadFault fault = TPayloadFault::None;
    std::unique_ptr<TAttachedFiles> files = TAttachedFiles::FromStream(stream, fault);
    if (!files) return nullptr;
    if (!askUser) askUser = [](const std::string&, int, std::uint16_t) { return kResultAbort; };
    files->Connect(platform, utils, std::move(askUser));
    return files;
}

} // namespace ulv::test
