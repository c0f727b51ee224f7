#include "transfer/core/url_parts.h"

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

// Length of the host part that begins at part: up to the next "/", "?" or
// "#" ("\\" counts as "/" where the URL is not normalised yet).
size_t HostPartLength(const char* part, size_t length) {
    size_t i = 0;
    while (i < length && part[i] != '/' && part[i] != '\\' && part[i] != '?' && part[i] != '#') ++i;
    return i;
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
    const size_t partLength = HostPartLength(part, std::strlen(part));
    const char* rest = part + partLength;
    size_t login = TakeLogin(part, partLength, out.userName, out.password, &out.hasLogin, &out.refused);
    if (partLength == login) return;  // no host
    const bool decode = out.scheme == kSchemeFtp;
    // "http://host?q" asks for "/?q".
    const bool pathOk = *rest == '/' ? out.path.Assign(rest) != 0
                                     : out.path.Assign("/") != 0 && out.path.Append(rest) != 0;
    if (!AssignExactly(out.host, part + login, partLength - login) || !pathOk ||
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

namespace {

// Where a URL's login lies: the host part begins after "scheme://" (either
// kind of slash), or at the start when there is no scheme; the login is its
// text before the last "@". hostStart is where the host part begins, colon
// the first ":" of the login (at when it has none).
struct LoginSpan {
    size_t hostStart;
    size_t colon;
    size_t at;
};

bool IsSlash(char c) { return c == '/' || c == '\\'; }

size_t HostPartStart(const char* url, size_t length) {
    size_t i = 0;
    while (i < length && ((url[i] >= 'a' && url[i] <= 'z') || (url[i] >= 'A' && url[i] <= 'Z') ||
                          (i > 0 && ((url[i] >= '0' && url[i] <= '9') || url[i] == '+' || url[i] == '-' ||
                                     url[i] == '.'))))
        ++i;
    if (i > 0 && i + 2 < length && url[i] == ':' && IsSlash(url[i + 1]) && IsSlash(url[i + 2])) return i + 3;
    return 0;
}

bool FindLogin(const char* url, size_t length, LoginSpan& span) {
    span.hostStart = HostPartStart(url, length);
    const size_t end = span.hostStart + HostPartLength(url + span.hostStart, length - span.hostStart);
    const char* at = nullptr;
    for (size_t k = span.hostStart; k < end; ++k)
        if (url[k] == '@') at = url + k;
    if (!at) return false;
    span.at = static_cast<size_t>(at - url);
    const void* colon = std::memchr(url + span.hostStart, ':', span.at - span.hostStart);
    span.colon = colon ? static_cast<size_t>(static_cast<const char*>(colon) - url) : span.at;
    return true;
}

// out = url[0, keep) + middle + url[from, end); out empty when it does not fit.
void Splice(const char* url, size_t length, size_t keep, const char* middle, size_t from, TextBuffer& out) {
    out.Clear();
    if (!AssignExactly(out, url, keep) || (middle && *middle && !out.Append(middle)) ||
        (length > from && !out.Append(url + from, static_cast<uint32_t>(length - from))))
        out.Clear();
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// Appends text with every byte but the unreserved ones as "%XX". false when
// it holds a control byte (a proxy would decode it into its command line)
// or does not fit.
bool AppendEncoded(TextBuffer& out, const char* text) {
    static const char kHex[] = "0123456789ABCDEF";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < 0x20 || *p == 0x7F) return false;
        char piece[3] = {static_cast<char>(*p), 0, 0};
        uint32_t n = 1;
        if (!IsUnreserved(*p)) {
            piece[0] = '%';
            piece[1] = kHex[*p >> 4];
            piece[2] = kHex[*p & 15];
            n = 3;
        }
        if (!out.Append(piece, n)) return false;
    }
    return true;
}

}  // namespace

void UrlWithoutPassword(const char* url, TextBuffer& out) {
    out.Clear();
    if (!url) return;
    const size_t length = std::strlen(url);
    LoginSpan span;
    if (!FindLogin(url, length, span) || span.colon == span.at) Splice(url, length, length, nullptr, length, out);
    else Splice(url, length, span.colon, nullptr, span.at, out);
}

void UrlWithoutLogin(const char* url, TextBuffer& out) {
    out.Clear();
    if (!url) return;
    const size_t length = std::strlen(url);
    LoginSpan span;
    if (!FindLogin(url, length, span)) Splice(url, length, length, nullptr, length, out);
    else Splice(url, length, span.hostStart, nullptr, span.at + 1, out);
}

void UrlWithMaskedPassword(const char* url, const char* mask, TextBuffer& out) {
    out.Clear();
    if (!url) return;
    const size_t length = std::strlen(url);
    LoginSpan span;
    if (!FindLogin(url, length, span) || span.colon == span.at) Splice(url, length, length, nullptr, length, out);
    else Splice(url, length, span.colon + 1, mask ? mask : "", span.at, out);
}

uint16_t UrlWithLogin(const char* url, const char* userName, const char* password, TextBuffer& out) {
    out.Clear();
    if (!url) return 0;
    const size_t length = std::strlen(url);
    LoginSpan span;
    const size_t hostStart = HostPartStart(url, length);
    if (hostStart == 0) return 0;
    const size_t from = FindLogin(url, length, span) ? span.at + 1 : hostStart;
    TextBuffer built(static_cast<uint16_t>(length < 60000 ? length + 64 : 65535));
    bool ok = AssignExactly(built, url, hostStart);
    if (ok && userName && *userName) {
        ok = AppendEncoded(built, userName) && built.Append(":") && AppendEncoded(built, password ? password : "") &&
             built.Append("@");
    }
    if (ok && length > from) ok = built.Append(url + from, static_cast<uint32_t>(length - from)) != 0;
    if (!ok || !out.Assign(built.Text(), built.length)) {
        out.Clear();
        return 0;
    }
    return 1;
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

bool IsExecutableExtension(const char* extension) {
    // What Windows runs, opens as a program or follows as a shortcut when
    // the file is opened.
    static const char* const kRun[] = {
        ".exe", ".dll", ".com", ".bat", ".cmd", ".scr", ".pif", ".msi", ".msp", ".js",  ".jse", ".vbs",
        ".vbe", ".wsf", ".wsh", ".ps1", ".psm1", ".lnk", ".url", ".scf", ".hta", ".cpl", ".msc", ".reg",
        ".jar", ".ocx", ".application", ".appref-ms",
    };
    if (!extension) return false;
    // The system drops blanks and dots at the end of a name.
    size_t length = std::strlen(extension);
    while (length > 1 && (extension[length - 1] == ' ' || extension[length - 1] == '.')) --length;
    for (const char* run : kRun)
        if (std::strlen(run) == length && strncasecmp(extension, run, length) == 0) return true;
    return false;
}

bool IsSafeExtension(const char* extension) {
    if (!extension || extension[0] != '.' || extension[1] == '\0') return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(extension) + 1; *p; ++p) {
        if (*p < 0x20 || *p == 0x7f || std::strchr("?*=<>/@\\:\"|.", *p)) return false;
    }
    // A name that ends in a blank is not the name the system makes.
    if (extension[std::strlen(extension) - 1] == ' ') return false;
    return !IsExecutableExtension(extension);
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
