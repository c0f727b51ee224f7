#include "ui/filedialog/core/remote_location.h"

#include <cstring>

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The path part of an absolute argument and whether "\" separates too:
// "/a" as it is; "\a\b", "C:\a" and "C:/a" in the Windows forms. Null when
// the argument is not absolute.
const char* AbsolutePart(const char* text, bool* backslashes) {
    *backslashes = false;
    if (text[0] == '/') return text;
    if (text[0] == '\\') {
        *backslashes = true;
        return text;
    }
    if (IsLetter(text[0]) && text[1] == ':' && (text[2] == '/' || text[2] == '\\')) {
        *backslashes = true;
        return text + 2;
    }
    return nullptr;
}

bool IsSeparator(char c, bool backslashes) { return c == '/' || (backslashes && c == '\\'); }

// Applies the segments of text to path (joined by "/"): "." and empty ones
// stay, ".." drops the last one unless there is none to drop (then, below
// the login directory, it is kept; at the root it stays at the root).
bool Walk(TextBuffer& path, bool absolute, const char* text, bool backslashes) {
    const char* p = text;
    while (*p) {
        while (*p && IsSeparator(*p, backslashes)) ++p;
        const char* start = p;
        while (*p && !IsSeparator(*p, backslashes)) ++p;
        const uint32_t n = static_cast<uint32_t>(p - start);
        if (n == 0 || (n == 1 && start[0] == '.')) continue;
        const char* last = std::strrchr(path.Text(), '/');
        const char* lastSegment = last ? last + 1 : path.Text();
        if (n == 2 && start[0] == '.' && start[1] == '.' && !path.Empty() && std::strcmp(lastSegment, "..") != 0) {
            const uint32_t keep = last ? static_cast<uint32_t>(last - path.Text()) : 0;
            path.data[keep] = '\0';
            path.length = static_cast<uint16_t>(keep);
            continue;
        }
        if (n == 2 && start[0] == '.' && start[1] == '.' && absolute) continue;  // the root's parent is the root
        if ((!path.Empty() && !path.Append("/")) || !path.Append(start, n)) return false;
    }
    return true;
}

bool IsHostByte(unsigned char c) {
    return IsLetter(static_cast<char>(c)) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
           c == ':' || c == '[' || c == ']';
}

bool IsPlainUrlByte(unsigned char c) {
    return IsLetter(static_cast<char>(c)) || (c >= '0' && c <= '9') || std::strchr("-._~!$&'()*+,=", c) != nullptr;
}

}  // namespace

RemoteLocation::RemoteLocation() : absolute_(false), path_(64) {}

void RemoteLocation::Reset() {
    absolute_ = false;
    path_.Clear();
}

uint16_t RemoteLocation::Enter(const char* argument) {
    if (!argument) return 1;
    bool backslashes = false;
    const char* absolute = AbsolutePart(argument, &backslashes);
    TextBuffer walked(64);
    if (!absolute && !walked.Assign(path_.Text())) return 0;
    const bool fromRoot = absolute != nullptr || absolute_;
    if (!Walk(walked, fromRoot, absolute ? absolute : argument, backslashes)) return 0;
    if (absolute) absolute_ = true;
    path_.Clear();
    return path_.Assign(walked.Text()) || walked.Empty() ? 1 : 0;
}

uint16_t RemoteLocation::TakeServerPath(const char* pwd) {
    if (!pwd) return 0;
    bool backslashes = false;
    const char* absolute = AbsolutePart(pwd, &backslashes);
    if (!absolute) return 0;
    TextBuffer walked(64);
    if (!Walk(walked, true, absolute, backslashes)) return 0;
    absolute_ = true;
    path_.Clear();
    return path_.Assign(walked.Text()) || walked.Empty() ? 1 : 0;
}

void RemoteLocation::Display(TextBuffer& out) const {
    out.Clear();
    if (absolute_) out.Append("/");
    out.Append(path_.Text());
}

uint16_t AppendUrlSegment(const char* bytes, uint32_t length, TextBuffer& out) {
    static const char kHex[] = "0123456789ABCDEF";
    TextBuffer built(64);
    if (!built.Assign(out.Text())) return 0;
    for (uint32_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (IsPlainUrlByte(c)) {
            if (!built.Append(reinterpret_cast<const char*>(&c), 1)) return 0;
            continue;
        }
        const char escaped[3] = {'%', kHex[c >> 4], kHex[c & 15]};
        if (!built.Append(escaped, 3)) return 0;
    }
    out.Clear();
    return out.Assign(built.Text()) || built.Empty() ? 1 : 0;
}

uint16_t BuildRemoteUrl(const char* host, const RemoteLocation& location, const char* name, TextBuffer& out) {
    if (!host || !*host) return 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(host); *p; ++p)
        if (!IsHostByte(*p)) return 0;
    TextBuffer built(128);
    if (!built.Assign("ftp://") || !built.Append(host) || !built.Append("/")) return 0;
    // Each segment of the location, then of the name, encoded alone.
    const char* segments[2] = {location.Path(), name ? name : ""};
    for (int part = 0; part < 2; ++part) {
        const char* p = segments[part];
        while (*p) {
            const char* end = std::strchr(p, '/');
            const uint32_t n = end ? static_cast<uint32_t>(end - p) : static_cast<uint32_t>(std::strlen(p));
            if (n > 0) {
                if (!AppendUrlSegment(p, n, built)) return 0;
                // A directory's segments each end in "/"; so does a name's
                // own directory part.
                if ((part == 0 || end) && !built.Append("/")) return 0;
            }
            if (!end) break;
            p = end + 1;
        }
    }
    out.Clear();
    return out.Assign(built.Text());
}
