#pragma once
// The payload as the e2e tools read it beside the setup: from a host file, and against what landed on disk.
#include "engine/AttachFiles.h"

#include <memory>
#include <string>

namespace ulv::test {

// A request for the entries of `name` into `folder`, logged and not listed for Update.log.
inline TInstallRequest Request(std::string name, std::string folder, int component, TInstallMode mode) {
    TInstallRequest request;
    request.Component = component;
    request.Name = std::move(name);
    request.Target = std::move(folder);
    request.Mode = mode;
    return request;
}

// The payload stream in the host file at path, loaded; null when it cannot be read or is not well formed.
std::unique_ptr<TAttachedFiles> LoadPayloadFile(const std::string& path);

// Whether the file at path holds exactly the entry's bytes, no more and no fewer. It is read while others may
// still have it open for writing (a setup that holds it), as a user's program could.
bool HoldsEntryBytes(const std::string& path, const TAttachedFiles& files, const TAttachedFile& entry);

} // namespace ulv::test
