// TCSVExport, the upload file writer: writes every record of an open table
// to a text file, one line per record, as delimited text or fixed-width
// columns, with CR LF after every line, while a progress display shows how
// far it has come.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/upload/export_line.h"
#include "core/upload/export_progress.h"

namespace marklift {

class ReplacingFile;
class XbaseTable;

class TCSVExport {
public:
    using TExportEvent =
        std::function<void(TCSVExport& sender, std::int64_t records, std::int64_t bytes)>;
    using TNotifyEvent = std::function<void(TCSVExport& sender)>;

    TCSVExport();
    ~TCSVExport();
    TCSVExport(const TCSVExport&) = delete;
    TCSVExport& operator=(const TCSVExport&) = delete;

    // Writes the whole file. -1 when the output cannot be made (missing
    // directory, no access, the table will not open): nothing is written and
    // no display is left open. Otherwise the number of records visited.
    //
    // The file is written under a temporary name beside OutputFile and takes
    // its place only when complete, so a failure part way (a full disk, an
    // engine error moving through the table) leaves the previous file as it
    // was; that failure passes to the caller.
    std::int64_t Execute();

    // -- Properties ----------------------------------------------------------
    // Keeps only the first character left after removing blanks and control
    // characters around the value.
    void SetCustomSeparator(const std::string& value);
    const std::string& CustomSeparator() const { return customSeparator_; }
    // The table to write; not owned.
    void SetDataSet(XbaseTable* table) { dataSet_ = table; }
    XbaseTable* DataSet() const { return dataSet_; }
    void SetDelimitedFields(TDelimitedFields value) { delimitedFields_ = value; }
    TDelimitedFields DelimitedFields() const { return delimitedFields_; }
    void SetExportType(TExportType value) { exportType_ = value; }
    TExportType ExportType() const { return exportType_; }
    void SetFieldDelimiter(TFieldDelimiter value) { fieldDelimiter_ = value; }
    TFieldDelimiter FieldDelimiter() const { return fieldDelimiter_; }
    void SetFieldList(const std::vector<std::string>& names) { fieldList_ = names; }
    const std::vector<std::string>& FieldList() const { return fieldList_; }
    void SetFieldListAction(TFieldListAction value) { fieldListAction_ = value; }
    TFieldListAction FieldListAction() const { return fieldListAction_; }
    void SetFieldSeparator(TFieldSeparator value) { fieldSeparator_ = value; }
    TFieldSeparator FieldSeparator() const { return fieldSeparator_; }
    void SetHeader(const std::string& text) { header_ = text; }
    const std::string& Header() const { return header_; }
    void SetHeaderRecord(bool value) { headerRecord_ = value; }
    bool HeaderRecord() const { return headerRecord_; }
    // 0 means no limit; a negative value is stored as 0.
    void SetMaxRecords(std::int64_t value) { maxRecords_ = value < 0 ? 0 : value; }
    std::int64_t MaxRecords() const { return maxRecords_; }
    void SetNumericAlign(TNumericAlignment value) { numericAlign_ = value; }
    TNumericAlignment NumericAlign() const { return numericAlign_; }
    // A program path.
    void SetOutputFile(const std::string& fileName) { outputFile_ = fileName; }
    const std::string& OutputFile() const { return outputFile_; }
    void SetShowProgress(bool value) { showProgress_ = value; }
    bool ShowProgress() const { return showProgress_; }
    void SetTrailer(const std::string& text) { trailer_ = text; }
    const std::string& Trailer() const { return trailer_; }
    void SetTrailerRecord(bool value) { trailerRecord_ = value; }
    bool TrailerRecord() const { return trailerRecord_; }
    void SetDBaseFormat(bool value) { dbaseFormat_ = value; }
    bool DBaseFormat() const { return dbaseFormat_; }
    const std::string& Version() const { return version_; }

    // -- Events --------------------------------------------------------------
    // After each record, with the records visited and the bytes written.
    void SetOnExportRecord(TExportEvent handler) { onExportRecord_ = std::move(handler); }
    void SetOnBeginExport(TNotifyEvent handler) { onBeginExport_ = std::move(handler); }
    // Only after a run that finished normally.
    void SetOnFinishExport(TNotifyEvent handler) { onFinishExport_ = std::move(handler); }

    // The display a run shows while ShowProgress is set; without one nothing
    // is shown.
    void SetProgressFactory(ExportProgressFactory factory) {
        progressFactory_ = std::move(factory);
    }

private:
    std::unique_ptr<ReplacingFile> OpenOutput(std::int64_t& recordTotal);
    LineFormat MakeLineFormat() const;

    std::string customSeparator_;
    XbaseTable* dataSet_ = nullptr;
    TDelimitedFields delimitedFields_ = TDelimitedFields::dfAll;
    TExportType exportType_ = TExportType::expDelimited;
    TFieldDelimiter fieldDelimiter_ = TFieldDelimiter::fdlNone;
    std::vector<std::string> fieldList_;
    TFieldListAction fieldListAction_ = TFieldListAction::flaNone;
    TFieldSeparator fieldSeparator_ = TFieldSeparator::fspPipe;
    std::string header_;
    bool headerRecord_ = false;
    std::int64_t maxRecords_ = 0;
    TNumericAlignment numericAlign_ = TNumericAlignment::naLeft;
    std::string outputFile_;
    bool showProgress_ = false;
    std::string trailer_;
    bool trailerRecord_ = false;
    bool dbaseFormat_ = false;
    const std::string version_ = "1.2";

    TExportEvent onExportRecord_;
    TNotifyEvent onBeginExport_;
    TNotifyEvent onFinishExport_;

    ExportProgressFactory progressFactory_;
    // Lives from the start of a run that shows progress to its end.
    std::unique_ptr<ExportProgress> progress_;
};

}  // namespace marklift
