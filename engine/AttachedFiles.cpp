#include "AttachFiles.h"

#include "resources/ResConst.h"
#include "utils/InstUtils.h"

namespace ulv {

std::unique_ptr<TAttachedFiles> TAttachedFiles::Create(TPlatform& platform, TPayloadFault& fault) {
    auto resource = platform.Module.FindResourceData(kPayloadResourceName, kPayloadResourceType);
    if (!resource) {
        fault = TPayloadFault::Missing;
        return nullptr;
    }
    return FromStream(*resource, fault);
}

std::unique_ptr<TAttachedFiles> TAttachedFiles::Create(TPlatform& platform, TInstUtils& utils,
                                                       TAskUser askUser, TPayloadFault& fault) {
    std::unique_ptr<TAttachedFiles> files = Create(platform, fault);
    if (files) files->Connect(platform, utils, std::move(askUser));
    return files;
}

std::unique_ptr<TAttachedFiles> TAttachedFiles::FromStream(std::span<const std::uint8_t> stream,
                                                           TPayloadFault& fault) {
    std::unique_ptr<TAttachedFiles> files = CreateEmpty();
    fault = files->Load(stream);
    if (fault != TPayloadFault::None) return nullptr;
    return files;
}

std::unique_ptr<TAttachedFiles> TAttachedFiles::CreateEmpty() {
    return std::unique_ptr<TAttachedFiles>(new TAttachedFiles);
}

TPayloadFault TAttachedFiles::Load(std::span<const std::uint8_t> stream) {
    Entries.clear();
    TPayloadFault fault = InflatePayload(stream, Block);
    std::vector<TPayloadRecord> records;
    if (fault == TPayloadFault::None) fault = WalkPayloadRecords(Block.Bytes(), records);
    if (fault != TPayloadFault::None) {
        Block = {};
        return fault;
    }
    Entries.reserve(records.size());
    for (auto& r : records)
        Entries.push_back(TAttachedFile{std::move(r.Name), r.Size, r.Time, r.DataOffset});
    return TPayloadFault::None;
}

TAttachedFiles::~TAttachedFiles() {
    UpdateList.clear();
    for (auto& queue : Queues)
        queue.clear();
    Block = {};
    Entries.clear();
    if (Utils) Utils->DeleteTempLeftovers();
}

void TAttachedFiles::Connect(TPlatform& platform, TInstUtils& utils, TAskUser askUser) {
    Platform.emplace(platform);
    Utils = &utils;
    AskUser = std::move(askUser);
}

} // namespace ulv
