#include "transfer/core/redirect_rules.h"

#include <cstring>

#include "frame/core/string_ids.h"
#include "transfer/core/url_parts.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (Lower(*text) != *prefix) return false;
    return true;
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Length of a scheme and its ":" at the start of text, or 0.
uint32_t SchemeLength(const char* text, uint32_t length) {
    if (length == 0 || !IsAlpha(text[0])) return 0;
    for (uint32_t i = 1; i < length; ++i) {
        char c = text[i];
        if (c == ':') return i + 1;
        if (!IsAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

// Bounded text being built.
struct Builder {
    char text[kMaxRedirectUrl + 1];
    uint32_t length = 0;
    bool overflow = false;
    void Add(const char* bytes, uint32_t count) {
        if (overflow || count > kMaxRedirectUrl - length) {
            overflow = true;
            return;
        }
        std::memcpy(text + length, bytes, count);
        length += count;
    }
};

// Appends path with its "." and ".." segments worked out, as a browser does
// (".." never climbs above the root).
void AddWithoutDots(Builder& out, const char* path, uint32_t length) {
    if (length > kMaxRedirectUrl) {
        out.overflow = true;
        return;
    }
    // A copy, so that a segment taken away can leave its "/" in place.
    char in[kMaxRedirectUrl + 1];
    std::memcpy(in, path, length);
    const uint32_t root = out.length;
    auto is = [&](uint32_t at, const char* text) {
        uint32_t n = uint32_t(std::strlen(text));
        return length - at >= n && std::memcmp(in + at, text, n) == 0;
    };
    auto dropLastSegment = [&]() {
        while (out.length > root && out.text[out.length - 1] != '/') --out.length;
        if (out.length > root) --out.length;
    };
    uint32_t i = 0;
    while (i < length) {
        const uint32_t left = length - i;
        if (is(i, "../")) {
            i += 3;
        } else if (is(i, "./")) {
            i += 2;
        } else if (is(i, "/./")) {
            i += 2;
        } else if (left == 2 && is(i, "/.")) {
            in[i + 1] = '/';
            i += 1;
        } else if (is(i, "/../")) {
            i += 3;
            dropLastSegment();
        } else if (left == 3 && is(i, "/..")) {
            in[i + 2] = '/';
            i += 2;
            dropLastSegment();
        } else if ((left == 1 && in[i] == '.') || (left == 2 && is(i, ".."))) {
            i = length;
        } else {
            uint32_t end = i + 1;
            while (end < length && in[end] != '/') ++end;
            out.Add(in + i, end - i);
            i = end;
        }
    }
}

// The parts of an absolute http(s) URL: scheme with "://" and authority,
// path, query (with its "?"); no fragment.
struct UrlParts {
    const char* head;
    uint32_t headLength;
    const char* path;
    uint32_t pathLength;
    const char* query;
    uint32_t queryLength;
};

bool SplitAbsolute(const char* url, uint32_t length, UrlParts& parts) {
    uint32_t scheme = SchemeLength(url, length);
    if (scheme == 0 || length < scheme + 2 || url[scheme] != '/' || url[scheme + 1] != '/') return false;
    uint32_t pos = scheme + 2;
    while (pos < length && url[pos] != '/' && url[pos] != '?' && url[pos] != '#') ++pos;
    parts.head = url;
    parts.headLength = pos;
    uint32_t pathStart = pos;
    while (pos < length && url[pos] != '?' && url[pos] != '#') ++pos;
    parts.path = url + pathStart;
    parts.pathLength = pos - pathStart;
    uint32_t queryStart = pos;
    if (pos < length && url[pos] == '?')
        while (pos < length && url[pos] != '#') ++pos;
    parts.query = url + queryStart;
    parts.queryLength = pos - queryStart;
    return true;
}

}  // namespace

bool IsRedirectStatus(uint16_t status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

uint16_t WebSchemeOf(const char* url) {
    if (!url) return 0;
    if (StartsWithNoCase(url, "http://")) return 1;
    if (StartsWithNoCase(url, "https://")) return 2;
    return 0;
}

uint16_t ResolveLocation(const char* base, const char* location, uint32_t locationLength, TextBuffer& out) {
    out.Clear();
    if (!base || !location || WebSchemeOf(base) == 0) return 0;
    // Blanks around the value are not part of it.
    while (locationLength > 0 && (location[0] == ' ' || location[0] == '\t')) {
        ++location;
        --locationLength;
    }
    while (locationLength > 0 && (location[locationLength - 1] == ' ' || location[locationLength - 1] == '\t'))
        --locationLength;
    if (locationLength == 0 || locationLength > kMaxRedirectUrl) return 0;
    for (uint32_t i = 0; i < locationLength; ++i) {
        unsigned char c = static_cast<unsigned char>(location[i]);
        if (c < 0x20 || c == 0x7F) return 0;
    }
    // The reference without its fragment.
    uint32_t refLength = 0;
    while (refLength < locationLength && location[refLength] != '#') ++refLength;
    while (refLength > 0 && (location[refLength - 1] == ' ' || location[refLength - 1] == '\t')) --refLength;

    UrlParts b;
    uint32_t baseLength = uint32_t(strnlen(base, kMaxRedirectUrl + 1));
    while (baseLength > 0 && (base[baseLength - 1] == ' ' || base[baseLength - 1] == '\t')) --baseLength;
    if (baseLength > kMaxRedirectUrl || !SplitAbsolute(base, baseLength, b)) return 0;

    Builder url;
    UrlParts r;
    const uint32_t scheme = SchemeLength(location, refLength);
    if (scheme && SplitAbsolute(location, refLength, r)) {
        url.Add(r.head, r.headLength);
        AddWithoutDots(url, r.path, r.pathLength);
        url.Add(r.query, r.queryLength);
    } else if (scheme) {
        // Another kind of URL ("mailto:x", "ftp:x"): as it is, for the
        // verdict to turn away.
        url.Add(location, refLength);
    } else if (refLength >= 2 && location[0] == '/' && location[1] == '/') {
        // "//host/path?q": base's scheme.
        url.Add(base, SchemeLength(base, baseLength));
        uint32_t pathStart = 2;
        while (pathStart < refLength && location[pathStart] != '/' && location[pathStart] != '?') ++pathStart;
        url.Add(location, pathStart);
        uint32_t pathEnd = pathStart;
        while (pathEnd < refLength && location[pathEnd] != '?') ++pathEnd;
        AddWithoutDots(url, location + pathStart, pathEnd - pathStart);
        url.Add(location + pathEnd, refLength - pathEnd);
    } else {
        url.Add(b.head, b.headLength);
        uint32_t pathEnd = 0;
        while (pathEnd < refLength && location[pathEnd] != '?') ++pathEnd;
        if (pathEnd == 0) {
            // "?q", or only a fragment: base's path with the new query, or
            // base itself.
            if (b.pathLength == 0) url.Add("/", 1);
            else AddWithoutDots(url, b.path, b.pathLength);
            if (refLength > 0) url.Add(location, refLength);
            else url.Add(b.query, b.queryLength);
        } else {
            Builder merged;
            if (location[0] != '/') {
                // Beside the last segment of base's path.
                uint32_t keep = b.pathLength;
                while (keep > 0 && b.path[keep - 1] != '/') --keep;
                if (keep == 0) merged.Add("/", 1);
                else merged.Add(b.path, keep);
            }
            merged.Add(location, pathEnd);
            if (merged.overflow) url.overflow = true;
            else AddWithoutDots(url, merged.text, merged.length);
            url.Add(location + pathEnd, refLength - pathEnd);
        }
    }
    if (url.overflow || url.length == 0 || !out.Assign(url.text, url.length)) {
        out.Clear();
        return 0;
    }
    return 1;
}

void ShownRedirectTarget(const char* url, TextBuffer& out) {
    out.Clear();
    if (!url) return;
    const uint32_t length = uint32_t(strnlen(url, kShownTarget + 1));
    const uint32_t head = length > kShownTarget ? kShownTarget : length;
    char cut[kShownTarget + 1];
    std::memcpy(cut, url, head);
    cut[head] = '\0';
    if (std::strstr(cut, "://")) UrlWithoutLogin(cut, out);
    else out.Assign(cut, head);
    if (length > kShownTarget) out.Append("...");
}

bool IsBadPort(uint32_t port) {
    static const uint16_t kBadPorts[] = {
        0,    1,    7,    9,    11,   13,   15,   17,   19,   20,   21,   22,   23,   25,   37,   42,
        43,   53,   69,   77,   79,   87,   95,   101,  102,  103,  104,  109,  110,  111,  113,  115,
        117,  119,  123,  135,  137,  139,  143,  161,  179,  389,  427,  465,  512,  513,  514,  515,
        526,  530,  531,  532,  540,  548,  554,  556,  563,  587,  601,  636,  989,  990,  993,  995,
        1719, 1720, 1723, 2049, 3659, 4045, 4190, 5060, 5061, 6000, 6566, 6665, 6666, 6667, 6668, 6669,
        6679, 6697, 10080,
    };
    for (uint16_t bad : kBadPorts)
        if (port == bad) return true;
    return false;
}

uint16_t UrlPort(const char* url, uint32_t* port) {
    if (port) *port = 0;
    if (!url) return 0;
    const char* start = std::strstr(url, "://");
    if (!start) return 0;
    start += 3;
    const char* end = start;
    while (*end && *end != '/' && *end != '\\' && *end != '?' && *end != '#') ++end;
    // The host follows the login's last "@"; the port follows the last ":"
    // that is not inside "[...]".
    for (const char* p = start; p < end; ++p)
        if (*p == '@') start = p + 1;
    const char* colon = nullptr;
    for (const char* p = start; p < end; ++p) {
        if (*p == ':') colon = p;
        else if (*p == ']') colon = nullptr;
    }
    if (!colon || colon + 1 == end) return 0;
    uint32_t value = 0;
    for (const char* p = colon + 1; p < end; ++p) {
        if (*p < '0' || *p > '9') return 2;
        if (value <= 65535) value = value * 10 + uint32_t(*p - '0');
    }
    if (port) *port = value;
    return 1;
}

RedirectVerdict JudgeRedirect(const char* from, const char* to, uint32_t followed) {
    const uint16_t target = WebSchemeOf(to);
    if (target == 0) return kRedirectOtherScheme;
    if (WebSchemeOf(from) == 2 && target == 1) return kRedirectDowngrade;
    uint32_t port = 0;
    const uint16_t named = UrlPort(to, &port);
    if (named == 2 || (named == 1 && (port > 65535 || IsBadPort(port)))) return kRedirectBadPort;
    if (followed >= kMaxRedirects) return kRedirectTooMany;
    return kRedirectFollow;
}

uint16_t RedirectRefusal(const char* current, const char* location, uint32_t followed, TextBuffer& next,
                         TextBuffer& shown, uint16_t whole) {
    const char* given = location ? location : "";
    if (!whole || !ResolveLocation(current, given, static_cast<uint32_t>(std::strlen(given)), next)) {
        next.Clear();
        ShownRedirectTarget(given, shown);
        // A cut Location is shown as cut, however short its head.
        if (!whole && (shown.length < 3 || std::strcmp(shown.Text() + shown.length - 3, "...") != 0))
            shown.Append("...");
        return kMsgRedirectRefused;
    }
    ShownRedirectTarget(next.Text(), shown);
    switch (JudgeRedirect(current, next.Text(), followed)) {
    case kRedirectFollow: return 0;
    case kRedirectTooMany: return kMsgTooManyRedirects;
    case kRedirectDowngrade: return kMsgRedirectDowngrade;
    default: return kMsgRedirectRefused;
    }
}

RedirectTrail::RedirectTrail() : url_(128), next_(128), followed_(0) {}

uint16_t RedirectTrail::Begin(const char* url) {
    followed_ = 0;
    next_.Clear();
    return url_.Assign(url ? url : "");
}

uint16_t RedirectTrail::Take(const char* location, uint16_t whole, TextBuffer& shown) {
    next_.Clear();
    TextBuffer next(256);
    if (uint16_t refused = RedirectRefusal(url_.Text(), location, followed_, next, shown, whole)) return refused;
    if (!next_.Assign(next.Text(), next.length)) return kMsgRedirectRefused;
    return 0;
}

uint16_t RedirectTrail::TakeWaiting(TextBuffer& next) {
    next.Clear();
    if (next_.Empty() || !next.Assign(next_.Text(), next_.length)) return 0;
    next_.Clear();
    return 1;
}

uint16_t RedirectTrail::Followed(const char* url) {
    if (!url_.Assign(url ? url : "")) return 0;
    ++followed_;
    return 1;
}
