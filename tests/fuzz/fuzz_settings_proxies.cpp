// A stored "Proxy<n>" value: parsed within the name limit, added to a proxy
// list, and built again; the rebuilt value parses the same. The same bytes
// read as a proxy typed into the proxy dialog.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/core/list_formats.h"
#include "settings/core/proxy_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string value(reinterpret_cast<const char*>(data), size);
    ProxyValue p;
    ParseProxyValue(value.c_str(), p);
    if (std::strlen(p.name) > kProxyNameLimit) std::abort();

    ProxyList proxies(kFtpProxies, nullptr);
    ProxyEntry* e = proxies.AddOrUpdate(p.name, p.port);
    if (!e || proxies.FindByName(p.name) != e || e->port != p.port) std::abort();

    TextBuffer built(64);
    if (!BuildProxyValue(e->name.Text(), e->port, built)) std::abort();
    ProxyValue again;
    ParseProxyValue(built.Text(), again);
    if (std::strcmp(again.name, p.name) || again.port != p.port) std::abort();

    // The same bytes typed into a proxy box: the name lies inside them.
    const TypedProxy typed = ReadTypedProxy(value.c_str());
    const size_t length = std::strlen(value.c_str());
    if (typed.name < value.c_str() || typed.name + typed.nameLength > value.c_str() + length) std::abort();
    if (typed.hasPort && typed.port > 99999) std::abort();
    if (!typed.reshaped && (typed.name != value.c_str() || typed.nameLength != length)) std::abort();
    return 0;
}
