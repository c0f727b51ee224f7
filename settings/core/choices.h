#ifndef ORBNET_SETTINGS_CHOICES_H
#define ORBNET_SETTINGS_CHOICES_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "settings/core/host_list.h"
#include "settings/core/proxy_list.h"
#include "settings/core/url_history.h"

constexpr uint16_t kFtpPort = 21;
constexpr uint16_t kHttpPort = 80;
constexpr uint16_t kHttpsPort = 443;

// The login for a host entry: with kHostAnonymous the anonymous user and the
// entry's anonymousPassword, else its userName and password. Without an
// entry, anonymousUser and defaultPassword ("anonymous", "visit"). The
// pointers refer to the entry's texts or to the given ones.
struct HostLogin {
    const char* user;
    const char* password;
};
HostLogin ChooseLogin(const HostEntry* entry, const char* anonymousUser, const char* defaultPassword);

// Where an FTP connection to hostName goes. With kHostUseProxy in hostFlags and
// an entry named proxyName in proxies: that proxy's name and port, and the
// user sent becomes user "@" hostName. Otherwise hostName on port 21 and the
// user as given. userSent receives the user to send. address points into the
// proxy entry or to hostName.
struct FtpRoute {
    const char* address;
    uint16_t port;
    const ProxyEntry* proxy;  // null: direct
};
FtpRoute ChooseFtpRoute(const char* hostName, uint16_t hostFlags, const char* proxyName,
                        const ProxyList* proxies, const char* user, TextBuffer& userSent);

// World Wide Web proxy for fetching url without a caller's proxy: the proxy
// recorded for it in the history when the list has it (rememberAsDefault set:
// the caller makes it the list's defaultProxy); a direct connection when it
// was recorded without one; otherwise the list's defaultProxy (direct when
// empty; a name the list lacks is reached on port 80).
struct WebRoute {
    const char* proxyAddress;  // null: connect directly to the URL's host
    uint16_t port;
    uint16_t rememberAsDefault;
};
WebRoute ChooseWebProxy(const UrlHistory* history, const ProxyList& wwwProxies, const char* url);

#endif
