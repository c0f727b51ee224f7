// The file dialog's rules on arbitrary bytes. The first byte chooses the
// rule, the type count, the width for ShortenPath and the out size for
// UrlExtension; the rest is the filter buffer and, split at zero bytes, the
// texts the other functions take.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "frame/core/text_buffer.h"
#include "transfer/core/url_parts.h"
#include "ui/filedialog/core/file_rules.h"
#include "ui/filedialog/core/remote_location.h"

namespace {

// A server's name as the Web fetch connects to it: not empty, no "/", no
// login, and no port: a ":" only before a "]" (an address in brackets).
bool IsServerName(const TextBuffer& host) {
    const char* text = host.Text();
    if (host.Empty() || std::strpbrk(text, "/@?#")) return false;
    const char* colon = std::strrchr(text, ':');
    return !colon || std::strchr(colon, ']');
}

class CheckingSink : public FileTypeSink {
public:
    CheckingSink(const char* buffer, uint32_t size) : buffer_(buffer), size_(size) {}
    void OnFileType(const char* description, uint32_t descriptionLength, const char* extensions,
                    uint32_t extensionsLength) override {
        CheckField(description, descriptionLength);
        CheckField(extensions, extensionsLength);
        if (extensions <= description) __builtin_trap();
        ++count;
    }
    uint32_t count = 0;

private:
    void CheckField(const char* field, uint32_t length) {
        if (length == 0 || field < buffer_ || field + length > buffer_ + size_) __builtin_trap();
        if (std::memchr(field, '\x01', length) || std::memchr(field, '\0', length)) __builtin_trap();
    }
    const char* buffer_;
    uint32_t size_;
};

struct Width {
    size_t limit;
    size_t calls;
    size_t maxCalls;
};

bool FitsWidth(const char* text, void* context) {
    Width* w = static_cast<Width*>(context);
    if (++w->calls > w->maxCalls) __builtin_trap();  // ShortenPath did not end
    return std::strlen(text) <= w->limit;
}

const SchemePrefixes kSchemes = {{"ftp://", "http://", "gopher://", "wais://", "https://"}};

std::string Str(const TextBuffer& b) { return std::string(b.Text(), b.length); }

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);

    CheckingSink sink(body.data(), uint32_t(body.size()));
    const uint32_t pairs = SplitFileTypes(body.data(), uint32_t(body.size()), sink);
    if (pairs != sink.count) __builtin_trap();

    // Up to four texts, split at zero bytes; missing ones are empty.
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() < 4) {
        size_t end = body.find('\0', start);
        parts.push_back(body.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    while (parts.size() < 4) parts.push_back("");
    const char* a = parts[0].c_str();
    const char* b = parts[1].c_str();
    const char* c = parts[2].c_str();

    TextBuffer extension;
    DefaultExtension(b, extension);
    if (std::strpbrk(extension.Text(), "*? ;") || !std::strstr(b, extension.Text())) __builtin_trap();
    TextBuffer pattern;
    TypePattern(b, pattern);
    if (std::strchr(pattern.Text(), ' ') || (pattern.Empty() && !b[0])) __builtin_trap();

    {
        TextBuffer name;
        if (name.Assign(a)) {
            const std::string before = Str(name);
            const ExtensionRule rule = static_cast<ExtensionRule>(flags % 4);  // 3: no such rule
            const uint16_t fitted = ApplyDefaultExtension(name, b, c, flags & 0x10, rule);
            const std::string after = Str(name);
            if (!fitted && after != before) __builtin_trap();
            if (after != before) {
                // Only an extension is added, or it replaces a trailing dot.
                const std::string& ext = Str(extension);
                if (ext.empty() || after.size() < ext.size() ||
                    after.compare(after.size() - ext.size(), ext.size(), ext) != 0)
                    __builtin_trap();
                const std::string stem = after.substr(0, after.size() - ext.size());
                if (stem != before && !(rule == kExtensionKnownTypes && stem + "." == before)) __builtin_trap();
                if (std::strpbrk(before.c_str(), "*?")) __builtin_trap();
            }
        }
    }

    {
        // A remote URL names the host it was given and, taken apart again,
        // the directory and name it was built from.
        RemoteLocation location;
        TextBuffer url;
        if (location.TakeServerPath(b) && BuildRemoteUrl("127.0.0.8", location, c, url)) {
            RetrieveUrl parsed;
            ParseRetrieveUrl(url.Text(), kSchemes, parsed);
            if (std::strcmp(parsed.host.Text(), "127.0.0.8") != 0 || parsed.hasLogin) __builtin_trap();
            if (!std::strchr(c, '/') && !parsed.refused) {
                TextBuffer expected;
                location.Display(expected);
                if (std::strcmp(parsed.fileName.Text(), c) != 0 || std::strcmp(parsed.directory.Text(), expected.Text()) != 0)
                    __builtin_trap();
            }
        }
        if (BuildRemoteUrl(a, location, c, url) && (std::strpbrk(a, "@/?#\\ ") || !StartsWith(Str(url), std::string("ftp://") + a + "/")))
            __builtin_trap();
    }

    {
        TextBuffer level;
        level.Assign("old");
        const uint16_t found = LevelDirectory(a, b, level);
        if (!found && Str(level) != "old") __builtin_trap();
        if (found && level.length > parts[0].size() + parts[1].size() + 1) __builtin_trap();
        if ((!a[0]) != (!found) && parts[0].size() + parts[1].size() < 65000) __builtin_trap();
    }

    {
        TextBuffer path;
        if (path.Assign(a)) {
            const size_t before = path.length;
            Width width = {size_t(flags) * 2, 0, before + 4};
            ShortenPath(path, FitsWidth, &width);
            if (path.length > before + 1) __builtin_trap();
            if (!std::strchr(a, '\\') && Str(path) != a) __builtin_trap();
        }
    }

    {
        TextBuffer directory, rest;
        if (SplitPatternPath(a, directory, rest)) {
            const std::string joined = Str(directory) + a[directory.length] + Str(rest);
            if (joined != a || (a[directory.length] != '\\' && a[directory.length] != '/')) __builtin_trap();
            if (std::strchr(rest.Text(), '\\')) __builtin_trap();
        } else if (std::strpbrk(a, "\\/") && parts[0].size() < 65000) {
            __builtin_trap();
        }
    }

    {
        TextBuffer suggested;
        if (SuggestedFileName(a, suggested)) {
            if (suggested.Empty() || std::strchr(suggested.Text(), '\\')) __builtin_trap();
            if (!std::strchr(a, '\\') && std::strchr(suggested.Text(), '/')) __builtin_trap();
        }
    }

    {
        TextBuffer host;
        if (FtpUrlHost(a, host) && (std::strchr(host.Text(), '/') || strncasecmp(a, "ftp://", 6) != 0))
            __builtin_trap();
    }

    {
        const char* proxy = (flags & 0x20) ? b : nullptr;
        const bool viaProxy = proxy && proxy[0];
        WebTarget target;
        if (ParseWebTarget(a, proxy, 8080, target) == kWebTargetOk) {
            for (const char* p = target.url.Text(); *p; ++p)
                if (static_cast<unsigned char>(*p) < 0x20) __builtin_trap();
            // https names its server for the certificate, also through the
            // proxy's tunnel, whose request target is then the path.
            const bool secure = strncasecmp(target.url.Text(), "https://", 8) == 0;
            if (secure && (!IsServerName(target.secureHost) || target.securePort == 0 ||
                           target.path.Text()[0] != '/' || target.tunnel != (viaProxy ? 1 : 0)))
                __builtin_trap();
            if (!secure && (!target.secureHost.Empty() || target.tunnel)) __builtin_trap();
            // The URL kept carries no login, nor the server it names.
            if (std::strchr(target.server.Text(), '@') || target.server.Empty()) __builtin_trap();
            TextBuffer bare;
            UrlWithoutLogin(target.url.Text(), bare);
            if (Str(bare) != Str(target.url)) __builtin_trap();
            if (viaProxy) {
                // Only a URL of another scheme (ftp) keeps its login, for the proxy.
                TextBuffer pathBare;
                UrlWithoutLogin(target.path.Text(), pathBare);
                const bool web = secure || strncasecmp(target.url.Text(), "http://", 7) == 0;
                if (Str(target.host) != proxy || target.port != 8080 ||
                    (!secure && Str(web ? target.path : pathBare) != Str(target.url)))
                    __builtin_trap();
            } else {
                if ((!secure && strncasecmp(target.url.Text(), "http://", 7) != 0) || !IsServerName(target.host) ||
                    target.path.Text()[0] != '/' || target.port == 0)
                    __builtin_trap();
                if (secure && (Str(target.secureHost) != Str(target.host) || target.securePort != target.port))
                    __builtin_trap();
            }
        }
    }

    {
        char out[48];
        const size_t outSize = flags & 0x40 ? (flags & 0x0F) : sizeof out;
        std::memset(out, 'x', sizeof out);
        UrlExtension(a, out, outSize);
        if (outSize > 0) {
            const size_t n = strnlen(out, outSize);
            if (n == outSize || n > 39 || (n && (!IsSafeExtension(out) || IsExecutableExtension(out))))
                __builtin_trap();
        }
        for (size_t i = outSize; i < sizeof out; ++i)
            if (out[i] != 'x') __builtin_trap();
    }
    return 0;
}
