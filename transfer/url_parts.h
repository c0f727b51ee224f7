#ifndef ORBNET_TRANSFER_URL_PARTS_H
#define ORBNET_TRANSFER_URL_PARTS_H

#include <cstddef>
#include <cstdint>

#include "frame/text_buffer.h"

enum UrlScheme : uint16_t { kSchemeFtp = 0, kSchemeHttp = 1, kSchemeGopher = 2, kSchemeWais = 3 };

// The scheme prefixes in scheme order ("ftp://", "http://", "gopher://",
// "wais://"), passed in by the caller.
struct SchemePrefixes {
    const char* text[4];
};

// A URL to retrieve, taken apart. url is the URL with every backslash turned
// into a slash and "http://" in front when it had no scheme. host is empty
// when the URL names no host or has a scheme other than the four.
struct RetrieveUrl {
    RetrieveUrl() : url(256), host(64), path(128), directory(128), fileName(64), scheme(kSchemeHttp) {}
    TextBuffer url;
    TextBuffer host;
    TextBuffer path;       // from the slash after the host on; "/" when none
    TextBuffer directory;  // path up to its last slash; "/" at the top
    TextBuffer fileName;   // after the last slash; empty when the path ends in one
    uint16_t scheme;
};
void ParseRetrieveUrl(const char* url, const SchemePrefixes& schemes, RetrieveUrl& out);

// A URL to store to. Only "ftp:" URLs are taken apart; the host runs from
// the seventh character to the next slash (to the end when there is none:
// the directory is then "/"). For several files the directory is the rest
// of the URL and ends in a slash; for one file the directory and name are
// split at the last slash.
struct StoreUrl {
    StoreUrl() : host(64), directory(128), fileName(64) {}
    TextBuffer host;
    TextBuffer directory;
    TextBuffer fileName;
};
void ParseStoreUrl(const char* url, uint16_t severalFiles, StoreUrl& out);

// "name:digits" → name and the port; 1 when a port was split off. A port of
// 0 or above 65535, or text after the colon that is not all digits, leaves
// the host as it is.
uint16_t SplitHostPort(TextBuffer& host, uint16_t* port);

// The extension of a remote file name for a local copy: from its last "."
// (query and fragment left out), at most 39 characters with the dot.
// Empty when the name has none or it would not be safe in a file name.
void FileNameExtension(const char* fileName, char* out, size_t outSize);

// An extension that may replace a file name's own: begins with a dot and
// holds no path, stream, wildcard or control characters.
bool IsSafeExtension(const char* extension);

#endif
