#ifndef ORBNET_UI_FILEDIALOG_FILE_RULES_H
#define ORBNET_UI_FILEDIALOG_FILE_RULES_H

#include <cstddef>
#include <cstdint>

#include "frame/core/text_buffer.h"
#include "transfer/core/web_route.h"

// The rules of the Internet file dialog that need no window: file types,
// default extensions, remote names and the extension of a Web document's
// copy (an address typed for the Web is read by ParseWebTarget).

// Receives the file types of a filter buffer in their order.
class FileTypeSink {
public:
    virtual ~FileTypeSink() {}
    // One description and its extensions field, each with its length (not
    // terminated in the buffer).
    virtual void OnFileType(const char* description, uint32_t descriptionLength, const char* extensions,
                            uint32_t extensionsLength) = 0;
};

// Splits a filter buffer: fields separated by the character 0x01 (a run of
// them counts as one; separators at the start or end make no empty field),
// taken in pairs, description then extensions. The text ends at its
// terminator or after size bytes, whichever comes first; an unpaired last
// field is left out. The number of pairs given to the sink.
uint32_t SplitFileTypes(const char* buffer, uint32_t size, FileTypeSink& sink);

// The default extension of an extensions field: its first field without "*"
// or "?", fields split at spaces and ";". Empty when there is none.
void DefaultExtension(const char* extensions, TextBuffer& out);

// The pattern the entries of a file type are shown through: each field of
// its extensions with "*" in front (fields that are patterns already as they
// are), joined by ";": ".doc .rtf" gives "*.doc;*.rtf". "*" when it has none.
void TypePattern(const char* extensions, TextBuffer& out);

// Which default-extension rule applies.
enum ExtensionRule : uint16_t {
    kExtensionOpen = 0,        // Open: a name with a "." in its last component keeps it
    kExtensionSaveAs = 1,      // Save As: compared with the default extension
    kExtensionKnownTypes = 2,  // Save As with the known-types flag
};

// Applies the default extension to a typed name. Nothing happens when the
// name holds "*" or "?". typeExtensions is the chosen type's extensions
// field; allExtensions the extensions fields of every file type, joined by
// ";" (the known-types rule); typeCount the number of file types. 0 when
// the longer name did not fit (name unchanged). An empty default extension
// changes nothing. The last component begins after the earlier of the
// name's last "\" and last "/" (after the one it has, or at the start).
uint16_t ApplyDefaultExtension(TextBuffer& name, const char* typeExtensions, const char* allExtensions,
                               uint32_t typeCount, ExtensionRule rule);

// The directory that an item of the level list stands for. item begins with
// its marker byte: bit 0x40 the current level ("."); else bit 0x80 level n
// (marker & 0x3F): currentDirectory cut after its n-th separator ("\" or
// "/"), the separator itself removed too when n > 1; neither: the text after
// the marker. The first ">" in the item puts the text after it in place of
// the text after the marker. Level 0, or fewer than n separators: the whole
// current directory. 0 when the item is empty or the text does not fit (out
// unchanged).
uint16_t LevelDirectory(const char* item, const char* currentDirectory, TextBuffer& out);

// Shortens a directory path that is too wide for its control: fits tells
// whether a text fits (context is passed through). The first component
// becomes "..", then the components after it are removed one by one (the
// rules of the file dialog's directory line). Paths with "/" only are kept.
void ShortenPath(TextBuffer& path, bool (*fits)(const char* text, void* context), void* context);

// A typed name with a pattern and a directory part: split at its last "\"
// (or, when it has none, its last "/"). directory receives the text before
// the separator, rest the text after it. 0 when there is no separator or a
// part does not fit (both unchanged).
uint16_t SplitPatternPath(const char* name, TextBuffer& directory, TextBuffer& rest);

// The name a Save As suggests for a local path: the text after its last
// "\" (or, without one, after its last "/"). 0 when there is neither or
// nothing follows it (out unchanged).
uint16_t SuggestedFileName(const char* localPath, TextBuffer& out);

// The host of an "ftp://" URL (the prefix compared without case): the text
// up to the next "/". 0 when the URL does not begin with "ftp://" or the
// host does not fit (host unchanged).
uint16_t FtpUrlHost(const char* url, TextBuffer& host);

// The extension a Web document's local copy gets: the text from the URL's
// last "." when no "/" follows it, at most 39 characters and safe in a file
// name; empty otherwise.
void UrlExtension(const char* url, char* out, size_t outSize);

#endif
