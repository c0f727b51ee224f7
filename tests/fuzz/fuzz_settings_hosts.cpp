// A stored "Host<n>" value: parsed within the field limits, added to a host
// list, and built again; a rebuilt value that still loads parses the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/core/host_list.h"
#include "settings/core/list_formats.h"

namespace {
void CheckLimits(const HostValue& h) {
    if (std::strlen(h.description) > kDescriptionLimit || std::strlen(h.hostName) > kHostNameLimit ||
        std::strlen(h.userName) > kUserNameLimit || std::strlen(h.anonymousPassword) > kPasswordLimit ||
        std::strlen(h.password) > kPasswordLimit || std::strlen(h.initialDirectory) > kDirectoryLimit ||
        std::strlen(h.proxyName) > kProxyNameLimit || (h.hostFlags & ~15))
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string value(reinterpret_cast<const char*>(data), size);
    HostValue h;
    ParseHostValue(value.c_str(), h);
    CheckLimits(h);

    HostList hosts(nullptr);
    HostEntry* e = hosts.AddOrUpdate(h.description, h.hostName, h.userName, h.anonymousPassword,
                                     h.password, h.initialDirectory, (h.hostFlags & 8) ? 1 : 0,
                                     (h.hostFlags & 1) ? 1 : 0, (h.hostFlags & 4) ? 1 : 0,
                                     (h.hostFlags & 2) ? 1 : 0, h.proxyName);
    if (!e || e->hostFlags != h.hostFlags || hosts.FindByDescription(h.description) != e) std::abort();

    HostTexts texts = {e->description.Text(), e->hostName.Text(), e->userName.Text(),
                       e->anonymousPassword.Text(), e->password.Text(), e->initialDirectory.Text(),
                       e->proxyName.Text(), e->hostFlags};
    TextBuffer built(64);
    if (!BuildHostValue(texts, built)) std::abort();
    // Within the limits, a value fits exactly when it is short enough to load.
    if (HostValueFits(texts) != (built.length + 1 < 512 ? 1 : 0)) std::abort();
    if (built.length < 512) {
        HostValue again;
        ParseHostValue(built.Text(), again);
        bool stored = (h.hostFlags & 8) != 0;
        if (std::strcmp(again.description, h.description) || std::strcmp(again.hostName, h.hostName) ||
            std::strcmp(again.userName, h.userName) || std::strcmp(again.initialDirectory, h.initialDirectory) ||
            std::strcmp(again.proxyName, h.proxyName) || again.hostFlags != h.hostFlags ||
            std::strcmp(again.password, stored ? h.password : "") ||
            std::strcmp(again.anonymousPassword, stored ? h.anonymousPassword : ""))
            std::abort();
    }
    return 0;
}
