#include "transfer/url_parts.h"

#include <cstring>
#include <strings.h>

namespace {

// Assign with an exact count (TextBuffer's count 0 means "to the terminator").
void AssignExactly(TextBuffer& buffer, const char* text, size_t count) {
    buffer.Clear();
    if (count != 0) buffer.Assign(text, static_cast<uint32_t>(count));
}

void SplitPath(const char* path, size_t length, TextBuffer& directory, TextBuffer& fileName) {
    const char* last = nullptr;
    for (size_t i = 0; i < length; ++i)
        if (path[i] == '/') last = path + i;
    if (!last) {
        directory.Assign("/");
        AssignExactly(fileName, path, length);
        return;
    }
    if (last == path) directory.Assign("/");
    else AssignExactly(directory, path, static_cast<size_t>(last - path));
    AssignExactly(fileName, last + 1, length - static_cast<size_t>(last + 1 - path));
}

}  // namespace

void ParseRetrieveUrl(const char* url, const SchemePrefixes& schemes, RetrieveUrl& out) {
    out.url.Assign(url ? url : "");
    out.host.Clear();
    out.path.Clear();
    out.directory.Clear();
    out.fileName.Clear();
    out.scheme = kSchemeHttp;
    for (uint16_t i = 0; i < out.url.length; ++i)
        if (out.url.data[i] == '\\') out.url.data[i] = '/';

    size_t hostStart = 0;
    bool known = false;
    for (uint16_t s = 0; s < 4 && !known; ++s) {
        const char* prefix = schemes.text[s] ? schemes.text[s] : "";
        size_t n = std::strlen(prefix);
        if (n != 0 && out.url.length >= n && strncasecmp(out.url.Text(), prefix, n) == 0) {
            out.scheme = s;
            hostStart = n;
            known = true;
        }
    }
    if (!known) {
        if (std::strstr(out.url.Text(), ":/")) return;  // a scheme of another kind
        TextBuffer whole(static_cast<uint16_t>(out.url.length < 65000 ? out.url.length + 16 : 65535));
        if (!whole.Assign(schemes.text[kSchemeHttp]) || !whole.Append(out.url.Text())) return;
        out.url.Assign(whole.Text());
        out.scheme = kSchemeHttp;
        hostStart = std::strlen(schemes.text[kSchemeHttp] ? schemes.text[kSchemeHttp] : "");
    }
    const char* host = out.url.Text() + hostStart;
    const char* slash = std::strchr(host, '/');
    size_t hostLength = slash ? static_cast<size_t>(slash - host) : std::strlen(host);
    AssignExactly(out.host, host, hostLength);
    if (hostLength == 0) return;
    if (slash) out.path.Assign(slash);
    else out.path.Assign("/");
    SplitPath(out.path.Text(), out.path.length, out.directory, out.fileName);
}

void ParseStoreUrl(const char* url, uint16_t severalFiles, StoreUrl& out) {
    out.host.Clear();
    out.directory.Clear();
    out.fileName.Clear();
    if (!url || strncasecmp(url, "ftp:", 4) != 0) return;
    size_t length = std::strlen(url);
    if (length < 6) return;
    const char* host = url + 6;
    const char* slash = std::strchr(host, '/');
    size_t hostLength = slash ? static_cast<size_t>(slash - host) : std::strlen(host);
    AssignExactly(out.host, host, hostLength);
    const char* rest = slash ? slash : "/";
    if (severalFiles) {
        out.directory.Assign(rest);
        if (out.directory.length == 0 || out.directory.data[out.directory.length - 1] != '/') out.directory.Append("/");
        return;
    }
    SplitPath(rest, std::strlen(rest), out.directory, out.fileName);
}

uint16_t SplitHostPort(TextBuffer& host, uint16_t* port) {
    const char* colon = std::strrchr(host.Text(), ':');
    if (!colon || colon == host.Text() || colon[1] == '\0') return 0;
    uint32_t value = 0;
    for (const char* p = colon + 1; *p; ++p) {
        if (*p < '0' || *p > '9') return 0;
        value = value * 10 + static_cast<uint32_t>(*p - '0');
        if (value > 65535) return 0;
    }
    if (value == 0) return 0;
    *port = static_cast<uint16_t>(value);
    host.data[colon - host.data] = '\0';
    host.length = static_cast<uint16_t>(colon - host.data);
    return 1;
}

bool IsSafeExtension(const char* extension) {
    if (!extension || extension[0] != '.' || extension[1] == '\0') return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(extension) + 1; *p; ++p) {
        if (*p < 0x20 || *p == 0x7f || std::strchr("?*=<>/@\\:\"|.", *p)) return false;
    }
    return true;
}

void FileNameExtension(const char* fileName, char* out, size_t outSize) {
    if (!out || outSize == 0) return;
    out[0] = '\0';
    if (!fileName) return;
    size_t length = std::strcspn(fileName, "?#");
    const char* dot = nullptr;
    for (size_t i = 0; i < length; ++i)
        if (fileName[i] == '.') dot = fileName + i;
    if (!dot) return;
    size_t n = length - static_cast<size_t>(dot - fileName);
    if (n > 39) n = 39;
    if (n + 1 > outSize) return;
    std::memcpy(out, dot, n);
    out[n] = '\0';
    if (!IsSafeExtension(out)) out[0] = '\0';
}
