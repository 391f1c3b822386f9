#include "core/config/code_table_backup.h"

#include <memory>
#include <utility>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/replacing_copy.h"

namespace marklift {
namespace {

// A backup's name is the live name with its last letter an `x`.
const std::pair<const char*, const char*> kCodeTableNames[] = {{"BANPLACE", "BANPLACx"},
                                                               {"BANTEST", "BANTESTx"}};

struct FileOfTable {
    const char* extension;
    bool CodeTableAtOpen::*existed;
};
// The data file first: a table whose index went without its data file is
// no table, one whose data file went without its index is.
constexpr FileOfTable kFilesOfTable[] = {{".DBF", &CodeTableAtOpen::dbfExisted},
                                         {".CDX", &CodeTableAtOpen::cdxExisted}};

// Copies the files of `table` that existed, each from `from` + extension to
// `to` + extension, and lets them replace their targets only once every
// copy is whole. Throws PlatformError.
void CopyTogether(const CodeTableAtOpen& table, const std::string& from, const std::string& to) {
    std::vector<std::unique_ptr<ReplacingCopy>> copies;
    for (const FileOfTable& file : kFilesOfTable)
        if (table.*file.existed)
            copies.push_back(
                std::make_unique<ReplacingCopy>(from + file.extension, to + file.extension));
    for (const auto& copy : copies) copy->commit();
}

std::string BackupNames(const CodeTableAtOpen& table, const std::string& dataPath) {
    std::string names;
    for (const FileOfTable& file : kFilesOfTable) {
        if (!(table.*file.existed)) continue;
        if (!names.empty()) names += " and ";
        names += dataPath + table.backup + file.extension;
    }
    return names;
}

// A file the dialog made: gone again. The data file goes first, and the
// index only after it, so that no table is left without its index.
void RemoveWhatWasNotThere(const CodeTableAtOpen& table, const std::string& dataPath,
                           UserInterface& ui) {
    for (const FileOfTable& file : kFilesOfTable) {
        const std::string path = dataPath + table.live + file.extension;
        if (table.*file.existed || !fileExists(path)) continue;
        if (!deleteFile(path)) {
            ui.showError("Unable to delete " + path +
                         ", which was not there when the settings were opened.");
            return;
        }
    }
}

void RestoreTable(const CodeTableAtOpen& table, const std::string& dataPath, UserInterface& ui) {
    const bool wasThere = table.dbfExisted || table.cdxExisted;
    // Not copied aside: the user was told when the dialog opened.
    if (wasThere && !table.backedUp) return;
    if (wasThere) {
        try {
            CopyTogether(table, dataPath + table.backup, dataPath + table.live);
        } catch (const PlatformError& error) {
            ui.showError("Unable to restore the code table " + dataPath + table.live + ": " +
                         error.what() + "\r\nIts backup is kept in " +
                         BackupNames(table, dataPath) + ".");
            return;
        }
    }
    RemoveWhatWasNotThere(table, dataPath, ui);
    for (const FileOfTable& file : kFilesOfTable)
        if (table.*file.existed) deleteFile(dataPath + table.backup + file.extension);
}

}  // namespace

CodeTableBackups BackupCodeTables(const std::string& dataPath, UserInterface& ui) {
    CodeTableBackups backups{dataPath, {}};
    for (const auto& [live, backup] : kCodeTableNames) {
        CodeTableAtOpen table{live, backup};
        for (const FileOfTable& file : kFilesOfTable)
            table.*file.existed = fileExists(dataPath + live + file.extension);
        if (table.dbfExisted || table.cdxExisted) {
            try {
                CopyTogether(table, dataPath + live, dataPath + backup);
                table.backedUp = true;
            } catch (const PlatformError& error) {
                ui.showError("Unable to copy the code table " + dataPath + live +
                             " aside: " + error.what() + "\r\nCancel will not undo changes to it.");
            }
        }
        backups.tables.push_back(std::move(table));
    }
    return backups;
}

void RestoreCodeTables(const CodeTableBackups& backups, UserInterface& ui) {
    for (const CodeTableAtOpen& table : backups.tables) RestoreTable(table, backups.dataPath, ui);
}

}  // namespace marklift
