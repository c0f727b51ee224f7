#include "transfer/url_parts.h"

#include <cstring>
#include <strings.h>

namespace {

// Assign with an exact count (TextBuffer's count 0 means "to the terminator").
bool AssignExactly(TextBuffer& buffer, const char* text, size_t count) {
    buffer.Clear();
    return count == 0 || buffer.Assign(text, static_cast<uint32_t>(count));
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Percent-decodes text into out. false when out cannot hold it (out empty);
// *unsafe is set when the result holds a CR, LF or zero byte.
bool DecodeInto(const char* text, size_t length, TextBuffer& out, uint16_t* unsafe) {
    out.Clear();
    size_t run = 0;  // start of the literal bytes not yet appended
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        int high = 0, low = 0;
        if (c == '%' && i + 2 < length && (high = HexValue(text[i + 1])) >= 0 &&
            (low = HexValue(text[i + 2])) >= 0) {
            char byte = static_cast<char>(high * 16 + low);
            if ((i > run && !out.Append(text + run, static_cast<uint32_t>(i - run))) || !out.Append(&byte, 1)) {
                out.Clear();
                return false;
            }
            c = byte;
            i += 2;
            run = i + 1;
        }
        if (c == '\r' || c == '\n' || c == '\0') *unsafe = 1;
    }
    if (length > run && !out.Append(text + run, static_cast<uint32_t>(length - run))) {
        out.Clear();
        return false;
    }
    return true;
}

// Copies or decodes a piece of a URL.
bool TakePiece(TextBuffer& out, const char* text, size_t length, bool decode, uint16_t* refused) {
    return decode ? DecodeInto(text, length, out, refused) : AssignExactly(out, text, length);
}

bool SplitPath(const char* path, size_t length, TextBuffer& directory, TextBuffer& fileName, bool decode,
               uint16_t* refused) {
    const char* last = nullptr;
    for (size_t i = 0; i < length; ++i)
        if (path[i] == '/') last = path + i;
    if (!last) {
        directory.Assign("/");
        return TakePiece(fileName, path, length, decode, refused);
    }
    bool ok = last == path ? directory.Assign("/") != 0
                           : TakePiece(directory, path, static_cast<size_t>(last - path), decode, refused);
    return TakePiece(fileName, last + 1, length - static_cast<size_t>(last + 1 - path), decode, refused) && ok;
}

// The login in part[0..length) (a host part): user info before the last "@",
// split at its first ":". Returns where the host begins.
size_t TakeLogin(const char* part, size_t length, TextBuffer& userName, TextBuffer& password, uint16_t* hasLogin,
                 uint16_t* refused) {
    const char* at = nullptr;
    for (size_t i = 0; i < length; ++i)
        if (part[i] == '@') at = part + i;
    if (!at) return 0;
    *hasLogin = 1;
    size_t infoLength = static_cast<size_t>(at - part);
    const void* colon = std::memchr(part, ':', infoLength);
    size_t userLength = colon ? static_cast<size_t>(static_cast<const char*>(colon) - part) : infoLength;
    // A login that does not fit is refused rather than cut.
    if (!DecodeInto(part, userLength, userName, refused)) *refused = 1;
    if (colon && !DecodeInto(part + userLength + 1, infoLength - userLength - 1, password, refused)) *refused = 1;
    return infoLength + 1;
}

}  // namespace

