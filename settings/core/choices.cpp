#include "settings/core/choices.h"

HostLogin ChooseLogin(const HostEntry* entry, const char* anonymousUser, const char* defaultPassword) {
    if (!entry) return {anonymousUser, defaultPassword};
    if (entry->hostFlags & kHostAnonymous) return {anonymousUser, entry->anonymousPassword.Text()};
    return {entry->userName.Text(), entry->password.Text()};
}

FtpRoute ChooseFtpRoute(const char* hostName, uint16_t hostFlags, const char* proxyName,
                        const ProxyList* proxies, const char* user, TextBuffer& userSent) {
    const ProxyEntry* proxy = nullptr;
    if ((hostFlags & kHostUseProxy) && proxies) proxy = proxies->FindByName(proxyName);
    userSent.Assign(user);
    if (!proxy) return {hostName ? hostName : "", kFtpPort, nullptr};
    userSent.Append("@", 1);
    userSent.Append(hostName);
    return {proxy->name.Text(), proxy->port, proxy};
}

WebRoute ChooseWebProxy(const UrlHistory* history, const ProxyList& wwwProxies, const char* url) {
    const UrlEntry* recorded = history ? history->Find(url) : nullptr;
    if (recorded) {
        if (recorded->proxy.Empty()) return {nullptr, kHttpPort, 0};
        if (const ProxyEntry* proxy = wwwProxies.FindByName(recorded->proxy.Text()))
            return {proxy->name.Text(), proxy->port, 1};
    }
    if (wwwProxies.defaultProxy.Empty()) return {nullptr, kHttpPort, 0};
    if (const ProxyEntry* proxy = wwwProxies.FindDefault()) return {proxy->name.Text(), proxy->port, 0};
    return {wwwProxies.defaultProxy.Text(), kHttpPort, 0};
}
