#include "transfer/received_file.h"

#include <windows.h>

#include <cstring>

#include "frame/core/byte_buffer.h"
#include "frame/core/string_ids.h"
#include "transfer/temp_file.h"

namespace {

// The folder part of a local path, "." when it has none.
void FolderOf(const char* path, char* out, size_t size) {
    const char* last = nullptr;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') last = p;
    size_t n = last ? static_cast<size_t>(last - path) + 1 : 0;
    if (n == 0) {
        std::strncpy(out, ".", size);
    } else {
        if (n >= size) n = size - 1;
        std::memcpy(out, path, n);
        out[n] = '\0';
    }
}

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

ReceivedFile::ReceivedFile() : path_(MAX_PATH), writePath_(MAX_PATH), madePath_(0), madeStaging_(0), kept_(0) {}

ReceivedFile::~ReceivedFile() { Discard(); }

uint16_t ReceivedFile::Prepare(const char* wanted, const char* extension) {
    Discard();
    path_.Clear();
    writePath_.Clear();
    madePath_ = madeStaging_ = kept_ = 0;
    if (!wanted || !*wanted) {
        char name[MAX_PATH + 1];
        if (!MakeTempFileName(kMsgTempPrefix, name, sizeof name, extension && *extension ? extension : nullptr))
            return 0;
        madePath_ = 1;
        if (!path_.Assign(name)) {
            DeleteFileA(name);
            madePath_ = 0;
            return 0;
        }
    } else if (!FileExists(wanted)) {
        if (!path_.Assign(wanted)) return 0;
        madePath_ = 1;
    } else {
        // The caller's file is replaced only by a whole document: the bytes
        // go to a file beside it, or, where none can be made there (a long
        // folder path, no right to create files), into the temporary folder.
        char folder[MAX_PATH + 1];
        char staging[MAX_PATH + 1];
        FolderOf(wanted, folder, sizeof folder);
        if (!GetTempFileNameA(folder, "orb", 0, staging) &&
            !MakeTempFileName(kMsgTempPrefix, staging, sizeof staging, nullptr))
            return 0;
        madeStaging_ = 1;
        if (!path_.Assign(wanted) || !writePath_.Assign(staging)) {
            DeleteFileA(staging);
            madeStaging_ = 0;
            path_.Clear();
            return 0;
        }
        return 1;
    }
    if (!writePath_.Assign(path_.Text(), path_.length)) {
        Discard();
        path_.Clear();
        return 0;
    }
    return 1;
}

uint16_t ReceivedFile::Keep() {
    if (kept_) return 1;
    if (path_.Empty()) return 0;
    if (madeStaging_ &&
        !MoveFileExA(writePath_.Text(), path_.Text(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        return 0;
    kept_ = 1;
    return 1;
}

uint16_t ReceivedFile::Discard(ByteBuffer* leftovers) {
    if (kept_) return 1;
    if (madeStaging_ && (Remove(writePath_.Text()) || HandOver(writePath_.Text(), leftovers))) madeStaging_ = 0;
    if (madePath_ && (Remove(path_.Text()) || HandOver(path_.Text(), leftovers))) madePath_ = 0;
    return !madeStaging_ && !madePath_;
}

bool ReceivedFile::Remove(const char* path) {
    return !*path || DeleteFileA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

bool ReceivedFile::HandOver(const char* path, ByteBuffer* leftovers) {
    return leftovers && leftovers->Append(path, static_cast<uint32_t>(std::strlen(path)) + 1);
}
