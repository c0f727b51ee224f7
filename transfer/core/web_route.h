#ifndef ORBNET_TRANSFER_WEB_ROUTE_H
#define ORBNET_TRANSFER_WEB_ROUTE_H

// Where a Web fetch goes: the server itself or a proxy, and what it asks.

#include <cstdint>

#include "frame/core/text_buffer.h"

enum WebTargetResult : uint16_t {
    kWebTargetOk = 0,
    kWebTargetEmpty = 1,              // nothing typed
    kWebTargetUnsupportedScheme = 2,  // a scheme this fetch does not speak
    kWebTargetTooLong = 3,
};
struct WebTarget {
    WebTarget()
        : url(128), server(64), host(64), path(128), port(80), secureHost(64), securePort(443), tunnel(0) {}
    TextBuffer url;     // the URL as fetched, without login ("http://" put in front when it had no scheme)
    TextBuffer server;  // the URL's host part as written, its port included, without login
    TextBuffer host;    // server or proxy
    TextBuffer path;    // the path, or through a proxy the whole URL (for https the path)
    uint16_t port;
    TextBuffer secureHost;  // https: the URL's host, whose certificate is checked; else empty
    uint16_t securePort;
    uint16_t tunnel;        // https through the proxy: a CONNECT tunnel to secureHost
};
// "http://" and "https://" URLs are fetched; through a proxy (proxyHost not
// empty) "ftp://", "gopher://" and "wais://" URLs go too (prefixes compared
// without case). Any other URL that holds ":/" is refused; one without gets
// "http://" in front. The URL is read as ParseRetrieveUrl reads it: the
// host part runs to the first "/", "?" or "#", a login before its last "@"
// is left out, "\" counts as "/". A port after the host's last ":" must be
// a number 1-65535 (none, or an empty one: 80, for https 443); the path is
// the rest from the "/" on ("/" in front of a "?" or "#", "/" when there is
// none). url is the URL without its login; through a proxy path is that
// URL too, but for an ftp URL, which keeps its login there (the proxy logs
// in with it). Refused as unsupported: no host, a port that is no port, a
// control character (it would end the request line), an encoded line end
// in what goes to the proxy. out is changed only for kWebTargetOk.
// A typed address and a redirect's Location are both read this way.
WebTargetResult ParseWebTarget(const char* typed, const char* proxyHost, uint16_t proxyPort, WebTarget& out);

#endif
