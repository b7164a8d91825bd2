#pragma once
// A file system over memory that can lose power. Each file has the bytes a
// reader sees now and the bytes that are on storage; a name is on storage
// once its folder has been synced (there is one folder). After the chosen
// number of calls that change storage (writes, syncs, creations, removals)
// the power goes: that last call is done, every later call fails, and
// AfterPowerLoss() gives what a restarted machine finds: the durable bytes
// of every durable name, with the last write torn at a 512-byte boundary
// (its first sectors reached storage, the rest did not).

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/durable_file_system.h"

namespace varnex::testing {

class PowerLossFileSystem final : public DurableFileSystem {
public:
    static constexpr ErrorCode kNoPower = 5;    // an I/O error, as a dead disk gives
    static constexpr ErrorCode kMissing = 2;    // no such file
    static constexpr ErrorCode kExists = 17;    // the name is taken
    static constexpr std::size_t kSector = 512;

    // The power goes after this many calls that change storage; 0: never.
    std::uint64_t cut_after = 0;
    // Calls that changed storage so far, for choosing cut_after.
    std::uint64_t changing_calls = 0;

    // A file that is on storage, name and bytes.
    void Put(const std::string& name, std::vector<std::uint8_t> bytes) {
        Entry& entry = files_[name];
        entry.now = bytes;
        entry.stored = std::move(bytes);
        entry.exists_now = entry.name_stored = true;
        entry.number = next_number_++;
    }

    // The bytes a reader sees now; empty when there is no such file.
    std::vector<std::uint8_t> Contents(const std::string& name) const {
        const auto found = files_.find(name);
        return found == files_.end() || !found->second.exists_now ? std::vector<std::uint8_t>{} : found->second.now;
    }
    bool Exists(const std::string& name) const {
        const auto found = files_.find(name);
        return found != files_.end() && found->second.exists_now;
    }
    bool PowerLost() const { return power_lost_; }

    // What the machine finds when it starts again, as a file system with
    // the power on.
    PowerLossFileSystem AfterPowerLoss() const {
        PowerLossFileSystem restarted;
        restarted.next_number_ = next_number_;
        for (const auto& [name, entry] : files_) {
            if (!entry.name_stored) continue;
            Entry& kept = restarted.files_[name];
            kept.stored = entry.stored;
            if (torn_.name == name) LayOver(kept.stored, torn_.offset, torn_.bytes);
            kept.now = kept.stored;
            kept.exists_now = kept.name_stored = true;
            kept.number = entry.number;
        }
        return restarted;
    }

    FileHandle Open(const char* name, ErrorCode& error) override { return OpenExisting(name, true, error); }

    FileHandle OpenForReading(const char* name, bool& missing, ErrorCode& error) override {
        missing = !power_lost_ && !Exists(name);
        return OpenExisting(name, false, error);
    }

    FileHandle Create(const char* name, ErrorCode& error) override {
        if (!Change(error)) return kNoFile;
        if (Exists(name)) return Fail(kExists, error), kNoFile;
        Entry& entry = files_[name];
        entry.now.clear();
        entry.exists_now = true;
        entry.number = next_number_++;
        return NewHandle(name, true);
    }

    int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) override {
        if (!Alive(error)) return -1;
        handles_.at(file).position = offset;
        return 0;
    }

    CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) override {
        if (!Alive(error)) return {0, true};
        Handle& handle = handles_.at(file);
        const std::vector<std::uint8_t>& bytes = files_.at(handle.name).now;
        std::size_t moved = 0;
        if (handle.position < bytes.size()) {
            moved = static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes.size() - handle.position));
            std::memcpy(buffer, bytes.data() + handle.position, moved);
        }
        handle.position += moved;
        return {moved, false};
    }

    CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) override {
        if (!Change(error)) return {0, true};
        Handle& handle = handles_.at(file);
        if (!handle.writable) return Fail(9, error), CallResult{0, true};
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        Entry& entry = files_.at(handle.name);
        LayOver(entry.now, handle.position, std::vector<std::uint8_t>(bytes, bytes + count));
        if (power_lost_) Tear(handle.name, handle.position, bytes, count);
        handle.position += count;
        return {count, false};
    }

    void Close(FileHandle file) override { handles_.erase(file); }

    bool Size(FileHandle file, std::uint64_t& size, ErrorCode& error) override {
        if (!Alive(error)) return false;
        size = files_.at(handles_.at(file).name).now.size();
        return true;
    }

    bool Identity(FileHandle file, std::string& identity, ErrorCode& error) override {
        if (!Alive(error)) return false;
        identity = "fake:" + std::to_string(files_.at(handles_.at(file).name).number);
        return true;
    }

    bool Sync(FileHandle file, ErrorCode& error) override {
        if (!Change(error)) return false;
        Entry& entry = files_.at(handles_.at(file).name);
        entry.stored = entry.now;
        return true;
    }

    bool SyncFolderOf(const char*, ErrorCode& error) override {
        if (!Change(error)) return false;
        for (auto& [name, entry] : files_) entry.name_stored = entry.exists_now;
        return true;
    }

    bool Remove(const char* name, ErrorCode& error) override {
        if (!Change(error)) return false;
        if (!Exists(name)) return Fail(kMissing, error);
        files_.at(name).exists_now = false;
        return true;
    }

    bool Lock(FileHandle, bool& busy, ErrorCode& error) override {
        busy = false;
        return Alive(error);
    }

private:
    struct Entry {
        std::vector<std::uint8_t> now;     // what a reader sees
        std::vector<std::uint8_t> stored;  // what survives a power cut
        bool exists_now = false;
        bool name_stored = false;
        std::uint64_t number = 0;  // the file's identity, kept across a restart
    };
    struct Handle {
        std::string name;
        std::uint64_t position = 0;
        bool writable = false;
    };
    struct TornWrite {
        std::string name;
        std::uint64_t offset = 0;
        std::vector<std::uint8_t> bytes;
    };

    static bool Fail(ErrorCode code, ErrorCode& error) {
        error = code;
        return false;
    }
    bool Alive(ErrorCode& error) const { return !power_lost_ || Fail(kNoPower, error); }

    // Counts a call that changes storage; the one that reaches cut_after is
    // carried out and the power goes with it.
    bool Change(ErrorCode& error) {
        if (!Alive(error)) return false;
        ++changing_calls;
        if (cut_after != 0 && changing_calls == cut_after) power_lost_ = true;
        return true;
    }

    // The last write before the cut: only the sectors before the first
    // sector boundary past its start reach storage (a write that starts on
    // a boundary keeps its first sector, when it is at least that long).
    void Tear(const std::string& name, std::uint64_t offset, const std::uint8_t* bytes, std::size_t count) {
        const std::uint64_t boundary = (offset / kSector + 1) * kSector;
        const std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(count, boundary - offset));
        if (kept == count) return;  // nothing to tear: the write is dropped whole, as unsynced
        torn_ = {name, offset, std::vector<std::uint8_t>(bytes, bytes + kept)};
    }

    static void LayOver(std::vector<std::uint8_t>& target, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
        if (target.size() < offset + bytes.size()) target.resize(static_cast<std::size_t>(offset + bytes.size()));
        std::copy(bytes.begin(), bytes.end(), target.begin() + static_cast<std::ptrdiff_t>(offset));
    }

    FileHandle OpenExisting(const char* name, bool writable, ErrorCode& error) {
        if (!Alive(error)) return kNoFile;
        if (!Exists(name)) return Fail(kMissing, error), kNoFile;
        return NewHandle(name, writable);
    }
    FileHandle NewHandle(const std::string& name, bool writable) {
        handles_[next_handle_] = {name, 0, writable};
        return next_handle_++;
    }

    std::map<std::string, Entry> files_;
    std::map<FileHandle, Handle> handles_;
    FileHandle next_handle_ = 3;
    std::uint64_t next_number_ = 1;
    bool power_lost_ = false;
    TornWrite torn_;
};

}  // namespace varnex::testing
