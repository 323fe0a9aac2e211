#include "wizard/config/newc_archive_writer.h"

#include <chrono>
#include <vector>

#include "platform/files.h"
#include "wizard/config/file_stream.h"
#include "wizard/config/newc_header.h"

namespace wizard {
namespace {

constexpr std::size_t kChunkSize = 65535;

uint32_t SystemSeconds() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

}  // namespace

NewcArchiveWriter::NewcArchiveWriter() : NewcArchiveWriter(SystemSeconds) {}

NewcArchiveWriter::NewcArchiveWriter(Clock clock)
    : clock_(std::move(clock)), nextInode_(kNewcFirstInode) {}

NewcArchiveWriter::~NewcArchiveWriter() {
    Close();
    if (!tempPath_.empty()) {
        platform::DeleteOneFile(tempPath_);
    }
}

bool NewcArchiveWriter::OpenArchive() {
    return OpenArchiveIn(platform::TempFolder());
}

bool NewcArchiveWriter::OpenArchiveIn(platform::WStringView folder) {
    if (out_.is_open() || !tempPath_.empty() || folder.empty() ||
        folder.size() > platform::kMaxPathLength) {
        return false;
    }
    platform::WString path;
    if (!platform::CreateUniqueTempFile(folder, u"QLX", path)) {
        return false;
    }
    tempPath_ = path;
    out_ = OpenForWriting(tempPath_);
    failed_ = false;
    return out_.is_open();
}

bool NewcArchiveWriter::WriteBytes(const char* data, std::size_t size) {
    if (!out_.is_open() || failed_) {
        return false;
    }
    out_.write(data, static_cast<std::streamsize>(size));
    failed_ = out_.fail();
    return !failed_;
}

bool NewcArchiveWriter::WritePadding(uint64_t size) {
    static constexpr char kZeros[4] = {};
    return WriteBytes(kZeros, NewcPadding(static_cast<std::size_t>(size % 4)));
}

bool NewcArchiveWriter::WriteHeader(uint32_t mode, uint64_t size, std::string_view name) {
    if (size > UINT32_MAX || !IsValidNewcName(name)) {
        return false;
    }
    NewcHeaderFields fields;
    fields.inode = nextInode_++;
    fields.mode = mode;
    fields.mtime = clock_();
    fields.fileSize = static_cast<uint32_t>(size);
    const std::string header = FormatNewcHeader(fields, name);
    return WriteBytes(header.data(), header.size());
}

bool NewcArchiveWriter::CopyData(std::istream& source, uint64_t size) {
    std::vector<char> chunk(kChunkSize);
    while (size > 0) {
        const std::size_t want = size < kChunkSize ? static_cast<std::size_t>(size) : kChunkSize;
        source.read(chunk.data(), static_cast<std::streamsize>(want));
        if (static_cast<std::size_t>(source.gcount()) != want || !WriteBytes(chunk.data(), want)) {
            return false;
        }
        size -= want;
    }
    return true;
}

bool NewcArchiveWriter::AddFile(std::istream& source, std::string_view memberName) {
    source.clear();
    source.seekg(0, std::ios::end);
    const std::streamoff end = source.tellg();
    source.seekg(0, std::ios::beg);
    if (end < 0 || !source) {
        return false;
    }
    const auto size = static_cast<uint64_t>(end);
    if (!WriteHeader(kNewcModeFile, size, memberName)) {
        return false;
    }
    // A member that breaks off leaves the archive unusable.
    if (!CopyData(source, size) || !WritePadding(size)) {
        failed_ = true;
        return false;
    }
    return true;
}

bool NewcArchiveWriter::AddMemory(std::string_view data, std::string_view memberName) {
    return WriteHeader(kNewcModeMemory, data.size(), memberName) &&
           WriteBytes(data.data(), data.size()) && WritePadding(data.size());
}

bool NewcArchiveWriter::WriteTrailer() {
    return WriteHeader(0, 0, kNewcTrailerName);
}

void NewcArchiveWriter::Close() {
    if (out_.is_open()) {
        out_.close();
        failed_ = failed_ || out_.fail();
    }
}

bool NewcArchiveWriter::CommitArchive(platform::WStringView targetPath) {
    if (!out_.is_open()) {
        return false;
    }
    Close();
    if (failed_) {
        return false;
    }
    if (!platform::CopyOneFile(tempPath_, targetPath)) {
        // A copy that broke off leaves a truncated archive; none is better.
        platform::DeleteOneFile(targetPath);
        return false;
    }
    platform::DeleteOneFile(tempPath_);
    tempPath_.clear();
    return true;
}

}  // namespace wizard
