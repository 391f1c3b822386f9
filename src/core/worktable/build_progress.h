// Where a work-table build shows how far it has come: the calling window's
// status line and progress bar.
#pragma once

#include <string>

namespace marklift {

class BuildProgress {
public:
    virtual ~BuildProgress() = default;
    // The builder lets pending window events be processed after each status
    // change, and only then; progress bar changes alone are not painted.
    virtual void setStatus(const std::string& text) = 0;
    virtual void setRange(int minimum, int maximum) = 0;
    virtual void setPosition(int position) = 0;
};

// For a build whose progress nobody watches.
class SilentBuildProgress : public BuildProgress {
public:
    void setStatus(const std::string&) override {}
    void setRange(int, int) override {}
    void setPosition(int) override {}
};

}  // namespace marklift
