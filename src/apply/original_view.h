#pragma once
// The target file as it was before a run that was cut short: the file's
// bytes with the original bytes learnt from the run's own checks laid over
// them. Reads see the view; every other call goes to the file system below.

#include <cstdint>
#include <map>

#include "platform/durable_file_system.h"

namespace varnex {

using OriginalBytes = std::map<std::uint64_t, std::uint8_t>;  // by file offset

class OriginalView final : public DurableFileSystem {
public:
    OriginalView(DurableFileSystem& below, const OriginalBytes& original) : below_(below), original_(original) {}

    FileHandle Open(const char* name, ErrorCode& error) override { return below_.Open(name, error); }
    int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) override;
    CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) override;
    CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) override {
        return below_.Write(file, buffer, count, error);
    }
    void Close(FileHandle file) override { below_.Close(file); }
    FileHandle OpenForReading(const char* name, bool& missing, ErrorCode& error) override {
        return below_.OpenForReading(name, missing, error);
    }
    FileHandle Create(const char* name, ErrorCode& error) override { return below_.Create(name, error); }
    bool Size(FileHandle file, std::uint64_t& size, ErrorCode& error) override { return below_.Size(file, size, error); }
    bool Identity(FileHandle file, std::string& identity, ErrorCode& error) override {
        return below_.Identity(file, identity, error);
    }
    bool Sync(FileHandle file, ErrorCode& error) override { return below_.Sync(file, error); }
    bool SyncFolderOf(const char* name, ErrorCode& error) override { return below_.SyncFolderOf(name, error); }
    bool Remove(const char* name, ErrorCode& error) override { return below_.Remove(name, error); }
    bool Lock(FileHandle file, bool& busy, ErrorCode& error) override { return below_.Lock(file, busy, error); }

private:
    DurableFileSystem& below_;
    const OriginalBytes& original_;
    std::uint64_t position_ = 0;
};

}  // namespace varnex
