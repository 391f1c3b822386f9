// xbtool: looks inside xBase tables from the command line, for the staff
// and for tests. Tables are opened read-only except by `index`.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "platform/paths.h"
#include "tables/xbase_table.h"

using namespace marklift;

namespace {

const char* const kUsage =
    "usage: xbtool info TABLE\n"
    "       xbtool dump TABLE [--filter EXPR] [--tag NAME | --ntx FILE]\n"
    "       xbtool order TABLE (--tag NAME | --ntx FILE)\n"
    "       xbtool seek TABLE (--tag NAME | --ntx FILE) KEY\n"
    "       xbtool count TABLE [--filter EXPR]\n"
    "       xbtool index TABLE --tag NAME --key EXPR\n"
    "       xbtool --help | --version\n";

struct Arguments {
    std::string command;
    std::string table;
    std::optional<std::string> filter, tag, ntx, key;
    std::vector<std::string> positional;
};

Arguments parse(int argc, char** argv) {
    if (argc < 3) throw UsageError{};
    Arguments a;
    a.command = argv[1];
    a.table = argv[2];
    for (int i = 3; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError{};
            return argv[++i];
        };
        if (arg == "--filter") {
            a.filter = value();
        } else if (arg == "--tag") {
            a.tag = value();
        } else if (arg == "--ntx") {
            a.ntx = value();
        } else if (arg == "--key") {
            a.key = value();
        } else if (arg.rfind("--", 0) == 0) {
            throw UsageError{};
        } else {
            a.positional.push_back(arg);
        }
    }
    return a;
}

void openTable(XbaseTable& table, const std::string& path, bool writable) {
    std::size_t slash = path.find_last_of("/\\");
    table.SetDatabaseName(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
    table.SetTableName(slash == std::string::npos ? path : path.substr(slash + 1));
    table.SetTableType(TableType::ttCDX);
    table.SetReadOnly(!writable);
    table.Open();
}

void selectOrder(XbaseTable& table, const Arguments& a, bool required) {
    if (a.tag && a.ntx) throw UsageError{};
    if (a.ntx) {
        table.OpenIndexFile(*a.ntx);
        std::string name = *a.ntx;
        std::size_t slash = name.find_last_of("/\\");
        if (slash != std::string::npos) name = name.substr(slash + 1);
        table.SetIndexName(name.substr(0, name.rfind('.')));
    } else if (a.tag) {
        table.SetIndexName(*a.tag);
    } else if (required) {
        throw UsageError{};
    }
}

std::string fieldValue(const XbaseTable& table, const FieldDef& field) {
    switch (field.type) {
        case 'D':
            return table.GetText(field.name).empty() ? std::string()
                                                     : table.GetDate(field.name).toYyyymmdd();
        case 'L':
            return table.GetBool(field.name) ? "T" : "F";
        default:
            return table.GetText(field.name);
    }
}

int info(XbaseTable& table) {
    const FieldList& fields = table.Fields();
    std::cout << "file: " << table.FileName() << "\n"
              << "records: " << table.RecordCount() << "\n"
              << "record length: " << fields.recordLength() << "\n"
              << "fields: " << fields.size() << "\n";
    for (const FieldDef& f : fields.fields())
        std::cout << "  " << f.name << " " << f.type << " " << int(f.length) << " "
                  << int(f.decimals) << "\n";
    std::vector<std::string> tags = table.TagNames();
    if (!tags.empty()) {
        std::cout << "tags:";
        for (const std::string& t : tags) std::cout << " " << t;
        std::cout << "\n";
    }
    return 0;
}

int run(const Arguments& a) {
    XbaseTable table;
    openTable(table, a.table, a.command == "index");
    if (a.command == "info") return info(table);
    if (a.command == "index") {
        if (!a.tag || !a.key) throw UsageError{};
        table.CreateIndex(*a.tag, *a.key);
        table.Close();
        return 0;
    }
    if (a.filter && (a.command == "dump" || a.command == "count")) {
        table.SetFilterOptions(FilterOptions::RESPECT_WHEN_COUNTING);
        table.SetFilter(*a.filter);
    } else if (a.filter) {
        throw UsageError{};
    }
    if (a.command == "count") {
        if (a.tag || a.ntx || !a.positional.empty()) throw UsageError{};
        std::cout << table.RecordCount() << "\n";
        return 0;
    }
    if (a.command == "dump") {
        selectOrder(table, a, false);
        const FieldList& fields = table.Fields();
        for (table.First(); !table.Eof(); table.Next()) {
            std::string line = std::to_string(table.RecNo()) + "|" + (table.Deleted() ? "*" : "");
            for (const FieldDef& f : fields.fields()) line += "|" + fieldValue(table, f);
            std::cout << line << "\n";
        }
        return 0;
    }
    if (a.command == "order") {
        selectOrder(table, a, true);
        for (table.First(); !table.Eof(); table.Next()) std::cout << table.RecNo() << "\n";
        return 0;
    }
    if (a.command == "seek") {
        if (a.positional.size() != 1) throw UsageError{};
        selectOrder(table, a, true);
        if (!table.SeekKey(a.positional[0])) {
            std::cout << "not found\n";
            return 1;
        }
        std::cout << table.RecNo() << "\n";
        return 0;
    }
    throw UsageError{};
}

}  // namespace

int main(int argc, char** argv) {
    return RunCommandLine("xbtool", kUsage, argc, argv, [&] { return run(parse(argc, argv)); });
}
