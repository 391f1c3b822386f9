#include "core/upload/csv_export.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/replacing_file.h"
#include "tables/xbase_table.h"

namespace marklift {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::int64_t kLineEndSize = 2;
// The display is refreshed about this many times per run at most.
constexpr std::int64_t kProgressRefreshes = 100;

// Blanks and control characters, as a trim of either end removes them.
bool isBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Closes the progress display on every way out of a run.
class ProgressCloser {
public:
    explicit ProgressCloser(std::unique_ptr<ExportProgress>& progress) : progress_(progress) {}
    ~ProgressCloser() { progress_.reset(); }
    ProgressCloser(const ProgressCloser&) = delete;
    ProgressCloser& operator=(const ProgressCloser&) = delete;

private:
    std::unique_ptr<ExportProgress>& progress_;
};

}  // namespace

TCSVExport::TCSVExport() = default;
TCSVExport::~TCSVExport() = default;

void TCSVExport::SetCustomSeparator(const std::string& value) {
    auto first = value.begin();
    auto last = value.end();
    while (first != last && isBlankOrControl(*first)) ++first;
    while (last != first && isBlankOrControl(*(last - 1))) --last;
    customSeparator_ = first == last ? std::string() : std::string(1, *first);
}

LineFormat TCSVExport::MakeLineFormat() const {
    LineFormat format;
    format.quote = QuoteText(fieldDelimiter_);
    format.separator = SeparatorText(fieldSeparator_, customSeparator_);
    format.delimitedFields = delimitedFields_;
    format.fieldListAction = fieldListAction_;
    format.fieldList = fieldList_;
    format.numericAlign = numericAlign_;
    format.dbaseFormat = dbaseFormat_;
    return format;
}

std::unique_ptr<ReplacingFile> TCSVExport::OpenOutput(std::int64_t& recordTotal) {
    try {
        auto output = std::make_unique<ReplacingFile>(outputFile_);
        if (!dataSet_->Active()) dataSet_->Open();
        recordTotal = dataSet_->RecordCount();
        if (showProgress_ && progressFactory_) {
            if (!progress_) progress_ = progressFactory_();
            progress_->BeginProgress(recordTotal, outputFile_);
        }
        dataSet_->First();
        return output;
    } catch (const std::exception&) {
        // Whatever was made so far goes: the temporary file with `output`,
        // the display here.
        progress_.reset();
        return nullptr;
    }
}

std::int64_t TCSVExport::Execute() {
    if (!dataSet_) throw std::logic_error("TCSVExport::Execute without a DataSet");
    if (onBeginExport_) onBeginExport_(*this);

    std::int64_t recordTotal = 0;
    std::unique_ptr<ReplacingFile> output = OpenOutput(recordTotal);
    if (!output) return -1;
    ProgressCloser closer(progress_);

    const LineFormat format = MakeLineFormat();
    const auto compose = exportType_ == TExportType::expFixed ? ComposeFixed : ComposeDelimited;
    const std::int64_t progressStep = std::max<std::int64_t>(1, recordTotal / kProgressRefreshes);
    std::int64_t recordsDone = 0;
    std::int64_t bytesWritten = 0;

    if (headerRecord_) {
        output->write(header_);
        output->write(kLineEnd);
    }
    XbaseTable& table = *dataSet_;
    while (!table.Eof()) {
        const std::string line = compose(table, format);
        if (!line.empty()) {
            output->write(line);
            output->write(kLineEnd);
            bytesWritten += static_cast<std::int64_t>(line.size()) + kLineEndSize;
        }
        table.Next();
        ++recordsDone;
        if (onExportRecord_) onExportRecord_(*this, recordsDone, bytesWritten);
        if (progress_ && recordsDone % progressStep == 0)
            progress_->UpdateProgress(recordsDone, bytesWritten);
        if (maxRecords_ > 0 && recordsDone >= maxRecords_) break;
    }
    if (trailerRecord_) {
        output->write(trailer_);
        output->write(kLineEnd);
    }
    output->commit();
    progress_.reset();

    if (onFinishExport_) onFinishExport_(*this);
    return recordsDone;
}

}  // namespace marklift
