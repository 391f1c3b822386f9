#include "core/config/program_settings.h"

namespace marklift {

ProgramSettings& Settings() {
    static ProgramSettings settings;
    return settings;
}

}  // namespace marklift
