// Where an index decoder gets its bytes: a file on disk, or a buffer in
// memory (tests and fuzzers). Decoders never read past size().
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"

namespace marklift {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly `count` bytes at `offset`; the caller has checked the range.
    virtual void read(std::uint64_t offset, void* buffer, std::size_t count) const = 0;
    // The name used in error texts.
    virtual const std::string& name() const = 0;
};

class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(const File& file) : file_(file), size_(file.size()) {}
    std::uint64_t size() const override { return size_; }
    void read(std::uint64_t offset, void* buffer, std::size_t count) const override {
        file_.readExactly(offset, buffer, count);
    }
    const std::string& name() const override { return file_.path(); }

private:
    const File& file_;
    std::uint64_t size_;
};

class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(std::string name, std::vector<unsigned char> bytes)
        : name_(std::move(name)), bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    void read(std::uint64_t offset, void* buffer, std::size_t count) const override {
        std::memcpy(buffer, bytes_.data() + offset, count);
    }
    const std::string& name() const override { return name_; }

private:
    std::string name_;
    std::vector<unsigned char> bytes_;
};

}  // namespace marklift
