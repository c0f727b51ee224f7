// URL parsing for retrieve and store from arbitrary caller text, percent
// decoding, the URL shown without its password or login or with a login
// put in, where a redirect's Location leads and the request that follows it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "frame/core/text_buffer.h"
#include "transfer/core/redirect_rules.h"
#include "transfer/core/url_parts.h"
#include "transfer/core/web_route.h"

namespace {

bool HasLineBreaker(const TextBuffer& b) {
    for (uint16_t i = 0; i < b.length; ++i)
        if (b.data[i] == '\r' || b.data[i] == '\n' || b.data[i] == '\0') return true;
    return false;
}

size_t ControlBytes(const TextBuffer& b) {
    size_t n = 0;
    for (uint16_t i = 0; i < b.length; ++i)
        if (static_cast<unsigned char>(b.data[i]) < 0x20 || b.data[i] == 0x7F) ++n;
    return n;
}

bool Same(const TextBuffer& a, const TextBuffer& b) {
    return a.length == b.length && std::memcmp(a.Text(), b.Text(), a.length) == 0;
}

// decodedPath: directory and fileName were decoded (ftp), so a line break
// in them must have refused the URL.
template <typename Url>
void CheckLogin(const Url& u, bool decodedPath) {
    if (std::memchr(u.host.Text(), '@', u.host.length)) __builtin_trap();
    if (!u.hasLogin && (u.userName.length || u.password.length)) __builtin_trap();
    if (!u.refused && (HasLineBreaker(u.userName) || HasLineBreaker(u.password))) __builtin_trap();
    if (!u.refused && decodedPath && (HasLineBreaker(u.directory) || HasLineBreaker(u.fileName))) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* url = text.c_str();
    const SchemePrefixes schemes = {{"ftp://", "http://", "gopher://", "wais://", "https://"}};

    RetrieveUrl r;
    ParseRetrieveUrl(url, schemes, r);
    CheckLogin(r, r.scheme == kSchemeFtp);
    const size_t urlLength = std::strlen(url);
    // Only ftp paths are decoded: elsewhere the file name is the end of the path.
    if (r.scheme != kSchemeFtp && r.host.length &&
        std::strcmp(r.path.Text() + r.path.length - r.fileName.length, r.fileName.Text()) != 0)
        __builtin_trap();

    // Shown without the password, the URL takes apart the same way, with no
    // password left.
    TextBuffer shown;
    UrlWithoutPassword(url, shown);
    if (shown.length > urlLength) __builtin_trap();
    if (!std::memchr(url, '@', urlLength) && shown.length != (urlLength < 65535 ? urlLength : 0)) __builtin_trap();
    if (r.password.length && shown.length + r.password.length + 1 > urlLength) __builtin_trap();
    if (urlLength < 65000) {
        RetrieveUrl again;
        ParseRetrieveUrl(shown.Text(), schemes, again);
        if (again.password.length || again.hasLogin != r.hasLogin || again.scheme != r.scheme ||
            !Same(again.host, r.host) || !Same(again.userName, r.userName) || !Same(again.path, r.path) ||
            !Same(again.directory, r.directory) || !Same(again.fileName, r.fileName) || again.refused > r.refused)
            __builtin_trap();
    }

    // Without its login, or with the password masked, the URL still names
    // the same host and path; with a login put in, it carries exactly that.
    if (urlLength < 60000 && r.host.length) {
        TextBuffer bare, masked, carried;
        UrlWithoutLogin(r.url.Text(), bare);
        UrlWithMaskedPassword(r.url.Text(), "xxxxx", masked);
        RetrieveUrl again;
        ParseRetrieveUrl(bare.Text(), schemes, again);
        if (again.hasLogin || !Same(again.host, r.host) || !Same(again.path, r.path)) __builtin_trap();
        ParseRetrieveUrl(masked.Text(), schemes, again);
        if (!Same(again.host, r.host) || !Same(again.path, r.path) || again.hasLogin != r.hasLogin ||
            (r.password.length && std::strcmp(again.password.Text(), "xxxxx") != 0))
            __builtin_trap();
        const char* user = r.userName.Text();
        const char* password = r.password.Text();
        if (UrlWithLogin(r.url.Text(), user, password, carried)) {
            ParseRetrieveUrl(carried.Text(), schemes, again);
            if (!Same(again.host, r.host) || !Same(again.path, r.path) || again.hasLogin != (*user ? 1 : 0) ||
                std::strcmp(again.userName.Text(), user) != 0 || (*user && std::strcmp(again.password.Text(), password)))
                __builtin_trap();
            // The login adds no control byte.
            if (ControlBytes(carried) != ControlBytes(bare)) __builtin_trap();
        } else if (carried.length) {
            __builtin_trap();
        }
    }

    TextBuffer decoded;
    uint16_t clean = PercentDecode(text.data(), uint32_t(text.size()), decoded);
    if (decoded.length > text.size()) __builtin_trap();
    if (clean && HasLineBreaker(decoded)) __builtin_trap();
    if (!std::memchr(text.data(), '%', text.size()) && decoded.length != (text.size() < 65535 ? text.size() : 0))
        __builtin_trap();
    if (std::strchr(r.url.Text(), '\\')) __builtin_trap();
    if (r.host.length) {
        if (std::strchr(r.host.Text(), '/') || r.path.Text()[0] != '/' || r.directory.Text()[0] != '/') __builtin_trap();
        if (r.directory.length + r.fileName.length > r.path.length) __builtin_trap();
    }
    uint16_t port = 0;
    SplitHostPort(r.host, &port);
    if (r.host.length != std::strlen(r.host.Text())) __builtin_trap();

    char extension[40];
    FileNameExtension(r.fileName.Text(), extension, sizeof extension);
    if (extension[0] && (!IsSafeExtension(extension) || IsExecutableExtension(extension))) __builtin_trap();

    for (uint16_t several = 0; several < 2; ++several) {
        StoreUrl s;
        ParseStoreUrl(url, several, s);
        CheckLogin(s, true);
        if (s.host.length && s.directory.Text()[0] != '/') __builtin_trap();
        if (several && s.directory.length && s.directory.Text()[s.directory.length - 1] != '/') __builtin_trap();
    }

    // The text as a Location against a web page, and as the page itself: a
    // bounded URL without control bytes, which names itself again.
    const char* bases[] = {"https://a/b/c/d;p?q", url};
    for (const char* base : bases) {
        TextBuffer to;
        if (!ResolveLocation(base, text.data(), uint32_t(text.size()), to)) {
            if (to.length) __builtin_trap();
            continue;
        }
        if (to.length > kMaxRedirectUrl || std::strlen(to.Text()) != to.length) __builtin_trap();
        for (uint16_t i = 0; i < to.length; ++i)
            if (static_cast<unsigned char>(to.data[i]) < 0x20 || to.data[i] == 0x7F) __builtin_trap();
        if (WebSchemeOf(to.Text()) && JudgeRedirect(base, to.Text(), 0) == kRedirectOtherScheme) __builtin_trap();
        // A redirect followed goes to a port that is no bad port.
        uint32_t port = 0;
        if (JudgeRedirect(base, to.Text(), 0) == kRedirectFollow &&
            UrlPort(to.Text(), &port) != 0 && (port == 0 || port > 65535 || IsBadPort(port)))
            __builtin_trap();
        if (WebSchemeOf(to.Text())) {
            TextBuffer again;
            if (!ResolveLocation(base, to.Text(), to.length, again) || std::strcmp(again.Text(), to.Text()) != 0)
                __builtin_trap();
        }
    }

    // A redirect taken as a Web fetch takes it: what waits is a Web URL, and
    // the request that follows it (straight, or through a proxy) carries no
    // login, no control byte and goes to no bad port.
    RedirectTrail trail;
    trail.Begin("http://a/b/c");
    TextBuffer where, next;
    const uint16_t refused = trail.Take(text.c_str(), uint16_t(text.size() & 1), where);
    if ((refused == 0) != trail.Waiting() || where.length > kShownTarget + 3) __builtin_trap();
    if (trail.TakeWaiting(next)) {
        if (trail.Waiting() || !WebSchemeOf(next.Text())) __builtin_trap();
        for (const char* proxy : {static_cast<const char*>(nullptr), "proxy"}) {
            WebTarget target;
            if (ParseWebTarget(next.Text(), proxy, 3128, target) != kWebTargetOk) continue;
            if (ControlBytes(target.path) || ControlBytes(target.host) || std::strchr(target.server.Text(), '@'))
                __builtin_trap();
            TextBuffer bare;
            UrlWithoutLogin(target.url.Text(), bare);
            if (!Same(bare, target.url) || (!proxy && (target.port == 0 || IsBadPort(target.port))))
                __builtin_trap();
        }
    }
    return 0;
}