void ParseRetrieveUrl(const char* url, const SchemePrefixes& schemes, RetrieveUrl& out) {
    out.host.Clear();
    out.path.Clear();
    out.directory.Clear();
    out.fileName.Clear();
    out.userName.Clear();
    out.password.Clear();
    out.scheme = kSchemeHttp;
    out.hasLogin = 0;
    out.refused = 0;
    if (!out.url.Assign(url ? url : "")) {
        out.url.Clear();
        return;  // too long for any of the parts
    }
    for (uint16_t i = 0; i < out.url.length; ++i)
        if (out.url.data[i] == '\\') out.url.data[i] = '/';

    size_t hostStart = 0;
    bool known = false;
    for (uint16_t s = 0; s < kSchemeCount && !known; ++s) {
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
    const char* part = out.url.Text() + hostStart;
    const char* slash = std::strchr(part, '/');
    size_t partLength = slash ? static_cast<size_t>(slash - part) : std::strlen(part);
    size_t login = TakeLogin(part, partLength, out.userName, out.password, &out.hasLogin, &out.refused);
    if (partLength == login) return;  // no host
    const bool decode = out.scheme == kSchemeFtp;
    if (!AssignExactly(out.host, part + login, partLength - login) || !out.path.Assign(slash ? slash : "/") ||
        !SplitPath(out.path.Text(), out.path.length, out.directory, out.fileName, decode, &out.refused))
        out.host.Clear();  // a part that does not fit: no host, so the URL is not used
}

void ParseStoreUrl(const char* url, uint16_t severalFiles, StoreUrl& out) {
    out.host.Clear();
    out.directory.Clear();
    out.fileName.Clear();
    out.userName.Clear();
    out.password.Clear();
    out.hasLogin = 0;
    out.refused = 0;
    if (!url || strncasecmp(url, "ftp:", 4) != 0) return;
    size_t length = std::strlen(url);
    if (length < 6) return;
    const char* part = url + 6;
    const char* slash = std::strchr(part, '/');
    size_t partLength = slash ? static_cast<size_t>(slash - part) : std::strlen(part);
    size_t login = TakeLogin(part, partLength, out.userName, out.password, &out.hasLogin, &out.refused);
    if (!AssignExactly(out.host, part + login, partLength - login)) return;
    const char* rest = slash ? slash : "/";
    bool ok;
    if (severalFiles) {
        ok = DecodeInto(rest, std::strlen(rest), out.directory, &out.refused);
        if (ok && (out.directory.length == 0 || out.directory.data[out.directory.length - 1] != '/'))
            ok = out.directory.Append("/") != 0;
    } else {
        ok = SplitPath(rest, std::strlen(rest), out.directory, out.fileName, true, &out.refused);
    }
    if (!ok) out.host.Clear();  // never a cut directory: no host, so the URL is not used
}

uint16_t PercentDecode(const char* text, uint32_t length, TextBuffer& out) {
    out.Clear();
    if (!text) return length == 0 ? 1 : 0;
    uint16_t unsafe = 0;
    if (!DecodeInto(text, length, out, &unsafe)) return 0;
    return unsafe ? 0 : 1;
}

void UrlWithoutPassword(const char* url, TextBuffer& out) {
    out.Clear();
    if (!url) return;
    size_t length = std::strlen(url);
    // "scheme:" and two slashes (either kind) before the host part.
    size_t start = 0;
    size_t i = 0;
    while (i < length && ((url[i] >= 'a' && url[i] <= 'z') || (url[i] >= 'A' && url[i] <= 'Z') ||
                          (i > 0 && ((url[i] >= '0' && url[i] <= '9') || url[i] == '+' || url[i] == '-' ||
                                     url[i] == '.'))))
        ++i;
    auto isSlash = [](char c) { return c == '/' || c == '\\'; };
    if (i > 0 && i + 2 < length && url[i] == ':' && isSlash(url[i + 1]) && isSlash(url[i + 2])) start = i + 3;
    size_t end = start;
    while (end < length && !isSlash(url[end])) ++end;
    const char* at = nullptr;
    for (size_t k = start; k < end; ++k)
        if (url[k] == '@') at = url + k;
    const void* colon = at ? std::memchr(url + start, ':', static_cast<size_t>(at - (url + start))) : nullptr;
    if (!colon) {
        if (!AssignExactly(out, url, length)) out.Clear();
        return;
    }
    size_t keep = static_cast<size_t>(static_cast<const char*>(colon) - url);
    if (!AssignExactly(out, url, keep) || !out.Append(at, static_cast<uint32_t>(length - static_cast<size_t>(at - url))))
        out.Clear();
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
