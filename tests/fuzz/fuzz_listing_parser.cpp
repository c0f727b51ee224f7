// The listing parser on arbitrary text and current directory, and the
// pattern filter on parts of the input. The first byte gives the length of
// the directory that follows it; the rest is the listing, parsed from a copy
// of exactly its size. Entries and path items must carry valid markers, come
// from the line just reported and never reach outside it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "frame/core/text_buffer.h"
#include "transfer/core/listing_filter.h"
#include "transfer/core/listing_parser.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

struct CheckingSink : ListingSink {
    const char* text = nullptr;
    uint32_t length = 0;
    unsigned char depth = 0;
    std::string directory;
    std::vector<std::string> raw;
    std::vector<std::string> entries;
    std::vector<uint32_t> entryLines;
    std::vector<std::string> path;

    uint32_t OnRawLine(const char* line, uint32_t n) override {
        Check(path.empty());
        Check(n > 0 && line >= text && n <= length && uint32_t(line - text) <= length - n);
        Check(!std::memchr(line, '\r', n));
        raw.emplace_back(line, n);
        return uint32_t(raw.size() - 1) * 3 + 7;
    }
    void OnEntry(const char* entry, uint32_t n, uint32_t rawIndex, const ListingEntryShape& shape) override {
        Check(path.empty());
        Check(shape.nameStart == (shape.kind == kEntryLink ? 2u : 1u) && shape.nameLength > 0 &&
              shape.nameStart + shape.nameLength <= n);
        Check(shape.targetStart == 0 ? shape.nameStart + shape.nameLength == n
                                     : shape.kind == kEntryLink && shape.targetStart == shape.nameStart + shape.nameLength + 2 &&
                                           shape.targetStart <= n && entry[shape.targetStart - 2] == ' ' &&
                                           entry[shape.targetStart - 1] == '>');
        Check(n >= 2 && !raw.empty());
        Check(rawIndex == uint32_t(raw.size() - 1) * 3 + 7);  // the line just reported
        Check(entryLines.empty() || entryLines.back() != rawIndex);  // one entry per line at most
        const std::string& line = raw.back();
        const unsigned char marker = static_cast<unsigned char>(entry[0]);
        Check(marker == kFileMarker || marker == depth);
        std::string name(entry + 1, n - 1);
        if (line[0] == 'l' || line[0] == 's') {
            Check(marker == depth && name[0] == ' ' && name.size() >= 2 && n - 1 <= line.size() + 2);
        } else {
            // A file's or directory's name is the end of its line.
            Check(name.size() < line.size() && line.compare(line.size() - name.size(), name.size(), name) == 0);
            Check((marker == kFileMarker) == (line[0] != 'd' && line.find("<DIR>") == std::string::npos &&
                                             (line.size() < 15 || line.compare(12, 3, "DIR") != 0)));
        }
        Check(name != "." && name != "..");
        entries.push_back(std::string(entry, n));
        entryLines.push_back(rawIndex);
    }
    void OnPathItem(const char* item, uint32_t n) override {
        Check(n >= 2);
        const unsigned char marker = static_cast<unsigned char>(item[0]);
        const unsigned low = marker & 0x3F;
        Check(low >= 1 && low <= kMaxDepth);
        Check((marker & 0xC0) == kCurrentLevel || (marker & 0xC0) == kUpperLevel);
        Check(!std::memchr(item + 1, '/', n - 1) || n == 2);
        Check(!std::memchr(item + 1, '\\', n - 1) || n == 2);
        path.emplace_back(item, n);
    }
};

void CheckPath(const CheckingSink& sink) {
    // One item per level, the last one current, levels counted from 1.
    if (sink.directory.empty()) {
        Check(sink.path.empty() && sink.depth == 1);
        return;
    }
    Check(!sink.path.empty());
    for (size_t i = 0; i < sink.path.size(); ++i) {
        const unsigned char marker = static_cast<unsigned char>(sink.path[i][0]);
        const size_t level = i + 1;
        Check((marker & 0x3F) == (level < kMaxDepth ? level : kMaxDepth));
        Check((marker & 0xC0) == (i + 1 == sink.path.size() ? kCurrentLevel : kUpperLevel));
    }
    const size_t depth = sink.path.size() + 1;
    Check(sink.depth == (depth < kMaxDepth ? depth : kMaxDepth));
}

void CheckPatterns(const std::string& name, const std::string& patterns) {
    const char* n = name.c_str();
    uint16_t any = MatchFilePattern(n, patterns.c_str());
    Check(any <= 1);
    Check(MatchFilePattern(n, "*") == 1);
    // A name matches itself and its prefixes, in any case.
    const size_t end = std::strlen(n);
    if (end > 0 && !std::memchr(n, ';', end)) {
        std::string upper(n, end);
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        Check(MatchFilePattern(n, upper.c_str()) == 1);
        Check(MatchFilePattern(n, upper.substr(0, end / 2 + 1).c_str()) == 1);
    }
    // Adding a pattern never loses a match.
    if (any) Check(MatchFilePattern(n, (patterns + ";" + patterns).c_str()) == 1);

    TextBuffer out;
    EffectivePattern(n, patterns.c_str(), out);
    Check(out.length <= 255 || out.length == std::strlen(patterns.c_str()));
    Check(std::strcmp(out.Text(), "*.*") != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t directoryLength = data[0];
    if (directoryLength > size - 1) directoryLength = size - 1;
    CheckingSink sink;
    sink.directory.assign(reinterpret_cast<const char*>(data + 1), directoryLength);
    sink.directory.resize(std::strlen(sink.directory.c_str()));  // a terminated directory
    const size_t textLength = size - 1 - directoryLength;
    std::unique_ptr<char[]> text(new char[textLength ? textLength : 1]);
    std::memcpy(text.get(), data + 1 + directoryLength, textLength);
    sink.text = text.get();
    sink.length = uint32_t(textLength);
    sink.depth = static_cast<unsigned char>(ListingDepth(sink.directory.c_str()));
    Check(sink.depth >= 1 && sink.depth <= kMaxDepth);

    ParseListingText(text.get(), uint32_t(textLength), sink.directory.c_str(), sink);
    Check(sink.entries.size() <= sink.raw.size());
    CheckPath(sink);

    // The filter on each entry against the raw line, and on the input cut in two.
    for (size_t i = 0; i < sink.entries.size(); ++i) {
        const std::string entry(sink.entries[i].c_str());
        const std::string& line = sink.raw[(sink.entryLines[i] - 7) / 3];
        const std::string rawLine(line.c_str());
        Check(ShowEntry(entry.c_str(), rawLine.c_str(), "*", 0) == 1);
        uint16_t onlyDirectories = ShowEntry(entry.c_str(), rawLine.c_str(), "*", 1);
        Check(onlyDirectories == (!rawLine.empty() && rawLine[0] != '-'));
    }
    std::string rest(text.get(), textLength);
    size_t cut = rest.empty() ? 0 : size_t(data[0]) % (rest.size() + 1);
    CheckPatterns(rest.substr(0, cut), rest.substr(cut));
    CheckPatterns(sink.directory, rest);
    return 0;
}
