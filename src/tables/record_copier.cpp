#include "tables/record_copier.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "tables/xbase_error.h"

namespace marklift {
namespace {

bool isNumeric(char type) {
    return type == 'N' || type == 'F';
}

}  // namespace

RecordCopier::RecordCopier(const FieldList& from, const FieldList& to)
    : blank_(to.recordLength(), ' ') {
    for (const FieldDef& target : to.fields()) {
        const FieldDef* source = from.find(target.name);
        if (!source) continue;
        Kind kind = Kind::ViaText;
        if (source->type == target.type && (target.type == 'C' || !isNumeric(target.type))) {
            kind = Kind::Bytes;
        } else if (isNumeric(source->type) && isNumeric(target.type)) {
            kind = source->length == target.length && source->decimals == target.decimals
                       ? Kind::Bytes
                       : Kind::Number;
        }
        steps_.push_back({source, &target, kind, source->offset, target.offset,
                          std::min(source->length, target.length)});
    }
    joinAdjacentByteCopies();
}

void RecordCopier::joinAdjacentByteCopies() {
    std::vector<Step> joined;
    for (const Step& step : steps_) {
        if (!joined.empty()) {
            Step& last = joined.back();
            if (last.kind == Kind::Bytes && step.kind == Kind::Bytes &&
                last.fromOffset + last.length == step.fromOffset &&
                last.toOffset + last.length == step.toOffset) {
                last.length += step.length;
                continue;
            }
        }
        joined.push_back(step);
    }
    steps_ = std::move(joined);
}

void RecordCopier::copy(const char* in, char* out) const {
    std::memcpy(out, blank_.data(), blank_.size());
    for (const Step& step : steps_) {
        switch (step.kind) {
            case Kind::Bytes:
                std::memcpy(out + step.toOffset, in + step.fromOffset, step.length);
                break;
            case Kind::Number:
                if (readRaw(*step.from, in).find_first_not_of(' ') != std::string_view::npos)
                    writeNumber(*step.to, out, readNumber(*step.from, in));
                break;
            case Kind::ViaText:
                // Unlike kinds: what cannot be converted stays blank.
                try {
                    writeText(*step.to, out, readText(*step.from, in));
                } catch (const EXbaseError&) {
                    writeBlank(*step.to, out);
                }
                break;
        }
    }
}

}  // namespace marklift
