#pragma once
// The file services of a run that must survive a crash: the page engine's
// calls, and besides them making writes durable, making and reading the
// journal, and holding a file against a second writer. The whole of
// varnex-apply goes through this interface, the target file and the journal
// alike, so that tests can put a file system in its place that loses power
// after any call.

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace varnex {

class DurableFileSystem : public FileSystem {
public:
    // Open (inherited) opens an existing file for reading and writing.

    // Opens an existing file for reading only. kNoFile, with the code in
    // `error`, when it cannot; `missing` is set when no file has that name.
    virtual FileHandle OpenForReading(const char* name, bool& missing, ErrorCode& error) = 0;

    // Makes a new, empty file for reading and writing; fails when the name
    // exists. Its name is durable only after SyncFolderOf.
    virtual FileHandle Create(const char* name, ErrorCode& error) = 0;

    // The file's length in bytes.
    virtual bool Size(FileHandle file, std::uint64_t& size, ErrorCode& error) = 0;

    // A text naming the file itself, the same through any of its names and
    // different for any other file on the machine (device and file number),
    // so that a journal can tell the file it was made for.
    virtual bool Identity(FileHandle file, std::string& identity, ErrorCode& error) = 0;

    // Puts every byte written to the file so far on storage.
    virtual bool Sync(FileHandle file, ErrorCode& error) = 0;

    // Puts the names of the folder that holds `name` on storage.
    virtual bool SyncFolderOf(const char* name, ErrorCode& error) = 0;

    // Removes the file of that name (a journal that is no longer wanted).
    virtual bool Remove(const char* name, ErrorCode& error) = 0;

    // Holds the open file against every other process that asks for it with
    // this call, until the file is closed. false, with the code in `error`,
    // when another holds it; `busy` tells that case from a failure.
    virtual bool Lock(FileHandle file, bool& busy, ErrorCode& error) = 0;
};

// The page engine's own calls taken from the machine's file system; each
// platform adds the durable services around them.
class SystemBackedFileSystem : public DurableFileSystem {
public:
    FileHandle Open(const char* name, ErrorCode& error) override { return SystemFileSystem().Open(name, error); }
    int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) override {
        return SystemFileSystem().Seek(file, offset, error);
    }
    CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) override {
        return SystemFileSystem().Read(file, buffer, count, error);
    }
    CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) override {
        return SystemFileSystem().Write(file, buffer, count, error);
    }
    void Close(FileHandle file) override { SystemFileSystem().Close(file); }
};

// The real services of the machine.
DurableFileSystem& SystemDurableFileSystem();

}  // namespace varnex
