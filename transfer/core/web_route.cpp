#include "transfer/core/web_route.h"

#include <cstring>
#include <strings.h>

#include "transfer/core/url_parts.h"

namespace {

bool StartsNoCase(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// Append with an exact count (TextBuffer's count 0 means "to the terminator").
bool AppendExactly(TextBuffer& buffer, const char* text, size_t count) {
    if (count == 0) return true;
    if (count >= TextBuffer::kMaxCapacity) return false;
    return buffer.Append(text, static_cast<uint32_t>(count)) != 0;
}

// Hands a text built aside over to out; no allocation, so it cannot fail.
void MoveInto(TextBuffer& out, TextBuffer& built) {
    char* data = out.data;
    uint16_t capacity = out.capacity, length = out.length;
    out.data = built.data;
    out.capacity = built.capacity;
    out.length = built.length;
    built.data = data;
    built.capacity = capacity;
    built.length = length;
}

// The port after a host ("name:port"): 1 with *port when it names a number
// 1-65535, with *port untouched when it names none ("name" or "name:");
// 0 when the text after the ":" is no such number, or the name holds a ":"
// itself (but for an address in brackets). The ":" of the port is the last
// one not inside "[...]"; name gets what comes before it.
uint16_t SplitWebPort(const char* host, size_t length, size_t* nameLength, uint16_t* port) {
    size_t colon = length;
    for (size_t i = 0; i < length; ++i) {
        if (host[i] == ':') colon = i;
        else if (host[i] == ']') colon = length;
    }
    *nameLength = colon;
    // A ":" left in the name is no host's, but in an address in brackets.
    if (std::memchr(host, ':', colon) && !(colon > 1 && host[0] == '[' && host[colon - 1] == ']')) return 0;
    if (colon + 1 >= length) return 1;
    uint32_t value = 0;
    for (size_t i = colon + 1; i < length; ++i) {
        if (host[i] < '0' || host[i] > '9') return 0;
        value = value * 10 + uint32_t(host[i] - '0');
        if (value > 65535) return 0;
    }
    if (value == 0) return 0;
    *port = uint16_t(value);
    return 1;
}

}  // namespace

WebTargetResult ParseWebTarget(const char* typed, const char* proxyHost, uint16_t proxyPort, WebTarget& out) {
    static const char kHttp[] = "http://";
    static const SchemePrefixes kSchemes = {{"ftp://", kHttp, "gopher://", "wais://", "https://"}};
    if (!typed || typed[0] == '\0') return kWebTargetEmpty;
    const bool viaProxy = proxyHost && proxyHost[0] != '\0';
    // A control character would end the request line early.
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(typed); *p; ++p)
        if (*p < 0x20) return kWebTargetUnsupportedScheme;
    // "\" is read as "/", in the scheme too.
    TextBuffer slashed(128);
    if (!slashed.Assign(typed)) return kWebTargetTooLong;
    for (uint16_t i = 0; i < slashed.length; ++i)
        if (slashed.data[i] == '\\') slashed.data[i] = '/';
    typed = slashed.Text();

    static const char kHttps[] = "https://";
    const bool secure = StartsNoCase(typed, kHttps);
    const bool withWebScheme = secure || StartsNoCase(typed, kHttp);
    const bool otherScheme = !withWebScheme && viaProxy &&
                             (StartsNoCase(typed, "ftp://") || StartsNoCase(typed, "gopher://") ||
                              StartsNoCase(typed, "wais://"));
    const bool withScheme = withWebScheme || otherScheme;
    if (!withScheme && std::strstr(typed, ":/")) return kWebTargetUnsupportedScheme;
    const bool web = !otherScheme;  // http or https, "http://" put in front when missing

    TextBuffer typedUrl(128);
    if ((!withScheme && !typedUrl.Append(kHttp)) || !typedUrl.Append(typed)) return kWebTargetTooLong;
    // The same reading of a URL as NETRetrieveFile's: the host part ends at
    // the first "/", "?" or "#", the login before its last "@" is no host.
    RetrieveUrl parts;
    ParseRetrieveUrl(typedUrl.Text(), kSchemes, parts);
    if (parts.host.Empty()) return parts.url.Empty() ? kWebTargetTooLong : kWebTargetUnsupportedScheme;
    // A login is not used here: it goes to no server, no proxy, no list
    // (an ftp login through the proxy excepted: it is the proxy's to use).
    TextBuffer url(128), host(64), path(128), serverHost(64), server(64);
    UrlWithoutLogin(parts.url.Text(), url);
    if (url.Empty() || !server.Assign(parts.host.Text(), parts.host.length)) return kWebTargetTooLong;

    uint16_t port = secure ? 443 : 80;
    size_t nameLength = 0;
    if (web && (!SplitWebPort(parts.host.Text(), parts.host.length, &nameLength, &port) || nameLength == 0))
        return kWebTargetUnsupportedScheme;
    if (web) {
        if (!AppendExactly(serverHost, parts.host.Text(), nameLength) || !path.Append(parts.path.Text()))
            return kWebTargetTooLong;
    }
    const uint16_t serverPort = port;
    if (viaProxy) {
        // https goes through the proxy's tunnel with the path as target;
        // anything else as the whole URL. An encoded line end in an ftp
        // login would reach the proxy's command line.
        if (!web && parts.refused) return kWebTargetUnsupportedScheme;
        if (!secure) {
            path.Clear();
            if (!path.Append(web ? url.Text() : parts.url.Text())) return kWebTargetTooLong;
        }
        if (!host.Append(proxyHost)) return kWebTargetTooLong;
        port = proxyPort;
    } else {
        MoveInto(host, serverHost);
        if (secure && !serverHost.Append(host.Text())) return kWebTargetTooLong;
    }
    MoveInto(out.url, url);
    MoveInto(out.server, server);
    MoveInto(out.host, host);
    MoveInto(out.path, path);
    out.port = port;
    out.secureHost.Clear();
    if (secure) MoveInto(out.secureHost, serverHost);
    out.securePort = serverPort;
    out.tunnel = secure && viaProxy ? 1 : 0;
    return kWebTargetOk;
}
