#ifndef ORBNET_TRANSFER_RECEIVED_FILE_H
#define ORBNET_TRANSFER_RECEIVED_FILE_H

#include <cstdint>

#include "frame/core/text_buffer.h"

class ByteBuffer;

// The local file a fetch writes, from its making to its keeping. Without a
// wanted name it is a new file in the temporary folder; with a wanted name
// that does not exist yet, that file; with one that exists, a file beside it
// (or, where none can be made there, in the temporary folder) that takes the
// wanted one's place only once the document is whole. Whatever it made and
// did not keep is deleted; the caller's own file never is.
class ReceivedFile {
public:
    ReceivedFile();
    ~ReceivedFile();  // Discard()

    // A new file (the previous one discarded first). extension: with its
    // dot, for a temporary file; null or empty: the system's own. 0 when no
    // file could be made.
    uint16_t Prepare(const char* wanted, const char* extension);
    // The document is whole: it takes its place and is kept from now on. 0
    // when it cannot (it is then discarded as any other).
    uint16_t Keep();
    // Deletes what was made and not kept. A file still held open stays until
    // a later Discard, or, with leftovers, is handed over there (a
    // zero-terminated path) and forgotten. 1 when nothing is left to do.
    uint16_t Discard(ByteBuffer* leftovers = nullptr);

    const char* Path() const { return path_.Text(); }            // the document's place
    const char* WritePath() const { return writePath_.Text(); }  // where the bytes go
    bool Kept() const { return kept_ != 0; }

private:
    // Deletes path unless it is gone already; false when it is still there.
    static bool Remove(const char* path);
    // A path this could not delete: handed over, or kept for a later try.
    static bool HandOver(const char* path, ByteBuffer* leftovers);

    TextBuffer path_;
    TextBuffer writePath_;  // path_, or the file beside it that replaces it
    uint16_t madePath_;     // path_ did not exist before this fetch
    uint16_t madeStaging_;  // writePath_ is a file of its own
    uint16_t kept_;
};

#endif
