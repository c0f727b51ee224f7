#include "ui/filedialog/core/file_rules.h"

#include <cstring>
#include <strings.h>

#include "transfer/core/url_parts.h"

namespace {

constexpr char kFieldSeparator = '\x01';

// A piece of a longer text, not terminated.
struct Span {
    const char* text;
    size_t length;
};

bool HasWildcard(const char* text, size_t length) {
    return std::memchr(text, '*', length) || std::memchr(text, '?', length);
}

bool SameNoCase(const char* a, size_t aLength, const char* b, size_t bLength) {
    return aLength == bLength && (aLength == 0 || strncasecmp(a, b, aLength) == 0);
}

bool StartsNoCase(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// Offset of the last c in text[0, length), or length when there is none.
size_t LastOf(const char* text, size_t length, char c) {
    for (size_t i = length; i > 0; --i)
        if (text[i - 1] == c) return i - 1;
    return length;
}

// Offset of the first c in text[from, length), or length when there is none.
size_t NextOf(const char* text, size_t length, size_t from, char c) {
    for (size_t i = from; i < length; ++i)
        if (text[i] == c) return i;
    return length;
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

bool IsExtensionBreak(char c) { return c == ' ' || c == ';'; }

// Calls f for each non-empty field of an extensions text (split at spaces and
// ";") until it returns true; true when one did.
template <typename F>
bool AnyExtensionField(const char* extensions, F f) {
    if (!extensions) return false;
    const char* p = extensions;
    while (*p) {
        while (*p && IsExtensionBreak(*p)) ++p;
        const char* start = p;
        while (*p && !IsExtensionBreak(*p)) ++p;
        if (p > start && f(Span{start, size_t(p - start)})) return true;
    }
    return false;
}

Span DefaultExtensionOf(const char* extensions) {
    Span found = {"", 0};
    AnyExtensionField(extensions, [&found](Span field) {
        if (HasWildcard(field.text, field.length)) return false;
        found = field;
        return true;
    });
    return found;
}

// Offset where the last component of a name begins: after its last "\" or
// "/"; with both, after the earlier of the two.
size_t LastComponentStart(const char* text, size_t length) {
    size_t backslash = LastOf(text, length, '\\');
    size_t slash = LastOf(text, length, '/');
    size_t separator = backslash < slash ? backslash : slash;
    return separator == length ? 0 : separator + 1;
}

}  // namespace

uint32_t SplitFileTypes(const char* buffer, uint32_t size, FileTypeSink& sink) {
    if (!buffer) return 0;
    uint32_t end = 0;
    while (end < size && buffer[end] != '\0') ++end;
    uint32_t pairs = 0, pos = 0;
    Span description = {nullptr, 0};
    while (pos < end) {
        if (buffer[pos] == kFieldSeparator) {
            ++pos;
            continue;
        }
        uint32_t start = pos;
        while (pos < end && buffer[pos] != kFieldSeparator) ++pos;
        if (!description.text) {
            description = Span{buffer + start, pos - start};
            continue;
        }
        sink.OnFileType(description.text, uint32_t(description.length), buffer + start, pos - start);
        description.text = nullptr;
        ++pairs;
    }
    return pairs;
}

void DefaultExtension(const char* extensions, TextBuffer& out) {
    Span found = DefaultExtensionOf(extensions);
    out.Clear();
    if (!AppendExactly(out, found.text, found.length)) out.Clear();
}

uint16_t ApplyDefaultExtension(TextBuffer& name, const char* typeExtensions, const char* allExtensions,
                               uint32_t typeCount, ExtensionRule rule) {
    const char* text = name.Text();
    const size_t length = name.length;
    if (HasWildcard(text, length)) return 1;
    const Span extension = DefaultExtensionOf(typeExtensions);
    if (extension.length == 0) return 1;

    const size_t componentStart = LastComponentStart(text, length);
    const char* component = text + componentStart;
    const size_t componentLength = length - componentStart;
    const size_t dot = LastOf(component, componentLength, '.');
    const bool hasDot = dot < componentLength;
    const Span last = {component + dot, componentLength - dot};  // empty without a dot

    switch (rule) {
        case kExtensionOpen:
            if (hasDot) return 1;
            break;
        case kExtensionSaveAs:
            // Any ".htm…" extension counts as one for an ".htm…" default.
            if (extension.length >= 4 && strncasecmp(extension.text, ".htm", 4) == 0) {
                if (last.length >= 4 && strncasecmp(last.text, ".htm", 4) == 0) return 1;
            } else if (hasDot && SameNoCase(last.text, last.length, extension.text, extension.length)) {
                return 1;
            }
            break;
        case kExtensionKnownTypes: {
            if (hasDot && AnyExtensionField(allExtensions, [&last](Span field) {
                    return !HasWildcard(field.text, field.length) &&
                           SameNoCase(last.text, last.length, field.text, field.length);
                }))
                return 1;
            if (typeCount == 0) return 1;
            if (length > 0 && text[length - 1] == '.') {
                // The trailing dot gives way to the extension's own.
                TextBuffer built(uint16_t(length < 200 ? length + 56 : 256));
                if (!AppendExactly(built, text, length - 1) ||
                    !AppendExactly(built, extension.text, extension.length))
                    return 0;
                MoveInto(name, built);
                return 1;
            }
            break;
        }
        default:
            return 1;
    }
    return AppendExactly(name, extension.text, extension.length) ? 1 : 0;
}

uint16_t LevelDirectory(const char* item, const char* currentDirectory, TextBuffer& out) {
    if (!item || item[0] == '\0') return 0;
    if (!currentDirectory) currentDirectory = "";
    const unsigned char marker = static_cast<unsigned char>(item[0]);
    TextBuffer built(128);
    if (marker & 0x40) {
        if (!built.Append(".")) return 0;
    } else if (marker & 0x80) {
        const unsigned level = marker & 0x3F;
        const size_t length = std::strlen(currentDirectory);
        size_t cut = length;
        unsigned seen = 0;
        for (size_t i = 0; i < length && level > 0; ++i) {
            if (currentDirectory[i] != '\\' && currentDirectory[i] != '/') continue;
            if (++seen == level) {
                cut = level > 1 ? i : i + 1;
                break;
            }
        }
        if (!AppendExactly(built, currentDirectory, cut)) return 0;
    } else {
        const char* rest = item + 1;
        const char* replaced = std::strchr(rest, '>');
        if (!built.Append(replaced ? replaced + 1 : rest)) return 0;
    }
    MoveInto(out, built);
    return 1;
}

void ShortenPath(TextBuffer& path, bool (*fits)(const char* text, void* context), void* context) {
    if (!fits) return;
    while (!fits(path.Text(), context)) {
        const char* text = path.Text();
        const size_t length = path.length;
        const size_t p = NextOf(text, length, 0, '\\');
        if (p + 2 >= length) return;  // no "\" or fewer than two characters after it
        TextBuffer built(path.capacity);
        bool goOn = true;
        if (text[p + 1] == '.' && text[p + 2] == '.') {
            // "\..\": the component after it goes, up to the next "\".
            const size_t a = NextOf(text, length, p + 1, '\\');
            if (a == length) return;
            const size_t b = NextOf(text, length, a + 1, '\\');
            if (b < length) {
                if (!AppendExactly(built, text, a) || !AppendExactly(built, text + b, length - b)) return;
            } else {
                if (!AppendExactly(built, text + a + 1, length - a - 1)) return;
                goOn = false;
            }
        } else if (text[p + 2] == '\\') {
            // A one-character component becomes "..".
            if (!AppendExactly(built, text, p + 1) || !built.Append("..") ||
                !AppendExactly(built, text + p + 2, length - p - 2))
                return;
        } else {
            // Its first two characters become "..", the rest of it goes.
            size_t next = NextOf(text, length, p + 3, '\\');
            goOn = next < length;
            if (!goOn) next = p + 3;
            if (!AppendExactly(built, text, p + 1) || !built.Append("..") ||
                !AppendExactly(built, text + next, length - next))
                return;
        }
        const bool changed = built.length != length || std::memcmp(built.Text(), text, length) != 0;
        MoveInto(path, built);
        if (!goOn || !changed) return;
    }
}

uint16_t SplitPatternPath(const char* name, TextBuffer& directory, TextBuffer& rest) {
    if (!name) return 0;
    const size_t length = std::strlen(name);
    size_t separator = LastOf(name, length, '\\');
    if (separator == length) separator = LastOf(name, length, '/');
    if (separator == length) return 0;
    TextBuffer before(uint16_t(separator < 200 ? separator + 1 : 256));
    TextBuffer after(64);
    if (!AppendExactly(before, name, separator) ||
        !AppendExactly(after, name + separator + 1, length - separator - 1))
        return 0;
    MoveInto(directory, before);
    MoveInto(rest, after);
    return 1;
}

uint16_t SuggestedFileName(const char* localPath, TextBuffer& out) {
    if (!localPath) return 0;
    const size_t length = std::strlen(localPath);
    size_t separator = LastOf(localPath, length, '\\');
    if (separator == length) separator = LastOf(localPath, length, '/');
    if (separator + 1 >= length) return 0;  // no separator, or nothing after it
    TextBuffer built(64);
    if (!AppendExactly(built, localPath + separator + 1, length - separator - 1)) return 0;
    MoveInto(out, built);
    return 1;
}

uint16_t FtpUrlHost(const char* url, TextBuffer& host) {
    static const char kPrefix[] = "ftp://";
    if (!url || !StartsNoCase(url, kPrefix)) return 0;
    const char* start = url + sizeof kPrefix - 1;
    TextBuffer built(64);
    if (!AppendExactly(built, start, std::strcspn(start, "/"))) return 0;
    MoveInto(host, built);
    return 1;
}

void UrlExtension(const char* url, char* out, size_t outSize) {
    constexpr size_t kMaxExtension = 39;
    if (!out || outSize == 0) return;
    out[0] = '\0';
    if (!url) return;
    const char* dot = std::strrchr(url, '.');
    if (!dot || std::strchr(dot, '/')) return;
    const size_t length = std::strlen(dot);
    if (length > kMaxExtension || length + 1 > outSize) return;
    std::memcpy(out, dot, length + 1);
    if (!IsSafeExtension(out)) out[0] = '\0';
}

void TypePattern(const char* extensions, TextBuffer& out) {
    out.Clear();
    const char* p = extensions ? extensions : "";
    while (*p) {
        while (*p == ' ' || *p == ';') ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != ';') ++p;
        if (p == start) break;
        const uint32_t n = static_cast<uint32_t>(p - start);
        if (!out.Empty()) out.Append(";");
        if (!std::memchr(start, '*', n) && !std::memchr(start, '?', n)) out.Append("*");
        out.Append(start, n);
    }
    if (out.Empty()) out.Assign("*");
}

