#include "tables/key_runs.h"

#include <algorithm>
#include <cstring>
#include <queue>
#include <utility>

#include "platform/file.h"
#include "platform/paths.h"
#include "tables/byte_order.h"
#include "tables/xbase_error.h"

namespace marklift {
namespace {

// Bytes moved to and from the scratch file at a time, per run.
constexpr std::size_t kTransferBytes = 64 * 1024;

constexpr std::size_t kRecnoBytes = 4;

[[noreturn]] void scratchFailed(const PlatformError& error) {
    throw EXbaseError(XbaseErrorCode::IoError,
                      std::string("Cannot sort index keys in a scratch file: ") + error.what());
}

}  // namespace

// One run as the merge reads it: a spilled run a buffer at a time from the
// scratch file, each entry there its key bytes and its record number
// (little-endian, 4 bytes); or the run still in memory.
class KeyRuns::RunReader {
public:
    RunReader(const File& file, SpilledRun run, std::size_t keyLength)
        : file_(&file),
          keyLength_(keyLength),
          entryBytes_(keyLength + kRecnoBytes),
          nextOffset_(run.offset),
          unread_(run.entries),
          buffer_(std::max<std::size_t>(kTransferBytes / entryBytes_, 1) * entryBytes_) {
        refill();
    }
    explicit RunReader(const KeyIndex& memory)
        : memory_(&memory),
          keyLength_(memory.keyLength()),
          entryBytes_(0),
          inBuffer_(memory.size()) {}

    bool atEnd() const { return at_ == inBuffer_; }
    std::string_view key() const {
        if (memory_) return memory_->keyAt(at_);
        return {reinterpret_cast<const char*>(buffer_.data() + at_ * entryBytes_), keyLength_};
    }
    std::uint32_t recno() const {
        if (memory_) return memory_->recnoAt(at_);
        return decodeLE32(buffer_.data() + at_ * entryBytes_ + keyLength_);
    }
    void next() {
        if (++at_ == inBuffer_ && !memory_) refill();
    }

private:
    void refill() {
        const std::size_t entries = static_cast<std::size_t>(
            std::min<std::uint64_t>(unread_, buffer_.size() / entryBytes_));
        try {
            file_->readExactly(nextOffset_, buffer_.data(), entries * entryBytes_);
        } catch (const PlatformError& error) {
            scratchFailed(error);
        }
        nextOffset_ += entries * entryBytes_;
        unread_ -= entries;
        inBuffer_ = entries;
        at_ = 0;
    }

    const File* file_ = nullptr;
    const KeyIndex* memory_ = nullptr;
    std::size_t keyLength_;
    std::size_t entryBytes_;
    std::uint64_t nextOffset_ = 0;
    std::uint64_t unread_ = 0;
    std::vector<unsigned char> buffer_;
    std::size_t inBuffer_ = 0;
    std::size_t at_ = 0;
};

KeyRuns::KeyRuns(std::size_t keyLength, std::string scratchBeside)
    : keyLength_(keyLength), scratchBeside_(std::move(scratchBeside)), last_(keyLength) {}

KeyRuns::~KeyRuns() = default;
KeyRuns::KeyRuns(KeyRuns&&) noexcept = default;
KeyRuns& KeyRuns::operator=(KeyRuns&&) noexcept = default;

void KeyRuns::add(KeyIndex run) {
    if (run.empty()) return;
    if (!last_.empty()) spill(last_);
    size_ += run.size();
    maxRecno_ = std::max(maxRecno_, run.maxRecno());
    last_ = std::move(run);
}

void KeyRuns::spill(const KeyIndex& run) {
    try {
        if (!scratch_)
            scratch_ =
                std::make_unique<File>(freeTemporaryName(scratchBeside_), File::Access::ReadWrite,
                                       File::Lock::None, File::Create::Scratch);
        const std::size_t entryBytes = keyLength_ + kRecnoBytes;
        const std::size_t perWrite = std::max<std::size_t>(kTransferBytes / entryBytes, 1);
        std::vector<unsigned char> buffer(perWrite * entryBytes);
        spilled_.push_back({scratchEnd_, run.size()});
        for (std::size_t first = 0; first < run.size(); first += perWrite) {
            const std::size_t count = std::min(perWrite, run.size() - first);
            unsigned char* out = buffer.data();
            for (std::size_t i = first; i < first + count; ++i, out += entryBytes) {
                std::memcpy(out, run.keyAt(i).data(), keyLength_);
                encodeLE32(out + keyLength_, run.recnoAt(i));
            }
            scratch_->writeAt(scratchEnd_, buffer.data(), count * entryBytes);
            scratchEnd_ += count * entryBytes;
        }
    } catch (const PlatformError& error) {
        scratchFailed(error);
    }
}

void KeyRuns::forEach(const KeyVisitor& visit) const {
    if (spilled_.empty()) return last_.forEach(visit);
    std::vector<RunReader> runs;
    runs.reserve(spilled_.size() + 1);
    for (const SpilledRun& run : spilled_) runs.emplace_back(*scratch_, run, keyLength_);
    runs.emplace_back(last_);

    // The run whose next entry is the least comes out first.
    auto later = [&](std::size_t a, std::size_t b) {
        const int order = runs[a].key().compare(runs[b].key());
        return order > 0 || (order == 0 && runs[a].recno() > runs[b].recno());
    };
    std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> next(later);
    for (std::size_t i = 0; i < runs.size(); ++i)
        if (!runs[i].atEnd()) next.push(i);
    while (!next.empty()) {
        const std::size_t i = next.top();
        next.pop();
        visit(runs[i].key(), runs[i].recno());
        runs[i].next();
        if (!runs[i].atEnd()) next.push(i);
    }
}

}  // namespace marklift
